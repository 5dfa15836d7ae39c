// The Tarsel patcher on its own: each relocation type against a word, the
// BSF/BCF pairs built for bank selection and, as far as the device has pages,
// for page selection, and the refusals.
#include <gtest/gtest.h>

#include <vector>

#include "mgreloct.h"
#include "patch_test_util.h"

namespace {

const ProcessorType kOnePage = processorNamed("TRSL003");
const ProcessorType kTwoPages = processorNamed("TRSL001");
const ProcessorType kFourPages = processorNamed("TRSL031");

TEST(PatchTarsel, EachFieldTypeWritesItsBitsAndDropsTheRest) {
  expectFieldCases(kTwoPages, {
                                  {RELOCT_CALL, 0x3C5, 0x0900, 0x09C5},
                                  {RELOCT_CALL, 0x1FF, 0x09AA, 0x09FF},
                                  {RELOCT_GOTO, 0x3C5, 0x0A00, 0x0BC5},
                                  {RELOCT_GOTO, 0x7FF, 0x0A00, 0x0BFF},
                                  {RELOCT_HIGH, 0x1234, 0x0C00, 0x0C12},
                                  {RELOCT_LOW, 0x1234, 0x0CFF, 0x0C34},
                                  {RELOCT_ALL, 0xFEDCBA, 0x0000, 0xDCBA},
                                  {RELOCT_F, 0x7E, 0x0020, 0x003E},
                                  {RELOCT_TRIS, 0x0E, 0x0000, 0x0006},
                              });
}

TEST(PatchTarsel, BankSelectionWritesBothBitsOfRegister4) {
  const struct {
    uint32_t value;
    uint16_t first, second;
  } cases[] = {
      {0x00, 0x04A4, 0x04C4},  // BCF 4,5; BCF 4,6
      {0x20, 0x05A4, 0x04C4},  // BSF 4,5; BCF 4,6
      {0x40, 0x04A4, 0x05C4},
      {0x7F, 0x05A4, 0x05C4},
  };
  for (ProcessorType processor : {kOnePage, kFourPages}) {
    for (uint16_t type : {RELOCT_BANKSEL, RELOCT_IBANKSEL}) {
      for (const auto& c : cases) {
        PatchBench bench(processor);
        const uint32_t sym = bench.symbol("var", c.value);
        std::vector<uint16_t> words = {0x0FFF, 0x0FFF, 0x5A5A};
        ASSERT_EQ(bench.patch(words, type, sym), 1) << bench.message;
        EXPECT_EQ(words, (std::vector<uint16_t>{c.first, c.second, 0x5A5A})) << c.value;
      }
    }
  }
}

TEST(PatchTarsel, PageSelectionWritesAsManyBitsAsTheDeviceHasPages) {
  const struct {
    ProcessorType processor;
    uint32_t value;
    uint16_t first, second;
  } cases[] = {
      {kOnePage, 0x600, 0x0FFF, 0x0EEE},    // unchanged
      {kTwoPages, 0x200, 0x05A3, 0x0EEE},   // BSF 3,5 only
      {kTwoPages, 0x400, 0x04A3, 0x0EEE},   // BCF 3,5 only
      {kFourPages, 0x600, 0x05A3, 0x05C3},  // BSF 3,5; BSF 3,6
      {kFourPages, 0x400, 0x04A3, 0x05C3}, {kFourPages, 0x1FF, 0x04A3, 0x04C3},
  };
  for (uint16_t type : {RELOCT_PAGESEL, RELOCT_PAGESEL_BITS}) {
    for (const auto& c : cases) {
      PatchBench bench(c.processor);
      const uint32_t sym = bench.symbol("far", c.value);
      std::vector<uint16_t> words = {0x0FFF, 0x0EEE, 0x5A5A};
      ASSERT_EQ(bench.patch(words, type, sym), 1) << bench.message;
      EXPECT_EQ(words, (std::vector<uint16_t>{c.first, c.second, 0x5A5A}))
          << int(c.processor) << ' ' << c.value;
    }
  }
}

TEST(PatchTarsel, TypesOfOtherFamiliesAreUnsupported) {
  PatchBench bench(kTwoPages);
  const uint32_t sym = bench.symbol("x", 0x1234);
  std::vector<uint16_t> types = {0, RELOCT_P, RELOCT_MOVLR, RELOCT_PAGESEL_WREG, 33};
  for (uint16_t type = RELOCT_MOVLB; type <= RELOCT_ACCESS; ++type) types.push_back(type);
  for (uint16_t type = RELOCT_SCNSZ_LOW; type <= RELOCT_SCNEND_LFSR2; ++type) types.push_back(type);
  for (uint16_t type : types) {
    std::vector<uint16_t> words = {0x1111, 0x2222};
    EXPECT_EQ(bench.patch(words, type, sym), 0) << type;
    EXPECT_EQ(bench.message, "unsupported relocation type.");
    EXPECT_EQ(words, (std::vector<uint16_t>{0x1111, 0x2222}));
  }
}

TEST(PatchTarsel, ASecondWordCountsOnlyWhereItIsWritten) {
  const struct {
    ProcessorType processor;
    uint16_t type;
    int result;
  } cases[] = {
      {kOnePage, RELOCT_PAGESEL, 1},    // nothing to write at all
      {kTwoPages, RELOCT_PAGESEL, 1},   // only the first word
      {kFourPages, RELOCT_PAGESEL, 0},  // both words
      {kOnePage, RELOCT_BANKSEL, 0},    // always both words
      {kFourPages, RELOCT_LOW, 1},
  };
  for (const auto& c : cases) {
    PatchBench bench(c.processor);
    const uint32_t sym = bench.symbol("x", 0x600);
    std::vector<uint16_t> words = {0x1111, 0x0FFF};
    EXPECT_EQ(bench.patch(words, c.type, sym, 0, 2), c.result) << int(c.processor) << ' ' << c.type;
    if (c.result == 0) {
      EXPECT_EQ(bench.message, "relocation at offset 0x00000002 lies outside the section data.");
      EXPECT_EQ(words, (std::vector<uint16_t>{0x1111, 0x0FFF}));
    }
  }
  // The word of the relocation itself must always be there.
  PatchBench bench(kOnePage);
  const uint32_t sym = bench.symbol("x", 0x600);
  std::vector<uint16_t> words = {0x1111};
  EXPECT_EQ(bench.patch(words, RELOCT_PAGESEL, sym, 0, 1), 0);
  EXPECT_EQ(bench.message, "relocation at offset 0x00000001 lies outside the section data.");
}

}  // namespace
