// The Quenby patcher on its own: each relocation type against a word, the
// MOVLR/MOVLB word built for a bank selection, the MOVLW/MOVWF pair built for
// a page selection, and the refusals.
#include <gtest/gtest.h>

#include <vector>

#include "mgreloct.h"
#include "patch_test_util.h"

namespace {

// 1 page, 4 banks, general-purpose RAM from 0x20
const ProcessorType kOnePage = processorNamed("QNBY122");
const ProcessorType kTwoPages = processorNamed("QNBY127");  // 2 pages, 8 banks

TEST(PatchQuenby, EachFieldTypeWritesItsBitsAndDropsTheRest) {
  expectFieldCases(kOnePage, {
                                 {RELOCT_CALL, 0x3234, 0xE000, 0xF234},
                                 {RELOCT_GOTO, 0x1FFF, 0xC000, 0xDFFF},
                                 {RELOCT_HIGH, 0x1234, 0xB0FF, 0xB012},
                                 {RELOCT_LOW, 0x1234, 0xB000, 0xB034},
                                 {RELOCT_P, 0x01F3, 0xA0FF, 0xB3FF},
                                 {RELOCT_ALL, 0x12345678, 0x0000, 0x5678},
                                 {RELOCT_F, 0x1234, 0x6AFF, 0x6A34},
                                 {RELOCT_MOVLR, 0x0345, 0xBAFF, 0xBA3F},
                                 {RELOCT_MOVLB, 0x0345, 0xB8FF, 0xB8F3},
                                 {RELOCT_MOVLB, 0x1234, 0xB800, 0xB802},
                             });
}

TEST(PatchQuenby, BankSelectionBuildsMovlrForGeneralPurposeRamElseMovlb) {
  const FieldCase cases[] = {
      {RELOCT_BANKSEL, 0x0225, 0xFFFF, 0xBA20},  // general-purpose: MOVLR 2
      {RELOCT_BANKSEL, 0x0210, 0xFFFF, 0xB802},  // special register: MOVLB 2
      {RELOCT_IBANKSEL, 0x03FF, 0x0000, 0xBA30},
      {RELOCT_IBANKSEL, 0x0300, 0x0000, 0xB803},
  };
  for (const FieldCase& c : cases) {
    PatchBench bench(kOnePage);
    const uint32_t sym = bench.symbol("var", c.value);
    std::vector<uint16_t> words = {c.before, 0x5A5A};
    ASSERT_EQ(bench.patch(words, c.type, sym), 1) << bench.message;
    EXPECT_EQ(words, (std::vector<uint16_t>{c.after, 0x5A5A})) << std::hex << c.value;
  }
}

TEST(PatchQuenby, PageSelectionLoadsThePageThroughW) {
  for (ProcessorType processor : {kOnePage, kTwoPages}) {
    for (uint16_t type : {RELOCT_PAGESEL, RELOCT_PAGESEL_WREG}) {
      PatchBench bench(processor);
      const uint32_t sym = bench.symbol("far", 0x1234);
      std::vector<uint16_t> words = {0xFFFF, 0xFFFF, 0x5A5A};
      ASSERT_EQ(bench.patch(words, type, sym), 1) << bench.message;
      EXPECT_EQ(words, (std::vector<uint16_t>{0xB012, 0x0103, 0x5A5A}));  // MOVLW 0x12; MOVWF 3
    }
  }
}

TEST(PatchQuenby, TypesOfOtherFamiliesAreUnsupported) {
  PatchBench bench(kOnePage);
  const uint32_t sym = bench.symbol("x", 0x1234);
  std::vector<uint16_t> types = {0, RELOCT_TRIS, RELOCT_PAGESEL_BITS, 33};
  for (uint16_t type = RELOCT_CALL2; type <= RELOCT_ACCESS; ++type) types.push_back(type);
  for (uint16_t type = RELOCT_SCNSZ_LOW; type <= RELOCT_SCNEND_LFSR2; ++type) types.push_back(type);
  for (uint16_t type : types) {
    std::vector<uint16_t> words = {0x1111, 0x2222};
    EXPECT_EQ(bench.patch(words, type, sym), 0) << type;
    EXPECT_EQ(bench.message, "unsupported relocation type.");
    EXPECT_EQ(words, (std::vector<uint16_t>{0x1111, 0x2222}));
  }
}

TEST(PatchQuenby, NothingIsWrittenOutsideTheSectionData) {
  PatchBench bench(kOnePage);
  const uint32_t sym = bench.symbol("x", 0x0225);
  std::vector<uint16_t> words = {0x1111, 0x2222};
  // One built word fits in the last word; the page selection needs two.
  EXPECT_EQ(bench.patch(words, RELOCT_BANKSEL, sym, 0, 2), 1);
  EXPECT_EQ(words, (std::vector<uint16_t>{0x1111, 0xBA20}));
  EXPECT_EQ(bench.patch(words, RELOCT_PAGESEL, sym, 0, 2), 0);
  EXPECT_EQ(bench.message, "relocation at offset 0x00000002 lies outside the section data.");
  EXPECT_EQ(bench.patch(words, RELOCT_LOW, sym, 0, 3), 0);
  EXPECT_EQ(bench.message, "relocation at offset 0x00000003 lies outside the section data.");
  EXPECT_EQ(words, (std::vector<uint16_t>{0x1111, 0xBA20}));
  EXPECT_EQ(bench.patch(words, RELOCT_LOW, 7), 0);
  EXPECT_EQ(bench.message,
            "relocation at offset 0x00000000 refers to symbol index 7, which is not in the "
            "symbol table.");
}

}  // namespace
