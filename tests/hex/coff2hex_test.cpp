// The selection of program-memory contents from a COFF image in memory.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "Coff2Hex.h"

namespace {

using Bytes = std::vector<uint8_t>;
using Runs = std::vector<std::pair<uint32_t, Bytes>>;

class Convert : public ::testing::Test {
 protected:
  void SetUp() override {
    cCoff.cCoffName = "out/prog.cof";
    cCoff.cOptHdr.rom_width_bits = 14;
  }
  // A section with contents (none stored when `bytes` is empty and !stored).
  void section(const std::string& name, uint32_t flags, uint32_t paddr, const Bytes& bytes,
               bool stored = true) {
    scnhdr h;
    h.s_paddr = paddr;
    h.s_size = static_cast<uint32_t>(bytes.size());
    h.s_flags = flags;
    cCoff.cScnHdr[name] = h;
    cCoff.cScnNum[static_cast<int>(cCoff.cScnNum.size()) + 1] = name;
    if (stored) cCoff.cRawData[name] = Data(h.s_size, bytes.data());
  }
  Runs runs() const {
    Runs r;
    for (const HexRange& h : cHex.cRanges) {
      Bytes b(h.size());
      EXPECT_EQ(h.copy(0, h.size(), b.data()), h.size());
      r.emplace_back(h.cStart, b);
    }
    return r;
  }
  Hex* convert(const std::vector<AddrRange>& ranges = {}) { return cHex.convert(cCoff, ranges); }

  Coff cCoff;
  Coff2Hex cHex;
};

TEST_F(Convert, WholeImageTakesCodeAndRomdataInNameOrder) {
  section("zeta", SCN_CODE, 0x10, {1, 2});
  section("alpha", SCN_ROMDATA | SCN_ABS, 0x20, {3, 4, 5});  // odd: padded
  section("data", SCN_IDATA, 0x30, {6, 6});
  section("data_i", SCN_ROMDATA, 0x40, {7, 8});
  section("stack", SCN_UDATA, 0x50, {0, 0});
  section("empty", SCN_CODE, 0x60, {});
  section("nodata", SCN_CODE, 0x70, {}, false);
  section("odd", SCN_CODE | SCN_IDATA, 0x80, {9, 9});  // code wins
  ASSERT_EQ(convert(), &cHex);
  EXPECT_EQ(runs(), (Runs{{0x40, {3, 4, 5, 0}}, {0x80, {7, 8}}, {0x100, {9, 9}}, {0x20, {1, 2}}}));
  EXPECT_EQ(cHex.cFileBaseName, "prog");
}

TEST_F(Convert, ByteAddressedMemoryKeepsSectionAddresses) {
  cCoff.cOptHdr.rom_width_bits = 8;
  section("code", SCN_CODE, 0x101, {1, 2, 3});
  ASSERT_EQ(convert(), &cHex);
  EXPECT_EQ(runs(), (Runs{{0x101, {1, 2, 3, 0}}}));
}

TEST_F(Convert, OddSectionIsPaddedOnlyWhereNoProgramMemoryByteLies) {
  cCoff.cOptHdr.rom_width_bits = 8;
  section("big", SCN_CODE, 0x100, Bytes(0x20, 0xEE));
  section("inside", SCN_ROMDATA, 0x104, {1, 2, 3});  // 0x107 lies in "big"
  section("last", SCN_CODE, 0x200, {4, 5, 6});       // nothing after it
  section("next", SCN_IDATA, 0x203, {7, 7});         // data memory: no claim
  ASSERT_EQ(convert(), &cHex);
  EXPECT_EQ(runs(), (Runs{{0x100, Bytes(0x20, 0xEE)}, {0x104, {1, 2, 3}}, {0x200, {4, 5, 6, 0}}}));
  Coff2Hex selected;
  ASSERT_EQ(selected.convert(cCoff, {{0x106, 0x106}}), &selected);
  cHex.cRanges = selected.cRanges;
  EXPECT_EQ(runs(), (Runs{{0x106, {0xEE, 0xEE}}, {0x106, {3}}}));
}

TEST_F(Convert, ImageWithoutProgramMemoryIsEmptyButConverts) {
  section("data", SCN_IDATA, 0, {1, 2});
  ASSERT_EQ(convert(), &cHex);
  EXPECT_TRUE(cHex.cRanges.empty());
}

TEST_F(Convert, BaseNameDropsDirectoryAndExtension) {
  for (const char* name : {"prog.cof", "a/b/prog.cof", "..\\lib\\prog.cof", "/x/prog"}) {
    Coff2Hex hex;
    cCoff.cCoffName = name;
    ASSERT_EQ(hex.convert(cCoff, {}), &hex);
    EXPECT_EQ(hex.cFileBaseName, "prog") << name;
  }
}

TEST_F(Convert, RangesSelectWordsIntoRunsPerSection) {
  // Words 0x100..0x107 in one section, 0x108..0x109 in the next.
  section("a", SCN_CODE, 0x100, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15});
  section("b", SCN_ROMDATA, 0x108, {16, 17, 18});
  const struct {
    std::vector<AddrRange> ranges;
    Runs expected;
  } cases[] = {
      {{{0x100, 0x100}}, {{0x200, {0, 1}}}},
      {{{0x101, 0x102}, {0x103, 0x104}}, {{0x202, {2, 3, 4, 5, 6, 7, 8, 9}}}},
      {{{0x101, 0x101}, {0x103, 0x104}}, {{0x202, {2, 3}}, {0x206, {6, 7, 8, 9}}}},
      {{{0x106, 0x108}}, {{0x20C, {12, 13, 14, 15}}, {0x210, {16, 17}}}},
      {{{0x109, 0xFFFF}}, {{0x212, {18, 0}}}},
      {{{0, 0xFFFFFFFF}},
       {{0x200, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}}, {0x210, {16, 17, 18, 0}}}},
  };
  for (const auto& c : cases) {
    Coff2Hex hex;
    ASSERT_EQ(hex.convert(cCoff, c.ranges), &hex);
    cHex.cRanges = hex.cRanges;
    EXPECT_EQ(runs(), c.expected) << "first range " << std::hex << c.ranges[0].cStart;
  }
}

