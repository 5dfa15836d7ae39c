// Building words, operand presence, two-word instructions, mnemonics and the
// guards of the instruction tables.
#include <gtest/gtest.h>

#include <string>

#include "mginst.h"

TEST(InstructionWords, SetOpcodeKeepsOperandDontCareAndHighBits) {
  struct Case {
    CoreFamily family;
    InstructionId id;
    uint16_t before, after;
  };
  const Case cases[] = {
      {CORE_MIRROW, INSTR_ADDLW, 0x0000, 0x3E00}, {CORE_MIRROW, INSTR_ADDLW, 0xFFFF, 0xFFFF},
      {CORE_MIRROW, INSTR_GOTO, 0x3FFF, 0x2FFF},  {CORE_MIRROW, INSTR_RETURN, 0xFFFF, 0xC008},
      {CORE_HALVERN, INSTR_NOP, 0x0002, 0x0000},  {CORE_HALVERN, INSTR_MOVLB, 0xFFFF, 0x01FF},
      {CORE_TARSEL, INSTR_RETLW, 0xF000, 0xF800}, {CORE_TARSEL, INSTR_RETLW, 0xFFFF, 0xF8FF},
      {CORE_QUENBY, INSTR_MOVLR, 0xFFFF, 0xBBFF}, {CORE_QUENBY, INSTR_TLWT, 0x0000, 0xA400},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(instructionName(c.id));
    uint16_t word = c.before;
    setOpcode(&word, c.id, c.family);
    EXPECT_EQ(word, c.after);
  }
}

TEST(InstructionWords, SettersWriteOnlyTheirField) {
  struct Case {
    CoreFamily family;
    uint16_t before;
    int operand;
    uint16_t value, after;
  };
  const Case cases[] = {
      {CORE_MIRROW, 0x13FF, 1, 0x0000, 0x107F},   // BCF: bit number
      {CORE_MIRROW, 0x1000, 0, 0xFFFF, 0x107F},   // excess high bits dropped
      {CORE_MIRROW, 0xC080, 0, 0x0012, 0xC092},   // MOVWF: high bits stay
      {CORE_MIRROW, 0x0060, 0, 0x0003, 0x0063},   // TRIS: the word becomes SLEEP's
      {CORE_HALVERN, 0xE200, 0, 0x01FF, 0xE2FF},  // BC: field is 8 bits
      {CORE_HALVERN, 0xC000, 1, 0x0ABC, 0xC000},  // MOVFF destination: second word
      {CORE_HALVERN, 0x0000, 0, 0x0001, 0x0000},  // NOP has no operand
      {CORE_HALVERN, 0x2400, 2, 0x0001, 0x2500},  // ADDWF access bit
      {CORE_HALVERN, 0xEE00, 1, 0x00AB, 0xEE0B},  // LFSR literal bits 8..11
      {CORE_TARSEL, 0xF802, 0, 0x0055, 0xF855},   // high bits stay
      {CORE_QUENBY, 0x4000, 0, 0x001F, 0x5F00},   // MOVPF: port first
      {CORE_QUENBY, 0xB800, 0, 0x00FF, 0xB80F},   // MOVLB: 4 bits
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "0x" << std::hex << c.before << " operand " << c.operand);
    uint16_t word = c.before;
    switch (c.operand) {
      case 0: setFirstOperand(&word, c.value, c.family); break;
      case 1: setSecondOperand(&word, c.value, c.family); break;
      default: setThirdOperand(&word, c.value, c.family); break;
    }
    EXPECT_EQ(word, c.after);
  }
}

