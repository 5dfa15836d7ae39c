#include "memtarg.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace {

// A memory of `widthBits`-bit locations, ready for allocation.
Memory makeMemory(uint32_t start, uint32_t end, uint16_t widthBits, uint8_t type = ram,
                  bool hasFill = false) {
  Memory memory("mem", start, end, type, false, hasFill, hasFill ? "0x1234" : "");
  memory.setWidthBits(widthBits);
  return memory;
}

// The free ranges as (start, size in locations), in hole order.
std::vector<std::pair<uint32_t, uint64_t>> holes(const Memory& memory) {
  std::vector<std::pair<uint32_t, uint64_t>> result;
  for (const Range& hole : memory.cUnallocated) result.emplace_back(hole.cStart, hole.cSize);
  return result;
}

using Holes = std::vector<std::pair<uint32_t, uint64_t>>;

TEST(Memory, ConstructionCoversTheWholeMemoryWithOneHole) {
  Memory memory("page0", 0x10, 0x1F, rom, true, true, "0x3FFF");
  EXPECT_EQ(memory.getSize(), 0x10u);
  EXPECT_EQ(holes(memory), (Holes{{0x10, 0x10}}));
  EXPECT_EQ(memory.cUnallocated[0].cWidthBits, 0);
  EXPECT_EQ(memory.cUnallocated[0].type, rom);

  Memory none;
  EXPECT_EQ(none.getType(), ram);
  EXPECT_EQ(holes(none), (Holes{{0, 1}}));
}

TEST(Memory, OverlapsIncludesTheEndPoints) {
  struct Case {
    uint32_t s1, e1, s2, e2;
    bool overlaps;
  } cases[] = {
      {0x00, 0x1F, 0x1F, 0x3F, true},     {0x00, 0x1F, 0x20, 0x3F, false},
      {0x10, 0x1F, 0x00, 0x10, true},     {0x10, 0x1F, 0x00, 0x0F, false},
      {0x00, 0xFFFFFFFF, 0x5, 0x5, true},
  };
  for (const Case& c : cases) {
    Memory a("a", c.s1, c.e1, ram, false, false, ""), b("b", c.s2, c.e2, ram, false, false, "");
    EXPECT_EQ(a.overlaps(b), c.overlaps) << c.s1 << ' ' << c.s2;
    EXPECT_EQ(b.overlaps(a), c.overlaps) << c.s1 << ' ' << c.s2;
  }
}

TEST(Memory, BestFitTakesTheSmallestHoleThatFits) {
  Memory memory = makeMemory(0x00, 0x6F, 8);
  memory.allocateAbs("a", 0x10, 0x20, false);  // holes 0x10 at 0, 0x40 at 0x30
  EXPECT_EQ(holes(memory), (Holes{{0x00, 0x10}, {0x30, 0x40}}));
  EXPECT_EQ(memory.largestHole(), 0x40u);
  memory.allocateRel("b", 0x10, false, 1);
  EXPECT_EQ(memory.getScnStart("b"), 0x00u);
  memory.allocateRel("c", 0x11, false, 1);
  EXPECT_EQ(memory.getScnStart("c"), 0x30u);
  EXPECT_EQ(holes(memory), (Holes{{0x41, 0x2F}}));
  EXPECT_FALSE(memory.canFit(0x30, 1));
  EXPECT_TRUE(memory.canFit(0x2F, 1));
}

TEST(Memory, EqualHolesGoInHoleListOrderNotAddressOrder) {
  Memory memory = makeMemory(0x00, 0x3F, 8);
  memory.allocateAbs("a", 0x20, 0x10, false);
  memory.allocateAbs("b", 0x08, 0x08, false);
  // The 0x10-byte hole at 0x30 was left by the first allocation, the one at
  // 0x10 by the second: the sort keeps 0x30 first.
  EXPECT_EQ(holes(memory), (Holes{{0x30, 0x10}, {0x00, 0x08}, {0x10, 0x10}}));
  memory.allocateRel("c", 0x10, false, 1);
  EXPECT_EQ(memory.getScnStart("c"), 0x30u);
  EXPECT_EQ(holes(memory), (Holes{{0x00, 0x08}, {0x10, 0x10}}));
}

