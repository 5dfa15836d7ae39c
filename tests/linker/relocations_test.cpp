// The relocation walk over whole inputs: files, sections and entries in their
// order with each file's start in its section, the file-and-section prefix of
// every failure, references to auxiliary entries, the Tarsel call-target check
// and the bit writer with its assertions.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "CoffBuilder.h"
#include "ProcessorIds.h"
#include "Trace.h"
#include "linker.h"
#include "mgproc.h"
#include "mgreloct.h"

namespace {

const ProcessorType kHalvern = processorNamed("HLVN133");
const ProcessorType kTarsel = processorNamed("TRSL001");  // page size 0x200
const ProcessorType kMirrow = processorNamed("MRRW007");

class Link {
 public:
  explicit Link(ProcessorType processor) {
    linker.cProcessor = processor;
    linker.cFamily = processorFamily(processor);
  }

  // Names are read against the output's table once the string tables are
  // merged; the tests keep long names in one input only, so its offsets stand.
  void add(const CoffBuilder& builder) {
    linker.cCoff.push_back(std::make_unique<Coff>(builder.image()));
    for (const auto& [offset, name] : linker.cCoff.back()->cStringTbl) {
      linker.cOutput.cStringTbl[offset] = name;
    }
  }

  // Places the section at `start` in a memory of its own, the inputs' parts
  // one after another in input order.
  void place(const std::string& scnName, uint32_t start) {
    linker.cCodePage.emplace_back("page_" + scnName, 0, 0xFFFFF, rom, false, false, "");
    Memory& memory = linker.cCodePage.back();
    memory.setWidthBits(8);
    uint64_t total = 0;
    for (const auto& coff : linker.cCoff) total += coff->cScnHdr[scnName].s_size;
    memory.allocateAbs(scnName, start, total, false);
    for (FileKey key = 0; key < linker.cCoff.size(); ++key) {
      const Coff& coff = *linker.cCoff[key];
      memory.loadSectionAppend(key, coff.cCoffName, scnName, coff.cScnHdr.at(scnName).s_size);
    }
    linker.cScnMem[scnName] = &memory;
  }

  std::vector<uint16_t> words(FileKey key, const std::string& scnName) {
    const Data& data = linker.cCoff[key]->cRawData.at(scnName);
    std::vector<uint16_t> result;
    for (uint32_t i = 0; i + 1 < data.size(); i += 2) {
      result.push_back(static_cast<uint16_t>(data.bytes()[i] | data.bytes()[i + 1] << 8));
    }
    return result;
  }

