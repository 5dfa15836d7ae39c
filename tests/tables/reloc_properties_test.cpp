// Which relocation type fills each operand and each second word.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "mgreloc.h"

static const CoreFamily kFamilies[] = {CORE_MIRROW, CORE_QUENBY, CORE_TARSEL, CORE_HALVERN};

// Calls `visit` with every instruction id of the family.
template <typename Visit>
static void forEachInstruction(CoreFamily family, Visit visit) {
  for (int i = INSTR_ADDLW; i < INSTR_BANKSEL; ++i) {
    InstructionId id = static_cast<InstructionId>(i);
    InstructionId found = INSTR_NONE;
    if (instructionFromName(instructionName(id), found, family)) visit(id);
  }
}

static std::map<std::string, int> halvernFirstOperandTypes() {
  std::map<std::string, int> types;
  const char* f[] = {"ADDLW",  "ADDWF",  "ADDWFC", "ANDLW",  "ANDWF",  "BCF",    "BSF",    "BTFSC",
                     "BTFSS",  "BTG",    "CLRF",   "COMF",   "CPFSEQ", "CPFSGT", "CPFSLT", "DCFSNZ",
                     "DECF",   "DECFSZ", "INCF",   "INCFSZ", "INFSNZ", "IORLW",  "IORWF",  "MOVF",
                     "MOVLW",  "MOVWF",  "MULLW",  "MULWF",  "NEGF",   "RETLW",  "RLCF",   "RLNCF",
                     "RRCF",   "RRNCF",  "SETF",   "SUBFWB", "SUBLW",  "SUBWF",  "SUBWFB", "SWAPF",
                     "TSTFSZ", "XORLW",  "XORWF"};
  for (const char* name : f) types[name] = RELOCT_F;
  for (const char* name : {"BC", "BN", "BNC", "BNN", "BNOV", "BNZ", "BOV", "BZ"}) {
    types[name] = RELOCT_CONDBRA;
  }
  types["BRA"] = types["RCALL"] = RELOCT_BRA;
  types["CALL"] = RELOCT_CALL;
  types["GOTO"] = RELOCT_GOTO;
  types["MOVLB"] = RELOCT_MOVLB;
  types["MOVFF"] = RELOCT_FF1;
  return types;
}

TEST(RelocProperties, OperandTypesOfEveryInstruction) {
  std::map<std::string, int> halvern = halvernFirstOperandTypes();
  for (CoreFamily family : kFamilies) {
    forEachInstruction(family, [&](InstructionId id) {
      std::string name = instructionName(id);
      SCOPED_TRACE(name + " family " + std::to_string(family));
      int expected[3] = {-1, -1, -1};
      if (family == CORE_QUENBY && id == INSTR_ADDLW) expected[0] = RELOCT_F;
      if (family == CORE_HALVERN) {
        auto it = halvern.find(name);
        if (it != halvern.end()) expected[0] = it->second;
        if (id == INSTR_LFSR) expected[1] = RELOCT_LFSR1;
      }
      EXPECT_EQ(firstOperandRelocType(id, family), expected[0]);
      EXPECT_EQ(secondOperandRelocType(id, family), expected[1]);
      EXPECT_EQ(thirdOperandRelocType(id, family), expected[2]);
      for (int i = 0; i < 3; ++i) EXPECT_EQ(operandRelocType(id, family, i), expected[i]);
    });
  }
}

TEST(RelocProperties, SecondWords) {
  const std::map<std::string, std::pair<int, int>> halvern = {{"CALL", {RELOCT_CALL2, 1}},
                                                              {"GOTO", {RELOCT_CALL2, 1}},
                                                              {"LFSR", {RELOCT_LFSR2, 2}},
                                                              {"MOVFF", {RELOCT_FF2, 2}},
                                                              {"RCALL", {-1, 0}},
                                                              {"TRAP", {-1, 0}},
                                                              {"TRET", {-1, 0}}};
  for (CoreFamily family : kFamilies) {
    forEachInstruction(family, [&](InstructionId id) {
      std::string name = instructionName(id);
      SCOPED_TRACE(name + " family " + std::to_string(family));
      std::pair<int, int> expected = {-1, -1};
      auto it = halvern.find(name);
      if (family == CORE_HALVERN && it != halvern.end()) expected = it->second;
      EXPECT_EQ(secondWordRelocType(id, family), expected.first);
      EXPECT_EQ(secondWordOperand(id, family), expected.second);
    });
  }
}

TEST(RelocProperties, TypeNumbers) {
  EXPECT_EQ(RELOCT_CALL, 1);
  EXPECT_EQ(RELOCT_F, 10);
  EXPECT_EQ(RELOCT_CONDBRA, 20);
  EXPECT_EQ(RELOCT_SCNEND_LFSR2, 32);
}

using RelocPropertiesDeathTest = ::testing::Test;

TEST(RelocPropertiesDeathTest, ContractViolationsEndTheProgram) {
  EXPECT_DEATH(firstOperandRelocType(INSTR_NONE, CORE_HALVERN), "mgreloc");
  EXPECT_DEATH(firstOperandRelocType(INSTR_LFSR, CORE_MIRROW), "mgreloc");
  EXPECT_DEATH(secondWordOperand(INSTR_BANKSEL, CORE_HALVERN), "mgreloc");
  EXPECT_DEATH(operandRelocType(INSTR_ADDLW, CORE_QUENBY, 3), "mgreloc");
  EXPECT_DEATH(secondWordRelocType(INSTR_NOP, 0), "mginst");
}
