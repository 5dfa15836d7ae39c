#include "mgdisasm.h"

#include <cstdio>

#include "Assert.h"

// Two buffers per family, as the listing uses them: the text handed out and the
// operand text assembled for it.
static const int kTextRoom = 80;
static char sText[4][kTextRoom + 1];
static char sOperands[4][kTextRoom + 1];

// Appends one operand: "0x.." first, ",0x.." after; "???" for a missing one.
static void appendValue(char* out, int& used, uint32_t value) {
  const char* format = used == 0 ? "0x%lx" : ",0x%lx";
  int n = std::snprintf(out + used, kTextRoom + 1 - used, format,
                        static_cast<unsigned long>(value));
  ZV_ASSERT(n > 0 && used + n <= kTextRoom);
  used += n;
}

static void appendUnknown(char* out, int& used) {
  int n = std::snprintf(out + used, kTextRoom + 1 - used, used == 0 ? "???" : ",???");
  ZV_ASSERT(n > 0 && used + n <= kTextRoom);
  used += n;
}

static void appendOperands(char* out, int& used, uint16_t word, InstructionId id,
                           CoreFamily family) {
  for (int i = 0; i < 3; ++i) {
    if (hasOperand(id, family, i)) appendValue(out, used, getOperand(word, family, i));
  }
}

// Byte target of a Halvern relative branch with a field of `bits` bits.
static uint32_t branchTarget(uint32_t address, uint16_t word, int bits) {
  uint32_t field = word & ((1u << bits) - 1);
  int32_t offset = static_cast<int32_t>(field);
  if (field & (1u << (bits - 1))) offset -= static_cast<int32_t>(1u << bits);
  return address + 2 + 2 * static_cast<uint32_t>(offset);
}

static bool isSecondWord(uint16_t next) {
  return isLegalInstruction(next, CORE_HALVERN) &&
         decodeInstruction(next, CORE_HALVERN) == INSTR_WORD2;
}

// The Halvern instructions whose text differs from their raw fields; false for
// the others.
static bool appendHalvernOperands(char* out, int& used, uint32_t address, uint16_t word,
                                  uint16_t next, InstructionId id, uint8_t& wordsUsed) {
  bool second = isSecondWord(next);
  switch (id) {
    case INSTR_BC: case INSTR_BN: case INSTR_BNC: case INSTR_BNN:
    case INSTR_BNOV: case INSTR_BNZ: case INSTR_BOV: case INSTR_BZ:
      appendValue(out, used, branchTarget(address, word, 8));
      return true;
    case INSTR_BRA: case INSTR_RCALL:
      appendValue(out, used, branchTarget(address, word, 11));
      return true;
    case INSTR_CALL: case INSTR_GOTO:
      if (second) {
        appendValue(out, used, ((word & 0xFFu) | ((next & 0xFFFu) << 8)) * 2);
      } else {
        appendUnknown(out, used);
      }
      if (id == INSTR_CALL) appendValue(out, used, getSecondOperand(word, CORE_HALVERN));
      break;
    case INSTR_LFSR:
      appendValue(out, used, getFirstOperand(word, CORE_HALVERN));
      if (second) {
        appendValue(out, used, ((word & 0x0Fu) << 8) | (next & 0xFFu));
      } else {
        appendUnknown(out, used);
      }
      break;
    case INSTR_MOVFF:
      appendValue(out, used, getFirstOperand(word, CORE_HALVERN));
      if (second) {
        appendValue(out, used, next & 0xFFFu);
      } else {
        appendUnknown(out, used);
      }
      break;
    default:
      return false;
  }
  wordsUsed = second ? 2 : 1;
  return true;
}

const char* disassembleInstruction(uint32_t address, uint16_t word, uint16_t nextWord,
                                   uint8_t& wordsUsed, CoreFamily family) {
  InstructionId id = decodeInstruction(word, family);
  char* text = sText[family - CORE_MIRROW];
  char* operands = sOperands[family - CORE_MIRROW];
  int used = 0;
  operands[0] = '\0';
  wordsUsed = 1;
  if (family != CORE_HALVERN ||
      !appendHalvernOperands(operands, used, address, word, nextWord, id, wordsUsed)) {
    appendOperands(operands, used, word, id, family);
  }
  int length = std::snprintf(text, kTextRoom + 1, "%-10s", instructionName(id));
  ZV_ASSERT(length > 0 && length + used <= kTextRoom);
  for (int i = 0; i <= used; ++i) text[length + i] = operands[i];
  return text;
}
