// The Mirrow patcher on its own: each relocation type against a word, the
// BSF/BCF words built for bank and page selection as far as the device has
// banks and pages, the MOVLW/MOVWF pair, and the refusals.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Trace.h"
#include "mgreloct.h"
#include "patch_test_util.h"

namespace {

const ProcessorType kOnePageTwoBanks = processorNamed("MRRW007");
const ProcessorType kTwoPagesTwoBanks = processorNamed("MRRW014");
const ProcessorType kThreePagesFourBanks = processorNamed("MRRW071");
const ProcessorType kFourPagesFourBanks = processorNamed("MRRW054");

TEST(PatchMirrow, EachFieldTypeWritesItsBitsAndDropsTheRest) {
  expectFieldCases(kTwoPagesTwoBanks, {
                                          {RELOCT_CALL, 0x1234, 0x2000, 0x2234},
                                          {RELOCT_GOTO, 0x0FFF, 0x2800, 0x2FFF},
                                          {RELOCT_HIGH, 0x1234, 0x30FF, 0x3012},
                                          {RELOCT_LOW, 0x1234, 0x3000, 0x3034},
                                          {RELOCT_ALL, 0x12345, 0x0000, 0x2345},
                                          {RELOCT_F, 0x01A5, 0x00FF, 0x00A5},
                                      });
}

struct BuiltCase {
  ProcessorType processor;
  uint16_t type;
  uint32_t value;
  uint16_t first, second;  // 0x3FFF, 0x3EEE: unchanged
};

TEST(PatchMirrow, SelectionWordsAsFarAsTheDeviceHasBanksAndPages) {
  const BuiltCase cases[] = {
      // rp0, rp1 of register 3
      {kOnePageTwoBanks, RELOCT_BANKSEL, 0x0A0, 0x1683, 0x3EEE},  // BSF 3,5
      {kOnePageTwoBanks, RELOCT_BANKSEL, 0x1A0, 0x1683, 0x3EEE},
      {kFourPagesFourBanks, RELOCT_BANKSEL, 0x1A0, 0x1683, 0x1703},  // BSF 3,5; BSF 3,6
      {kFourPagesFourBanks, RELOCT_BANKSEL, 0x120, 0x1283, 0x1703},  // BCF 3,5; BSF 3,6
      {kFourPagesFourBanks, RELOCT_BANKSEL, 0x020, 0x1283, 0x1303},
      // irp of register 3
      {kOnePageTwoBanks, RELOCT_IBANKSEL, 0x1A0, 0x3FFF, 0x3EEE},
      {kFourPagesFourBanks, RELOCT_IBANKSEL, 0x1A0, 0x1783, 0x3EEE},  // BSF 3,7
      {kFourPagesFourBanks, RELOCT_IBANKSEL, 0x0A0, 0x1383, 0x3EEE},  // BCF 3,7
      // bits 3 and 4 of register 10
      {kOnePageTwoBanks, RELOCT_PAGESEL_BITS, 0x1800, 0x3FFF, 0x3EEE},
      {kTwoPagesTwoBanks, RELOCT_PAGESEL_BITS, 0x1800, 0x158A, 0x3EEE},     // BSF 10,3
      {kThreePagesFourBanks, RELOCT_PAGESEL_BITS, 0x1000, 0x118A, 0x160A},  // BCF 10,3; BSF 10,4
      {kFourPagesFourBanks, RELOCT_PAGESEL_BITS, 0x0800, 0x158A, 0x120A},
      // MOVLW page; MOVWF 10, on every device
      {kOnePageTwoBanks, RELOCT_PAGESEL, 0x1234, 0x3012, 0x008A},
      {kFourPagesFourBanks, RELOCT_PAGESEL_WREG, 0x1234, 0x3012, 0x008A},
  };
  for (const BuiltCase& c : cases) {
    PatchBench bench(c.processor);
    const uint32_t sym = bench.symbol("var", c.value);
    std::vector<uint16_t> words = {0x3FFF, 0x3EEE, 0x5A5A};
    ASSERT_EQ(bench.patch(words, c.type, sym), 1) << bench.message;
    EXPECT_EQ(words, (std::vector<uint16_t>{c.first, c.second, 0x5A5A}))
        << int(c.processor) << " type " << c.type << " value " << std::hex << c.value;
  }
}

TEST(PatchMirrow, TypesOfOtherFamiliesAreUnsupported) {
  PatchBench bench(kTwoPagesTwoBanks);
  const uint32_t sym = bench.symbol("x", 0x1234);
  std::vector<uint16_t> types = {0, RELOCT_P, 33};
  for (uint16_t type = RELOCT_TRIS; type <= RELOCT_ACCESS; ++type) types.push_back(type);
  for (uint16_t type = RELOCT_SCNSZ_LOW; type <= RELOCT_SCNEND_LFSR2; ++type) types.push_back(type);
  for (uint16_t type : types) {
    std::vector<uint16_t> words = {0x1111, 0x2222};
    EXPECT_EQ(bench.patch(words, type, sym), 0) << type;
    EXPECT_EQ(bench.message, "unsupported relocation type.");
    EXPECT_EQ(words, (std::vector<uint16_t>{0x1111, 0x2222}));
  }
}

TEST(PatchMirrow, ASecondWordCountsOnlyWhereItIsWritten) {
  const struct {
    ProcessorType processor;
    uint16_t type;
    int result;
  } cases[] = {
      {kOnePageTwoBanks, RELOCT_BANKSEL, 1},        // rp0 only
      {kFourPagesFourBanks, RELOCT_BANKSEL, 0},     // rp0 and rp1
      {kFourPagesFourBanks, RELOCT_IBANKSEL, 1},    // irp: one word
      {kOnePageTwoBanks, RELOCT_PAGESEL_BITS, 1},   // nothing written
      {kTwoPagesTwoBanks, RELOCT_PAGESEL_BITS, 1},  // pclath3 only
      {kThreePagesFourBanks, RELOCT_PAGESEL_BITS, 0},
      {kOnePageTwoBanks, RELOCT_PAGESEL, 0},  // always two words
  };
  for (const auto& c : cases) {
    PatchBench bench(c.processor);
    const uint32_t sym = bench.symbol("x", 0x1234);
    std::vector<uint16_t> words = {0x1111, 0x3FFF};
    EXPECT_EQ(bench.patch(words, c.type, sym, 0, 2), c.result) << int(c.processor) << ' ' << c.type;
    if (c.result == 0) {
      EXPECT_EQ(bench.message, "relocation at offset 0x00000002 lies outside the section data.");
      EXPECT_EQ(words, (std::vector<uint16_t>{0x1111, 0x3FFF}));
    }
  }
}

}  // namespace

