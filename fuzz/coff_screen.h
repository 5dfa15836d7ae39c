// Screening of fuzzed COFF images before Coff::make reads them.
//
// A section name whose string-table offset the table lacks ends the program
// through a fatal report, by design; an input that could reach one is passed
// over before reading (sectionNameMayBeMissing).
#ifndef ZV_FUZZ_COFF_SCREEN_H
#define ZV_FUZZ_COFF_SCREEN_H

#include <algorithm>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "ByteOrder.h"
#include "Coff.h"

namespace coff_screen {

inline uint32_t u32At(const std::string& b, uint64_t at) {
  return getU32(reinterpret_cast<const uint8_t*>(b.data() + at));
}

// The string-table offsets that the reader will find, or false when it cannot
// read the table (and so fails before it names any section).
inline bool stringKeys(const std::string& b, uint64_t at, std::set<uint32_t>& keys) {
  if (at > b.size() || b.size() - at < 4) return false;
  uint32_t length = u32At(b, at);
  if (length <= 4) return true;
  if (b.size() - at - 4 < length - 4) return false;
  uint64_t pos = 0, end = length - 4;
  while (pos < end) {
    size_t nul = b.find('\0', at + 4 + pos);
    if (nul == std::string::npos || nul >= at + 4 + end || nul == at + 4 + pos) break;
    keys.insert(static_cast<uint32_t>(pos + 4));
    pos = nul - (at + 4) + 1;
  }
  return true;
}

// True when reading could reach a section header whose name offset is not in
// the string table. Strings that the reader adds for foreign file names are
// not counted, so the answer errs towards true.
inline bool sectionNameMayBeMissing(const std::string& b) {
  if (b.size() < sizeof(filehdr)) return false;
  filehdr fh;
  fromBytes(reinterpret_cast<const uint8_t*>(b.data()), fh);
  if (fh.f_magic != kCoffMagic) return false;
  bool foreign = fh.f_opthdr != kOptHdrSize;
  uint64_t first = sizeof(filehdr) + uint64_t(fh.f_opthdr);
  uint64_t relocSize = foreign ? 10 : 12, lineSize = foreign ? 6 : 16;
  uint64_t partsEnd = first + 40 * uint64_t(fh.f_nscns);
  bool allHeaders = true;
  std::vector<scnhdr> headers;
  for (uint32_t j = 0; j < fh.f_nscns; ++j) {
    uint64_t at = first + 40 * uint64_t(j);
    if (at + 40 > b.size()) {
      allHeaders = false;
      break;
    }
    scnhdr h;
    fromBytes(reinterpret_cast<const uint8_t*>(b.data() + at), h);
    headers.push_back(h);
    if (h.s_scnptr) partsEnd = std::max(partsEnd, uint64_t(h.s_scnptr) + h.s_size);
    if (h.s_relptr) partsEnd = std::max(partsEnd, h.s_relptr + relocSize * h.s_nreloc);
    if (h.s_lnnoptr) partsEnd = std::max(partsEnd, h.s_lnnoptr + lineSize * h.s_nlnno);
  }
  bool symbolless = fh.f_nsyms == 0 && fh.f_symptr == 0;
  if (symbolless && !allHeaders) return false;  // fails reading a header
  uint64_t table = symbolless ? partsEnd : uint64_t(fh.f_symptr) + 18 * uint64_t(fh.f_nsyms);
  std::set<uint32_t> keys;
  if (!stringKeys(b, table, keys)) return false;
  for (const scnhdr& h : headers)
    if (nameInStringTable(h) && !keys.count(h.s_offset())) return true;
  return false;
}

}  // namespace coff_screen

#endif
