// Fill sections: the patterns over a stretch of program memory, the warning
// when a pattern does not divide it, the names and numbers of the sections.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Reporter.h"
#include "linker.h"

namespace {

struct FillCase {
  uint16_t romBits;
  uint32_t locations;
  std::string fill;
  std::vector<uint8_t> bytes;
  bool warned;
};

TEST(FillSectionsTest, PatternsOverAStretch) {
  const std::vector<FillCase> cases = {
      {14, 3, "0x3FFF", {0xFF, 0x3F, 0xFF, 0x3F, 0xFF, 0x3F}, false},
      {14, 3, "0x12345678", {0x34, 0x12, 0x78, 0x56, 0x34, 0x12}, true},
      {14, 2, "0x12345678", {0x34, 0x12, 0x78, 0x56}, false},
      {8, 3, "4660", {0x34, 0x12, 0x34}, true},
      {8, 4, "4660", {0x34, 0x12, 0x34, 0x12}, false},
      {8, 3, "0x12345678", {0x34, 0x12, 0x78}, true},
      {8, 5, "0x12345678", {0x34, 0x12, 0x78, 0x56, 0x34}, true},
      {14, 1, "0X00FF", {0xFF, 0x00}, false},
      {14, 1, "12", {12, 0}, false},
      {14, 1, "255", {255, 0}, false},
      {14, 1, "70000", {0x70, 0x11}, false},  // taken as 16 bits
  };
  for (const FillCase& c : cases) {
    Linker L;
    L.cRomWidthBits = c.romBits;
    int warnings = warningCount();
    L.buildOutputHole("page", 0x10, 0x10 + c.locations - 1, c.fill);
    const Data& d = L.cOutput.cRawData.at(".fill_1");
    EXPECT_EQ(std::vector<uint8_t>(d.bytes(), d.bytes() + d.size()), c.bytes) << c.fill;
    EXPECT_EQ(warningCount() - warnings, c.warned ? 1 : 0) << c.fill;
    const scnhdr& h = L.cOutput.cScnHdr.at(".fill_1");
    EXPECT_EQ(+h.s_paddr, 0x10u);
    EXPECT_EQ(scnType(h), SCNTYPE_CODE);
  }
}

TEST(FillSectionsTest, SectionsAreNumberedAfterTheOthersAndNamedBeyondTheHundredth) {
  Linker L;
  L.cRomWidthBits = 14;
  L.cOutput.cScnNum[1] = ".code";
  for (uint32_t i = 0; i < 101; ++i) L.buildOutputHole("page", 2 * i, 2 * i, "0x0000");
  EXPECT_EQ(L.cOutput.cScnNum.at(2), ".fill_1");
  EXPECT_EQ(L.cOutput.cScnNum.at(102), ".fill_101");
  // An empty string table gets its first name right after the length word.
  EXPECT_EQ(L.cOutput.cStringTbl.begin()->first, 4u);
  EXPECT_EQ(Coff::getName(L.cOutput.cScnHdr.at(".fill_100"), L.cOutput.cStringTbl), ".fill_100");
  EXPECT_EQ(Coff::getName(L.cOutput.cScnHdr.at(".fill_101"), L.cOutput.cStringTbl), ".fill_101");
  EXPECT_EQ(Coff::getName(L.cOutput.cScnHdr.at(".fill_99"), L.cOutput.cStringTbl), ".fill_99");
}

TEST(FillSectionsTest, OnlyMemoriesWithAFillAndEveryHoleInHoleOrder) {
  Linker L;
  std::string m;
  L.cRomWidthBits = 16;
  L.addCodePage(Memory("plain", 0, 0xFF, rom, false, false, ""), m);
  L.addCodePage(Memory("filled", 0x100, 0x1FF, rom, false, true, "0x1234"), m);
  for (Memory& mem : L.cCodePage) mem.setWidthBits(16);
  L.cCodePage.back().allocateAbs(".mid", 0x140, 0x20, false);
  L.buildOutputHoles();
  ASSERT_EQ(L.cFillCount, 2u);
  std::vector<uint32_t> starts;
  for (const auto& [n, name] : L.cOutput.cScnNum)
    starts.push_back(+L.cOutput.cScnHdr.at(name).s_paddr);
  // The stretch before the section enters the hole list first.
  EXPECT_EQ(starts, (std::vector<uint32_t>{0x100, 0x150}));
  EXPECT_EQ(L.totalProgramMemory(), 0x200u);
}

}  // namespace
