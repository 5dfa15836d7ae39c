// The instruction sets of the four core families: recognition of a program
// word, building words (opcode and operand fields), operand access and the
// mnemonics. Words travel as raw 16-bit values beside their family; only the
// family's width counts (12, 14 or 16 bits), and the bits above it are ignored
// when a word is recognised and kept when a word is changed.
//
// A caller holding a word of unknown content tests isLegalInstruction before it
// decodes the word, reads or writes its operands, or disassembles it. Breaking
// that or any other contract (unknown family, an id not of the family, an operand
// index outside 0..2) ends the program through an assertion.
#ifndef ZV_TABLES_MGINST_H
#define ZV_TABLES_MGINST_H

#include <cstdint>
#include <string>

#include "mgproc.h"

typedef uint8_t InstructionId;  // 0 is none

// The mnemonics in alphabetical order, then the two pseudo-operations, which
// belong to no family.
enum : InstructionId {
  INSTR_NONE = 0,
  INSTR_ADDLW = 1,
  INSTR_ADDWF = 2,
  INSTR_ADDWFC = 3,
  INSTR_ANDLW = 4,
  INSTR_ANDWF = 5,
  INSTR_BC = 6,
  INSTR_BCF = 7,
  INSTR_BN = 8,
  INSTR_BNC = 9,
  INSTR_BNN = 10,
  INSTR_BNOV = 11,
  INSTR_BNZ = 12,
  INSTR_BOV = 13,
  INSTR_BRA = 14,
  INSTR_BSF = 15,
  INSTR_BTFSC = 16,
  INSTR_BTFSS = 17,
  INSTR_BTG = 18,
  INSTR_BZ = 19,
  INSTR_CALL = 20,
  INSTR_CLRF = 21,
  INSTR_CLRW = 22,
  INSTR_CLRWDT = 23,
  INSTR_COMF = 24,
  INSTR_CPFSEQ = 25,
  INSTR_CPFSGT = 26,
  INSTR_CPFSLT = 27,
  INSTR_DAW = 28,
  INSTR_DCFSNZ = 29,
  INSTR_DECF = 30,
  INSTR_DECFSZ = 31,
  INSTR_GOTO = 32,
  INSTR_HALT = 33,
  INSTR_INCF = 34,
  INSTR_INCFSZ = 35,
  INSTR_INFSNZ = 36,
  INSTR_IORLW = 37,
  INSTR_IORWF = 38,
  INSTR_LCALL = 39,
  INSTR_LFSR = 40,
  INSTR_LOG = 41,
  INSTR_MOVF = 42,
  INSTR_MOVFF = 43,
  INSTR_MOVFP = 44,
  INSTR_MOVLB = 45,
  INSTR_MOVLR = 46,
  INSTR_MOVLW = 47,
  INSTR_MOVPF = 48,
  INSTR_MOVWF = 49,
  INSTR_MULLW = 50,
  INSTR_MULWF = 51,
  INSTR_NEGF = 52,
  INSTR_NEGW = 53,
  INSTR_NOP = 54,
  INSTR_OPTION = 55,
  INSTR_PAUSE = 56,
  INSTR_POP = 57,
  INSTR_PUSH = 58,
  INSTR_RCALL = 59,
  INSTR_RESET = 60,
  INSTR_RETFIE = 61,
  INSTR_RETLW = 62,
  INSTR_RETURN = 63,
  INSTR_RLCF = 64,
  INSTR_RLF = 65,
  INSTR_RLNCF = 66,
  INSTR_RRCF = 67,
  INSTR_RRF = 68,
  INSTR_RRNCF = 69,
  INSTR_SETF = 70,
  INSTR_SLEEP = 71,
  INSTR_STOP = 72,
  INSTR_SUBFWB = 73,
  INSTR_SUBLW = 74,
  INSTR_SUBWF = 75,
  INSTR_SUBWFB = 76,
  INSTR_SWAPF = 77,
  INSTR_TABLRD = 78,
  INSTR_TABLWT = 79,
  INSTR_TBLRD = 80,
  INSTR_TBLRDPOSTDEC = 81,
  INSTR_TBLRDPOSTINC = 82,
  INSTR_TBLRDPREINC = 83,
  INSTR_TBLWT = 84,
  INSTR_TBLWTPOSTDEC = 85,
  INSTR_TBLWTPOSTINC = 86,
  INSTR_TBLWTPREINC = 87,
  INSTR_TLRD = 88,
  INSTR_TLWT = 89,
  INSTR_TRAP = 90,
  INSTR_TRET = 91,
  INSTR_TRIS = 92,
  INSTR_TSTFSZ = 93,
  INSTR_WORD2 = 94,
  INSTR_XORLW = 95,
  INSTR_XORWF = 96,
  INSTR_BANKSEL = 97,
  INSTR_PAGESEL = 98,
};

const char* instructionName(InstructionId id);  // the upper-case mnemonic, 1..98

InstructionId decodeInstruction(uint16_t word, CoreFamily family);
int isLegalInstruction(uint16_t word, CoreFamily family);

// Operand values are right-aligned and never sign-extended; 0 when the decoded
// instruction has no field for the operand in this word.
uint16_t getFirstOperand(uint16_t word, CoreFamily family);
uint16_t getSecondOperand(uint16_t word, CoreFamily family);
uint16_t getThirdOperand(uint16_t word, CoreFamily family);
uint16_t getOperand(uint16_t word, CoreFamily family, int index);

// Replaces the opcode bits; operand, don't-care and higher bits stay.
void setOpcode(uint16_t* word, InstructionId id, CoreFamily family);

// Store a value (excess high bits dropped) into an operand field of the
// instruction the word holds; a word without that field stays as it is.
void setFirstOperand(uint16_t* word, uint16_t value, CoreFamily family);
void setSecondOperand(uint16_t* word, uint16_t value, CoreFamily family);
void setThirdOperand(uint16_t* word, uint16_t value, CoreFamily family);

int hasFirstOperand(InstructionId id, CoreFamily family);
int hasSecondOperand(InstructionId id, CoreFamily family);
int hasThirdOperand(InstructionId id, CoreFamily family);
int hasOperand(InstructionId id, CoreFamily family, int index);

// 1 for the Halvern CALL, GOTO, LFSR and MOVFF.
int isTwoWordInstruction(InstructionId id, CoreFamily family);

// 1 and `id` set when `name` is a mnemonic of the family (ASCII letters compared
// without regard to case); else 0 with `id` untouched.
int instructionFromName(const std::string& name, InstructionId& id, CoreFamily family);

#endif
