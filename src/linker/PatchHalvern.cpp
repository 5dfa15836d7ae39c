// Relocation patcher of the Halvern family (16-bit words, byte-addressed
// program memory). Every type copies a bit field of a value into the word; the
// kinds below say where the value comes from and what it must satisfy.
#include <iostream>
#include <string>

#include "PatchSupport.h"
#include "Trace.h"
#include "linker.h"
#include "mgreloct.h"

namespace {

constexpr const char* kOrigin = "Linker::doPatchHalvern()";

enum class Kind : uint8_t {
  Unsupported,
  Field,      // the value as it is
  Even,       // CALL, GOTO: the byte address must be even
  Branch,     // BRA, CONDBRA: the word offset from pc + 2, in range
  MovffDest,  // FF2: not one of the four registers a MOVFF cannot write
  Access,     // the access flag of the address
  ScnSize,    // the size of the section the symbol refers to
  ScnEnd,     // the address of that section's last byte
};

struct Row {
  Kind kind;
  BitField field;
};

// Indexed by r_type - 1.
constexpr Row kRows[kLastRelocType] = {
    {Kind::Even, {1, 0, 8}},        // CALL
    {Kind::Even, {1, 0, 8}},        // GOTO
    {Kind::Field, {8, 0, 8}},       // HIGH
    {Kind::Field, {0, 0, 8}},       // LOW
    {Kind::Unsupported, {}},        // P
    {Kind::Field, {8, 0, 8}},       // BANKSEL: the bank number
    {Kind::Unsupported, {}},        // PAGESEL
    {Kind::Field, {0, 0, 16}},      // ALL
    {Kind::Field, {8, 0, 8}},       // IBANKSEL
    {Kind::Field, {0, 0, 8}},       // F
    {Kind::Unsupported, {}},        // TRIS
    {Kind::Unsupported, {}},        // MOVLR
    {Kind::Field, {8, 0, 8}},       // MOVLB
    {Kind::Field, {9, 0, 12}},      // CALL2: bits 9-20 into the second word
    {Kind::Field, {0, 0, 12}},      // FF1
    {Kind::MovffDest, {0, 0, 12}},  // FF2
    {Kind::Field, {8, 0, 4}},       // LFSR1
    {Kind::Field, {0, 0, 8}},       // LFSR2
    {Kind::Branch, {1, 0, 11}},     // BRA
    {Kind::Branch, {1, 0, 8}},      // CONDBRA
    {Kind::Field, {16, 0, 8}},      // UPPER
    {Kind::Access, {0, 8, 1}},      // ACCESS
    {Kind::Unsupported, {}},        // PAGESEL_WREG
    {Kind::Unsupported, {}},        // PAGESEL_BITS
    {Kind::ScnSize, {0, 0, 8}},     // SCNSZ_LOW
    {Kind::ScnSize, {8, 0, 8}},     // SCNSZ_HIGH
    {Kind::ScnSize, {16, 0, 8}},    // SCNSZ_UPPER
    {Kind::ScnEnd, {0, 0, 8}},      // SCNEND_LOW
    {Kind::ScnEnd, {8, 0, 8}},      // SCNEND_HIGH
    {Kind::ScnEnd, {16, 0, 8}},     // SCNEND_UPPER
    {Kind::ScnEnd, {8, 0, 4}},      // SCNEND_LFSR1
    {Kind::ScnEnd, {0, 0, 8}},      // SCNEND_LFSR2
};

// The field of every Halvern type lies inside the word at r_vaddr, so that
// the walk's common case writes that word alone.
constexpr bool fieldsInsideWord() {
  for (const Row& row : kRows)
    if (row.field.dstBegin + row.field.width > 16 || row.field.srcBegin + row.field.width >= 32)
      return false;
  return true;
}
static_assert(fieldsInsideWord(), "every field fits its word");

// A Field type's bits, ready for the word: the value shifted right by `down`
// then left by `up`, under `mask`. A zero mask marks a type that needs more
// than its field written.
struct WordField {
  uint16_t mask;
  uint8_t down;
  uint8_t up;
};

struct WordFields {
  WordField row[kLastRelocType];
};

constexpr WordFields wordFields() {
  WordFields fields{};
  for (uint16_t i = 0; i < kLastRelocType; ++i) {
    const Row& row = kRows[i];
    if (row.kind != Kind::Field || row.field.width == 0) continue;
    const uint32_t ones = (uint32_t(1) << row.field.width) - 1;
    fields.row[i] = {static_cast<uint16_t>(ones << row.field.dstBegin),
                     static_cast<uint8_t>(row.field.srcBegin),
                     static_cast<uint8_t>(row.field.dstBegin)};
  }
  return fields;
}

constexpr WordFields kWordFields = wordFields();

std::string notWordAligned(const std::string& name) {
  return "Symbol '" + name + "' is not word-aligned.\n" +
         "It cannot be used as the target of a call or goto instruction.";
}

// The symbol's name as the patch uses it: a name beginning with '.' refers to
// the section named by the rest, and messages and section lookups use the
// rest. Only failures and the section types need it, so most patches never
// read it.
struct TargetName {
  std::string fullName;
  std::string name;  // without the '.' of a section reference
  bool isScn = false;
};

TargetName targetName(const syment& symbol, const StringTbl& strings) {
  TargetName target;
  target.fullName = Coff::getName(symbol, strings);
  target.isScn = !target.fullName.empty() && target.fullName[0] == '.';
  target.name = target.isScn ? target.fullName.substr(1) : target.fullName;
  return target;
}

// The word offset of a relative branch, as the field's two's complement.
int branchOffset(const syment& symbol, const StringTbl& strings, const reloc& entry,
                 uint32_t fileStart, uint32_t value, uint32_t& field, std::string& message) {
  const uint16_t type = entry.r_type;
  const bool bra = type == RELOCT_BRA;
  const int32_t offset = static_cast<int32_t>(value - (fileStart + entry.r_vaddr + 2));
  if (offset > (bra ? 2046 : 254) || offset < (bra ? -2048 : -256)) {
    message = "Symbol '" + targetName(symbol, strings).name +
              "' out of range of relative branch instruction.";
    return 0;
  }
  field = static_cast<uint32_t>(offset <= 0 ? offset + (bra ? 4096 : 512) : offset);
  if (field & 1) {
    message = notWordAligned(targetName(symbol, strings).name);
    return 0;
  }
  return 1;
}

int checkMovffDest(uint32_t value, std::string& message) {
  const char* reg = value == 0xFFF   ? "TOSU"
                    : value == 0xFFE ? "TOSH"
                    : value == 0xFFD ? "TOSL"
                    : value == 0xFF9 ? "PCL"
                                     : nullptr;
  if (reg == nullptr) return 1;
  message = std::string(reg) + " cannot be used as the destination of a MOVFF instruction.";
  return 0;
}

uint32_t accessFlag(const std::list<Memory>& accessBanks, uint32_t address) {
  for (const Memory& bank : accessBanks) {
    if (bank.getStart() <= address && address <= bank.getEnd()) return 0;
  }
  return 1;
}

// The value that a type of another kind than Field patches in, once its check
// has passed: 1, or 0 with the message. Apart from the patch itself, whose
// common case (Field) then takes no more than its own few steps.
[[gnu::noinline]] int checkedValue(Kind kind, const syment& symbol, const StringTbl& strings,
                                   const reloc& entry, uint32_t fileStart,
                                   const std::list<Memory>& accessBanks,
                                   const std::map<std::string, uint32_t>& scnSizes, uint32_t& value,
                                   std::string& message) {
  switch (kind) {
    case Kind::Even:
      if (value & 1) {
        message = notWordAligned(targetName(symbol, strings).name);
        return 0;
      }
      break;
    case Kind::Branch:
      if (!branchOffset(symbol, strings, entry, fileStart, value, value, message)) return 0;
      break;
    case Kind::MovffDest:
      if (!checkMovffDest(value, message)) return 0;
      break;
    case Kind::Access: value = accessFlag(accessBanks, value); break;
    case Kind::ScnSize:
    case Kind::ScnEnd: {
      const TargetName target = targetName(symbol, strings);
      const auto size = target.isScn ? scnSizes.find(target.name) : scnSizes.end();
      if (size == scnSizes.end()) {
        message = "symbol '" + target.fullName + "' is not a section reference.";
        return 0;
      }
      value = size->second + static_cast<uint32_t>(static_cast<int32_t>(entry.r_offset));
      if (kind == Kind::ScnEnd) value += symbol.n_value - 1;
      break;
    }
    case Kind::Field:
    case Kind::Unsupported: break;
  }
  return 1;
}

[[gnu::noinline]] void tracePatch(const Row& row, const reloc& entry, uint32_t value) {
  std::cout << fieldTrace(kOrigin, entry.r_type, row.field, entry, value) << '\n';
}

}  // namespace

