// The description of one family's instruction set, shared by the family tables,
// the recognition lookup and the operations on words. Not for callers outside
// the instruction tables.
#ifndef ZV_TABLES_MGINSTSET_H
#define ZV_TABLES_MGINSTSET_H

#include <cstddef>
#include <cstdint>

#include "mginst.h"

// The operand fields of an instruction, in assembler order, and the bits that
// are neither opcode nor operand. A field mask of 0 for an existing operand means
// that its value lives in the second word (the Halvern MOVFF destination).
struct OperandLayout {
  uint16_t cFields[3];
  uint8_t cNumOperands;
  uint16_t cDontCare;
};

// A word fits the instruction when, masked to the family width and with its
// operand and don't-care bits cleared, it equals the opcode.
struct InstrDesc {
  InstructionId cId;
  uint16_t cOpcode;
  OperandLayout cLayout;
  bool cTwoWord;

  uint16_t freeBits() const {
    return static_cast<uint16_t>(cLayout.cFields[0] | cLayout.cFields[1] | cLayout.cFields[2] |
                                 cLayout.cDontCare);
  }
};

constexpr InstrDesc instr(InstructionId id, uint16_t opcode, OperandLayout layout) {
  return InstrDesc{id, opcode, layout, false};
}
constexpr InstrDesc twoWordInstr(InstructionId id, uint16_t opcode, OperandLayout layout) {
  return InstrDesc{id, opcode, layout, true};
}

struct InstrSet {
  const InstrDesc* cDescs;
  size_t cCount;
  uint16_t cWidthMask;  // 0x0FFF, 0x3FFF or 0xFFFF
};

// The four tables, one file each.
const InstrSet& mirrowInstructions();
const InstrSet& quenbyInstructions();
const InstrSet& tarselInstructions();
const InstrSet& halvernInstructions();

// The recognition of one family's words for a caller that looks up many: the
// description a word fits, null when the word is illegal. A word's slot is
// found in two steps: its high bits pick a block of slots for its low
// kWordBlockBits bits, and blocks that are alike are kept once, so that the
// table of a family is a few KB (held in the cache) instead of one slot for
// every word. It views the arrays of a lookup built once, which stay where they
// are to the end of the program. Saves a search of the family table per word;
// guarded by bench/vostrum_bench.sh.
constexpr int kWordBlockBits = 6;

struct WordLookup {
  const InstrDesc* cDescs = nullptr;   // the family table
  const uint16_t* cBlockOf = nullptr;  // word >> kWordBlockBits: offset of its block in cSlots
  const uint8_t* cSlots = nullptr;     // 1 + index into the table; 0 = illegal
  uint16_t cWidthMask = 0;

  const InstrDesc* of(uint16_t word) const {
    const uint32_t w = word & cWidthMask;
    const uint8_t slot = cSlots[cBlockOf[w >> kWordBlockBits] + (w & ((1u << kWordBlockBits) - 1))];
    return slot == 0 ? nullptr : &cDescs[slot - 1];
  }
};

// The lookups built once from the tables. The set of a valid family; the
// instruction a word fits (null when the word is illegal); the description of
// an id within a family (null when the family lacks it).
const InstrSet& instructionSet(CoreFamily family);
const InstrDesc* instructionOfWord(uint16_t word, CoreFamily family);
const WordLookup& wordLookup(CoreFamily family);
const InstrDesc* instructionOfId(InstructionId id, CoreFamily family);

#endif
