// Relocation patcher of the Quenby family (16-bit words, word-addressed
// program memory). Bank selection builds a MOVLR or MOVLB word, page
// selection a MOVLW of the page followed by a MOVWF to register 3.
#include <iostream>
#include <string>

#include "PatchSupport.h"
#include "TextHelpers.h"
#include "Trace.h"
#include "linker.h"
#include "mgreloct.h"

namespace {

constexpr const char* kOrigin = "Linker::doPatchQuenby()";

enum class Kind : uint8_t {
  Unsupported,
  Field,       // the value as it is
  BankNumber,  // MOVLR, MOVLB: the bank number of the address
  BankSel,     // B1
  PageSel,     // P1
};

struct Row {
  Kind kind;
  BitField field;
};

// Indexed by r_type - 1.
const Row kRows[kLastRelocType] = {
    {Kind::Field, {0, 0, 13}},      // CALL
    {Kind::Field, {0, 0, 13}},      // GOTO
    {Kind::Field, {8, 0, 8}},       // HIGH
    {Kind::Field, {0, 0, 8}},       // LOW
    {Kind::Field, {0, 8, 5}},       // P
    {Kind::BankSel, {}},            // BANKSEL
    {Kind::PageSel, {}},            // PAGESEL
    {Kind::Field, {0, 0, 16}},      // ALL
    {Kind::BankSel, {}},            // IBANKSEL
    {Kind::Field, {0, 0, 8}},       // F
    {Kind::Unsupported, {}},        // TRIS
    {Kind::BankNumber, {0, 4, 4}},  // MOVLR
    {Kind::BankNumber, {0, 0, 4}},  // MOVLB
    {Kind::Unsupported, {}},        // CALL2
    {Kind::Unsupported, {}},        // FF1
    {Kind::Unsupported, {}},        // FF2
    {Kind::Unsupported, {}},        // LFSR1
    {Kind::Unsupported, {}},        // LFSR2
    {Kind::Unsupported, {}},        // BRA
    {Kind::Unsupported, {}},        // CONDBRA
    {Kind::Unsupported, {}},        // UPPER
    {Kind::Unsupported, {}},        // ACCESS
    {Kind::PageSel, {}},            // PAGESEL_WREG
    {Kind::Unsupported, {}},        // PAGESEL_BITS
    {Kind::Unsupported, {}},        // SCNSZ_LOW
    {Kind::Unsupported, {}},        // SCNSZ_HIGH
    {Kind::Unsupported, {}},        // SCNSZ_UPPER
    {Kind::Unsupported, {}},        // SCNEND_LOW
    {Kind::Unsupported, {}},        // SCNEND_HIGH
    {Kind::Unsupported, {}},        // SCNEND_UPPER
    {Kind::Unsupported, {}},        // SCNEND_LFSR1
    {Kind::Unsupported, {}},        // SCNEND_LFSR2
};

// B1: MOVLR for a general-purpose address, else MOVLB, of its bank.
BuiltWords bankSelect(ProcessorType processor, uint32_t value, bool tracing) {
  const bool gpr = isGpr(processor, value);
  BuiltWords words;
  words.word[0] = buildWord(gpr ? INSTR_MOVLR : INSTR_MOVLB,
                            static_cast<uint16_t>(bankOfAddress(processor, value)), CORE_QUENBY);
  words.write[0] = true;
  if (tracing) {
    std::cout << kOrigin << " -  RELOCT_BANKSEL, isgpr=" << gpr
              << ", opcode1=" << toHex(words.word[0], 2) << '\n';
  }
  return words;
}

// P1: MOVLW page; MOVWF 3.
BuiltWords pageSelect(uint32_t value, bool tracing) {
  BuiltWords words;
  words.word[0] = buildWord(INSTR_MOVLW, static_cast<uint16_t>((value >> 8) & 0xFF), CORE_QUENBY);
  words.word[1] = buildWord(INSTR_MOVWF, 3, CORE_QUENBY);
  words.write[0] = words.write[1] = true;
  if (tracing) {
    std::cout << kOrigin << " -  RELOCT_PAGESEL, opcode1=" << toHex(words.word[0], 2)
              << ", opcode2=" << toHex(words.word[1], 2) << '\n';
  }
  return words;
}

}  // namespace

int Linker::doPatchQuenby(Data& data, const reloc& entry, const std::vector<SymEntry>& symbols,
                          const StringTbl& /*strings*/, std::string& message) {
  const Row* found = findRow(kRows, entry, symbols, message);
  if (found == nullptr) return 0;
  const Row& row = *found;
  uint32_t value = relocValue(symbols[entry.r_symndx].sym, entry);
  static const int& tracing = traceLevelRef("Linker::doPatchQuenby");
  switch (row.kind) {
    case Kind::BankSel:
      return writeBuiltWords(data, entry, bankSelect(cProcessor, value, tracing), message);
    case Kind::PageSel: return writeBuiltWords(data, entry, pageSelect(value, tracing), message);
    case Kind::BankNumber: value = bankOfAddress(cProcessor, value); break;
    case Kind::Field:
    case Kind::Unsupported: break;
  }
  return patchField(data, entry, row.field, value, kOrigin, tracing, message);
}
