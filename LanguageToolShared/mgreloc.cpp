// Operand relocation properties. Only the Quenby ADDLW and the Halvern
// instructions have operands that a relocation fills.
#include "mgreloc.h"

#include "Assert.h"
#include "mginstset.h"

static void checkInstruction(InstructionId id, CoreFamily family) {
  ZV_ASSERT(instructionOfId(id, family) != nullptr);
}

static int halvernFirstOperandRelocType(InstructionId id) {
  // Cases of one result share a line, as many as fit.
  // clang-format off
  switch (id) {
    case INSTR_BC: case INSTR_BN: case INSTR_BNC: case INSTR_BNN:
    case INSTR_BNOV: case INSTR_BNZ: case INSTR_BOV: case INSTR_BZ:
      return RELOCT_CONDBRA;
    case INSTR_BRA: case INSTR_RCALL:
      return RELOCT_BRA;
    case INSTR_CALL: return RELOCT_CALL;
    case INSTR_GOTO: return RELOCT_GOTO;
    case INSTR_MOVLB: return RELOCT_MOVLB;
    case INSTR_MOVFF: return RELOCT_FF1;
    case INSTR_CLRWDT: case INSTR_DAW: case INSTR_HALT: case INSTR_LFSR:
    case INSTR_LOG: case INSTR_NOP: case INSTR_PAUSE: case INSTR_POP:
    case INSTR_PUSH: case INSTR_RESET: case INSTR_RETFIE: case INSTR_RETURN:
    case INSTR_SLEEP: case INSTR_STOP: case INSTR_TBLRD: case INSTR_TBLRDPOSTDEC:
    case INSTR_TBLRDPOSTINC: case INSTR_TBLRDPREINC: case INSTR_TBLWT:
    case INSTR_TBLWTPOSTDEC: case INSTR_TBLWTPOSTINC: case INSTR_TBLWTPREINC:
    case INSTR_TRAP: case INSTR_TRET: case INSTR_WORD2:
      return -1;
    default:  // the instructions on a register or a literal
      return RELOCT_F;
  }
  // clang-format on
}

int operandRelocType(InstructionId id, CoreFamily family, int index) {
  checkInstruction(id, family);
  ZV_ASSERT(index >= 0 && index <= 2);
  if (family == CORE_QUENBY) return index == 0 && id == INSTR_ADDLW ? RELOCT_F : -1;
  if (family != CORE_HALVERN) return -1;
  if (index == 0) return halvernFirstOperandRelocType(id);
  if (index == 1) return id == INSTR_LFSR ? RELOCT_LFSR1 : -1;
  return -1;
}

int firstOperandRelocType(InstructionId id, CoreFamily family) {
  return operandRelocType(id, family, 0);
}
int secondOperandRelocType(InstructionId id, CoreFamily family) {
  return operandRelocType(id, family, 1);
}
int thirdOperandRelocType(InstructionId id, CoreFamily family) {
  return operandRelocType(id, family, 2);
}

int secondWordRelocType(InstructionId id, CoreFamily family) {
  checkInstruction(id, family);
  if (family != CORE_HALVERN) return -1;
  // clang-format off
  switch (id) {
    case INSTR_CALL: case INSTR_GOTO: return RELOCT_CALL2;
    case INSTR_LFSR: return RELOCT_LFSR2;
    case INSTR_MOVFF: return RELOCT_FF2;
    default: return -1;
  }
  // clang-format on
}

int secondWordOperand(InstructionId id, CoreFamily family) {
  checkInstruction(id, family);
  if (family != CORE_HALVERN) return -1;
  // clang-format off
  switch (id) {
    case INSTR_CALL: case INSTR_GOTO: return 1;
    case INSTR_LFSR: case INSTR_MOVFF: return 2;
    case INSTR_RCALL: case INSTR_TRAP: case INSTR_TRET: return 0;
    default: return -1;
  }
  // clang-format on
}
