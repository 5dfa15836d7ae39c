// Recognition over every word of each family's width, and building every legal
// word back from its own operands.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "mginst.h"
#include "mginstset.h"

struct FamilyCase {
  CoreFamily family;
  const char* name;
  uint32_t words;    // 2 ^ width
  int illegal;       // words that fit no pattern
  int instructions;  // mnemonics the family knows
  std::vector<uint16_t> illegalExamples;
};

static const std::vector<FamilyCase>& familyCases() {
  static const std::vector<FamilyCase> cases = {
      {CORE_TARSEL, "Tarsel", 0x1000, 55, 33, {0x008, 0x009, 0x00A, 0x00B}},
      {CORE_MIRROW,
       "Mirrow",
       0x4000,
       371,
       37,
       {0x0001, 0x0002, 0x0003, 0x0004, 0x0005, 0x0006, 0x0007}},
      {CORE_QUENBY, "Quenby", 0x10000, 2040, 61, {0x0006, 0x0007, 0x0009, 0x000A}},
      {CORE_HALVERN, "Halvern", 0x10000, 1447, 82, {0x0002, 0x0014, 0x0015, 0x0016}},
  };
  return cases;
}

TEST(InstructionRecognition, IllegalWordCountsOverTheWholeWidth) {
  for (const FamilyCase& c : familyCases()) {
    SCOPED_TRACE(c.name);
    int illegal = 0;
    for (uint32_t w = 0; w < c.words; ++w) {
      illegal += isLegalInstruction(static_cast<uint16_t>(w), c.family) ? 0 : 1;
    }
    EXPECT_EQ(illegal, c.illegal);
    for (uint16_t w : c.illegalExamples) EXPECT_EQ(isLegalInstruction(w, c.family), 0) << w;
  }
}

TEST(InstructionRecognition, BitsAboveTheWidthAreIgnored) {
  for (const FamilyCase& c : familyCases()) {
    if (c.words == 0x10000) continue;
    SCOPED_TRACE(c.name);
    for (uint32_t w = 0; w < c.words; ++w) {
      uint16_t high = static_cast<uint16_t>(w | (0xFFFFu & ~(c.words - 1)));
      int legal = isLegalInstruction(static_cast<uint16_t>(w), c.family);
      ASSERT_EQ(isLegalInstruction(high, c.family), legal) << w;
      if (legal) {
        ASSERT_EQ(decodeInstruction(high, c.family),
                  decodeInstruction(static_cast<uint16_t>(w), c.family));
      }
    }
  }
}

TEST(InstructionRecognition, EachFamilyKnowsItsMnemonics) {
  for (const FamilyCase& c : familyCases()) {
    SCOPED_TRACE(c.name);
    int known = 0;
    for (int id = INSTR_ADDLW; id <= INSTR_PAGESEL; ++id) {
      InstructionId found = INSTR_NONE;
      if (instructionFromName(instructionName(static_cast<InstructionId>(id)), found, c.family)) {
        EXPECT_EQ(found, id);
        ++known;
      }
    }
    EXPECT_EQ(known, c.instructions);
  }
}

struct DecodeCase {
  CoreFamily family;
  uint16_t word;
  InstructionId id;
  uint16_t operands[3];
};

