// Symbols after allocation: the initialisation table, final symbol values and
// line addresses, the merged string table, external definitions and references.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "CoffBuilder.h"
#include "ProcessorIds.h"
#include "linker.h"

namespace {

const uint8_t kMirrow = 7;  // MRRW007: 14-bit words, narrow table entries
const uint32_t kMirrowId = procIdNamed("MRRW007");
const uint8_t kHalvern = 133;  // HLVN133: program addresses past 0xFFFF, wide entries

// A Linker with one CODEPAGE and one DATABANK whose sections are placed by
// hand, the way allocation leaves them.
class SymbolsTest : public ::testing::Test {
 protected:
  void SetUp() override { useProcessor(kMirrow, 14); }

  void useProcessor(uint8_t processor, uint16_t romBits) {
    L = std::make_unique<Linker>();
    L->cProcessor = processor;
    L->cRomWidthBits = romBits;
    L->cRamWidthBits = 8;
    L->cCodePage.emplace_back("page", 0, 0x7FF, rom, false, false, "");
    L->cDataBanks.emplace_back("bank", 0x20, 0x7F, ram, false, false, "");
    L->cCodePage.back().setWidthBits(romBits);
    L->cDataBanks.back().setWidthBits(8);
  }
  Memory& page() { return L->cCodePage.back(); }
  Memory& bank() { return L->cDataBanks.back(); }

  // Declares a section of the link and places it at `at` in `m`.
  void place(Memory& m, const std::string& name, uint8_t type, uint32_t size, uint32_t at) {
    L->cScnType[name] = type;
    L->cScnSize[name] = size;
    L->cScnAbs[name] = 0;
    m.allocateAbs(name, at, size, false);
    L->cScnMem[name] = &m;
  }
  // Adds an input and loads its part of each of its sections.
  Coff& addInput(const CoffBuilder& b) {
    L->cCoff.push_back(std::make_unique<Coff>(b.image()));
    FileKey key = static_cast<FileKey>(L->cCoff.size() - 1);
    Coff& c = *L->cCoff.back();
    for (const auto& [number, name] : c.cScnNum)
      L->cScnMem.at(name)->loadSectionAppend(key, c.cCoffName, name, c.cScnHdr.at(name).s_size);
    return c;
  }
  std::vector<uint8_t> table() {
    std::string message;
    EXPECT_EQ(L->buildInitTable(message), 1);
    const Data& d = L->cCinitData;
    return std::vector<uint8_t>(d.bytes(), d.bytes() + d.size());
  }
  std::string resolve() {
    std::string message;
    L->mergeStringTbls();
    if (!L->buildExtSymDef(message)) return message;
    if (!L->resolveExternals(message)) return message;
    return "ok";
  }
  // A relocatable object with a code section of `bytes` bytes at s_paddr 0x10.
  static CoffBuilder object(const std::string& name, uint32_t bytes) {
    CoffBuilder b(name);
    b.optionalHeader(kMirrowId, 14);
    int code = b.section(".code", SCN_CODE, 0x10);
    b.contents(code, std::vector<uint8_t>(bytes));
    return b;
  }

