// Disassembly text of single words and Halvern word pairs.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <set>
#include <string>

#include "mgdisasm.h"

struct DisassemblyCase {
  CoreFamily family;
  uint32_t address;
  uint16_t word, next;
  const char* text;
  int wordsUsed;
};

TEST(Disassembly, Examples) {
  const DisassemblyCase cases[] = {
      {CORE_HALVERN, 0x100, 0xE2AA, 0x0000, "BC        0x56", 1},
      {CORE_HALVERN, 0x100, 0xD555, 0x0000, "BRA       0xfffffbac", 1},
      {CORE_HALVERN, 0x000, 0xEC00, 0xF123, "CALL      0x24600,0x0", 2},
      {CORE_HALVERN, 0x000, 0xEC00, 0x0123, "CALL      ???,0x0", 1},
      {CORE_HALVERN, 0x000, 0xEF00, 0x0123, "GOTO      ???", 1},
      {CORE_HALVERN, 0x000, 0xEE15, 0xF123, "LFSR      0x1,0x523", 2},
      {CORE_HALVERN, 0x000, 0xC0AA, 0xF123, "MOVFF     0xaa,0x123", 2},
      {CORE_HALVERN, 0x000, 0xC0AA, 0x0123, "MOVFF     0xaa,???", 1},
      {CORE_MIRROW, 0x000, 0x07AA, 0x0000, "ADDWF     0x2a,0x1", 1},
      {CORE_QUENBY, 0x000, 0x5555, 0x0000, "MOVPF     0x15,0x55", 1},
      {CORE_TARSEL, 0x000, 0x0BFF, 0x0000, "GOTO      0x1ff", 1},
      // Edge cases.
      {CORE_HALVERN, 0x100, 0xE0FF, 0x0000, "BZ        0x100", 1},
      {CORE_HALVERN, 0x000, 0xE080, 0x0000, "BZ        0xffffff02", 1},
      {CORE_HALVERN, 0x100, 0xE07F, 0x0000, "BZ        0x200", 1},
      {CORE_HALVERN, 0x100, 0xDFFF, 0x0000, "RCALL     0x100", 1},
      {CORE_HALVERN, 0x100, 0xD3FF, 0x0000, "BRA       0x900", 1},
      {CORE_HALVERN, 0x000, 0xEF00, 0xFFFF, "GOTO      0x1ffe00", 2},
      {CORE_HALVERN, 0x000, 0xED01, 0xF000, "CALL      0x2,0x1", 2},
      {CORE_HALVERN, 0x000, 0xEE3F, 0x0000, "LFSR      0x3,???", 1},
      {CORE_HALVERN, 0x000, 0x0009, 0x0000, "TBLRDPOSTINC", 1},
      {CORE_HALVERN, 0x000, 0x000B, 0x0000, "TBLRDPREINC", 1},
      {CORE_HALVERN, 0x000, 0x27FF, 0x0000, "ADDWF     0xff,0x1,0x1", 1},
      {CORE_HALVERN, 0x000, 0x0011, 0x0000, "RETFIE    0x1", 1},
      {CORE_HALVERN, 0x000, 0x0012, 0x0000, "RETURN    0x0", 1},
      {CORE_HALVERN, 0x000, 0xF123, 0xF456, "WORD2     0x123", 1},
      {CORE_HALVERN, 0x000, 0x0000, 0xF000, "NOP       ", 1},
      {CORE_TARSEL, 0x000, 0x0003, 0x0000, "SLEEP     ", 1},
      {CORE_TARSEL, 0x000, 0x0006, 0x0000, "TRIS      0x6", 1},
      {CORE_TARSEL, 0x000, 0xF802, 0x0000, "RETLW     0x2", 1},
      {CORE_MIRROW, 0x000, 0x0060, 0x0000, "TRIS      0x0", 1},
      {CORE_MIRROW, 0x000, 0x0020, 0x0000, "NOP       ", 1},
      {CORE_MIRROW, 0x000, 0x2FFF, 0x0000, "GOTO      0x7ff", 1},
      {CORE_QUENBY, 0x000, 0xC123, 0x0000, "GOTO      0x123", 1},
      {CORE_QUENBY, 0x000, 0xABCD, 0x0000, "TABLRD    0x1,0x1,0xcd", 1},
  };
  for (const DisassemblyCase& c : cases) {
    SCOPED_TRACE(c.text);
    uint8_t used = 9;
    EXPECT_STREQ(disassembleInstruction(c.address, c.word, c.next, used, c.family), c.text);
    EXPECT_EQ(used, c.wordsUsed);
  }
}

