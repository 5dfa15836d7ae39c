// The Mirrow instruction set: 14-bit words, 37 instructions.
#include "mginstset.h"

static constexpr OperandLayout kFileDest = {{0x007F, 0x0080, 0}, 2, 0};
static constexpr OperandLayout kFileBit = {{0x007F, 0x0380, 0}, 2, 0};
static constexpr OperandLayout kFile = {{0x007F, 0, 0}, 1, 0};
static constexpr OperandLayout kLiteral8 = {{0x00FF, 0, 0}, 1, 0};
static constexpr OperandLayout kLiteral8Free1 = {{0x00FF, 0, 0}, 1, 0x0100};
static constexpr OperandLayout kLiteral8Free2 = {{0x00FF, 0, 0}, 1, 0x0300};
static constexpr OperandLayout kAddress11 = {{0x07FF, 0, 0}, 1, 0};
static constexpr OperandLayout kPort = {{0x0007, 0, 0}, 1, 0};
static constexpr OperandLayout kNoneFree7 = {{0, 0, 0}, 0, 0x007F};
static constexpr OperandLayout kNoneFree2 = {{0, 0, 0}, 0, 0x0060};
static constexpr OperandLayout kNone = {{0, 0, 0}, 0, 0};

static const InstrDesc kMirrow[] = {
    instr(INSTR_ADDWF, 0x0700, kFileDest),      instr(INSTR_ANDWF, 0x0500, kFileDest),
    instr(INSTR_COMF, 0x0900, kFileDest),       instr(INSTR_DECF, 0x0300, kFileDest),
    instr(INSTR_DECFSZ, 0x0B00, kFileDest),     instr(INSTR_INCF, 0x0A00, kFileDest),
    instr(INSTR_INCFSZ, 0x0F00, kFileDest),     instr(INSTR_IORWF, 0x0400, kFileDest),
    instr(INSTR_MOVF, 0x0800, kFileDest),       instr(INSTR_RLF, 0x0D00, kFileDest),
    instr(INSTR_RRF, 0x0C00, kFileDest),        instr(INSTR_SUBWF, 0x0200, kFileDest),
    instr(INSTR_SWAPF, 0x0E00, kFileDest),      instr(INSTR_XORWF, 0x0600, kFileDest),

    instr(INSTR_BCF, 0x1000, kFileBit),         instr(INSTR_BSF, 0x1400, kFileBit),
    instr(INSTR_BTFSC, 0x1800, kFileBit),       instr(INSTR_BTFSS, 0x1C00, kFileBit),

    instr(INSTR_CLRF, 0x0180, kFile),           instr(INSTR_MOVWF, 0x0080, kFile),

    instr(INSTR_ANDLW, 0x3900, kLiteral8),      instr(INSTR_IORLW, 0x3800, kLiteral8),
    instr(INSTR_XORLW, 0x3A00, kLiteral8),

    instr(INSTR_ADDLW, 0x3E00, kLiteral8Free1), instr(INSTR_SUBLW, 0x3C00, kLiteral8Free1),

    instr(INSTR_MOVLW, 0x3000, kLiteral8Free2), instr(INSTR_RETLW, 0x3400, kLiteral8Free2),

    instr(INSTR_CALL, 0x2000, kAddress11),      instr(INSTR_GOTO, 0x2800, kAddress11),

    instr(INSTR_TRIS, 0x0060, kPort),

    instr(INSTR_CLRW, 0x0100, kNoneFree7),

    instr(INSTR_NOP, 0x0000, kNoneFree2),

    instr(INSTR_CLRWDT, 0x0064, kNone),         instr(INSTR_OPTION, 0x0062, kNone),
    instr(INSTR_RETFIE, 0x0009, kNone),         instr(INSTR_RETURN, 0x0008, kNone),
    instr(INSTR_SLEEP, 0x0063, kNone),
};

const InstrSet& mirrowInstructions() {
  static const InstrSet set = {kMirrow, sizeof kMirrow / sizeof kMirrow[0], 0x3FFF};
  return set;
}