namespace {

TEST(PatchTrace, NotesSelectionsTheDeviceDoesNotNeed) {
  const struct {
    ProcessorType processor;
    uint16_t type;
    const char* trace;
    const char* note;
  } cases[] = {
      {kOnePageTwoBanks, RELOCT_IBANKSEL, "Linker::doPatchMirrow",
       "Linker::doPatchMirrow() - RELOCT_IBANKSEL encountered for a device with one or two "
       "banks!\n"},
      {kOnePageTwoBanks, RELOCT_PAGESEL_BITS, "Linker::doPatchMirrow",
       "Linker::doPatchMirrow() - RELOCT_PAGESEL_BITS encountered for a device with only one "
       "page!\n"},
      {3, RELOCT_PAGESEL, "Linker::doPatchTarsel",
       "Linker::doPatchTarsel() - RELOCT_PAGESEL encountered for a device with only one page!\n"},
  };
  for (const auto& c : cases) {
    PatchBench bench(c.processor);
    const uint32_t sym = bench.symbol("x", 0x1FFF);
    std::vector<uint16_t> words = {0x3FFF, 0x3FFF};
    setTraceLevel(c.trace, 1);
    testing::internal::CaptureStdout();
    const int result = bench.patch(words, c.type, sym);
    const std::string out = testing::internal::GetCapturedStdout();
    setTraceLevel(c.trace, 0);
    EXPECT_EQ(result, 1);
    EXPECT_EQ(out, c.note);
    EXPECT_EQ(words, (std::vector<uint16_t>{0x3FFF, 0x3FFF}));
  }
}

}  // namespace
