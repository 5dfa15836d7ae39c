// Relocation patcher of the Tarsel family (12-bit words). Bank selection
// writes BSF/BCF of bits 5 and 6 of register 4 from address bits 5 and 6;
// page selection writes BSF/BCF of bits 5 and 6 of register 3 from address
// bits 9 and 10, as far as the device has pages to select.
#include <iostream>
#include <string>

#include "PatchSupport.h"
#include "TextHelpers.h"
#include "Trace.h"
#include "linker.h"
#include "mgreloct.h"

namespace {

constexpr const char* kOrigin = "Linker::doPatchTarsel()";

enum class Kind : uint8_t {
  Unsupported,
  Field,    // the value as it is
  BankSel,  // B2
  PageSel,  // P2
};

struct Row {
  Kind kind;
  BitField field;
};

// Indexed by r_type - 1.
const Row kRows[kLastRelocType] = {
    {Kind::Field, {0, 0, 8}},   // CALL
    {Kind::Field, {0, 0, 9}},   // GOTO
    {Kind::Field, {8, 0, 8}},   // HIGH
    {Kind::Field, {0, 0, 8}},   // LOW
    {Kind::Unsupported, {}},    // P
    {Kind::BankSel, {}},        // BANKSEL
    {Kind::PageSel, {}},        // PAGESEL
    {Kind::Field, {0, 0, 16}},  // ALL
    {Kind::BankSel, {}},        // IBANKSEL
    {Kind::Field, {0, 0, 5}},   // F
    {Kind::Field, {0, 0, 3}},   // TRIS
    {Kind::Unsupported, {}},    // MOVLR
    {Kind::Unsupported, {}},    // MOVLB
    {Kind::Unsupported, {}},    // CALL2
    {Kind::Unsupported, {}},    // FF1
    {Kind::Unsupported, {}},    // FF2
    {Kind::Unsupported, {}},    // LFSR1
    {Kind::Unsupported, {}},    // LFSR2
    {Kind::Unsupported, {}},    // BRA
    {Kind::Unsupported, {}},    // CONDBRA
    {Kind::Unsupported, {}},    // UPPER
    {Kind::Unsupported, {}},    // ACCESS
    {Kind::Unsupported, {}},    // PAGESEL_WREG
    {Kind::PageSel, {}},        // PAGESEL_BITS
    {Kind::Unsupported, {}},    // SCNSZ_LOW
    {Kind::Unsupported, {}},    // SCNSZ_HIGH
    {Kind::Unsupported, {}},    // SCNSZ_UPPER
    {Kind::Unsupported, {}},    // SCNEND_LOW
    {Kind::Unsupported, {}},    // SCNEND_HIGH
    {Kind::Unsupported, {}},    // SCNEND_UPPER
    {Kind::Unsupported, {}},    // SCNEND_LFSR1
    {Kind::Unsupported, {}},    // SCNEND_LFSR2
};

// B2: both words, always.
BuiltWords bankSelect(uint32_t value, bool tracing) {
  BuiltWords words;
  words.word[0] = buildBitWord(value, 5, 4, 5, CORE_TARSEL);
  words.word[1] = buildBitWord(value, 6, 4, 6, CORE_TARSEL);
  words.write[0] = words.write[1] = true;
  if (tracing) {
    std::cout << kOrigin << " -  RELOCT_BANKSEL, opcode1=" << toHex(words.word[0], 2)
              << ", opcode2=" << toHex(words.word[1], 2) << '\n';
  }
  return words;
}

// P2: pa0 from two pages on, pa1 from three.
BuiltWords pageSelect(uint32_t pages, uint32_t value, bool tracing) {
  BuiltWords words;
  words.word[0] = buildBitWord(value, 9, 3, 5, CORE_TARSEL);
  words.word[1] = buildBitWord(value, 10, 3, 6, CORE_TARSEL);
  words.write[0] = pages >= 2;
  words.write[1] = pages >= 3;
  if (tracing) {
    if (pages < 2) {
      std::cout << kOrigin << " - RELOCT_PAGESEL encountered for a device with only one page!\n";
    } else {
      std::cout << kOrigin << " -  RELOCT_PAGESEL, pa0=" << toHex(words.word[0], 2)
                << ", pa1=" << toHex(words.word[1], 2) << '\n';
    }
  }
  return words;
}

}  // namespace

int Linker::doPatchTarsel(Data& data, const reloc& entry, const std::vector<SymEntry>& symbols,
                          const StringTbl& /*strings*/, std::string& message) {
  const Row* found = findRow(kRows, entry, symbols, message);
  if (found == nullptr) return 0;
  const Row& row = *found;
  const uint32_t value = relocValue(symbols[entry.r_symndx].sym, entry);
  static const int& tracing = traceLevelRef("Linker::doPatchTarsel");
  switch (row.kind) {
    case Kind::BankSel: return writeBuiltWords(data, entry, bankSelect(value, tracing), message);
    case Kind::PageSel:
      return writeBuiltWords(data, entry, pageSelect(numCodePages(cProcessor), value, tracing),
                             message);
    case Kind::Field:
    case Kind::Unsupported: break;
  }
  return patchField(data, entry, row.field, value, kOrigin, tracing, message);
}