int Linker::doPatchHalvern(uint32_t fileStart, Data& data, const reloc& entry,
                           const std::vector<SymEntry>& symbols, const StringTbl& strings,
                           std::string& message) {
  const Row* found = findRow(kRows, entry, symbols, message);
  if (found == nullptr || !checkInside(data, entry, 1, message)) return 0;
  const Row& row = *found;
  const syment& symbol = symbols[entry.r_symndx].sym;
  uint32_t value = relocValue(symbol, entry);
  if (row.kind != Kind::Field && !checkedValue(row.kind, symbol, strings, entry, fileStart,
                                               cAccessBanks, cScnSize, value, message))
    return 0;
  static const int& tracing = traceLevelRef("Linker::doPatchHalvern");
  if (tracing) tracePatch(row, entry, value);
  writeBits(data, entry.r_vaddr, value, row.field.srcBegin, row.field.dstBegin, row.field.width);
  return 1;
}

size_t Linker::patchHalvernFields(Data& data, const reloc* entries, size_t count,
                                  const Coff& coff) {
  static const int& tracing = traceLevelRef("Linker::doPatchHalvern");
  if (tracing) return 0;
  const SymEntry* symbols = coff.cSymbols.data();
  const size_t symbolCount = coff.cSymbols.size();
  const uint8_t* auxKinds = coff.cAuxKinds.data();
  const size_t kindCount = coff.cAuxKinds.size();
  uint8_t* bytes = data.bytes();
  const uint64_t size = data.size();
  for (size_t i = 0; i < count; ++i) {
    const reloc& entry = entries[i];
    const uint32_t index = entry.r_symndx;
    const uint32_t type = uint32_t(entry.r_type) - kFirstRelocType;
    // Anything but a Field type on a symbol of the table whose word lies
    // inside the data goes the whole way, which also reports its faults.
    if (type >= kLastRelocType || index >= symbolCount ||
        (index < kindCount && auxKinds[index] != AUX_NONE) || uint64_t(entry.r_vaddr) + 2 > size)
      return i;
    const WordField field = kWordFields.row[type];
    if (field.mask == 0) return i;
    const uint32_t value = relocValue(symbols[index].sym, entry);
    uint8_t* at = bytes + entry.r_vaddr;
    const uint32_t word = at[0] | uint32_t(at[1]) << 8;
    const uint32_t bits = ((value >> field.down) << field.up) & field.mask;
    const uint32_t patched = (word & ~uint32_t(field.mask)) | bits;
    at[0] = static_cast<uint8_t>(patched);
    at[1] = static_cast<uint8_t>(patched >> 8);
  }
  return count;
}
