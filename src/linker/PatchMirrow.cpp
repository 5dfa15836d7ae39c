// Relocation patcher of the Mirrow family (14-bit words). Bank selection
// writes BSF/BCF of the bank bits of register 3 (rp0, rp1; irp for indirect
// access) as far as the device has banks to select; page selection either
// loads the page into register 10 through W (MOVLW, MOVWF) or sets its bits 3
// and 4 one by one, as far as the device has pages to select.
#include <iostream>
#include <string>

#include "PatchSupport.h"
#include "TextHelpers.h"
#include "Trace.h"
#include "linker.h"
#include "mgreloct.h"

namespace {

constexpr const char* kOrigin = "Linker::doPatchMirrow()";

enum class Kind : uint8_t {
  Unsupported,
  Field,        // the value as it is
  BankSel,      // B3
  IndBankSel,   // B4
  PageSel,      // P3
  PageSelBits,  // P4
};

struct Row {
  Kind kind;
  BitField field;
};

// Indexed by r_type - 1.
const Row kRows[kLastRelocType] = {
    {Kind::Field, {0, 0, 11}},  // CALL
    {Kind::Field, {0, 0, 11}},  // GOTO
    {Kind::Field, {8, 0, 8}},   // HIGH
    {Kind::Field, {0, 0, 8}},   // LOW
    {Kind::Unsupported, {}},    // P
    {Kind::BankSel, {}},        // BANKSEL
    {Kind::PageSel, {}},        // PAGESEL
    {Kind::Field, {0, 0, 16}},  // ALL
    {Kind::IndBankSel, {}},     // IBANKSEL
    {Kind::Field, {0, 0, 7}},   // F
    {Kind::Unsupported, {}},    // TRIS
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
    {Kind::PageSel, {}},        // PAGESEL_WREG
    {Kind::PageSelBits, {}},    // PAGESEL_BITS
    {Kind::Unsupported, {}},    // SCNSZ_LOW
    {Kind::Unsupported, {}},    // SCNSZ_HIGH
    {Kind::Unsupported, {}},    // SCNSZ_UPPER
    {Kind::Unsupported, {}},    // SCNEND_LOW
    {Kind::Unsupported, {}},    // SCNEND_HIGH
    {Kind::Unsupported, {}},    // SCNEND_UPPER
    {Kind::Unsupported, {}},    // SCNEND_LFSR1
    {Kind::Unsupported, {}},    // SCNEND_LFSR2
};

// B3: rp0 from two banks on, rp1 from three.
BuiltWords bankSelect(uint32_t banks, uint32_t value, bool tracing) {
  BuiltWords words;
  words.word[0] = buildBitWord(value, 7, 3, 5, CORE_MIRROW);
  words.word[1] = buildBitWord(value, 8, 3, 6, CORE_MIRROW);
  words.write[0] = banks >= 2;
  words.write[1] = banks >= 3;
  if (tracing) {
    if (banks < 2) {
      std::cout << kOrigin << " - RELOCT_BANKSEL encountered for a device with only one bank!\n";
    } else {
      std::cout << kOrigin << " -  RELOCT_BANKSEL, rp0=" << toHex(words.word[0], 2)
                << ", rp1=" << toHex(words.word[1], 2) << '\n';
    }
  }
  return words;
}

// B4: irp from three banks on.
BuiltWords indirectBankSelect(uint32_t banks, uint32_t value, bool tracing) {
  BuiltWords words;
  words.word[0] = buildBitWord(value, 8, 3, 7, CORE_MIRROW);
  words.write[0] = banks >= 3;
  if (tracing) {
    if (banks < 3) {
      std::cout << kOrigin
                << " - RELOCT_IBANKSEL encountered for a device with one or two banks!\n";
    } else {
      std::cout << kOrigin << " -  RELOCT_IBANKSEL, irp=" << toHex(words.word[0], 2) << '\n';
    }
  }
  return words;
}

// P3: MOVLW page; MOVWF 10.
BuiltWords pageSelect(uint32_t value, bool tracing) {
  BuiltWords words;
  words.word[0] = buildWord(INSTR_MOVLW, static_cast<uint16_t>((value >> 8) & 0xFF), CORE_MIRROW);
  words.word[1] = buildWord(INSTR_MOVWF, 10, CORE_MIRROW);
  words.write[0] = words.write[1] = true;
  if (tracing) {
    std::cout << kOrigin << " -  RELOCT_PAGESEL, opcode1=" << toHex(words.word[0], 2)
              << ", opcode2=" << toHex(words.word[1], 2) << '\n';
  }
  return words;
}

// P4: pclath3 from two pages on, pclath4 from three.
BuiltWords pageSelectBits(uint32_t pages, uint32_t value, bool tracing) {
  BuiltWords words;
  words.word[0] = buildBitWord(value, 11, 10, 3, CORE_MIRROW);
  words.word[1] = buildBitWord(value, 12, 10, 4, CORE_MIRROW);
  words.write[0] = pages >= 2;
  words.write[1] = pages >= 3;
  if (tracing) {
    if (pages < 2) {
      std::cout << kOrigin
                << " - RELOCT_PAGESEL_BITS encountered for a device with only one page!\n";
    } else {
      std::cout << kOrigin << " -  RELOCT_PAGESEL_BITS, pclath3=" << toHex(words.word[0], 2)
                << ", pclath4=" << toHex(words.word[1], 2) << '\n';
    }
  }
  return words;
}

}  // namespace

int Linker::doPatchMirrow(Data& data, const reloc& entry, const std::vector<SymEntry>& symbols,
                          const StringTbl& /*strings*/, std::string& message) {
  const Row* found = findRow(kRows, entry, symbols, message);
  if (found == nullptr) return 0;
  const Row& row = *found;
  const uint32_t value = relocValue(symbols[entry.r_symndx].sym, entry);
  static const int& tracing = traceLevelRef("Linker::doPatchMirrow");
  switch (row.kind) {
    case Kind::BankSel:
      return writeBuiltWords(data, entry, bankSelect(numDataBanks(cProcessor), value, tracing),
                             message);
    case Kind::IndBankSel:
      return writeBuiltWords(data, entry,
                             indirectBankSelect(numDataBanks(cProcessor), value, tracing), message);
    case Kind::PageSel: return writeBuiltWords(data, entry, pageSelect(value, tracing), message);
    case Kind::PageSelBits:
      return writeBuiltWords(data, entry, pageSelectBits(numCodePages(cProcessor), value, tracing),
                             message);
    case Kind::Field:
    case Kind::Unsupported: break;
  }
  return patchField(data, entry, row.field, value, kOrigin, tracing, message);
}