  Linker linker;
  std::string message;
};

TEST(PatchSections, EveryInputIsPatchedWithItsOwnStartInTheSection) {
  Link link(kHalvern);
  CoffBuilder a("a.o");
  const int code = a.section("code", SCN_CODE);
  a.words(code, {0xD000, 0x0E00, 0xD000, 0x0E00});
  const uint32_t target = a.symbol("target", 0x200, code, C_EXT);
  a.reloc(code, 0, target, 0, RELOCT_BRA);
  a.reloc(code, 2, target, 0, RELOCT_HIGH);
  a.reloc(code, 6, target, 0x34, RELOCT_LOW);
  CoffBuilder b("b.o");
  const int bcode = b.section("code", SCN_CODE);
  b.words(bcode, {0xD000});
  b.reloc(bcode, 0, b.symbol("target", 0x200, N_UNDEF, C_EXT), 0, RELOCT_BRA);
  link.add(a);
  link.add(b);
  link.place("code", 0x100);

  ASSERT_EQ(link.linker.patchSections(link.message), 1) << link.message;
  // a.o's branch sits at 0x100, b.o's at 0x108: 0xFE and 0xF6 bytes before the target.
  EXPECT_EQ(link.words(0, "code"), (std::vector<uint16_t>{0xD07F, 0x0E02, 0xD000, 0x0E34}));
  EXPECT_EQ(link.words(1, "code"), (std::vector<uint16_t>{0xD07B}));
}

TEST(PatchSections, TheFirstFailureStopsTheWalkWithItsFileAndSection) {
  Link link(kHalvern);
  CoffBuilder a("a.o");
  const int zeta = a.section("zeta", SCN_CODE);    // section 1
  const int alpha = a.section("alpha", SCN_CODE);  // section 2
  a.words(zeta, {0x0E00, 0x0E00});
  a.words(alpha, {0x0E00});
  const uint32_t sym = a.symbol("x", 0x1234, zeta, C_EXT);
  a.reloc(zeta, 0, sym, 0, RELOCT_LOW);
  a.reloc(zeta, 2, sym, 0, RELOCT_PAGESEL);
  a.reloc(alpha, 0, sym, 0, RELOCT_P);
  CoffBuilder b("b.o");
  const int bzeta = b.section("zeta", SCN_CODE);
  b.section("alpha", SCN_CODE);
  b.words(bzeta, {0x0E00});
  b.reloc(bzeta, 0, b.symbol("x", 0x1234, N_UNDEF, C_EXT), 0, RELOCT_LOW);
  link.add(a);
  link.add(b);
  link.place("zeta", 0x100);
  link.place("alpha", 0x200);

  EXPECT_EQ(link.linker.patchSections(link.message), 0);
  EXPECT_EQ(link.message, "file 'a.o', section 'zeta', unsupported relocation type.");
  EXPECT_EQ(link.words(0, "zeta"), (std::vector<uint16_t>{0x0E34, 0x0E00}));
  EXPECT_EQ(link.words(1, "zeta"), (std::vector<uint16_t>{0x0E00}));
}

TEST(PatchSections, RefusedReferencesCarryTheFileAndSection) {
  struct Case {
    uint32_t symndx;
    uint32_t vaddr;
    const char* message;
  } cases[] = {
      {1, 2,
       "file 'a.o', section 'code', relocation at offset 0x00000002 refers to an "
       "auxiliary entry."},
      {3, 0,
       "file 'a.o', section 'code', relocation at offset 0x00000000 refers to symbol "
       "index 3, which is not in the symbol table."},
      {2, 4,
       "file 'a.o', section 'code', relocation at offset 0x00000004 lies outside the "
       "section data."},
  };
  // Halvern patches its plain fields on a walk of its own, which must refuse
  // the same entries.
  for (ProcessorType processor : {kMirrow, kHalvern}) {
    for (const Case& c : cases) {
      Link link(processor);
      CoffBuilder a("a.o");
      const int code = a.section("code", SCN_CODE);
      a.words(code, {0x3000, 0x3000});
      a.function("main", 0, code);  // 0, its auxiliary entry 1
      a.symbol("x", 0x1234, code, C_EXT);
      a.reloc(code, c.vaddr, c.symndx, 0, RELOCT_LOW);
      link.add(a);
      link.place("code", 0);
      EXPECT_EQ(link.linker.patchSections(link.message), 0);
      EXPECT_EQ(link.message, c.message);
      EXPECT_EQ(link.words(0, "code"), (std::vector<uint16_t>{0x3000, 0x3000}));
    }
  }
}

// Halvern's plain fields go their own walk only while no patch trace is on:
// with one, every entry still shows its patch.
TEST(PatchSections, EveryPatchOfAFieldIsTracedWhenAsked) {
  Link link(kHalvern);
  CoffBuilder a("a.o");
  const int code = a.section("code", SCN_CODE);
  a.words(code, {0x0E00, 0x0E00});
  const uint32_t sym = a.symbol("x", 0x1234, code, C_EXT);
  a.reloc(code, 0, sym, 0, RELOCT_LOW);
  a.reloc(code, 2, sym, 0, RELOCT_HIGH);
  link.add(a);
  link.place("code", 0);
  setTraceLevel("Linker::doPatchHalvern", 1);
  testing::internal::CaptureStdout();
  const int result = link.linker.patchSections(link.message);
  const std::string out = testing::internal::GetCapturedStdout();
  setTraceLevel("Linker::doPatchHalvern", 0);
  EXPECT_EQ(result, 1) << link.message;
  EXPECT_EQ(out,
            "Linker::doPatchHalvern() -  RELOCT_LOW, srcBegin=0, dstBegin=0, width=8, "
            "rawOffset=0, value=0x00001234\n"
            "Linker::doPatchHalvern() -  RELOCT_HIGH, srcBegin=8, dstBegin=0, width=8, "
            "rawOffset=2, value=0x00001234\n");
  EXPECT_EQ(link.words(0, "code"), (std::vector<uint16_t>{0x0E34, 0x0E12}));
}

TEST(PatchSections, ASectionWithoutContentsTakesNoRelocation) {
  Link link(kHalvern);
  CoffBuilder a("a.o");
  const int buf = a.section("buf", SCN_UDATA);
  a.coff().cScnHdr["buf"].s_size = 4;
  a.reloc(buf, 0, a.symbol("x", 0x12, buf, C_EXT), 0, RELOCT_LOW);
  link.add(a);
  link.linker.cCoff[0]->cRawData.erase("buf");
  link.place("buf", 0);
  EXPECT_EQ(link.linker.patchSections(link.message), 0);
  EXPECT_EQ(link.message,
            "file 'a.o', section 'buf', relocation at offset 0x00000000 lies outside the "
            "section data.");
}

TEST(PatchSections, NamesAreReadAgainstTheMergedStringTable) {
  Link link(kHalvern);
  CoffBuilder a("a.o");
  const int code = a.section("code", SCN_CODE);
  a.words(code, {0xD000});
  const uint32_t far = a.symbol("far_away_target", 0x10000, code, C_EXT);
  a.reloc(code, 0, far, 0, RELOCT_BRA);
  link.add(a);
  // The merge has rewritten the input's name offsets into the output's table.
  const uint32_t offset = link.linker.cCoff[0]->cSymbols[far].sym.n_offset();
  link.linker.cCoff[0]->cStringTbl.clear();
  link.linker.cOutput.cStringTbl[offset] = "merged_target_name";
  link.place("code", 0);
  EXPECT_EQ(link.linker.patchSections(link.message), 0);
  EXPECT_EQ(link.message,
            "file 'a.o', section 'code', Symbol 'merged_target_name' out of range of relative "
            "branch instruction.");
}

TEST(PatchSections, ASectionWithoutMemoryBreaksTheContract) {
  Link link(kHalvern);
  CoffBuilder a("a.o");
  const int code = a.section("code", SCN_CODE);
  a.words(code, {0x0E00});
  a.reloc(code, 0, a.symbol("x", 0x12, code, C_EXT), 0, RELOCT_LOW);
  link.add(a);
  EXPECT_DEATH(link.linker.patchSections(link.message),
               "\\(mem=cScnMem.find\\(scnName\\)\\) != cScnMem.end\\(\\)");
}

TEST(DoPatch, AnUnknownFamilyPatchesNothing) {
  Link link(kHalvern);
  link.linker.cFamily = 0;
  Data data(2);
  std::vector<SymEntry> symbols(1);
  reloc entry;
  entry.r_type = RELOCT_LOW;
  EXPECT_EQ(link.linker.doPatch(0, data, entry, symbols, StringTbl(), link.message), 0);
  EXPECT_EQ(link.message, "unsupported relocation type.");
}

TEST(VerifyRelocations, TarselCallsMustTargetTheLowerHalfOfAPage) {
  struct Case {
    uint32_t value;
    int16_t offset;
    uint16_t type;
    int passes;
  } cases[] = {
      {0x0FF, 0, RELOCT_CALL, 1}, {0x100, 0, RELOCT_CALL, 0},    {0x2FF, 0, RELOCT_CALL, 1},
      {0x300, 0, RELOCT_CALL, 0}, {0x0F0, 0x10, RELOCT_CALL, 0}, {0x310, -0x11, RELOCT_CALL, 1},
      {0x100, 0, RELOCT_GOTO, 1},
  };
  for (const Case& c : cases) {
    Link link(kTarsel);
    CoffBuilder a("a.o");
    a.section("init", SCN_CODE);
    const int code = a.section("code", SCN_CODE);
    a.words(code, {0x0900, 0x0900});
    a.reloc(code, 2, a.symbol("upper_half_function", c.value, code, C_EXT), c.offset, c.type);
    link.add(a);
    EXPECT_EQ(link.linker.verifyRelocations(link.message), c.passes) << std::hex << c.value;
    if (!c.passes) {
      EXPECT_EQ(link.message,
                "file 'a.o', section 'code', performs a call to \n symbol "
                "'upper_half_function' which is not in the lower half of a page.");
    }
    EXPECT_EQ(link.words(0, "code"), (std::vector<uint16_t>{0x0900, 0x0900}));
  }
}

TEST(VerifyRelocations, OtherFamiliesHaveNoCallTargetRule) {
  for (ProcessorType processor : {kHalvern, kMirrow}) {
    Link link(processor);
    CoffBuilder a("a.o");
    const int code = a.section("code", SCN_CODE);
    a.words(code, {0x2000});
    a.reloc(code, 0, 5, 0, RELOCT_CALL);  // not even a symbol
    link.add(a);
    EXPECT_EQ(link.linker.verifyRelocations(link.message), 1);
  }
}

TEST(VerifyRelocations, ACallMustNameASymbol) {
  Link link(kTarsel);
  CoffBuilder a("a.o");
  const int code = a.section("code", SCN_CODE);
  a.words(code, {0x0900});
  a.function("main", 0, code);
  a.reloc(code, 0, 1, 0, RELOCT_CALL);
  link.add(a);
  EXPECT_EQ(link.linker.verifyRelocations(link.message), 0);
  EXPECT_EQ(link.message,
            "file 'a.o', section 'code', relocation at offset 0x00000000 refers to an auxiliary "
            "entry.");
}

TEST(PatchBits, CopiesTheSliceBitByBitAndKeepsTheOtherBits) {
  const uint8_t ones[] = {0xFF, 0xFF, 0xFF};
  Data data(3, ones);
  Linker::patchBits(data, 1, 0xABCD, 4, 4, 8);  // bits 4-11 of 0xABCD (0xBC) into bits 4-11
  EXPECT_EQ(data.bytes()[0], 0xFF);
  EXPECT_EQ(data.bytes()[1], 0xCF);
  EXPECT_EQ(data.bytes()[2], 0xFB);
  Linker::setBit(data, 0, 0);
  Linker::setBit(data, 23, 0);
  Linker::setBit(data, 12, 1);
  EXPECT_EQ(data.bytes()[0], 0xFE);
  EXPECT_EQ(data.bytes()[1], 0xDF);
  EXPECT_EQ(data.bytes()[2], 0x7B);
}

// A field from bit 7 of a word spans three bytes: the bits around it stay.
TEST(PatchBits, AFieldAcrossThreeBytesKeepsTheBitsAroundIt) {
  const struct {
    uint8_t fill;
    uint32_t value;
    uint8_t expected[4];
  } cases[] = {{0x00, 0x1FFFF, {0x80, 0xFF, 0x7F, 0x00}},
               {0xFF, 0x10000, {0x7F, 0x00, 0x80, 0xFF}},
               {0x00, 0x2A5A5, {0x80, 0xD2, 0x52, 0x00}}};
  for (const auto& c : cases) {
    const uint8_t bytes[] = {c.fill, c.fill, c.fill, c.fill};
    Data data(4, bytes);
    Linker::patchBits(data, 0, c.value, 0, 7, 16);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(data.bytes()[i], c.expected[i]) << i;
  }
}

TEST(PatchBits, AssertionsGuardTheFieldAndTheBuffer) {
  Data data(2);
  EXPECT_DEATH(Linker::patchBits(data, 0, 0, 0, 0, 17), "width <= 16");
  EXPECT_DEATH(Linker::patchBits(data, 0, 0, 32, 0, 0), "srcBegin < 32");
  EXPECT_DEATH(Linker::patchBits(data, 0, 0, 0, 16, 0), "dstBegin < 16");
  EXPECT_DEATH(Linker::patchBits(data, 0, 0, 16, 0, 16), "\\(srcBegin \\+ width\\) < 32");
  EXPECT_DEATH(Linker::patchBits(data, 3, 0, 0, 0, 1), "rawOffset <= dsize");
  EXPECT_DEATH(Linker::patchBits(data, 2, 0, 0, 0, 1), "bitPos < 8\\*d.size\\(\\)");
  EXPECT_DEATH(Linker::setBit(data, 16, 1), "bitPos < 8\\*d.size\\(\\)");
}

}  // namespace
