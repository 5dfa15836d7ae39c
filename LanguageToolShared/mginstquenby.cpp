// The Quenby instruction set: 16-bit words, 61 instructions.
#include "mginstset.h"

static constexpr OperandLayout kFileDest = {{0x00FF, 0x0100, 0}, 2, 0};
static constexpr OperandLayout kFileBit = {{0x00FF, 0x0700, 0}, 2, 0};
static constexpr OperandLayout kByte = {{0x00FF, 0, 0}, 1, 0};
static constexpr OperandLayout kAddress13 = {{0x1FFF, 0, 0}, 1, 0};
static constexpr OperandLayout kFileThenPort = {{0x00FF, 0x1F00, 0}, 2, 0};
static constexpr OperandLayout kPortThenFile = {{0x1F00, 0x00FF, 0}, 2, 0};
static constexpr OperandLayout kBankLow = {{0x000F, 0, 0}, 1, 0x00F0};
static constexpr OperandLayout kBankHigh = {{0x00F0, 0, 0}, 1, 0x010F};
static constexpr OperandLayout kTable3 = {{0x0200, 0x0100, 0x00FF}, 3, 0};
static constexpr OperandLayout kTable2 = {{0x0200, 0x00FF, 0}, 2, 0x0100};
static constexpr OperandLayout kNone = {{0, 0, 0}, 0, 0};

static const InstrDesc kQuenby[] = {
    instr(INSTR_ADDWF, 0x0E00, kFileDest),     instr(INSTR_ADDWFC, 0x1000, kFileDest),
    instr(INSTR_ANDWF, 0x0A00, kFileDest),     instr(INSTR_CLRF, 0x2800, kFileDest),
    instr(INSTR_COMF, 0x1200, kFileDest),      instr(INSTR_DAW, 0x2E00, kFileDest),
    instr(INSTR_DCFSNZ, 0x2600, kFileDest),    instr(INSTR_DECF, 0x0600, kFileDest),
    instr(INSTR_DECFSZ, 0x1600, kFileDest),    instr(INSTR_INCF, 0x1400, kFileDest),
    instr(INSTR_INCFSZ, 0x1E00, kFileDest),    instr(INSTR_INFSNZ, 0x2400, kFileDest),
    instr(INSTR_IORWF, 0x0800, kFileDest),     instr(INSTR_NEGW, 0x2C00, kFileDest),
    instr(INSTR_RLCF, 0x1A00, kFileDest),      instr(INSTR_RLNCF, 0x2200, kFileDest),
    instr(INSTR_RRCF, 0x1800, kFileDest),      instr(INSTR_RRNCF, 0x2000, kFileDest),
    instr(INSTR_SETF, 0x2A00, kFileDest),      instr(INSTR_SUBWF, 0x0400, kFileDest),
    instr(INSTR_SUBWFB, 0x0200, kFileDest),    instr(INSTR_SWAPF, 0x1C00, kFileDest),
    instr(INSTR_XORWF, 0x0C00, kFileDest),

    instr(INSTR_BCF, 0x8800, kFileBit),        instr(INSTR_BSF, 0x8000, kFileBit),
    instr(INSTR_BTFSC, 0x9800, kFileBit),      instr(INSTR_BTFSS, 0x9000, kFileBit),
    instr(INSTR_BTG, 0x3800, kFileBit),

    instr(INSTR_ADDLW, 0xB100, kByte),         instr(INSTR_ANDLW, 0xB500, kByte),
    instr(INSTR_CPFSEQ, 0x3100, kByte),        instr(INSTR_CPFSGT, 0x3200, kByte),
    instr(INSTR_CPFSLT, 0x3000, kByte),        instr(INSTR_IORLW, 0xB300, kByte),
    instr(INSTR_LCALL, 0xB700, kByte),         instr(INSTR_MOVLW, 0xB000, kByte),
    instr(INSTR_MOVWF, 0x0100, kByte),         instr(INSTR_MULLW, 0xBC00, kByte),
    instr(INSTR_MULWF, 0x3400, kByte),         instr(INSTR_RETLW, 0xB600, kByte),
    instr(INSTR_SUBLW, 0xB200, kByte),         instr(INSTR_TSTFSZ, 0x3300, kByte),
    instr(INSTR_XORLW, 0xB400, kByte),

    instr(INSTR_CALL, 0xE000, kAddress13),     instr(INSTR_GOTO, 0xC000, kAddress13),

    instr(INSTR_MOVFP, 0x6000, kFileThenPort), instr(INSTR_MOVPF, 0x4000, kPortThenFile),
    instr(INSTR_MOVLB, 0xB800, kBankLow),      instr(INSTR_MOVLR, 0xBA00, kBankHigh),

    instr(INSTR_TABLRD, 0xA800, kTable3),      instr(INSTR_TABLWT, 0xAC00, kTable3),
    instr(INSTR_TLRD, 0xA000, kTable2),        instr(INSTR_TLWT, 0xA400, kTable2),

    instr(INSTR_CLRWDT, 0x0004, kNone),        instr(INSTR_LOG, 0x0008, kNone),
    instr(INSTR_NOP, 0x0000, kNone),           instr(INSTR_PAUSE, 0x000E, kNone),
    instr(INSTR_RETFIE, 0x0005, kNone),        instr(INSTR_RETURN, 0x0002, kNone),
    instr(INSTR_SLEEP, 0x0003, kNone),         instr(INSTR_STOP, 0x0001, kNone),
};

const InstrSet& quenbyInstructions() {
  static const InstrSet set = {kQuenby, sizeof kQuenby / sizeof kQuenby[0], 0xFFFF};
  return set;
}
