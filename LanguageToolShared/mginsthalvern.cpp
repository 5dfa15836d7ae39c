// The Halvern instruction set: 16-bit words, 82 instructions, four of them two
// words long. Their second word is a WORD2 word (top four bits all ones) whose
// 12-bit field continues one operand: CALL and GOTO carry bits 8 to 19 of the
// target word address, LFSR the low 8 bits of its literal (the first word holds
// bits 8 to 11), MOVFF the destination register.
#include "mginstset.h"

static constexpr OperandLayout kFileDestAccess = {{0x00FF, 0x0200, 0x0100}, 3, 0};
static constexpr OperandLayout kFileBitAccess = {{0x00FF, 0x0E00, 0x0100}, 3, 0};
static constexpr OperandLayout kFileAccess = {{0x00FF, 0x0100, 0}, 2, 0};
static constexpr OperandLayout kCall = {{0x00FF, 0x0100, 0}, 2, 0};
static constexpr OperandLayout kByte = {{0x00FF, 0, 0}, 1, 0};
static constexpr OperandLayout kOffset11 = {{0x07FF, 0, 0}, 1, 0};
static constexpr OperandLayout kLfsr = {{0x0030, 0x000F, 0}, 2, 0};
static constexpr OperandLayout kMovff = {{0x0FFF, 0, 0}, 2, 0};
static constexpr OperandLayout kFast = {{0x0001, 0, 0}, 1, 0};
static constexpr OperandLayout kWord2 = {{0x0FFF, 0, 0}, 1, 0};
static constexpr OperandLayout kNone = {{0, 0, 0}, 0, 0};

