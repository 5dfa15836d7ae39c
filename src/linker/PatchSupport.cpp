// The checks, built words and trace texts shared by the family patchers.
#include "PatchSupport.h"

#include <iostream>

#include "TextHelpers.h"
#include "linker.h"

namespace {

// Four names a line, in type order.
// clang-format off
const char* const kTypeNames[] = {
    "RELOCT_CALL",         "RELOCT_GOTO",         "RELOCT_HIGH",         "RELOCT_LOW",
    "RELOCT_P",            "RELOCT_BANKSEL",      "RELOCT_PAGESEL",      "RELOCT_ALL",
    "RELOCT_IBANKSEL",     "RELOCT_F",            "RELOCT_TRIS",         "RELOCT_MOVLR",
    "RELOCT_MOVLB",        "RELOCT_CALL2",        "RELOCT_FF1",          "RELOCT_FF2",
    "RELOCT_LFSR1",        "RELOCT_LFSR2",        "RELOCT_BRA",          "RELOCT_CONDBRA",
    "RELOCT_UPPER",        "RELOCT_ACCESS",       "RELOCT_PAGESEL_WREG", "RELOCT_PAGESEL_BITS",
    "RELOCT_SCNSZ_LOW",    "RELOCT_SCNSZ_HIGH",   "RELOCT_SCNSZ_UPPER",  "RELOCT_SCNEND_LOW",
    "RELOCT_SCNEND_HIGH",  "RELOCT_SCNEND_UPPER", "RELOCT_SCNEND_LFSR1", "RELOCT_SCNEND_LFSR2",
};
// clang-format on
static_assert(sizeof kTypeNames / sizeof kTypeNames[0] == kLastRelocType, "one name per type");

}  // namespace

std::string relocTypeName(uint16_t type) {
  if (type < kFirstRelocType || type > kLastRelocType) return "RELOCT_" + std::to_string(type);
  return kTypeNames[type - 1];
}

std::string unsupportedRelocType() { return "unsupported relocation type."; }

std::string relocationAt(const reloc& entry) {
  return "relocation at offset " + toHex(entry.r_vaddr, 4);
}

int symbolIndexFault(const reloc& entry, std::string& message) {
  message = relocationAt(entry) + " refers to symbol index " + std::to_string(entry.r_symndx) +
            ", which is not in the symbol table.";
  return 0;
}

int outsideDataFault(const reloc& entry, std::string& message) {
  message = relocationAt(entry) + " lies outside the section data.";
  return 0;
}

uint16_t buildWord(InstructionId id, uint16_t operand, CoreFamily family) {
  uint16_t word = 0;
  setOpcode(&word, id, family);
  setFirstOperand(&word, operand, family);
  return word;
}

uint16_t buildBitWord(uint32_t value, unsigned valueBit, uint16_t reg, uint16_t bit,
                      CoreFamily family) {
  uint16_t word = buildWord((value >> valueBit) & 1 ? INSTR_BSF : INSTR_BCF, reg, family);
  setSecondOperand(&word, bit, family);
  return word;
}

int writeBuiltWords(Data& data, const reloc& entry, const BuiltWords& words, std::string& message) {
  if (!checkInside(data, entry, words.write[1] ? 2 : 1, message)) return 0;
  for (uint32_t i = 0; i < 2; ++i) {
    if (words.write[i]) writeBits(data, entry.r_vaddr + 2 * i, words.word[i], 0, 0, 16);
  }
  return 1;
}

std::string fieldTrace(const char* origin, uint16_t type, const BitField& field, const reloc& entry,
                       uint32_t value) {
  return std::string(origin) + " -  " + relocTypeName(type) +
         ", srcBegin=" + std::to_string(field.srcBegin) +
         ", dstBegin=" + std::to_string(field.dstBegin) + ", width=" + std::to_string(field.width) +
         ", rawOffset=" + std::to_string(entry.r_vaddr) + ", value=" + toHex(value, 4);
}

int patchField(Data& data, const reloc& entry, const BitField& field, uint32_t value,
               const char* origin, bool tracing, std::string& message) {
  if (!checkInside(data, entry, 1, message)) return 0;
  if (tracing) std::cout << fieldTrace(origin, entry.r_type, field, entry, value) << '\n';
  writeBits(data, entry.r_vaddr, value, field.srcBegin, field.dstBegin, field.width);
  return 1;
}
