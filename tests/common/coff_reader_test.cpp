#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "Coff.h"
#include "CoffBuilder.h"
#include "RunProgram.h"
#include "coff_test_util.h"

namespace {

TEST(CoffReader, ReadsEveryPartOfAnImage) {
  std::string bytes = sampleImage().bytes();
  ASSERT_EQ(bytes.size(), 303u);
  CapturedOutput out;
  std::unique_ptr<Coff> c = readImage(bytes);
  ASSERT_TRUE(c);
  EXPECT_EQ(out.text(), "");
  EXPECT_EQ(c->cCoffName, "t.o");
  EXPECT_EQ(+c->cFileHdr.f_timdat, 1000u);
  EXPECT_EQ(+c->cFileHdr.f_flags, 0x0002);
  EXPECT_EQ(+c->cOptHdr.magic, 0x5678);
  EXPECT_EQ(+c->cOptHdr.proc_type, 0x2A10u);
  EXPECT_EQ(+c->cOptHdr.rom_width_bits, 16u);
  EXPECT_EQ(c->cScnNum, (std::map<int, std::string>{{1, ".code"}, {2, "a_long_data_section"}}));
  EXPECT_EQ(+c->cScnHdr.at(".code").s_paddr, 0x100u);
  ASSERT_EQ(c->cRawData.at(".code").size(), 6u);
  EXPECT_EQ(c->cRawData.at(".code").bytes()[1], 0x30);
  const Data& udata = c->cRawData.at("a_long_data_section");
  ASSERT_EQ(udata.size(), 100u);  // stored without contents: zero bytes
  EXPECT_EQ(udata.bytes()[0] | udata.bytes()[99], 0);
  ASSERT_EQ(c->cRelocs.size(), 1u);  // lists only for sections that have entries
  EXPECT_EQ(+c->cRelocs.at(".code").front().r_offset, -1);
  ASSERT_EQ(c->cLineNums.at(".code").size(), 2u);
  EXPECT_EQ(+c->cLineNums.at(".code").back().l_paddr, 0x102u);
  EXPECT_EQ(c->cLineNums.count("a_long_data_section"), 0u);
  EXPECT_EQ(c->cAuxKinds, (std::vector<uint8_t>{0, AUX_FILE, 0, AUX_FCN, 0}));
  EXPECT_EQ(+c->cSymbols[3].fcn.x_size, 6u);
  EXPECT_EQ(+c->cSymbols[3].fcn.x_lnnoptr, 134u);
  EXPECT_EQ(c->cStringTbl,
            (StringTbl{{4, "a_long_data_section"}, {24, "main.c"}, {31, "external_symbol"}}));
}

TEST(CoffReader, OpensFilesByName) {
  TempDir dir;
  ASSERT_TRUE(sampleImage().writeFile(dir.file("a.o")));
  CapturedOutput out;
  std::unique_ptr<Coff> c = Coff::make(dir.file("a.o"));
  ASSERT_TRUE(c);
  EXPECT_EQ(c->cCoffName, dir.file("a.o"));
  EXPECT_EQ(c->cSymbols.size(), 5u);

  EXPECT_FALSE(Coff::make(dir.file("none.o")));
  EXPECT_FALSE(Coff::make(dir.path()));  // a directory is not a file
  EXPECT_EQ(out.text(), "Error - Could not open Coff file '" + dir.file("none.o") +
                            "' for reading.\n" + "Error - Could not open Coff file '" + dir.path() +
                            "' for reading.\n");
}

// Large contents mapped, small ones read: the same Coff as make() gives, and
// the same failure for a file that cannot be opened.
TEST(CoffReader, MappedFilesReadAsReadOnes) {
  CoffBuilder b = sampleImage();
  std::vector<uint8_t> large(70001);
  for (size_t i = 0; i < large.size(); ++i) large[i] = static_cast<uint8_t>(i * 13 + i / 256);
  b.contents(b.section("large", SCN_CODE, 0x4000), large);
  TempDir dir;
  ASSERT_TRUE(b.writeFile(dir.file("a.o")));
  std::unique_ptr<Coff> read = Coff::make(dir.file("a.o"));
  std::unique_ptr<Coff> mapped = Coff::makeMapped(dir.file("a.o"));
  ASSERT_TRUE(read && mapped);
  EXPECT_EQ(writeImage(*mapped), writeImage(*read));
  const Data& contents = mapped->cRawData.at("large");
  ASSERT_EQ(contents.size(), large.size());
  EXPECT_EQ(std::memcmp(contents.bytes(), large.data(), large.size()), 0);

  CapturedOutput out;
  EXPECT_FALSE(Coff::makeMapped(dir.file("none.o")));
  EXPECT_FALSE(Coff::makeMapped(dir.path()));
  EXPECT_EQ(out.text(), "Error - Could not open Coff file '" + dir.file("none.o") +
                            "' for reading.\n" + "Error - Could not open Coff file '" + dir.path() +
                            "' for reading.\n");
}

TEST(CoffReader, ReadsAnImageAtABaseOffset) {
  std::string image = sampleImage().bytes();
  std::string file = std::string(7, 'x') + image + std::string(5, 'y');
  std::unique_ptr<Coff> c = readImage(file, 7, "lib(t.o)");
  ASSERT_TRUE(c);
  EXPECT_EQ(c->cCoffName, "lib(t.o)");
  EXPECT_EQ(writeImage(*c), image);

  // The image's limit: bytes at or past it are never read.
  CapturedOutput out;
  std::istringstream in(file);
  EXPECT_FALSE(Coff::make(in, 7, "lib(t.o)", 7 + image.size() - 1));
  EXPECT_EQ(out.text(), "Error - Coff file 'lib(t.o)' could not read string table.\n");
}

// Each step's failure, by truncating the file or by a count or offset that
// reaches past its end.
TEST(CoffReader, EveryStepFailsWithItsMessage) {
  auto stripped = [] {
    CoffBuilder b("t.o");
    b.contents(b.section(".a", SCN_IDATA), {1, 2});
    b.section(".b", SCN_IDATA);
    return b.bytes();
  };
  auto truncated = [](size_t n) { return [n](std::string& s) { s.resize(n); }; };
  auto put16 = [](size_t at, uint16_t v) { return [at, v](std::string& s) { putU16(s, at, v); }; };
  auto put32 = [](size_t at, uint32_t v) { return [at, v](std::string& s) { putU32(s, at, v); }; };
  struct Case {
    const char* what;
    std::function<std::string()> image;
    std::function<void(std::string&)> change;
    std::string message;
  } cases[] = {
      {"file header", [] { return sampleImage().bytes(); }, truncated(19),
       "could not read file header."},
      {"magic", [] { return sampleImage().bytes(); }, put16(0, 0x1235),
       "does not appear to be a valid COFF file."},
      {"optional header", [] { return sampleImage().bytes(); }, truncated(35),
       "could not read optional file header."},
      {"string table length", [] { return sampleImage().bytes(); }, truncated(258),
       "could not read string table length."},
      {"symbol pointer past the end", [] { return sampleImage().bytes(); }, put32(8, 0x7FFFFFFF),
       "could not read string table length."},
      {"string table", [] { return sampleImage().bytes(); }, truncated(302),
       "could not read string table."},
      {"string table length past the end", [] { return sampleImage().bytes(); },
       put32(256, 0xFFFFFFF0), "could not read string table."},
      {"section header", stripped, truncated(36 + 40 + 39), "could not read section header."},
      {"section count past the end", stripped, put16(2, 0xFFFF), "could not read section header."},
      {"contents past the end", [] { return sampleImage().bytes(); }, put32(kCodeHdr + 20, 300),
       "could not read raw data."},
      {"contents size past the end", [] { return sampleImage().bytes(); },
       put32(kCodeHdr + 16, 0xFFFFFFFF), "could not read raw data."},
      {"zero-filled size beyond any memory", [] { return sampleImage().bytes(); },
       put32(kDataHdr + 16, 0x00400001), "could not read raw data."},
      {"stored udata counts against the zero-filled size", [] { return sampleImage().bytes(); },
       [](std::string& s) {
         putU32(s, kCodeHdr + 36, SCN_CODE | SCN_UDATA);
         putU32(s, kDataHdr + 16, 0x400000 - 3);
       },
       "could not read raw data."},
      {"line count past the end", [] { return sampleImage().bytes(); },
       put16(kCodeHdr + 34, 0xFFFF), "could not read line numbers."},
      {"relocation count past the end", [] { return sampleImage().bytes(); },
       put16(kCodeHdr + 32, 0xFFFF), "could not read relocation info."},
      {"foreign line numbers", [] { return foreignImage(0); }, put16(20 + 34, 200),
       "could not read line numbers."},
      {"foreign relocations", [] { return foreignImage(0); }, put16(20 + 32, 200),
       "could not read relocation info."},
  };
  // A stream is read part by part; a file by name is read whole and converted
  // from memory: both fail alike.
  TempDir dir;
  const std::string file = dir.file("t.o");
  for (const Case& c : cases) {
    std::string bytes = c.image();
    c.change(bytes);
    std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
    for (const std::string& name : {std::string("t.o"), file}) {
      CapturedOutput out;
      EXPECT_FALSE(name == file ? Coff::make(file) : readImage(bytes)) << c.what;
      std::string expected = "Error - Coff file '" + name + "' " + c.message + "\n";
      if (std::string(c.what).find("foreign") == 0)
        expected = "Error - Coff file '" + name + "' missing optional file header.\n" + expected;
      EXPECT_EQ(out.text(), expected) << c.what << " from " << name;
    }
  }
}

// Overlapping parts cannot make the reader hold more than the image holds.
TEST(CoffReader, ContentsTogetherMayNotExceedTheImage) {
  CoffBuilder b("t.o");
  for (const char* name : {".a", ".b", ".c"}) b.zeros(b.section(name, SCN_CODE), 100);
  std::string bytes = b.bytes();
  ASSERT_EQ(bytes.size(), 36u + 120 + 300 + 4);
  for (size_t h = 0; h < 3; ++h) putU32(bytes, 36 + 40 * h + 20, 36);  // all from offset 36
  {
    CapturedOutput out;
    EXPECT_TRUE(readImage(bytes));  // 300 bytes of 460
  }
  for (size_t h = 0; h < 3; ++h) putU32(bytes, 36 + 40 * h + 16, 200);
  CapturedOutput out;
  EXPECT_FALSE(readImage(bytes));  // 400 + 200 > 460
  EXPECT_EQ(out.text(), "Error - Coff file 't.o' could not read raw data.\n");
}

TEST(CoffReader, ForeignObjectsAreConverted) {
  for (uint16_t optSize : {0, 28}) {
    CapturedOutput out;
    std::unique_ptr<Coff> c = readImage(foreignImage(optSize));
    ASSERT_TRUE(c) << optSize;
    EXPECT_EQ(out.text(), "Error - Coff file 't.o' missing optional file header.\n");
    EXPECT_EQ(+c->cFileHdr.f_opthdr, optSize);
    EXPECT_EQ(+c->cOptHdr.proc_type, 0u);
    EXPECT_EQ(c->cScnNum.at(1), ".code");  // header read at 20 + optSize

    // Line entries: a zero line number starts a function and adds nothing.
    const std::vector<coff_lineno>& lines = c->cLineNums.at(".code");
    ASSERT_EQ(lines.size(), 2u);
    for (const coff_lineno& l : lines) {
      EXPECT_EQ(+l.l_srcndx, 0u);
      EXPECT_EQ(+l.l_flags, LINENO_FCNBEGIN);
      EXPECT_EQ(+l.l_fcnndx, 4u);
    }
    EXPECT_EQ(+lines.front().l_lnno, 5);
    EXPECT_EQ(+lines.front().l_paddr, 0x10u);
    EXPECT_EQ(+lines.back().l_paddr, 0x12u);

    const std::vector<reloc>& relocs = c->cRelocs.at(".code");
    ASSERT_EQ(relocs.size(), 2u);
    EXPECT_EQ(+relocs.back().r_vaddr, 3u);
    EXPECT_EQ(+relocs.back().r_symndx, 9u);
    EXPECT_EQ(+relocs.back().r_offset, 0);
    EXPECT_EQ(+relocs.back().r_type, 4);

    // Inline file names move to the string table after its last string.
    EXPECT_EQ(c->cStringTbl,
              (StringTbl{{4, "a_long_symbol_name"}, {23, "main.c"}, {30, "abcdefghijklmnopqr"}}));
    ASSERT_EQ(c->cAuxKinds, (std::vector<uint8_t>{0, AUX_FILE, 0, AUX_FILE, 0}));
    const aux_file& first = c->cSymbols[1].file;
    EXPECT_EQ(+first.x_offset, 23u);
    EXPECT_EQ(+first.x_incline, 0u);
    EXPECT_EQ(+first.x_fill[9], 0x5A);  // the other bytes stay as read
    EXPECT_EQ(+c->cSymbols[3].file.x_offset, 30u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(c->cSymbols[3].file.x_fill), 10),
              "ijklmnopqr");
    EXPECT_EQ(Coff::getName(c->cSymbols[4].sym, c->cStringTbl), "a_long_symbol_name");
  }
}