  std::unique_ptr<Linker> L;
};

TEST_F(SymbolsTest, InitTableHasOneNarrowEntryPerNonEmptyIdataSection) {
  place(bank(), ".data", SCNTYPE_IDATA, 4, 0x20);
  place(bank(), ".empty", SCNTYPE_IDATA, 0, 0x30);
  place(page(), ".data_i", SCNTYPE_ROMDATA, 8, 0x100);
  place(page(), ".empty_i", SCNTYPE_ROMDATA, 0, 0x110);
  place(bank(), ".bss", SCNTYPE_UDATA, 4, 0x40);
  EXPECT_EQ(table(), (std::vector<uint8_t>{1, 0, 0x00, 0x01, 0x20, 0x00, 4, 0}));
}

TEST_F(SymbolsTest, InitTableWithoutIdataIsTheCountAlone) {
  place(bank(), ".bss", SCNTYPE_UDATA, 4, 0x40);
  EXPECT_EQ(table(), (std::vector<uint8_t>{0, 0}));
}

TEST_F(SymbolsTest, InitTableEntriesAreWideOnLargeProcessors) {
  useProcessor(kHalvern, 8);
  place(bank(), ".data", SCNTYPE_IDATA, 3, 0x21);
  place(page(), ".data_i", SCNTYPE_ROMDATA, 3, 0x200);
  EXPECT_EQ(table(), (std::vector<uint8_t>{1, 0, 0x00, 0x02, 0, 0, 0x21, 0, 0, 0, 3, 0, 0, 0}));
}

TEST_F(SymbolsTest, SymbolsAndCodeLinesMoveWithTheirInputsPart) {
  place(page(), ".code", SCNTYPE_CODE, 0x10, 0x200);
  place(bank(), ".bss", SCNTYPE_UDATA, 2, 0x40);
  CoffBuilder a = object("a.o", 6);
  a.symbol("first", 0x14, 1, C_EXT);
  a.line(1, 0, 7, 0x12, 0, 0);
  int bss = a.section(".bss", SCN_UDATA, 0x60);
  a.zeros(bss, 2);
  a.symbol("counter", 0x61, bss, C_STAT);
  a.symbol("absolute", 0x14, -1, C_EXT);  // not relocatable
  CoffBuilder b = object("a.o", 10);      // a second input of the same name
  b.symbol("second", 0x10, 1, C_LABEL);
  Coff& ca = addInput(a);
  Coff& cb = addInput(b);
  std::string message;
  ASSERT_EQ(L->relocateSymbols(message), 1);
  ASSERT_EQ(L->relocateLineInfo(message), 1);
  EXPECT_EQ(+ca.cSymbols[0].sym.n_value, 0x204u);
  EXPECT_EQ(+ca.cSymbols[1].sym.n_value, 0x41u);
  EXPECT_EQ(+ca.cSymbols[2].sym.n_value, 0x14u);
  EXPECT_EQ(+cb.cSymbols[0].sym.n_value, 0x203u);  // after a's 6 bytes: 3 locations
  EXPECT_EQ(+ca.cLineNums.at(".code").front().l_paddr, 0x202u);
}

TEST_F(SymbolsTest, MergedStringTableHoldsEachStringOnceInByteOrder) {
  place(page(), ".code", SCNTYPE_CODE, 4, 0x200);
  CoffBuilder a = object("a.o", 2);
  a.symbol("b", 0, 1, C_EXT, 0, true);
  a.symbol("shared_long_name", 0, 1, C_STAT);
  a.symbol("inline", 0, 1, C_STAT);
  CoffBuilder b = object("b.o", 2);
  b.symbol("shared_long_name", 0, 1, C_STAT);
  b.symbol("a", 0, 1, C_EXT, 0, true);
  Coff& ca = addInput(a);
  Coff& cb = addInput(b);
  L->mergeStringTbls();
  const StringTbl& merged = L->cOutput.cStringTbl;
  std::vector<std::pair<uint32_t, std::string>> entries(merged.begin(), merged.end());
  EXPECT_EQ(entries, (std::vector<std::pair<uint32_t, std::string>>{
                         {4, "a"}, {6, "b"}, {8, "shared_long_name"}}));
  EXPECT_EQ(ca.cSymbols[0].sym.n_offset(), 6u);
  EXPECT_EQ(ca.cSymbols[1].sym.n_offset(), 8u);
  EXPECT_EQ(cb.cSymbols[0].sym.n_offset(), 8u);
  EXPECT_EQ(Coff::getName(ca.cSymbols[2].sym, merged), "inline");
  EXPECT_EQ(Coff::getName(cb.cSymbols[1].sym, merged), "a");
}

// Names that agree on their first eight, twelve or sixteen bytes, one that
// begins another, and bytes above 0x7F still come out in byte order.
TEST_F(SymbolsTest, MergedStringTableOrdersNamesWithLongSharedBeginnings) {
  place(page(), ".code", SCNTYPE_CODE, 4, 0x200);
  const std::vector<std::string> names{
      "common_prefix_b",     "common_prefix_a",     "common_prefix_ab", "common_pr",
      "common_prefixes_1",   "common_prefixes_0",   "common_prefixes_", "common_prefixes_10",
      "common_prefixes_0zz", "common_\xc3\xa9tage", "common_zeta",      "common_prefix",
      "common_prefix_a\x7f", "common_prefix_a\x80"};
  CoffBuilder a = object("a.o", 2);
  for (size_t i = 0; i < names.size(); i += 2) a.symbol(names[i], 0, 1, C_STAT, 0, true);
  CoffBuilder b = object("b.o", 2);
  for (size_t i = 1; i < names.size(); i += 2) b.symbol(names[i], 0, 1, C_STAT, 0, true);
  addInput(a);
  addInput(b);
  L->mergeStringTbls();
  std::vector<std::string> merged;
  for (const auto& [offset, text] : L->cOutput.cStringTbl) merged.emplace_back(text);
  std::vector<std::string> sorted = names;
  std::sort(sorted.begin(), sorted.end());
  EXPECT_EQ(merged, sorted);
}

TEST_F(SymbolsTest, FileEntriesGetMergedOffsetsAndAuxiliaryEntriesAreLeftAlone) {
  place(page(), ".code", SCNTYPE_CODE, 4, 0x200);
  CoffBuilder a = object("a.o", 2);
  a.fileSymbol("zeta.c");
  a.function("f", 0x10, 1, 2);       // its aux_fcn is not a symbol
  a.symbol(".file", 0, -2, C_FILE);  // no auxiliary entry, last of the table
  Coff& ca = addInput(a);
  std::vector<uint8_t> fcnBefore(reinterpret_cast<uint8_t*>(&ca.cSymbols[3]),
                                 reinterpret_cast<uint8_t*>(&ca.cSymbols[3]) + 18);
  std::string message;
  ASSERT_EQ(L->relocateSymbols(message), 1);
  L->mergeStringTbls();
  EXPECT_EQ(Coff::getName(ca.cSymbols[1].file, L->cOutput.cStringTbl), "zeta.c");
  EXPECT_EQ(+ca.cSymbols[2].sym.n_value, 0x200u);
  std::vector<uint8_t> fcnAfter(reinterpret_cast<uint8_t*>(&ca.cSymbols[3]),
                                reinterpret_cast<uint8_t*>(&ca.cSymbols[3]) + 18);
  EXPECT_EQ(fcnBefore, fcnAfter);
}

TEST_F(SymbolsTest, AFileNameMissingFromTheStringTableIsTheInputsFault) {
  place(page(), ".code", SCNTYPE_CODE, 4, 0x200);
  CoffBuilder a = object("broken.o", 2);
  a.symbol("before", 0x1, 1, C_EXT);  // would move with .code
  a.fileSymbol("x.c");
  Coff& ca = addInput(a);
  ca.cSymbols[2].file.x_offset = 999;
  std::string message;
  EXPECT_EQ(L->relocateSymbols(message), 0);
  EXPECT_EQ(message,
            "Coff file 'broken.o' has a '.file' entry whose name is not in its string table.");
  EXPECT_EQ(+ca.cSymbols[0].sym.n_value, 0x1u);  // the failing input is left as it was
}

TEST_F(SymbolsTest, ReferencesResolveToDefinitionsAndSectionStarts) {
  place(page(), ".code", SCNTYPE_CODE, 4, 0x200);
  place(bank(), "udata_sec", SCNTYPE_UDATA, 4, 0x44);
  L->cHasStackDesc = 1;
  place(bank(), ".stack", SCNTYPE_UDATA, 8, 0x50);
  L->cScnSize.erase(".stack");  // the linker's own section is no input section
  L->cCinitSym.n_value = 0x300;
  Coff::setName(L->cCinitSym, "_cinit", L->cOutput.cStringTbl);
  CoffBuilder a = object("a.o", 2);
  a.symbol("target", 0x11, 1, C_EXT);
  a.symbol("a_long_target", 0x12, 1, C_EXT);
  a.symbol("in_table", 0x13, 1, C_EXT, 0, true);  // a short name, held in the string table
  a.symbol("inline", 0x14, 1, C_EXT);
  CoffBuilder b = object("b.o", 2);
  // Names of up to eight characters match whether inline or in a string table.
  uint32_t refs[] = {b.symbol("target", 0, 0, C_EXT),
                     b.symbol(".udata_sec", 0, 0, C_EXT),
                     b.symbol("_cinit", 0, 0, C_EXT),
                     b.symbol("_stack", 0, 0, C_EXT),
                     b.symbol("_stksize", 0, 0, C_EXT),
                     b.symbol("a_long_target", 0, 0, C_EXT),
                     b.symbol("in_table", 0, 0, C_EXT),
                     b.symbol("inline", 0, 0, C_EXT, 0, true),
                     b.symbol(".udata_sec", 0, 0, C_EXT, 0, true)};
  addInput(a);
  Coff& cb = addInput(b);
  std::string message;
  ASSERT_EQ(L->relocateSymbols(message), 1);
  ASSERT_EQ(resolve(), "ok");
  std::vector<uint32_t> values;
  for (uint32_t r : refs) values.push_back(+cb.cSymbols[r].sym.n_value);
  EXPECT_EQ(values,
            (std::vector<uint32_t>{0x201, 0x44, 0x300, 0x50, 8, 0x202, 0x203, 0x204, 0x44}));
  EXPECT_EQ(+cb.cSymbols[refs[0]].sym.n_scnum, 0);
}

TEST_F(SymbolsTest, DefinitionAndReferenceFaults) {
  struct Sym {
    std::string name;
    int16_t section;  // 0: a reference
    bool inTable = false;
  };
  struct Case {
    std::vector<Sym> aSymbols;
    std::vector<Sym> bSymbols;
    bool stack;
    std::string message;
  };
  const std::vector<Case> cases = {
      {{{"dup", 1}}, {{"dup", 1}}, false, "symbol 'dup' has multiple definitions."},
      {{{"_cinit", 1}}, {}, false, "symbol '_cinit' has multiple definitions."},
      {{{"_stack", 1}}, {}, true, "symbol '_stack' has multiple definitions."},
      {{{"_stack", 1}}, {}, false, "ok"},
      {{}, {{"missing", 0}}, false, "could not resolve symbol 'missing' in file 'b.o'."},
      {{}, {{"_stksize", 0}}, false, "could not resolve symbol '_stksize' in file 'b.o'."},
      {{{"a_long_name", 1}},
       {{"a_long_name", 1}},
       false,
       "symbol 'a_long_name' has multiple definitions."},
      {{{"short", 1, true}}, {{"short", 1}}, false, "symbol 'short' has multiple definitions."},
      {{},
       {{"a_long_missing", 0}},
       false,
       "could not resolve symbol 'a_long_missing' in file 'b.o'."},
      {{}, {{".nosuch", 0}}, false, "could not resolve section reference 'nosuch' in file 'b.o'."},
      // A defined name that starts with '.' is still read as a section.
      {{{".a_long_section", 1}},
       {{".a_long_section", 0}},
       false,
       "could not resolve section reference 'a_long_section' in file 'b.o'."},
      {{}, {{".", 0}}, false, "could not resolve section reference '' in file 'b.o'."},
      {{},
       {{"first_missing", 0}, {"second_missing", 0}},
       false,
       "could not resolve symbol 'first_missing' in file 'b.o'."},
  };
  for (const Case& c : cases) {
    SetUp();
    place(page(), ".code", SCNTYPE_CODE, 4, 0x200);
    if (c.stack) {
      L->cHasStackDesc = 1;
      place(bank(), ".stack", SCNTYPE_UDATA, 8, 0x50);
    }
    Coff::setName(L->cCinitSym, "_cinit", L->cOutput.cStringTbl);
    CoffBuilder a = object("a.o", 2);
    for (const Sym& sym : c.aSymbols) a.symbol(sym.name, 0x10, sym.section, C_EXT, 0, sym.inTable);
    CoffBuilder b = object("b.o", 2);
    for (const Sym& sym : c.bSymbols) b.symbol(sym.name, 0x10, sym.section, C_EXT, 0, sym.inTable);
    addInput(a);
    addInput(b);
    EXPECT_EQ(resolve(), c.message);
  }
}

TEST_F(SymbolsTest, MergingTheTablesOfManyInputsStaysFast) {
  const int inputs = 2000, names = 100;
  L->cScnType[".code"] = SCNTYPE_CODE;
  for (int i = 0; i < inputs; ++i) {
    auto c = std::make_unique<Coff>();
    c->cCoffName = "in" + std::to_string(i) + ".o";
    uint32_t offset = 4;
    for (int k = 0; k < names; ++k) {
      std::string name = "symbol_name_" + std::to_string(i * names + k);
      c->cStringTbl[offset] = name;
      SymEntry e;
      e.sym.setNOffset(offset);
      e.sym.n_sclass = C_STAT;
      c->cSymbols.push_back(e);
      c->cAuxKinds.push_back(AUX_NONE);
      offset += static_cast<uint32_t>(name.size()) + 1;
    }
    L->cCoff.push_back(std::move(c));
  }
  auto begin = std::chrono::steady_clock::now();
  L->mergeStringTbls();
  auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                  begin)
                .count();
  std::cout << "merged " << inputs * names << " names of " << inputs << " inputs in " << ms
            << " ms\n";
  EXPECT_EQ(L->cOutput.cStringTbl.size(), static_cast<size_t>(inputs * names));
  EXPECT_EQ(Coff::getName(L->cCoff[1999]->cSymbols[99].sym, L->cOutput.cStringTbl),
            "symbol_name_199999");
}

}  // namespace
