// The Halvern patcher on its own: each relocation type against a word, the
// relative branches at and beyond their ranges, the MOVFF destinations, the
// access flag, the section types and every refusal.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "mgreloct.h"
#include "patch_test_util.h"

namespace {

const ProcessorType kHalvern = processorNamed("HLVN133");

TEST(PatchHalvern, EachFieldTypeWritesItsBitsAndDropsTheRest) {
  expectFieldCases(
      kHalvern,
      {
          {RELOCT_CALL, 0x1234, 0xEC00, 0xEC1A},
          {RELOCT_CALL, 0x1230, 0xECFF, 0xEC1A, 4},  // the addend counts
          {RELOCT_GOTO, 0x03FE, 0xEF00, 0xEFFF},     // word address 0x1FF: its low 8 bits
          {RELOCT_HIGH, 0x1234, 0x0EFF, 0x0E12},
          {RELOCT_LOW, 0x1234, 0x0E00, 0x0E34},
          {RELOCT_LOW, 0x1234, 0x0E00, 0x0EFF, -0x35},
          {RELOCT_BANKSEL, 0x0345, 0x01F0, 0x0103},
          {RELOCT_ALL, 0xBEEF1234, 0x0000, 0x1234},
          {RELOCT_IBANKSEL, 0x0245, 0xFFFF, 0xFF02},
          {RELOCT_F, 0x0F80, 0x6E00, 0x6E80},
          {RELOCT_MOVLB, 0x0512, 0x0100, 0x0105},
          {RELOCT_CALL2, 0x123400, 0xF000, 0xF91A},
          {RELOCT_CALL2, 0x1235, 0xF000, 0xF009},  // no alignment rule for the second word
          {RELOCT_FF1, 0x1ABC, 0xCFFF, 0xCABC},
          {RELOCT_FF2, 0x0FFA, 0xF000, 0xFFFA},
          {RELOCT_FF2, 0x1FFF, 0xF000, 0xFFFF},  // only the 12-bit value is refused
          {RELOCT_LFSR1, 0x0ABC, 0xEE10, 0xEE1A},
          {RELOCT_LFSR2, 0x0ABC, 0xF0FF, 0xF0BC},
          {RELOCT_UPPER, 0x123456, 0x0EFF, 0x0E12},
      });
}

TEST(PatchHalvern, OddCallAndGotoTargetsAreRefused) {
  PatchBench bench(kHalvern);
  const uint32_t odd = bench.symbol("odd", 0x1235);
  const uint32_t scn = bench.symbol(".code", 0x0101);
  for (uint16_t type : {RELOCT_CALL, RELOCT_GOTO}) {
    std::vector<uint16_t> words = {0xEC00};
    EXPECT_EQ(bench.patch(words, type, odd), 0);
    EXPECT_EQ(bench.message,
              "Symbol 'odd' is not word-aligned.\n"
              "It cannot be used as the target of a call or goto instruction.");
    EXPECT_EQ(words[0], 0xEC00);
  }
  // A section reference is named without its '.'.
  std::vector<uint16_t> words = {0xEC00};
  EXPECT_EQ(bench.patch(words, RELOCT_CALL, scn), 0);
  EXPECT_EQ(bench.message,
            "Symbol 'code' is not word-aligned.\n"
            "It cannot be used as the target of a call or goto instruction.");
}

struct BranchCase {
  uint16_t type;
  int32_t distance;  // target - (pc + 2)
  uint16_t after;    // 0 when refused as out of range
};

TEST(PatchHalvern, RelativeBranchesAtAndBeyondTheirRanges) {
  constexpr uint32_t kFileStart = 0x100, kVaddr = 4, kNext = kFileStart + kVaddr + 2;
  const BranchCase cases[] = {
      {RELOCT_BRA, 2046, 0xD3FF},     {RELOCT_BRA, 2048, 0},         {RELOCT_BRA, -2048, 0xD400},
      {RELOCT_BRA, -2050, 0},         {RELOCT_BRA, 0, 0xD000},       {RELOCT_BRA, 2, 0xD001},
      {RELOCT_BRA, -2, 0xD7FF},       {RELOCT_CONDBRA, 254, 0xE07F}, {RELOCT_CONDBRA, 256, 0},
      {RELOCT_CONDBRA, -256, 0xE080}, {RELOCT_CONDBRA, -258, 0},     {RELOCT_CONDBRA, 0, 0xE000},
      {RELOCT_CONDBRA, -2, 0xE0FF},
  };
  for (const BranchCase& c : cases) {
    PatchBench bench(kHalvern);
    const uint32_t sym = bench.symbol("a_long_branch_target", kNext + c.distance);
    // The opcode and some field bits to be replaced.
    const uint16_t before = c.type == RELOCT_BRA ? 0xD555 : 0xE055;
    std::vector<uint16_t> words = {0, 0, before};
    const int result = bench.patch(words, c.type, sym, 0, kVaddr, kFileStart);
    if (c.after == 0) {
      EXPECT_EQ(result, 0) << c.distance;
      EXPECT_EQ(bench.message,
                "Symbol 'a_long_branch_target' out of range of relative branch instruction.");
      EXPECT_EQ(words[2], before);
    } else {
      EXPECT_EQ(result, 1) << c.distance << ' ' << bench.message;
      EXPECT_EQ(words[2], c.after) << c.distance;
    }
  }
}

TEST(PatchHalvern, AnOddBranchDistanceIsRefusedAfterTheRangeCheck) {
  PatchBench bench(kHalvern);
  const uint32_t odd = bench.symbol("odd", 0x0203);
  std::vector<uint16_t> words = {0xD000};
  EXPECT_EQ(bench.patch(words, RELOCT_BRA, odd, 0, 0, 0x200), 0);
  EXPECT_EQ(bench.message,
            "Symbol 'odd' is not word-aligned.\n"
            "It cannot be used as the target of a call or goto instruction.");
  const uint32_t far = bench.symbol("far", 0x0203 + 4000);
  EXPECT_EQ(bench.patch(words, RELOCT_CONDBRA, far, 0, 0, 0x200), 0);
  EXPECT_EQ(bench.message, "Symbol 'far' out of range of relative branch instruction.");
  EXPECT_EQ(words[0], 0xD000);
}

TEST(PatchHalvern, MovffCannotWriteTheStackTopOrTheProgramCounter) {
  const struct {
    uint32_t value;
    const char* reg;
  } cases[] = {{0xFFF, "TOSU"}, {0xFFE, "TOSH"}, {0xFFD, "TOSL"}, {0xFF9, "PCL"}};
  for (const auto& c : cases) {
    PatchBench bench(kHalvern);
    const uint32_t sym = bench.symbol("reg", c.value + 1);
    std::vector<uint16_t> words = {0xF000};
    EXPECT_EQ(bench.patch(words, RELOCT_FF2, sym, -1), 0);
    EXPECT_EQ(bench.message,
              std::string(c.reg) + " cannot be used as the destination of a MOVFF instruction.");
    EXPECT_EQ(words[0], 0xF000);
  }
}

TEST(PatchHalvern, AccessFlagIsClearInsideAnAccessBankOnly) {
  const struct {
    uint32_t value;
    uint16_t after;
  } cases[] = {{0x000, 0x6E55}, {0x05F, 0x6E55}, {0x060, 0x6F55},
               {0xF5F, 0x6F55}, {0xF60, 0x6E55}, {0xFFF, 0x6E55}};
  for (const auto& c : cases) {
    PatchBench bench(kHalvern);
    bench.linker.cAccessBanks.emplace_back("accessram", 0x000, 0x05F, ram, false, false, "");
    bench.linker.cAccessBanks.emplace_back("accesssfr", 0xF60, 0xFFF, ram, false, false, "");
    const uint32_t sym = bench.symbol("var", c.value);
    for (uint16_t before : {0x6E55, 0x6F55}) {
      std::vector<uint16_t> words = {before};
      ASSERT_EQ(bench.patch(words, RELOCT_ACCESS, sym), 1);
      EXPECT_EQ(words[0], c.after) << std::hex << c.value << ' ' << before;
    }
  }
  PatchBench none(kHalvern);
  const uint32_t sym = none.symbol("var", 0x010);
  std::vector<uint16_t> words = {0x6E55};
  ASSERT_EQ(none.patch(words, RELOCT_ACCESS, sym), 1);
  EXPECT_EQ(words[0], 0x6F55);
}

TEST(PatchHalvern, SectionTypesUseTheSizeAndTheLastByteOfTheSection) {
  const FieldCase cases[] = {
      // value 0 is .data: start 0x100, size 0x20
      {RELOCT_SCNEND_LOW, 0, 0x0E00, 0x0E1F},
      {RELOCT_SCNEND_HIGH, 0, 0x0E00, 0x0E01},
      {RELOCT_SCNSZ_LOW, 0, 0x0EFF, 0x0E20},
      {RELOCT_SCNSZ_LOW, 0, 0x0E00, 0x0E1F, -1},
      // value 1 is .big: start 0x12340, size 0x10001, last byte 0x22340
      {RELOCT_SCNSZ_LOW, 1, 0x0E00, 0x0E02, 1},
      {RELOCT_SCNSZ_HIGH, 1, 0x0EFF, 0x0E00},
      {RELOCT_SCNSZ_UPPER, 1, 0x0E00, 0x0E01},
      {RELOCT_SCNEND_LOW, 1, 0x0E00, 0x0E40},
      {RELOCT_SCNEND_HIGH, 1, 0x0E00, 0x0E23},
      {RELOCT_SCNEND_UPPER, 1, 0x0E00, 0x0E02},
      {RELOCT_SCNEND_UPPER, 1, 0x0E00, 0x0E02, 0x7FFF},
      {RELOCT_SCNEND_LFSR1, 1, 0xEE00, 0xEE03},
      {RELOCT_SCNEND_LFSR2, 1, 0xF000, 0xF040},
  };
  for (const FieldCase& c : cases) {
    PatchBench bench(kHalvern);
    bench.linker.cScnSize["data"] = 0x20;
    bench.linker.cScnSize["big"] = 0x10001;
    const uint32_t data = bench.symbol(".data", 0x100);
    const uint32_t big = bench.symbol(".big", 0x12340);
    std::vector<uint16_t> words = {c.before};
    ASSERT_EQ(bench.patch(words, c.type, c.value ? big : data, c.offset), 1) << bench.message;
    EXPECT_EQ(words[0], c.after) << "type " << c.type;
  }
}

TEST(PatchHalvern, SectionTypesRefuseSymbolsThatNameNoSection) {
  PatchBench bench(kHalvern);
  bench.linker.cScnSize["data"] = 0x20;
  const uint32_t plain = bench.symbol("data", 0x100);
  const uint32_t unknown = bench.symbol(".nosuch", 0x100);
  for (uint16_t type = RELOCT_SCNSZ_LOW; type <= RELOCT_SCNEND_LFSR2; ++type) {
    std::vector<uint16_t> words = {0x0E00};
    EXPECT_EQ(bench.patch(words, type, plain), 0);
    EXPECT_EQ(bench.message, "symbol 'data' is not a section reference.");
    EXPECT_EQ(bench.patch(words, type, unknown), 0);
    EXPECT_EQ(bench.message, "symbol '.nosuch' is not a section reference.");
    EXPECT_EQ(words[0], 0x0E00);
  }
  // Looking the section up made no entry for it.
  EXPECT_EQ(bench.linker.cScnSize.size(), 1u);
}

TEST(PatchHalvern, TypesOfOtherFamiliesAreUnsupported) {
  PatchBench bench(kHalvern);
  const uint32_t sym = bench.symbol("x", 0x1234);
  for (uint16_t type : {0, 5, 7, 11, 12, 23, 24, 33, 0xFFFF}) {
    std::vector<uint16_t> words = {0x1111};
    EXPECT_EQ(bench.patch(words, type, sym), 0) << type;
    EXPECT_EQ(bench.message, "unsupported relocation type.");
    EXPECT_EQ(words[0], 0x1111);
  }
}

TEST(PatchHalvern, NothingIsWrittenOutsideTheSectionData) {
  PatchBench bench(kHalvern);
  const uint32_t sym = bench.symbol("x", 0x1234);
  std::vector<uint16_t> words = {0x1111, 0x2222};
  EXPECT_EQ(bench.patch(words, RELOCT_LOW, sym, 0, 2), 1);
  EXPECT_EQ(words, (std::vector<uint16_t>{0x1111, 0x2234}));
  const struct {
    uint32_t vaddr;
    const char* message;
  } outside[] = {
      {3, "relocation at offset 0x00000003 lies outside the section data."},
      {4, "relocation at offset 0x00000004 lies outside the section data."},
      {0xFFFFFFFF, "relocation at offset 0xffffffff lies outside the section data."},
  };
  for (const auto& c : outside) {
    EXPECT_EQ(bench.patch(words, RELOCT_ALL, sym, 0, c.vaddr), 0);
    EXPECT_EQ(bench.message, c.message);
  }
  EXPECT_EQ(words, (std::vector<uint16_t>{0x1111, 0x2234}));
  Data empty;
  EXPECT_EQ(bench.patchData(empty, RELOCT_LOW, sym), 0);
  EXPECT_EQ(bench.message, "relocation at offset 0x00000000 lies outside the section data.");
}

TEST(PatchHalvern, ASymbolIndexBeyondTheTableIsRefused) {
  PatchBench bench(kHalvern);
  bench.symbol("x", 0x1234);
  std::vector<uint16_t> words = {0x1111};
  EXPECT_EQ(bench.patch(words, RELOCT_LOW, 1, 0, 0), 0);
  EXPECT_EQ(bench.message,
            "relocation at offset 0x00000000 refers to symbol index 1, which is not in the "
            "symbol table.");
  EXPECT_EQ(words[0], 0x1111);
}

}  // namespace