TEST(InstructionWords, OperandPresence) {
  struct Case {
    CoreFamily family;
    InstructionId id;
    int present[3];
  };
  const Case cases[] = {
      {CORE_HALVERN, INSTR_MOVFF, {1, 1, 0}},  // the destination lives in the second word
      {CORE_HALVERN, INSTR_ADDWF, {1, 1, 1}},        {CORE_HALVERN, INSTR_GOTO, {1, 0, 0}},
      {CORE_HALVERN, INSTR_CALL, {1, 1, 0}},         {CORE_HALVERN, INSTR_RETFIE, {1, 0, 0}},
      {CORE_HALVERN, INSTR_TBLRDPOSTINC, {0, 0, 0}}, {CORE_QUENBY, INSTR_TABLWT, {1, 1, 1}},
      {CORE_QUENBY, INSTR_TLWT, {1, 1, 0}},          {CORE_QUENBY, INSTR_RETURN, {0, 0, 0}},
      {CORE_MIRROW, INSTR_CLRW, {0, 0, 0}},          {CORE_MIRROW, INSTR_BSF, {1, 1, 0}},
      {CORE_TARSEL, INSTR_TRIS, {1, 0, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(instructionName(c.id));
    EXPECT_EQ(hasFirstOperand(c.id, c.family), c.present[0]);
    EXPECT_EQ(hasSecondOperand(c.id, c.family), c.present[1]);
    EXPECT_EQ(hasThirdOperand(c.id, c.family), c.present[2]);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(hasOperand(c.id, c.family, i), c.present[i]);
  }
}

TEST(InstructionWords, OnlyFourHalvernInstructionsTakeTwoWords) {
  const CoreFamily families[] = {CORE_MIRROW, CORE_QUENBY, CORE_TARSEL, CORE_HALVERN};
  std::string twoWord;
  for (CoreFamily family : families) {
    for (int i = INSTR_ADDLW; i < INSTR_BANKSEL; ++i) {
      InstructionId id = static_cast<InstructionId>(i);
      InstructionId found = INSTR_NONE;
      if (!instructionFromName(instructionName(id), found, family)) continue;
      if (isTwoWordInstruction(id, family))
        twoWord += std::to_string(family) + instructionName(id) + " ";
    }
  }
  EXPECT_EQ(twoWord, "4CALL 4GOTO 4LFSR 4MOVFF ");
}

TEST(InstructionWords, MnemonicLookup) {
  struct Case {
    const char* text;
    CoreFamily family;
    InstructionId id;  // INSTR_NONE: refused
  };
  const Case cases[] = {
      {"addlw", CORE_MIRROW, INSTR_ADDLW},
      {"addlw", CORE_QUENBY, INSTR_ADDLW},
      {"addlw", CORE_HALVERN, INSTR_ADDLW},
      {"addlw", CORE_TARSEL, INSTR_NONE},
      {"TbLrDpOsTiNc", CORE_HALVERN, INSTR_TBLRDPOSTINC},
      {"option", CORE_TARSEL, INSTR_OPTION},
      {"option", CORE_HALVERN, INSTR_NONE},
      {"BANKSEL", CORE_MIRROW, INSTR_NONE},
      {"PAGESEL", CORE_TARSEL, INSTR_NONE},
      {"BANKSEL", CORE_QUENBY, INSTR_NONE},
      {"banksel", CORE_HALVERN, INSTR_NONE},
      {"", CORE_MIRROW, INSTR_NONE},
      {"NOP ", CORE_MIRROW, INSTR_NONE},
      {"NO", CORE_MIRROW, INSTR_NONE},
      {"MOVFP", CORE_QUENBY, INSTR_MOVFP},
      {"WORD2", CORE_HALVERN, INSTR_WORD2},
      {"WORD2", CORE_QUENBY, INSTR_NONE},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.text << " family " << int(c.family));
    InstructionId id = 200;
    EXPECT_EQ(instructionFromName(c.text, id, c.family), c.id != INSTR_NONE ? 1 : 0);
    EXPECT_EQ(id, c.id != INSTR_NONE ? c.id : 200);  // untouched when refused
  }
  EXPECT_STREQ(instructionName(INSTR_ADDLW), "ADDLW");
  EXPECT_STREQ(instructionName(INSTR_TRIS), "TRIS");
  EXPECT_STREQ(instructionName(INSTR_XORWF), "XORWF");
  EXPECT_STREQ(instructionName(INSTR_BANKSEL), "BANKSEL");
  EXPECT_STREQ(instructionName(INSTR_PAGESEL), "PAGESEL");
}

using InstructionWordsDeathTest = ::testing::Test;

TEST(InstructionWordsDeathTest, ContractViolationsEndTheProgram) {
  uint16_t word = 0;
  uint16_t illegal = 0x0001;  // no Mirrow instruction
  EXPECT_DEATH(decodeInstruction(0x0008, CORE_TARSEL), "mginst");
  EXPECT_DEATH(getFirstOperand(0x0002, CORE_HALVERN), "mginst");
  EXPECT_DEATH(setFirstOperand(&illegal, 1, CORE_MIRROW), "mginst");
  EXPECT_DEATH(isLegalInstruction(0, 0), "mginst");
  EXPECT_DEATH(isLegalInstruction(0, 5), "mginst");
  EXPECT_DEATH(setOpcode(&word, INSTR_ADDLW, CORE_TARSEL), "mginst");
  EXPECT_DEATH(setOpcode(&word, INSTR_BANKSEL, CORE_MIRROW), "mginst");
  EXPECT_DEATH(hasFirstOperand(INSTR_NONE, CORE_MIRROW), "mginst");
  EXPECT_DEATH(hasOperand(INSTR_ADDWF, CORE_MIRROW, 3), "mginst");
  EXPECT_DEATH(getOperand(0x0700, CORE_MIRROW, -1), "mginst");
  EXPECT_DEATH(isTwoWordInstruction(INSTR_MOVFF, CORE_QUENBY), "mginst");
  EXPECT_DEATH(instructionName(0), "mginst");
  EXPECT_DEATH(instructionName(99), "mginst");
}
