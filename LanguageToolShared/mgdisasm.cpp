#include "mgdisasm.h"

#include <cstring>

#include "Assert.h"
#include "mginstset.h"

namespace {

// The bits up to the highest set one; 1 for 0, which still shows one digit.
int significantBits(uint32_t value) {
#if defined(__GNUC__)
  return 32 - __builtin_clz(value | 1);
#else
  int bits = 1;
  while (bits < 32 && (value >> bits) != 0) ++bits;
  return bits;
#endif
}

// The position of the lowest set bit of a non-zero field.
int lowestBit(uint16_t field) {
#if defined(__GNUC__)
  return __builtin_ctz(field);
#else
  int shift = 0;
  while ((field & (1u << shift)) == 0) ++shift;
  return shift;
#endif
}

// One buffer per family for disassembleInstruction: the text handed out.
char sText[4][kDisassemblyRoom + 1];

// Every mnemonic left-justified in 10 columns (a longer one as it is), blank
// to 16 characters so that it is copied whole in one step.
struct PaddedName {
  char text[16];
  uint8_t length;  // the name's length, at least 10
};

struct PaddedNames {
  PaddedName names[INSTR_PAGESEL + 1];

  PaddedNames() {
    for (InstructionId id = INSTR_ADDLW; id <= INSTR_PAGESEL; ++id) {
      const char* name = instructionName(id);
      const size_t length = std::strlen(name);
      ZV_ASSERT(length <= sizeof names[id].text);
      std::memset(names[id].text, ' ', sizeof names[id].text);
      std::memcpy(names[id].text, name, length);
      names[id].length = static_cast<uint8_t>(length < 10 ? 10 : length);
    }
  }
};

const PaddedName& paddedName(InstructionId id) {
  static const PaddedNames table;
  return table.names[id];
}

// "0x0" to "0xff": the text of every operand below 256, most operands.
struct ByteTexts {
  char text[256][4];
  uint8_t length[256];

  ByteTexts() {
    static const char kDigits[] = "0123456789abcdef";
    for (int i = 0; i < 256; ++i) {
      text[i][0] = '0';
      text[i][1] = 'x';
      text[i][2] = kDigits[i < 16 ? i : i >> 4];
      text[i][3] = kDigits[i & 0xF];
      length[i] = i < 16 ? 3 : 4;
    }
  }
};

const ByteTexts& byteTexts() {
  static const ByteTexts table;
  return table;
}

// The operand text as it is written: "0x" and the lower-case digits of the
// value without leading zeros, "," before every operand but the first, "???"
// for a missing one.
class OperandText {
 public:
  explicit OperandText(char* out) : cOut(out), cAt(out), cBytes(byteTexts()) {}

  void value(uint32_t value) {
    static const char kDigits[] = "0123456789abcdef";
    separate();
    if (value < 256) {
      std::memcpy(cAt, cBytes.text[value], 4);
      cAt += cBytes.length[value];
      return;
    }
    *cAt++ = '0';
    *cAt++ = 'x';
    const int digits = (significantBits(value) + 3) / 4;
    for (int i = digits - 1; i >= 0; --i, value >>= 4) cAt[i] = kDigits[value & 0xF];
    cAt += digits;
  }

  void unknown() {
    separate();
    std::memcpy(cAt, "???", 3);
    cAt += 3;
  }

  char* end() const { return cAt; }

 private:
  void separate() {
    if (cAt != cOut) *cAt++ = ',';
  }