TEST(Memory, AlignmentPadsAHoleAtAnOddLocation) {
  Memory memory = makeMemory(0x00, 0x0F, 8);
  memory.allocateAbs("a", 0x00, 1, false);   // hole 0x01..0x0F
  memory.allocateAbs("b", 0x04, 12, false);  // hole 0x01..0x03: 3 bytes at an odd start
  EXPECT_FALSE(memory.canFit(3, 2));
  EXPECT_TRUE(memory.canFit(3, 1));
  EXPECT_TRUE(memory.canFit(2, 2));
  memory.allocateRel("c", 2, false, 2);
  EXPECT_EQ(memory.getScnStart("c"), 0x02u);
  EXPECT_EQ(holes(memory), (Holes{{0x01, 1}}));
}

TEST(Memory, ZeroLengthSectionTakesAnAddressAndNoSpace) {
  Memory memory = makeMemory(0x00, 0x1F, 8);
  memory.allocateAbs("big", 0x00, 0x11, false);  // hole 0x11..0x1F
  memory.allocateRel("empty", 0, false, 2);
  EXPECT_EQ(memory.getScnStart("empty"), 0x12u);
  EXPECT_EQ(memory.getScnSize("empty"), 0u);
  EXPECT_EQ(holes(memory), (Holes{{0x11, 0x0F}}));
  memory.allocateAbs("next", 0x12, 4, false);
  EXPECT_EQ(memory.getScnStart("next"), 0x12u);
  memory.loadSectionAppend(0, "a.o", "empty", 0);
  EXPECT_TRUE(memory.cAllocated.at("empty").loadComplete());
  EXPECT_EQ(memory.getFileStart(0, "empty"), 0x12u);

  // A full memory has no hole, so not even an empty section fits.
  Memory full = makeMemory(0x00, 0x03, 8);
  full.allocateRel("all", 4, false, 1);
  EXPECT_FALSE(full.canFit(0, 1));
  EXPECT_FALSE(full.canFitAt(0x02, 0));
}

TEST(Memory, LocationsOfWideWordsRoundUp) {
  Memory memory = makeMemory(0x000, 0x7FF, 14, rom);
  memory.allocateRel("code", 5, false, 1);
  EXPECT_EQ(memory.cAllocated.at("code").cSize, 3u);
  EXPECT_EQ(memory.getScnSize("code"), 6u);
  EXPECT_EQ(holes(memory), (Holes{{0x003, 0x7FD}}));
  EXPECT_EQ(memory.largestHole(), 2u * 0x7FD);
}

TEST(Memory, FixedPlacementAtTheLastLocation) {
  Memory memory = makeMemory(0x100, 0x1FF, 16, rom);
  EXPECT_TRUE(memory.canFitAt(0x1FF, 2));
  EXPECT_FALSE(memory.canFitAt(0x1FF, 3));
  EXPECT_FALSE(memory.canFitAt(0x0FF, 2));
  memory.allocateAbs("last", 0x1FF, 2, false);
  EXPECT_EQ(holes(memory), (Holes{{0x100, 0xFF}}));
  EXPECT_FALSE(memory.canFitAt(0x1FF, 1));
  memory.allocateAbs("mid", 0x140, 4, false);
  EXPECT_EQ(holes(memory), (Holes{{0x100, 0x40}, {0x142, 0xBD}}));
}

TEST(Memory, AppendLoadingPlacesEachFileAfterThePrevious) {
  Memory memory = makeMemory(0x20, 0x7F, 8);
  memory.allocateRel("data", 10, false, 1);
  uint32_t start = memory.getScnStart("data");
  memory.loadSectionAppend(0, "a.o", "data", 4);
  EXPECT_FALSE(memory.loadComplete());
  memory.loadSectionAppend(1, "b.o", "data", 6);
  EXPECT_EQ(memory.getFileStart(0, "data"), start);
  EXPECT_EQ(memory.getFileStart(1, "data"), start + 4);
  EXPECT_EQ(memory.getFileSize(1, "data"), 6u);
  EXPECT_TRUE(memory.loadComplete());
  EXPECT_TRUE(memory.isLoaded(1, "data"));
  EXPECT_FALSE(memory.isLoaded(2, "data"));
  EXPECT_FALSE(memory.isLoaded(0, "other"));
}

TEST(Memory, OverlayLoadingStartsEveryFileAtTheSectionStart) {
  Memory memory = makeMemory(0x20, 0x7F, 8);
  memory.allocateRel("ovr", 6, true, 1);
  uint32_t start = memory.getScnStart("ovr");
  memory.loadSectionAppend(0, "a.o", "ovr", 4);
  memory.loadSectionAppend(1, "b.o", "ovr", 6);
  EXPECT_EQ(memory.getFileStart(0, "ovr"), start);
  EXPECT_EQ(memory.getFileStart(1, "ovr"), start);
  EXPECT_EQ(memory.getFileSize(0, "ovr"), 4u);
  EXPECT_FALSE(memory.cAllocated.at("ovr").loadComplete());
}

