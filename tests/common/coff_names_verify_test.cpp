#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "Coff.h"
#include "CoffBuilder.h"
#include "coff_test_util.h"

namespace {

const StringTbl kStrings = {
    {4, "a_long_name"}, {16, "duplicated"}, {27, "duplicated"}, {38, "src.c"}};

TEST(CoffNames, InlineAndStringTableNames) {
  scnhdr h;
  std::memcpy(h.s_name, "ab\0xyzzy", 8);
  EXPECT_EQ(Coff::getName(h, kStrings), "ab");
  std::memcpy(h.s_name, "abcdefgh", 8);
  EXPECT_EQ(Coff::getName(h, kStrings), "abcdefgh");  // 8 characters, no NUL
  h.setSOffset(4);
  EXPECT_EQ(Coff::getName(h, kStrings), "a_long_name");

  syment s;
  s.setNOffset(38);
  EXPECT_EQ(Coff::getName(s, kStrings), "src.c");
  aux_file f;
  f.x_offset = 16;
  EXPECT_EQ(Coff::getName(f, kStrings), "duplicated");

  Coff::setName(h, "exactly8", kStrings);
  EXPECT_EQ(std::string(h.s_name, 8), "exactly8");
  Coff::setName(h, "ab", kStrings);  // clears what was there
  EXPECT_EQ(std::string(h.s_name, 8), std::string("ab\0\0\0\0\0\0", 8));
  Coff::setName(h, "duplicated", kStrings);  // the lower of two offsets
  EXPECT_TRUE(nameInStringTable(h));
  EXPECT_EQ(h.s_offset(), 16u);
  Coff::setName(s, "a_long_name", kStrings);
  EXPECT_EQ(s.n_offset(), 4u);
  Coff::setName(s, "short", kStrings);
  EXPECT_EQ(Coff::getName(s, kStrings), "short");

  // An 8-character name goes into the file inline and reads back the same.
  CoffBuilder b("t.o");
  b.section("exactly8", SCN_CODE);
  std::string bytes = b.bytes();
  EXPECT_EQ(bytes.substr(36, 8), "exactly8");
  std::unique_ptr<Coff> c = readImage(bytes);
  ASSERT_TRUE(c);
  EXPECT_EQ(c->cScnNum.at(1), "exactly8");
}

TEST(CoffNamesDeathTest, MissingStringsEndTheProgram) {
  struct Case {
    const char* what;
    std::function<void()> call;
    const char* message;
  } cases[] = {
      {"offset inside a string",
       [] {
         scnhdr h;
         h.setSOffset(6);
         Coff::getName(h, kStrings);
       },
       "Error - Unable to find section name in string table\\."},
      {"symbol offset",
       [] {
         syment s;
         s.setNOffset(99);
         Coff::getName(s, kStrings);
       },
       "Error - Unable to find symbol name in string table\\."},
      {"file name",
       [] {
         aux_file f;
         f.x_offset = 5;
         Coff::getName(f, kStrings);
       },
       "Error - Unable to find aux_file name in string table\\."},
      {"long section name",
       [] {
         scnhdr h;
         Coff::setName(h, "abcdefghi", kStrings);
       },
       "Error - Could not find section name 'abcdefghi' in string table\\."},
      {"long symbol name",
       [] {
         syment s;
         Coff::setName(s, "a_long_nam", kStrings);
       },
       "Error - Could not find symbol name 'a_long_nam' in string table\\."},
      {"empty name",
       [] {
         syment s;
         Coff::setName(s, "", kStrings);
         Coff::getName(s, kStrings);  // offset 0
       },
       "Error - Unable to find symbol name in string table\\."},
  };
  for (const Case& c : cases)
    EXPECT_EXIT(c.call(), ::testing::ExitedWithCode(255), std::string(c.message) + "\nErrors    : ")
        << c.what;
}

// The sample's symbols: 0 .file, 1 aux_file, 2 main, 3 aux_fcn, 4 external_symbol
// (string-table name); sections ".code" (1) and "a_long_data_section" (2).
TEST(CoffVerify, EachCheckReportsItsFault) {
  const std::string file = "Error - Coff file 't.o'";
  auto code = [](Coff& c) -> std::vector<reloc>& { return c.cRelocs.at(".code"); };
  auto lineAt = [](Coff& c, int j) -> coff_lineno& {
    auto it = c.cLineNums.at(".code").begin();
    std::advance(it, j);
    return *it;
  };
  auto noSymbols = [](Coff& c) {
    c.cSymbols.clear();
    c.cAuxKinds.clear();
  };
  struct Case {
    const char* what;
    std::function<void(Coff&)> change;
    std::vector<std::string> messages;
  } cases[] = {
      {"sound image", [](Coff&) {}, {}},
      {"section number past the sections",
       [](Coff& c) { c.cSymbols[2].sym.n_scnum = 3; },
       {" symbol[2] has an invalid n_scnum."}},
      {"section number -3",
       [](Coff& c) { c.cSymbols[0].sym.n_scnum = -3; },
       {" symbol[0] has an invalid n_scnum."}},
      {"auxiliary entries are not symbols",
       [](Coff& c) {
         c.cSymbols[1].sym.n_scnum = -3;
         c.cSymbols[1].sym.setNOffset(99);
       },
       {}},
      {"symbol name offset",
       [](Coff& c) { c.cSymbols[4].sym.setNOffset(5); },
       {" symbol[4] has an invalid n_offset."}},
      {"symbol name offsets out of table order, one string named twice, faults in symbol order",
       [](Coff& c) {
         c.cSymbols[0].sym.setNOffset(999);
         c.cSymbols[2].sym.setNOffset(31);
         c.cSymbols[4].sym.setNOffset(5);
         c.cSymbols.push_back(c.cSymbols[2]);
         c.cAuxKinds.push_back(AUX_NONE);
       },
       {" symbol[0] has an invalid n_offset.", " symbol[4] has an invalid n_offset."}},
      {"section name offset, numbered in name order",
       [](Coff& c) { c.cScnHdr.at("a_long_data_section").setSOffset(99); },
       {" section[1] has an invalid s_offset."}},
      {"relocations without symbols",
       noSymbols,
       {" has relocation entries but an empty symbol table."}},
      {"two relocation lists without symbols",
       [&](Coff& c) {
         noSymbols(c);
         c.cRelocs["a_long_data_section"].push_back(reloc{0, 1000, 0, 1});
       },
       {" has relocation entries but an empty symbol table.",
        " has relocation entries but an empty symbol table."}},
      {"last symbol index is valid", [&](Coff& c) { code(c).front().r_symndx = 4; }, {}},
      {"relocation symbol index",
       [&](Coff& c) {
         code(c).push_back(reloc{0, 1, 0, 1});
         code(c).push_back(reloc{0, 5, 0, 1});
       },
       {", section '.code' reloc[2] has an invalid r_symndx."}},
      {"function end index",
       [](Coff& c) { c.cSymbols[3].fcn.x_endndx = 5; },
       {" symbol[3] has an invalid x_tagndx or x_endndx."}},
      {"function tag and end index, one message",
       [](Coff& c) {
         c.cSymbols[3].fcn.x_endndx = 5;
         c.cSymbols[3].fcn.x_tagndx = 0xFFFFFFFF;
       },
       {" symbol[3] has an invalid x_tagndx or x_endndx."}},
      {"line indices, both messages of a line together",
       [&](Coff& c) {
         lineAt(c, 0).l_srcndx = 5;
         lineAt(c, 0).l_fcnndx = 6;
         lineAt(c, 1).l_fcnndx = 7;
       },
       {", section '.code' line[0] has an invalid l_srcndx.",
        ", section '.code' line[0] has an invalid l_fcnndx.",
        ", section '.code' line[1] has an invalid l_fcnndx."}},
      {"lines without symbols",
       [&](Coff& c) {
         noSymbols(c);
         code(c).clear();
         lineAt(c, 0).l_srcndx = 0xFFFFFFFF;
       },
       {}},
      {"section count",
       [](Coff& c) { c.cScnNum[3] = "x"; },
       {", cScnHdr.size() != cScnNum.size() . "}},
      {"all checks in order",
       [&](Coff& c) {
         c.cScnNum[3] = "x";
         lineAt(c, 1).l_srcndx = 9;
         c.cSymbols[3].fcn.x_tagndx = 9;
         code(c).front().r_symndx = 9;
         c.cScnHdr.at(".code").setSOffset(1);
         c.cSymbols[4].sym.setNOffset(1);
         c.cSymbols[2].sym.n_scnum = 4;
       },
       {" symbol[2] has an invalid n_scnum.", " symbol[4] has an invalid n_offset.",
        " section[0] has an invalid s_offset.",
        ", section '.code' reloc[0] has an invalid r_symndx.",
        " symbol[3] has an invalid x_tagndx or x_endndx.",
        ", section '.code' line[1] has an invalid l_srcndx.",
        ", cScnHdr.size() != cScnNum.size() . "}},
  };
  for (const Case& k : cases) {
    Coff c = sampleImage().image();
    k.change(c);
    std::string expected;
    for (const std::string& m : k.messages) expected += file + m + "\n";
    CapturedOutput out;
    EXPECT_EQ(c.verify(), k.messages.empty() ? 1 : 0) << k.what;
    EXPECT_EQ(out.text(), expected) << k.what;
  }
}

// The entry of `kind` whose bytes [from, to) are 0xFF and the others 0.
SymEntry filled(unsigned kind, size_t from, size_t to) {
  uint8_t bytes[18] = {};
  std::memset(bytes + from, 0xFF, to - from);
  SymEntry e;
  fromBytes(bytes, kind, e);
  return e;
}

// Which index fields each kind of auxiliary entry has checked.
TEST(CoffVerify, AuxiliaryIndexFieldsByKind) {
  struct Case {
    unsigned kind;
    std::function<void(SymEntry&)> set;
    bool reported;
  } cases[] = {
      {AUX_TAG, [](SymEntry& e) { e.tag.x_endndx = 50; }, true},
      {AUX_BOBF, [](SymEntry& e) { e.bobf.x_endndx = 50; }, true},
      {AUX_EOS, [](SymEntry& e) { e.eos.x_tagndx = 50; }, true},
      {AUX_ARR, [](SymEntry& e) { e.arr.x_tagndx = 50; }, true},
      {AUX_VAR, [](SymEntry& e) { e.var.x_tagndx = 50; }, true},
      {AUX_FCN, [](SymEntry& e) { e.fcn.x_tagndx = 50; }, true},
      {AUX_TAG, [](SymEntry& e) { e = filled(AUX_TAG, 0, 12); }, false},  // only x_endndx counts
      {AUX_EOS, [](SymEntry& e) { e = filled(AUX_EOS, 4, 18); }, false},
      {AUX_SCN, [](SymEntry& e) { e = filled(AUX_SCN, 0, 18); }, false},
      {AUX_EOBF, [](SymEntry& e) { e = filled(AUX_EOBF, 0, 18); }, false},
      {AUX_FILE, [](SymEntry& e) { e = filled(AUX_FILE, 0, 18); }, false},
  };
  for (const Case& k : cases) {
    Coff c = sampleImage().image();
    c.cSymbols[1] = SymEntry();
    c.cAuxKinds[1] = k.kind;
    k.set(c.cSymbols[1]);
    CapturedOutput out;
    EXPECT_EQ(c.verify(), k.reported ? 0 : 1) << k.kind;
    EXPECT_EQ(out.text(),
              k.reported
                  ? "Error - Coff file 't.o' symbol[1] has an invalid x_tagndx or x_endndx.\n"
                  : "")
        << k.kind;
  }
}

// A laid-out image without symbols has an empty relocation list for every
// section; empty lists are no relocations.
TEST(CoffVerify, StrippedImagesPass) {
  CoffBuilder b("t.o");
  b.words(b.section(".code", SCN_CODE), {1});
  b.section(".bss", SCN_UDATA);
  Coff c = b.image();
  ASSERT_EQ(c.cRelocs.size(), 2u);
  CapturedOutput out;
  EXPECT_EQ(c.verify(), 1);
  EXPECT_EQ(out.text(), "");
}

}  // namespace