  char* cOut;
  char* cAt;
  const ByteTexts& cBytes;
};

// An operand field of the word, right-aligned; a field that lives in the
// second word (mask 0) reads 0.
uint32_t fieldValue(uint16_t word, uint16_t field) {
  if (field == 0) return 0;
  return static_cast<uint32_t>(word & field) >> lowestBit(field);
}

void appendFields(OperandText& out, uint16_t word, const OperandLayout& layout) {
  for (int i = 0; i < layout.cNumOperands; ++i) out.value(fieldValue(word, layout.cFields[i]));
}

// Byte target of a Halvern relative branch with a field of `bits` bits.
uint32_t branchTarget(uint32_t address, uint16_t word, int bits) {
  uint32_t field = word & ((1u << bits) - 1);
  int32_t offset = static_cast<int32_t>(field);
  if (field & (1u << (bits - 1))) offset -= static_cast<int32_t>(1u << bits);
  return address + 2 + 2 * static_cast<uint32_t>(offset);
}

bool isSecondWord(const WordLookup& halvern, uint16_t next) {
  const InstrDesc* desc = halvern.of(next);
  return desc != nullptr && desc->cId == INSTR_WORD2;
}

// The Halvern instructions whose text differs from their raw fields; false for
// the others.
bool appendHalvernOperands(OperandText& out, uint32_t address, uint16_t word, uint16_t next,
                           const InstrDesc& desc, const WordLookup& halvern, uint8_t& wordsUsed) {
  const InstructionId id = desc.cId;
  const uint16_t* fields = desc.cLayout.cFields;
  switch (id) {
    case INSTR_BC:
    case INSTR_BN:
    case INSTR_BNC:
    case INSTR_BNN:
    case INSTR_BNOV:
    case INSTR_BNZ:
    case INSTR_BOV:
    case INSTR_BZ: out.value(branchTarget(address, word, 8)); return true;
    case INSTR_BRA:
    case INSTR_RCALL: out.value(branchTarget(address, word, 11)); return true;
    case INSTR_CALL:
    case INSTR_GOTO:
    case INSTR_LFSR:
    case INSTR_MOVFF: break;
    default: return false;
  }
  const bool second = isSecondWord(halvern, next);
  switch (id) {
    case INSTR_CALL:
    case INSTR_GOTO:
      if (second) {
        out.value(((word & 0xFFu) | ((next & 0xFFFu) << 8)) * 2);
      } else {
        out.unknown();
      }
      if (id == INSTR_CALL) out.value(fieldValue(word, fields[1]));
      break;
    case INSTR_LFSR:
      out.value(fieldValue(word, fields[0]));
      if (second) {
        out.value(((word & 0x0Fu) << 8) | (next & 0xFFu));
      } else {
        out.unknown();
      }
      break;
    default:  // MOVFF
      out.value(fieldValue(word, fields[0]));
      if (second) {
        out.value(next & 0xFFFu);
      } else {
        out.unknown();
      }
      break;
  }
  wordsUsed = second ? 2 : 1;
  return true;
}

}  // namespace

Disassembler::Disassembler(CoreFamily family)
    : cFamily(family), cWords(&wordLookup(family)), cHalvern(&wordLookup(CORE_HALVERN)) {}

size_t Disassembler::text(char* out, uint32_t address, uint16_t word, uint16_t nextWord,
                          uint8_t& wordsUsed) const {
  const InstrDesc* desc = cWords->of(word);
  if (desc == nullptr) return 0;
  const PaddedName& name = paddedName(desc->cId);
  std::memcpy(out, name.text, sizeof name.text);
  OperandText operands(out + name.length);
  wordsUsed = 1;
  if (cFamily != CORE_HALVERN ||
      !appendHalvernOperands(operands, address, word, nextWord, *desc, *cHalvern, wordsUsed))
    appendFields(operands, word, desc->cLayout);
  const size_t length = static_cast<size_t>(operands.end() - out);
  ZV_ASSERT(length <= kDisassemblyRoom);
  return length;
}

size_t disassembleInto(char* out, uint32_t address, uint16_t word, uint16_t nextWord,
                       uint8_t& wordsUsed, CoreFamily family) {
  return Disassembler(family).text(out, address, word, nextWord, wordsUsed);
}

const char* disassembleInstruction(uint32_t address, uint16_t word, uint16_t nextWord,
                                   uint8_t& wordsUsed, CoreFamily family) {
  // An unknown family or a word that is no instruction of it fails here.
  decodeInstruction(word, family);
  char* text = sText[family - CORE_MIRROW];
  const size_t length = disassembleInto(text, address, word, nextWord, wordsUsed, family);
  text[length] = '\0';
  return text;
}