TEST_F(Convert, RangesOnByteAddressedMemoryMatchPairsByTheirFirstByte) {
  cCoff.cOptHdr.rom_width_bits = 8;
  section("code", SCN_CODE, 0x200, {0, 1, 2, 3, 4, 5, 6});
  const struct {
    AddrRange range;
    Runs expected;
  } cases[] = {
      {{0x202, 0x203}, {{0x202, {2, 3}}}},
      {{0x202, 0x202}, {{0x202, {2, 3}}}},  // the pair's first byte decides
      {{0x203, 0x204}, {{0x204, {4, 5}}}},  // 0x203 is a second byte
      {{0x206, 0x300}, {{0x206, {6, 0}}}},  // odd length: padded last pair
      {{0x100, 0x201}, {{0x200, {0, 1}}}},
  };
  for (const auto& c : cases) {
    Coff2Hex hex;
    ASSERT_EQ(hex.convert(cCoff, {c.range}), &hex);
    cHex.cRanges = hex.cRanges;
    EXPECT_EQ(runs(), c.expected) << std::hex << c.range.cStart;
  }
}

TEST_F(Convert, RangesThatSelectNothingGiveNullSilently) {
  section("code", SCN_CODE, 0x100, {1, 2});
  section("data", SCN_IDATA, 0x0, {1, 2});  // not program memory
  testing::internal::CaptureStderr();
  EXPECT_EQ(convert({{0x0, 0xFF}, {0x101, 0x200}}), nullptr);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

TEST_F(Convert, UnusableWordWidthIsAnError) {
  section("code", SCN_CODE, 0, {1, 2});
  for (uint32_t width : {0u, 17u, 32u}) {
    Coff2Hex hex;
    cCoff.cOptHdr.rom_width_bits = width;
    testing::internal::CaptureStderr();
    EXPECT_EQ(hex.convert(cCoff, {}), nullptr);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Error - Coff file 'out/prog.cof' has an unsupported program memory width of " +
                  std::to_string(width) + " bits.\n");
  }
}

TEST_F(Convert, ContentsBeyond32BitByteAddressesAreAnError) {
  const std::string message =
      "Error - Coff file 'out/prog.cof', section 'far' lies beyond the 32-bit address "
      "range.\n";
  section("far", SCN_CODE, 0x80000000, {1, 2});  // byte address 0x100000000
  for (bool withRange : {false, true}) {
    Coff2Hex hex;
    std::vector<AddrRange> ranges;
    if (withRange) ranges.emplace_back(0x80000000, 0x80000000);
    testing::internal::CaptureStderr();
    EXPECT_EQ(hex.convert(cCoff, ranges), nullptr);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), message);
  }
  // The last word below 4 GB still converts.
  section("far", SCN_CODE, 0x7FFFFFFF, {1, 2});
  ASSERT_EQ(convert(), &cHex);
  EXPECT_EQ(runs(), (Runs{{0xFFFFFFFE, {1, 2}}}));
}

}  // namespace