TEST(Disassembly, EachFamilyHasOneBufferThatTheNextCallOverwrites) {
  uint8_t used = 0;
  const char* first = disassembleInstruction(0, 0x07AA, 0, used, CORE_MIRROW);
  const char* other = disassembleInstruction(0, 0x0BFF, 0, used, CORE_TARSEL);
  EXPECT_STREQ(first, "ADDWF     0x2a,0x1");  // another family's call leaves it
  const char* second = disassembleInstruction(0, 0x0008, 0, used, CORE_MIRROW);
  EXPECT_EQ(first, second);
  EXPECT_STREQ(first, "RETURN    ");
  EXPECT_NE(first, other);
}

// Every legal word of every family gives a text that fits the buffer and starts
// with its mnemonic.
TEST(Disassembly, EveryLegalWordHasAText) {
  const CoreFamily families[] = {CORE_MIRROW, CORE_QUENBY, CORE_TARSEL, CORE_HALVERN};
  for (CoreFamily family : families) {
    for (uint32_t w = 0; w <= 0xFFFF; ++w) {
      uint16_t word = static_cast<uint16_t>(w);
      if (!isLegalInstruction(word, family)) continue;
      uint8_t used = 0;
      std::string text = disassembleInstruction(0x1FFFFE, word, 0xFFFF, used, family);
      std::string name = instructionName(decodeInstruction(word, family));
      ASSERT_EQ(text.compare(0, name.size(), name), 0) << text;
      ASSERT_GE(text.size(), 10u);
      ASSERT_LE(text.size(), 80u);
      ASSERT_EQ(used, isTwoWordInstruction(decodeInstruction(word, family), family) ? 2 : 1);
    }
  }
}

// The texts come from tables (padded mnemonics, operand digits): every legal
// word of every family reads as the C library formats its fields, "%-10s" and
// "0x%lx" apart by commas, where its text is its raw fields (every word but a
// Halvern branch or two-word instruction); a word that is no instruction gives
// no text and leaves wordsUsed alone.
TEST(Disassembly, TablesGiveTheTextsThatPrintfFormatsFromTheFields) {
  const CoreFamily families[] = {CORE_MIRROW, CORE_QUENBY, CORE_TARSEL, CORE_HALVERN};
  for (CoreFamily family : families) {
    const Disassembler disassembler(family);
    for (uint32_t w = 0; w <= 0xFFFF; ++w) {
      const uint16_t word = static_cast<uint16_t>(w);
      char text[kDisassemblyRoom];
      uint8_t used = 7;
      const size_t length = disassembler.text(text, 0x100, word, 0x0000, used);
      if (!isLegalInstruction(word, family)) {
        ASSERT_EQ(length, 0u) << word;
        ASSERT_EQ(used, 7) << word;
        continue;
      }
      const InstructionId id = decodeInstruction(word, family);
      const std::set<InstructionId> branches = {INSTR_BC,   INSTR_BN,   INSTR_BNC, INSTR_BNN,
                                                INSTR_BNOV, INSTR_BNZ,  INSTR_BOV, INSTR_BZ,
                                                INSTR_BRA,  INSTR_RCALL};
      if (family == CORE_HALVERN && (isTwoWordInstruction(id, family) || branches.count(id)))
        continue;
      char expected[96];
      int n = std::snprintf(expected, sizeof expected, "%-10s", instructionName(id));
      for (int i = 0; i < 3; ++i)
        if (hasOperand(id, family, i))
          n += std::snprintf(expected + n, sizeof expected - n, i == 0 ? "0x%lx" : ",0x%lx",
                             static_cast<unsigned long>(getOperand(word, family, i)));
      ASSERT_EQ(std::string(text, length), expected) << word;
      ASSERT_EQ(used, 1);
      ASSERT_STREQ(disassembleInstruction(0x100, word, 0x0000, used, family), expected);
    }
  }
}

using DisassemblyDeathTest = ::testing::Test;

TEST(DisassemblyDeathTest, IllegalWordsAndFamiliesEndTheProgram) {
  uint8_t used = 0;
  EXPECT_DEATH(disassembleInstruction(0, 0x0002, 0, used, CORE_HALVERN), "mginst");
  EXPECT_DEATH(disassembleInstruction(0, 0x0000, 0, used, 0), "mginst");
}
