// Pieces that the four family patchers share: the value a relocation carries,
// the checks every relocation passes before anything is written, the words
// built in place of bank and page selection instructions, and the texts of the
// patch traces.
#ifndef ZV_LINKER_PATCHSUPPORT_H
#define ZV_LINKER_PATCHSUPPORT_H

#include <cstdint>
#include <string>
#include <vector>

#include "Assert.h"
#include "CoffRecords.h"
#include "Data.h"
#include "mginst.h"

// Bits srcBegin .. srcBegin+width-1 of a value go into bits dstBegin ..
// dstBegin+width-1 of the word at r_vaddr.
struct BitField {
  uint16_t srcBegin = 0;
  uint16_t dstBegin = 0;
  uint16_t width = 0;
};

// Words that replace the object's instructions at r_vaddr and r_vaddr + 2;
// a word whose `write` flag is clear keeps what the object holds.
struct BuiltWords {
  uint16_t word[2] = {0, 0};
  bool write[2] = {false, false};
};

constexpr uint16_t kFirstRelocType = 1;
constexpr uint16_t kLastRelocType = 32;

// "RELOCT_CALL" .. "RELOCT_SCNEND_LFSR2"; "RELOCT_<n>" for any other number.
std::string relocTypeName(uint16_t type);

std::string unsupportedRelocType();            // "unsupported relocation type."
std::string relocationAt(const reloc& entry);  // "relocation at offset 0x0000001c"

// The referenced symbol's value plus the sign-extended addend, modulo 2^32.
inline uint32_t relocValue(const syment& symbol, const reloc& entry) {
  return symbol.n_value + static_cast<uint32_t>(static_cast<int32_t>(entry.r_offset));
}

// The checks below run for every relocation entry and are inline; the texts
// of their faults are made apart, only when one is found.
int symbolIndexFault(const reloc& entry, std::string& message);  // 0, with the message
int outsideDataFault(const reloc& entry, std::string& message);  // 0, with the message

// 1 when r_symndx lies inside the table; else 0 with the message. Whether the
// entry is a symbol and not an auxiliary entry only the input's Coff can tell.
inline int checkSymbolIndex(const std::vector<SymEntry>& symbols, const reloc& entry,
                            std::string& message) {
  return entry.r_symndx < symbols.size() ? 1 : symbolIndexFault(entry, message);
}

// 1 when `words` 16-bit words from r_vaddr lie inside the data; else 0 with
// the message.
inline int checkInside(const Data& data, const reloc& entry, uint32_t words, std::string& message) {
  if (uint64_t(entry.r_vaddr) + 2 * uint64_t(words) <= data.size()) return 1;
  return outsideDataFault(entry, message);
}

// The row of a family's table (indexed by r_type - 1, its kinds with an
// Unsupported) for the entry's type, once the entry's symbol index is known to
// lie inside the table; null with the message otherwise.
template <class Row>
const Row* findRow(const Row (&rows)[kLastRelocType], const reloc& entry,
                   const std::vector<SymEntry>& symbols, std::string& message) {
  const uint16_t type = entry.r_type;
  if (type < kFirstRelocType || type > kLastRelocType ||
      rows[type - 1].kind == decltype(Row::kind)::Unsupported) {
    message = unsupportedRelocType();
    return nullptr;
  }
  return checkSymbolIndex(symbols, entry, message) ? &rows[type - 1] : nullptr;
}

// The bit writer behind Linker::patchBits, inline so that the patchers write
// their fields without a call: bits srcBegin .. srcBegin+width-1 of the value
// into bits dstBegin .. of the word at rawOffset, never past the data.
inline void checkBitInside(const Data& d, uint32_t bitPos) { ZV_ASSERT(bitPos < 8*d.size()); }

inline void writeBits(Data& data, uint32_t rawOffset, uint32_t value, uint16_t srcBegin,
                      uint16_t dstBegin, uint16_t width) {
  const uint32_t dsize = data.size();
  ZV_ASSERT(width <= 16);
  ZV_ASSERT(srcBegin < 32);
  ZV_ASSERT(dstBegin < 16);
  ZV_ASSERT((srcBegin + width) < 32);
  ZV_ASSERT(rawOffset <= dsize);
  if (width == 0) return;
  const uint32_t first = rawOffset * 8 + dstBegin;
  checkBitInside(data, first + width - 1);
  // The field spans at most three bytes: each takes its part of the mask and
  // of the shifted bits at once.
  const uint32_t shift = first % 8;
  uint32_t mask = ((uint32_t(1) << width) - 1) << shift;
  uint32_t bits = ((value >> srcBegin) << shift) & mask;
  for (uint8_t* byte = data.bytes() + first / 8; mask != 0; ++byte, mask >>= 8, bits >>= 8)
    *byte = static_cast<uint8_t>((*byte & ~mask) | bits);
}

// A word holding instruction `id` with its first operand.
uint16_t buildWord(InstructionId id, uint16_t operand, CoreFamily family);
// BSF when bit `valueBit` of the value is 1, else BCF, of bit `bit` of
// register `reg`.
uint16_t buildBitWord(uint32_t value, unsigned valueBit, uint16_t reg, uint16_t bit,
                      CoreFamily family);

// Writes the words whose flag is set, after checking that they lie inside the
// data (the word at r_vaddr always counts). 1 on success, else 0 with the
// message and nothing written.
int writeBuiltWords(Data& data, const reloc& entry, const BuiltWords& words, std::string& message);

// The patch echo of the traces: "<origin> -  RELOCT_LOW, srcBegin=0, ...".
std::string fieldTrace(const char* origin, uint16_t type, const BitField& field, const reloc& entry,
                       uint32_t value);

// Writes the value into the field of the word at r_vaddr once that word is
// known to lie inside the data, echoing the patch when tracing. 1 on success,
// else 0 with the message and nothing written.
int patchField(Data& data, const reloc& entry, const BitField& field, uint32_t value,
               const char* origin, bool tracing, std::string& message);

#endif