// Two instructions a line, as the family manual groups them.
// clang-format off
static const InstrDesc kHalvern[] = {
    instr(INSTR_ADDWF, 0x2400, kFileDestAccess),  instr(INSTR_ADDWFC, 0x2000, kFileDestAccess),
    instr(INSTR_ANDWF, 0x1400, kFileDestAccess),  instr(INSTR_COMF, 0x1C00, kFileDestAccess),
    instr(INSTR_DCFSNZ, 0x4C00, kFileDestAccess), instr(INSTR_DECF, 0x0400, kFileDestAccess),
    instr(INSTR_DECFSZ, 0x2C00, kFileDestAccess), instr(INSTR_INCF, 0x2800, kFileDestAccess),
    instr(INSTR_INCFSZ, 0x3C00, kFileDestAccess), instr(INSTR_INFSNZ, 0x4800, kFileDestAccess),
    instr(INSTR_IORWF, 0x1000, kFileDestAccess),  instr(INSTR_MOVF, 0x5000, kFileDestAccess),
    instr(INSTR_RLCF, 0x3400, kFileDestAccess),   instr(INSTR_RLNCF, 0x4400, kFileDestAccess),
    instr(INSTR_RRCF, 0x3000, kFileDestAccess),   instr(INSTR_RRNCF, 0x4000, kFileDestAccess),
    instr(INSTR_SUBFWB, 0x5400, kFileDestAccess), instr(INSTR_SUBWF, 0x5C00, kFileDestAccess),
    instr(INSTR_SUBWFB, 0x5800, kFileDestAccess), instr(INSTR_SWAPF, 0x3800, kFileDestAccess),
    instr(INSTR_XORWF, 0x1800, kFileDestAccess),

    instr(INSTR_BCF, 0x9000, kFileBitAccess),     instr(INSTR_BSF, 0x8000, kFileBitAccess),
    instr(INSTR_BTFSC, 0xB000, kFileBitAccess),   instr(INSTR_BTFSS, 0xA000, kFileBitAccess),
    instr(INSTR_BTG, 0x7000, kFileBitAccess),

    instr(INSTR_CLRF, 0x6A00, kFileAccess),       instr(INSTR_CPFSEQ, 0x6200, kFileAccess),
    instr(INSTR_CPFSGT, 0x6400, kFileAccess),     instr(INSTR_CPFSLT, 0x6000, kFileAccess),
    instr(INSTR_MOVWF, 0x6E00, kFileAccess),      instr(INSTR_MULWF, 0x0200, kFileAccess),
    instr(INSTR_NEGF, 0x6C00, kFileAccess),       instr(INSTR_SETF, 0x6800, kFileAccess),
    instr(INSTR_TSTFSZ, 0x6600, kFileAccess),

    twoWordInstr(INSTR_CALL, 0xEC00, kCall),  // address bits 0 to 7, fast bit

    instr(INSTR_ADDLW, 0x0F00, kByte),            instr(INSTR_ANDLW, 0x0B00, kByte),
    instr(INSTR_IORLW, 0x0900, kByte),            instr(INSTR_MOVLB, 0x0100, kByte),
    instr(INSTR_MOVLW, 0x0E00, kByte),            instr(INSTR_MULLW, 0x0D00, kByte),
    instr(INSTR_RETLW, 0x0C00, kByte),            instr(INSTR_SUBLW, 0x0800, kByte),
    instr(INSTR_XORLW, 0x0A00, kByte),
    twoWordInstr(INSTR_GOTO, 0xEF00, kByte),  // address bits 0 to 7

    // Relative branches: the field is a signed word offset.
    instr(INSTR_BC, 0xE200, kByte),               instr(INSTR_BN, 0xE600, kByte),
    instr(INSTR_BNC, 0xE300, kByte),              instr(INSTR_BNN, 0xE700, kByte),
    instr(INSTR_BNOV, 0xE500, kByte),             instr(INSTR_BNZ, 0xE100, kByte),
    instr(INSTR_BOV, 0xE400, kByte),              instr(INSTR_BZ, 0xE000, kByte),
    instr(INSTR_BRA, 0xD000, kOffset11),          instr(INSTR_RCALL, 0xD800, kOffset11),

    twoWordInstr(INSTR_LFSR, 0xEE00, kLfsr),    // register, literal bits 8 to 11
    twoWordInstr(INSTR_MOVFF, 0xC000, kMovff),  // source; the destination is in word 2

    instr(INSTR_RETFIE, 0x0010, kFast),           instr(INSTR_RETURN, 0x0012, kFast),
    instr(INSTR_WORD2, 0xF000, kWord2),

    instr(INSTR_CLRWDT, 0x0004, kNone),           instr(INSTR_DAW, 0x0007, kNone),
    instr(INSTR_HALT, 0x0001, kNone),             instr(INSTR_LOG, 0x0021, kNone),
    instr(INSTR_NOP, 0x0000, kNone),              instr(INSTR_PAUSE, 0x0022, kNone),
    instr(INSTR_POP, 0x0006, kNone),              instr(INSTR_PUSH, 0x0005, kNone),
    instr(INSTR_RESET, 0x00FF, kNone),            instr(INSTR_SLEEP, 0x0003, kNone),
    instr(INSTR_STOP, 0x0020, kNone),             instr(INSTR_TBLRD, 0x0008, kNone),
    instr(INSTR_TBLRDPOSTDEC, 0x000A, kNone),     instr(INSTR_TBLRDPOSTINC, 0x0009, kNone),
    instr(INSTR_TBLRDPREINC, 0x000B, kNone),      instr(INSTR_TBLWT, 0x000C, kNone),
    instr(INSTR_TBLWTPOSTDEC, 0x000E, kNone),     instr(INSTR_TBLWTPOSTINC, 0x000D, kNone),
    instr(INSTR_TBLWTPREINC, 0x000F, kNone),      instr(INSTR_TRAP, 0x00E0, kNone),
    instr(INSTR_TRET, 0x00E1, kNone),
};
// clang-format on

const InstrSet& halvernInstructions() {
  static const InstrSet set = {kHalvern, sizeof kHalvern / sizeof kHalvern[0], 0xFFFF};
  return set;
}