TEST(Memory, AbsoluteLoadingCompletesTheRange) {
  Memory memory = makeMemory(0x000, 0xFFF, 16, rom);
  memory.allocateAbs("abs", 0x100, 8, false);
  memory.loadSection(3, "c.o", "abs", 0x100, 8);
  EXPECT_TRUE(memory.loadComplete());
  EXPECT_EQ(memory.getFileStart(3, "abs"), 0x100u);
  EXPECT_EQ(memory.cAllocated.at("abs").pc, 0x104u);

  memory.allocateAbs("absovr", 0x200, 8, true);
  memory.loadSection(1, "a.o", "absovr", 0x200, 2);
  memory.loadSection(2, "b.o", "absovr", 0x200, 8);
  EXPECT_EQ(memory.getFileSize(1, "absovr"), 2u);
  EXPECT_EQ(memory.getFileStart(2, "absovr"), 0x200u);
}

TEST(Memory, TwoInputsOfOneNameKeepTheirOwnParts) {
  Memory memory = makeMemory(0x00, 0xFF, 8);
  memory.allocateRel("text", 6, false, 1);
  memory.loadSectionAppend(4, "util.o", "text", 2);
  memory.loadSectionAppend(7, "util.o", "text", 4);
  EXPECT_EQ(memory.getFileStart(4, "text"), 0x00u);
  EXPECT_EQ(memory.getFileStart(7, "text"), 0x02u);
  EXPECT_EQ(memory.getFileSize(7, "text"), 4u);
  std::ostringstream os;
  memory.cAllocated.at("text").print(os);
  EXPECT_EQ(os.str(),
            "Range:   allocName=text start=0x00000000 size=0x00000006 end=0x00000005 "
            "pc=0x00000006 type=ram isOverlay=0\n"
            "                    Loaded Section: file=util.o start=0x00000000 size=0x00000002 "
            "end=0x00000001\n"
            "                    Loaded Section: file=util.o start=0x00000002 size=0x00000004 "
            "end=0x00000005\n");
}

TEST(Memory, WholeAddressSpaceDoesNotWrap) {
  Memory memory = makeMemory(0x00000000, 0xFFFFFFFF, 16, rom);
  EXPECT_EQ(memory.getSize(), 0x100000000u);
  EXPECT_EQ(memory.largestHole(), 0x200000000u);
  EXPECT_TRUE(memory.canFit(0x200000000u, 1));
  EXPECT_FALSE(memory.canFit(0x200000001u, 1));
  EXPECT_TRUE(memory.canFitAt(0xFFFFFFFF, 2));
  EXPECT_FALSE(memory.canFitAt(0xFFFFFFFF, 3));
  EXPECT_FALSE(memory.canFitAt(0xFFFFFFF0, 0x40));

  memory.allocateAbs("top", 0xFFFFFFFF, 2, false);
  EXPECT_EQ(holes(memory), (Holes{{0x00000000, 0xFFFFFFFF}}));
  EXPECT_EQ(memory.cAllocated.at("top").getEnd(), 0xFFFFFFFFu);
  memory.loadSectionAppend(0, "a.o", "top", 2);
  EXPECT_EQ(memory.cAllocated.at("top").pc, 0x100000000u);
  EXPECT_TRUE(memory.loadComplete());

  memory.allocateRel("rest", 0x1FFFFFFFEu, false, 1);
  EXPECT_TRUE(memory.cUnallocated.empty());
  EXPECT_EQ(memory.getScnSize("rest"), 0x1FFFFFFFEu);
}

TEST(Memory, EmptySectionNeedsAnAlignedAddressInsideTheSpace) {
  Memory memory = makeMemory(0xFFFFFFF0, 0xFFFFFFFF, 8);
  memory.allocateAbs("low", 0xFFFFFFF0, 15, false);  // hole: the last location alone
  EXPECT_TRUE(memory.canFit(0, 1));
  EXPECT_FALSE(memory.canFit(0, 2));
  EXPECT_FALSE(memory.canFit(1, 2));
  EXPECT_TRUE(memory.canFit(1, 1));
}