TEST(CoffReader, StringTableWalk) {
  CoffBuilder b("t.o");
  b.section(".a", SCN_CODE);
  b.symbol("s", 0, 1, C_EXT);
  std::string image = b.bytes();
  image.resize(image.size() - 4);  // without its string table
  struct Case {
    const char* what;
    std::string table;
    StringTbl strings;
  } cases[] = {
      {"length 4", std::string("\x04\0\0\0", 4), {}},
      {"length below 4", std::string("\x01\0\0\0", 4), {}},
      {"strings", std::string("\x0C\0\0\0ab\0cdef\0", 12), {{4, "ab"}, {7, "cdef"}}},
      {"last string without NUL", std::string("\x0B\0\0\0ab\0cdef", 11), {{4, "ab"}}},
      {"empty string ends the table", std::string("\x0B\0\0\0ab\0\0cd\0", 11), {{4, "ab"}}},
  };
  for (const Case& c : cases) {
    CapturedOutput out;
    std::unique_ptr<Coff> coff = readImage(image + c.table);
    ASSERT_TRUE(coff) << c.what;
    EXPECT_EQ(coff->cStringTbl, c.strings) << c.what;
    EXPECT_EQ(out.text(), "") << c.what;
  }
}

TEST(CoffReader, WhichEntriesAreAuxiliary) {
  CoffBuilder b("t.o");
  int code = b.section(".code", SCN_CODE);
  b.function("twoaux", 0, static_cast<int16_t>(code));
  b.coff().cSymbols[0].sym.n_numaux = 2;
  b.symbol("second", 0, 1, C_EXT);  // read as a symbol although n_numaux says 2
  b.symbol("plain", 0, 1, C_EXT);
  SymEntry e;
  std::memcpy(e.sym.n_name, "inner", 5);
  b.aux(e);  // no rule gives a kind: a symbol of its own
  b.function("last", 0, static_cast<int16_t>(code));
  b.coff().cSymbols.pop_back();  // n_numaux 1 on the last entry
  b.coff().cAuxKinds.pop_back();
  std::unique_ptr<Coff> c = readImage(b.bytes());
  ASSERT_TRUE(c);
  EXPECT_EQ(c->cAuxKinds, (std::vector<uint8_t>{0, AUX_FCN, 0, 0, 0, 0}));
  EXPECT_EQ(Coff::getName(c->cSymbols[4].sym, c->cStringTbl), "inner");
}

