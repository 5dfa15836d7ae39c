// The Tarsel instruction set: 12-bit words, 33 instructions.
#include "mginstset.h"

static constexpr OperandLayout kFileDest = {{0x001F, 0x0020, 0}, 2, 0};
static constexpr OperandLayout kFileBit = {{0x001F, 0x00E0, 0}, 2, 0};
static constexpr OperandLayout kFile = {{0x001F, 0, 0}, 1, 0};
static constexpr OperandLayout kLiteral8 = {{0x00FF, 0, 0}, 1, 0};
static constexpr OperandLayout kAddress9 = {{0x01FF, 0, 0}, 1, 0};
static constexpr OperandLayout kPort = {{0x0007, 0, 0}, 1, 0};
static constexpr OperandLayout kNone = {{0, 0, 0}, 0, 0};

static const InstrDesc kTarsel[] = {
    instr(INSTR_ADDWF, 0x01C0, kFileDest),  instr(INSTR_ANDWF, 0x0140, kFileDest),
    instr(INSTR_COMF, 0x0240, kFileDest),   instr(INSTR_DECF, 0x00C0, kFileDest),
    instr(INSTR_DECFSZ, 0x02C0, kFileDest), instr(INSTR_INCF, 0x0280, kFileDest),
    instr(INSTR_INCFSZ, 0x03C0, kFileDest), instr(INSTR_IORWF, 0x0100, kFileDest),
    instr(INSTR_MOVF, 0x0200, kFileDest),   instr(INSTR_RLF, 0x0340, kFileDest),
    instr(INSTR_RRF, 0x0300, kFileDest),    instr(INSTR_SUBWF, 0x0080, kFileDest),
    instr(INSTR_SWAPF, 0x0380, kFileDest),  instr(INSTR_XORWF, 0x0180, kFileDest),

    instr(INSTR_BCF, 0x0400, kFileBit),     instr(INSTR_BSF, 0x0500, kFileBit),
    instr(INSTR_BTFSC, 0x0600, kFileBit),   instr(INSTR_BTFSS, 0x0700, kFileBit),

    instr(INSTR_CLRF, 0x0060, kFile),       instr(INSTR_MOVWF, 0x0020, kFile),

    instr(INSTR_ANDLW, 0x0E00, kLiteral8),  instr(INSTR_CALL, 0x0900, kLiteral8),
    instr(INSTR_IORLW, 0x0D00, kLiteral8),  instr(INSTR_MOVLW, 0x0C00, kLiteral8),
    instr(INSTR_RETLW, 0x0800, kLiteral8),  instr(INSTR_XORLW, 0x0F00, kLiteral8),

    instr(INSTR_GOTO, 0x0A00, kAddress9),

    instr(INSTR_TRIS, 0x0000, kPort),

    instr(INSTR_CLRW, 0x0040, kNone),       instr(INSTR_CLRWDT, 0x0004, kNone),
    instr(INSTR_NOP, 0x0000, kNone),        instr(INSTR_OPTION, 0x0002, kNone),
    instr(INSTR_SLEEP, 0x0003, kNone),
};

const InstrSet& tarselInstructions() {
  static const InstrSet set = {kTarsel, sizeof kTarsel / sizeof kTarsel[0], 0x0FFF};
  return set;
}