TEST(InstructionRecognition, Examples) {
  const DecodeCase cases[] = {
      // TRIS shares words with the fixed-word instructions, which win.
      {CORE_TARSEL, 0x000, INSTR_NOP, {0, 0, 0}},
      {CORE_TARSEL, 0x001, INSTR_TRIS, {1, 0, 0}},
      {CORE_TARSEL, 0x002, INSTR_OPTION, {0, 0, 0}},
      {CORE_TARSEL, 0x003, INSTR_SLEEP, {0, 0, 0}},
      {CORE_TARSEL, 0x004, INSTR_CLRWDT, {0, 0, 0}},
      {CORE_TARSEL, 0x005, INSTR_TRIS, {5, 0, 0}},
      {CORE_TARSEL, 0x007, INSTR_TRIS, {7, 0, 0}},
      {CORE_TARSEL, 0xF802, INSTR_RETLW, {2, 0, 0}},
      {CORE_TARSEL, 0x0BFF, INSTR_GOTO, {0x1FF, 0, 0}},
      {CORE_TARSEL, 0x05E3, INSTR_BSF, {0x03, 0x7, 0}},
      {CORE_MIRROW, 0x0060, INSTR_TRIS, {0, 0, 0}},
      {CORE_MIRROW, 0x0061, INSTR_TRIS, {1, 0, 0}},
      {CORE_MIRROW, 0x0062, INSTR_OPTION, {0, 0, 0}},
      {CORE_MIRROW, 0x0063, INSTR_SLEEP, {0, 0, 0}},
      {CORE_MIRROW, 0x0064, INSTR_CLRWDT, {0, 0, 0}},
      {CORE_MIRROW, 0x0065, INSTR_TRIS, {5, 0, 0}},
      {CORE_MIRROW, 0x0000, INSTR_NOP, {0, 0, 0}},
      {CORE_MIRROW, 0x0020, INSTR_NOP, {0, 0, 0}},
      {CORE_MIRROW, 0x0040, INSTR_NOP, {0, 0, 0}},
      {CORE_MIRROW, 0x017F, INSTR_CLRW, {0, 0, 0}},
      {CORE_MIRROW, 0x07AA, INSTR_ADDWF, {0x2A, 1, 0}},
      {CORE_MIRROW, 0x3FFF, INSTR_ADDLW, {0xFF, 0, 0}},
      {CORE_MIRROW, 0xF3FF, INSTR_MOVLW, {0xFF, 0, 0}},
      {CORE_QUENBY, 0x5555, INSTR_MOVPF, {0x15, 0x55, 0}},
      {CORE_QUENBY, 0x6A55, INSTR_MOVFP, {0x55, 0x0A, 0}},
      {CORE_QUENBY, 0xABCD, INSTR_TABLRD, {1, 1, 0xCD}},
      {CORE_QUENBY, 0xA3CD, INSTR_TLRD, {1, 0xCD, 0}},
      {CORE_QUENBY, 0xBBFF, INSTR_MOVLR, {0xF, 0, 0}},
      {CORE_QUENBY, 0xB8F7, INSTR_MOVLB, {0x7, 0, 0}},
      {CORE_QUENBY, 0xFFFF, INSTR_CALL, {0x1FFF, 0, 0}},
      {CORE_HALVERN, 0xF123, INSTR_WORD2, {0x123, 0, 0}},
      {CORE_HALVERN, 0xFFFF, INSTR_WORD2, {0xFFF, 0, 0}},
      {CORE_HALVERN, 0xD7FF, INSTR_BRA, {0x7FF, 0, 0}},
      {CORE_HALVERN, 0x27FF, INSTR_ADDWF, {0xFF, 1, 1}},
      {CORE_HALVERN, 0xEE15, INSTR_LFSR, {1, 5, 0}},
      {CORE_HALVERN, 0xC0AA, INSTR_MOVFF, {0xAA, 0, 0}},
      {CORE_HALVERN, 0xED34, INSTR_CALL, {0x34, 1, 0}},
      {CORE_HALVERN, 0x0013, INSTR_RETURN, {1, 0, 0}},
      {CORE_HALVERN, 0x00E1, INSTR_TRET, {0, 0, 0}},
  };
  for (const DecodeCase& c : cases) {
    SCOPED_TRACE(testing::Message() << int(c.family) << " word 0x" << std::hex << c.word);
    ASSERT_EQ(isLegalInstruction(c.word, c.family), 1);
    EXPECT_EQ(decodeInstruction(c.word, c.family), c.id);
    EXPECT_EQ(getFirstOperand(c.word, c.family), c.operands[0]);
    EXPECT_EQ(getSecondOperand(c.word, c.family), c.operands[1]);
    EXPECT_EQ(getThirdOperand(c.word, c.family), c.operands[2]);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(getOperand(c.word, c.family, i), c.operands[i]);
  }
}

TEST(InstructionRecognition, EveryHalvernWordWithTopNibbleFIsWord2) {
  for (uint32_t w = 0xF000; w <= 0xFFFF; ++w) {
    ASSERT_EQ(decodeInstruction(static_cast<uint16_t>(w), CORE_HALVERN), INSTR_WORD2);
  }
}

// Building a word from zero (setOpcode, then each operand that the instruction
// has) gives back every legal word up to its don't-care bits. The exception is
// the Tarsel TRIS: its opcode alone is the word 0x000, which is NOP, and the
// setters change only an operand that the word's own instruction has.
TEST(InstructionRecognition, EveryLegalWordBuildsFromItsOperands) {
  std::vector<std::pair<CoreFamily, uint16_t>> mismatches;
  for (const FamilyCase& c : familyCases()) {
    for (uint32_t w = 0; w < c.words; ++w) {
      uint16_t word = static_cast<uint16_t>(w);
      if (!isLegalInstruction(word, c.family)) continue;
      InstructionId id = decodeInstruction(word, c.family);
      uint16_t built = 0;
      setOpcode(&built, id, c.family);
      if (hasFirstOperand(id, c.family))
        setFirstOperand(&built, getFirstOperand(word, c.family), c.family);
      if (hasSecondOperand(id, c.family))
        setSecondOperand(&built, getSecondOperand(word, c.family), c.family);
      if (hasThirdOperand(id, c.family))
        setThirdOperand(&built, getThirdOperand(word, c.family), c.family);
      uint16_t dontCare = instructionOfWord(word, c.family)->cLayout.cDontCare;
      if ((built & ~dontCare) != (word & ~dontCare)) mismatches.emplace_back(c.family, word);
    }
  }
  std::vector<std::pair<CoreFamily, uint16_t>> expected = {
      {CORE_TARSEL, 0x001}, {CORE_TARSEL, 0x005}, {CORE_TARSEL, 0x006}, {CORE_TARSEL, 0x007}};
  EXPECT_EQ(mismatches, expected);
}