TEST(CoffReader, SectionsOfSizeZeroReadNoEntries) {
  CoffBuilder b("t.o");
  int empty = b.section(".empty", SCN_CODE);
  b.symbol("s", 0, 1, C_EXT);
  b.reloc(empty, 0, 0, 0, 1).line(empty, 0, 1, 0, 0, 0);
  std::unique_ptr<Coff> c = readImage(b.bytes());
  ASSERT_TRUE(c);
  EXPECT_EQ(+c->cScnHdr.at(".empty").s_nreloc, 1);  // the header as read
  EXPECT_EQ(c->cScnNum.at(1), ".empty");
  EXPECT_EQ(c->cRawData.count(".empty") + c->cRelocs.count(".empty") + c->cLineNums.count(".empty"),
            0u);
}

// Two headers of one name: one cScnHdr entry (the later header), two numbers,
// the later contents, and the relocations of both in one list.
TEST(CoffReader, SectionsOfOneNameShareTheirMaps) {
  CoffBuilder b("t.o");
  int first = b.section(".a", SCN_CODE);
  int second = b.section(".b", SCN_CODE, 0x40);
  b.words(first, {1}).words(second, {2, 3});
  b.symbol("s", 0, 1, C_EXT);
  b.reloc(first, 0, 0, 0, 1).reloc(second, 2, 0, 0, 2);
  std::string bytes = b.bytes();
  bytes[36 + 40 + 1] = 'a';  // ".b" becomes ".a"
  std::unique_ptr<Coff> c = readImage(bytes);
  ASSERT_TRUE(c);
  EXPECT_EQ(c->cScnNum, (std::map<int, std::string>{{1, ".a"}, {2, ".a"}}));
  ASSERT_EQ(c->cScnHdr.size(), 1u);
  EXPECT_EQ(+c->cScnHdr.at(".a").s_paddr, 0x40u);
  EXPECT_EQ(c->cRawData.at(".a").size(), 4u);
  ASSERT_EQ(c->cRelocs.at(".a").size(), 2u);
  EXPECT_EQ(+c->cRelocs.at(".a").back().r_type, 2);
  CapturedOutput out;
  EXPECT_EQ(c->verify(), 0);
  EXPECT_EQ(out.text(), "Error - Coff file 't.o', cScnHdr.size() != cScnNum.size() . \n");
}