TEST(Memory, WalkHolesVisitsFilledHolesInListOrder) {
  std::vector<std::pair<uint32_t, uint32_t>> seen;
  auto record = [](void* user, const Memory&, uint32_t start, uint32_t end, const std::string&) {
    static_cast<std::vector<std::pair<uint32_t, uint32_t>>*>(user)->emplace_back(start, end);
  };
  Memory plain = makeMemory(0x00, 0x3F, 16, rom);
  plain.walkHoles(record, &seen);
  EXPECT_TRUE(seen.empty());

  Memory filled = makeMemory(0x00, 0x3F, 16, rom, true);
  filled.allocateAbs("a", 0x20, 4, false);
  filled.allocateAbs("b", 0x08, 4, false);
  filled.walkHoles(record, &seen);
  EXPECT_EQ(seen,
            (std::vector<std::pair<uint32_t, uint32_t>>{{0x22, 0x3F}, {0x00, 0x07}, {0x0A, 0x1F}}));
}

TEST(Memory, PrintUsageWithoutSections) {
  Memory memory = makeMemory(0x1F000, 0x1FFFF, 8);
  std::ostringstream os;
  memory.printUsage(os, true);
  EXPECT_EQ(os.str(),
            "    Memory      Start        End              Section    Address Size(Bytes)\n"
            " ---------  ---------  ---------            ---------  ---------  ---------\n"
            "       mem     0xf000     0xffff                                           \n"
            "\n");
}

TEST(Memory, PrintUsageListsSectionsByAddress) {
  Memory memory = makeMemory(0x000, 0x7FF, 14, rom);
  memory.allocateAbs("zeta", 0x010, 6, false);
  memory.allocateAbs("alpha", 0x100, 2, false);
  memory.allocateAbs("empty", 0x013, 0, false);
  memory.allocateAbs("beta", 0x013, 2, false);
  std::ostringstream os;
  memory.printUsage(os, false);
  EXPECT_EQ(os.str(),
            "       mem     0x0000     0x07ff                 zeta     0x0010     0x0006\n"
            "                                                 beta     0x0013     0x0002\n"
            "                                                empty     0x0013     0x0000\n"
            "                                                alpha     0x0100     0x0002\n"
            "\n");
}

TEST(Memory, PrintDumpsBothRangeLists) {
  Memory memory("page", 0x00, 0x3F, rom, true, true, "0x3FFF");
  std::ostringstream before;  // before the processor is known: widths are 0
  memory.print(before);
  EXPECT_EQ(before.str(),
            "Memory: name=page start=0x00000000 end=0x0000003f type=rom protected=1 hasFill=1 "
            "fill=0x3FFF\n"
            "          ---Allocated Ranges--- \n"
            "          ---Unallocated Ranges--- \n"
            "          Range:   allocName= start=0x00000000 size=0x00000000 end=0x0000003f "
            "pc=0x00000000 type=rom isOverlay=0\n");

  memory.setWidthBits(14);
  memory.allocateAbs("code", 0x10, 4, true);
  memory.loadSection(0, "a.o", "code", 0x10, 0);
  std::ostringstream after;
  memory.print(after);
  EXPECT_EQ(after.str(),
            "Memory: name=page start=0x00000000 end=0x0000003f type=rom protected=1 hasFill=1 "
            "fill=0x3FFF\n"
            "          ---Allocated Ranges--- \n"
            "          Range:   allocName=code start=0x00000010 size=0x00000004 end=0x00000011 "
            "pc=0x00000010 type=rom isOverlay=1\n"
            "                    Loaded Section: file=a.o start=0x00000010 size=0x00000000\n"
            "          ---Unallocated Ranges--- \n"
            "          Range:   allocName= start=0x00000000 size=0x00000020 end=0x0000000f "
            "pc=0x00000000 type=rom isOverlay=0\n"
            "          Range:   allocName= start=0x00000012 size=0x0000005c end=0x0000003f "
            "pc=0x00000012 type=rom isOverlay=0\n");
}

TEST(MemSize, OrdersBySizeBeyond32Bits) {
  MemSize small{nullptr, 0xFFFFFFFF}, large{nullptr, 0x100000000};
  EXPECT_TRUE(small < large);
  EXPECT_FALSE(large < small);
}

TEST(MemoryDeathTest, LoadingOneInputTwiceIsAContractBreach) {
  Memory memory = makeMemory(0x00, 0xFF, 8);
  memory.allocateRel("text", 6, false, 1);
  memory.loadSectionAppend(0, "a.o", "text", 2);
  EXPECT_DEATH(memory.loadSectionAppend(0, "a.o", "text", 2),
               "Assertion failed: !isLoaded\\(file,secName\\), file .*memtarg.cpp");
  EXPECT_DEATH(memory.allocateRel("text", 1, false, 1), "!isAllocated\\(secName\\)");
}

}  // namespace
