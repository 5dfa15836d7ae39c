// Screens fuzz inputs for the one outcome that ends a program by design: a name
// lookup that a sound file always satisfies fails with a fatal report (status
// 255). That is specified behaviour, not a fault, but it would end the fuzzer,
// so inputs that could reach it are passed over before they are read. Each
// check errs towards "may", which only costs coverage.
#ifndef ZV_FUZZ_FATALSCREEN_H
#define ZV_FUZZ_FATALSCREEN_H

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "ByteOrder.h"
#include "Coff.h"

namespace fatalscreen {

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

}  // namespace fatalscreen

// True when reading the COFF image (at the start of `b`) could reach a section
// header whose name offset is not in the string table. Strings that the reader
// adds for foreign file names are not counted, so the answer errs towards true.
inline bool sectionNameMayBeMissing(const std::string& b) {
  using namespace fatalscreen;
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

// True when an external definition of the image names a string that its table
// lacks: building a library's symbol map would end there.
inline bool externalNameMissing(const Coff& coff) {
  for (size_t i = 0; i < coff.cSymbols.size(); ++i) {
    const syment& s = coff.cSymbols[i].sym;
    if (coff.cAuxKinds[i] == 0 && isExtDef(s) && nameInStringTable(s) && !coff.cStringTbl.count(s.n_offset()))
      return true;
  }
  return false;
}

// True when a symbol or source-file name of the image names a string that its
// table lacks: the link reads every name, and would end there.
inline bool anyNameMissing(const Coff& coff) {
  for (size_t i = 0; i < coff.cSymbols.size(); ++i) {
    unsigned kind = coff.cAuxKinds[i];
    if (kind == 0) {
      const syment& s = coff.cSymbols[i].sym;
      if (nameInStringTable(s) && !coff.cStringTbl.count(s.n_offset())) return true;
    } else if (kind == AUX_FILE) {
      uint32_t offset = coff.cSymbols[i].file.x_offset;
      if (!coff.cStringTbl.count(offset)) return true;
    }
  }
  return false;
}

// True when reading the library (its bytes in `lib`) and building its symbol
// map could end fatally. Walks the members as the library reader does.
inline bool libraryMayEndFatally(const std::string& lib) {
  const size_t kHeader = 280;
  if (lib.size() < 8 || lib.compare(0, 8, "!<arch>\n") != 0) return false;
  uint64_t p = 8;
  while (p + kHeader <= lib.size()) {
    std::string image = lib.substr(p + kHeader);
    if (sectionNameMayBeMissing(image)) return true;
    std::istringstream in(image);
    std::unique_ptr<Coff> coff = Coff::make(in, 0, "member.o");
    if (!coff) return false;  // the read fails here, before the symbol map
    if (externalNameMissing(*coff)) return true;
    p += kHeader + coff->size();
  }
  return false;
}

#endif