// An image without symbols (f_nsyms 0, f_symptr 0) has its string table after
// its last contents, relocation and line bytes.
TEST(CoffReader, ImagesWithoutSymbolsReadBack) {
  CoffBuilder b("t.o");
  int code = b.section("a_long_code_section", SCN_CODE);
  b.section(".bss", SCN_UDATA);
  int rom = b.section("another_long_one", SCN_ROMDATA);
  b.words(code, {1, 2}).zeros(2, 50).contents(rom, {9});
  b.line(code, 0, 3, 0, 0, 0);
  std::string bytes = b.bytes();
  EXPECT_EQ(getU32(bytes, 8), 0u);
  std::unique_ptr<Coff> c = readImage(bytes);
  ASSERT_TRUE(c);
  EXPECT_EQ(c->cScnNum.at(1), "a_long_code_section");
  EXPECT_EQ(c->cScnNum.at(3), "another_long_one");
  EXPECT_EQ(writeImage(*c), bytes);

  CoffBuilder bare("t.o");
  bare.section("only_headers_here", SCN_UDATA);
  c = readImage(bare.bytes());
  ASSERT_TRUE(c);
  EXPECT_EQ(c->cScnNum.at(1), "only_headers_here");
}

TEST(CoffReaderDeathTest, MissingSectionNameEndsTheProgram) {
  std::string bytes = sampleImage().bytes();
  putU32(bytes, kDataHdr + 4, 5);  // inside "a_long_data_section"
  EXPECT_EXIT(readImage(bytes), ::testing::ExitedWithCode(255),
              "Error - Unable to find section name in string table\\.\nErrors    : [0-9]+\n");
}

}  // namespace
