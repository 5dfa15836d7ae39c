// Operations on instruction words: recognition, opcode and operand access,
// operand presence and the mnemonics.
#include "mginst.h"

#include "Assert.h"
#include "mgfold.h"
#include "mginstset.h"

static const char* const kMnemonics[INSTR_PAGESEL] = {
    "ADDLW",        "ADDWF",        "ADDWFC",       "ANDLW",        "ANDWF",       "BC",
    "BCF",          "BN",           "BNC",          "BNN",          "BNOV",        "BNZ",
    "BOV",          "BRA",          "BSF",          "BTFSC",        "BTFSS",       "BTG",
    "BZ",           "CALL",         "CLRF",         "CLRW",         "CLRWDT",      "COMF",
    "CPFSEQ",       "CPFSGT",       "CPFSLT",       "DAW",          "DCFSNZ",      "DECF",
    "DECFSZ",       "GOTO",         "HALT",         "INCF",         "INCFSZ",      "INFSNZ",
    "IORLW",        "IORWF",        "LCALL",        "LFSR",         "LOG",         "MOVF",
    "MOVFF",        "MOVFP",        "MOVLB",        "MOVLR",        "MOVLW",       "MOVPF",
    "MOVWF",        "MULLW",        "MULWF",        "NEGF",         "NEGW",        "NOP",
    "OPTION",       "PAUSE",        "POP",          "PUSH",         "RCALL",       "RESET",
    "RETFIE",       "RETLW",        "RETURN",       "RLCF",         "RLF",         "RLNCF",
    "RRCF",         "RRF",          "RRNCF",        "SETF",         "SLEEP",       "STOP",
    "SUBFWB",       "SUBLW",        "SUBWF",        "SUBWFB",       "SWAPF",       "TABLRD",
    "TABLWT",       "TBLRD",        "TBLRDPOSTDEC", "TBLRDPOSTINC", "TBLRDPREINC", "TBLWT",
    "TBLWTPOSTDEC", "TBLWTPOSTINC", "TBLWTPREINC",  "TLRD",         "TLWT",        "TRAP",
    "TRET",         "TRIS",         "TSTFSZ",       "WORD2",        "XORLW",       "XORWF",
    "BANKSEL",      "PAGESEL",
};

const char* instructionName(InstructionId id) {
  ZV_ASSERT(id >= INSTR_ADDLW && id <= INSTR_PAGESEL);
  return kMnemonics[id - 1];
}

// The instruction a word fits; the word must be legal for the family.
static const InstrDesc& decoded(uint16_t word, CoreFamily family) {
  const InstrDesc* desc = instructionOfWord(word, family);
  ZV_ASSERT(desc != nullptr);
  return *desc;
}

// The description of an id that must belong to the family.
static const InstrDesc& described(InstructionId id, CoreFamily family) {
  const InstrDesc* desc = instructionOfId(id, family);
  ZV_ASSERT(desc != nullptr);
  return *desc;
}

InstructionId decodeInstruction(uint16_t word, CoreFamily family) {
  return decoded(word, family).cId;
}

int isLegalInstruction(uint16_t word, CoreFamily family) {
  return instructionOfWord(word, family) != nullptr ? 1 : 0;
}

// The field of an operand in the word; 0 when the word holds none for it.
static uint16_t fieldOf(const InstrDesc& desc, int index) {
  ZV_ASSERT(index >= 0 && index <= 2);
  return index < desc.cLayout.cNumOperands ? desc.cLayout.cFields[index] : 0;
}

static int lowestBit(uint16_t mask) {
  int shift = 0;
  while ((mask & (1u << shift)) == 0) ++shift;
  return shift;
}

uint16_t getOperand(uint16_t word, CoreFamily family, int index) {
  uint16_t field = fieldOf(decoded(word, family), index);
  if (field == 0) return 0;
  return static_cast<uint16_t>((word & field) >> lowestBit(field));
}

uint16_t getFirstOperand(uint16_t word, CoreFamily family) { return getOperand(word, family, 0); }
uint16_t getSecondOperand(uint16_t word, CoreFamily family) { return getOperand(word, family, 1); }
uint16_t getThirdOperand(uint16_t word, CoreFamily family) { return getOperand(word, family, 2); }

void setOpcode(uint16_t* word, InstructionId id, CoreFamily family) {
  ZV_ASSERT(word != nullptr);
  const InstrDesc& desc = described(id, family);
  uint16_t keep = static_cast<uint16_t>(desc.freeBits() | ~instructionSet(family).cWidthMask);
  *word = static_cast<uint16_t>((*word & keep) | desc.cOpcode);
}

static void setOperand(uint16_t* word, uint16_t value, CoreFamily family, int index) {
  ZV_ASSERT(word != nullptr);
  uint16_t field = fieldOf(decoded(*word, family), index);
  if (field == 0) return;
  uint32_t placed = static_cast<uint32_t>(value) << lowestBit(field);
  *word = static_cast<uint16_t>((*word & ~field) | (placed & field));
}

void setFirstOperand(uint16_t* word, uint16_t value, CoreFamily family) {
  setOperand(word, value, family, 0);
}
void setSecondOperand(uint16_t* word, uint16_t value, CoreFamily family) {
  setOperand(word, value, family, 1);
}
void setThirdOperand(uint16_t* word, uint16_t value, CoreFamily family) {
  setOperand(word, value, family, 2);
}

int hasOperand(InstructionId id, CoreFamily family, int index) {
  ZV_ASSERT(index >= 0 && index <= 2);
  return index < described(id, family).cLayout.cNumOperands ? 1 : 0;
}

int hasFirstOperand(InstructionId id, CoreFamily family) { return hasOperand(id, family, 0); }
int hasSecondOperand(InstructionId id, CoreFamily family) { return hasOperand(id, family, 1); }
int hasThirdOperand(InstructionId id, CoreFamily family) { return hasOperand(id, family, 2); }

int isTwoWordInstruction(InstructionId id, CoreFamily family) {
  return described(id, family).cTwoWord ? 1 : 0;
}

int instructionFromName(const std::string& name, InstructionId& id, CoreFamily family) {
  const InstrSet& set = instructionSet(family);
  for (size_t i = 0; i < set.cCount; ++i) {
    if (equalsFoldingAscii(name, instructionName(set.cDescs[i].cId))) {
      id = set.cDescs[i].cId;
      return 1;
    }
  }
  return 0;
}
