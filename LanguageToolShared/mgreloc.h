// Which relocation type fills each operand of an instruction, and for the
// Halvern two-word instructions which type fills the second word and which
// operand continues there. -1 means none. The id must be an instruction of the
// family and an operand index 0..2; anything else ends the program through an
// assertion.
#ifndef ZV_TABLES_MGRELOC_H
#define ZV_TABLES_MGRELOC_H

#include "mginst.h"
#include "mgreloct.h"

int firstOperandRelocType(InstructionId id, CoreFamily family);
int secondOperandRelocType(InstructionId id, CoreFamily family);
int thirdOperandRelocType(InstructionId id, CoreFamily family);
int operandRelocType(InstructionId id, CoreFamily family, int index);

int secondWordRelocType(InstructionId id, CoreFamily family);
// The operand (counted from 1) that the second word continues; 0 for the Halvern
// RCALL, TRAP and TRET, -1 for every other one-word instruction.
int secondWordOperand(InstructionId id, CoreFamily family);

#endif
