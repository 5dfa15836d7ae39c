#include "Coff2Hex.h"

#include <cstring>

#include "FileSpec.h"
#include "Reporter.h"

namespace {

const char kOrigin[] = "Coff2Hex::convert()";

bool isProgramMemory(const scnhdr& hdr) {
  const unsigned type = scnType(hdr);
  return type == SCNTYPE_CODE || type == SCNTYPE_ROMDATA;
}

// The section's stored contents; null when none are stored or they are empty.
const Data* contents(const Coff& coff, const std::string& name) {
  auto it = coff.cRawData.find(name);
  return it == coff.cRawData.end() || it->second.size() == 0 ? nullptr : &it->second;
}

// The contents' length with one byte 0 appended to complete an odd last word.
uint64_t paddedSize(const Data& d) { return uint64_t(d.size()) + d.size() % 2; }

// Every byte of a run must have a 32-bit address, the reach of the HEX formats.
bool fitsAddressRange(const Coff& coff, const std::string& name, uint64_t start,
                      uint64_t size) {
  if (start + size <= 0x100000000ull && size <= UINT32_MAX) return true;
  reportError(kOrigin, "Coff file '" + coff.cCoffName + "', section '" + name +
                          "' lies beyond the 32-bit address range.");
  return false;
}

Data paddedCopy(const Data& d) {
  Data copy(static_cast<uint32_t>(paddedSize(d)));
  if (d.size()) std::memcpy(copy.bytes(), d.bytes(), d.size());
  return copy;
}

}  // namespace

Hex* Coff2Hex::convert(const Coff& coff, const std::vector<AddrRange>& ranges) {
  // Bytes per program-memory location: 2 for word memories, 1 for byte memory.
  const uint32_t widthBits = coff.cOptHdr.rom_width_bits;
  if (widthBits == 0 || widthBits > 16) {
    reportError(kOrigin, "Coff file '" + coff.cCoffName + "' has an unsupported program memory width of " +
                             std::to_string(widthBits) + " bits.");
    return nullptr;
  }
  const uint32_t bytesPerWord = (widthBits + 7) / 8;

  // Code and romdata sections in ascending name order.
  bool anyRun = false;
  for (const auto& entry : coff.cScnHdr) {
    if (!isProgramMemory(entry.second)) continue;
    const bool ok = ranges.empty()
                        ? addWholeSection(coff, entry.first, bytesPerWord)
                        : addSelectedRuns(coff, entry.first, bytesPerWord, ranges, anyRun);
    if (!ok) return nullptr;
  }
  if (!ranges.empty() && !anyRun) return nullptr;

  // The files go to the current directory, whatever the input's directory.
  cFileBaseName = FileSpec(coff.cCoffName).baseName();
  return this;
}

// Without ranges: the whole section as one run at its byte address.
bool Coff2Hex::addWholeSection(const Coff& coff, const std::string& name,
                               uint32_t bytesPerWord) {
  const Data* data = contents(coff, name);
  if (!data) return true;
  const uint64_t start = uint64_t(bytesPerWord) * coff.cScnHdr.at(name).s_paddr;
  if (!fitsAddressRange(coff, name, start, paddedSize(*data))) return false;
  cRanges.emplace_back();
  cRanges.back().cStart = static_cast<uint32_t>(start);
  cRanges.back().cData = paddedCopy(*data);
  return true;
}

// With ranges: the section's contents are walked as 16-bit words; the pair at
// byte offset e lies at location s_paddr + e / bytesPerWord (a word address, or
// on byte-addressed memory the address of its first byte). Each stretch of
// selected pairs becomes a run of its own, at the byte address of its first
// pair; runs end with the section.
bool Coff2Hex::addSelectedRuns(const Coff& coff, const std::string& name,
                               uint32_t bytesPerWord, const std::vector<AddrRange>& ranges,
                               bool& anyRun) {
  const Data* data = contents(coff, name);
  if (!data) return true;
  const uint64_t paddr = coff.cScnHdr.at(name).s_paddr;
  const uint64_t size = paddedSize(*data);
  if (size > UINT32_MAX) return fitsAddressRange(coff, name, 0, size);
  const Data bytes = paddedCopy(*data);
  uint64_t runBegin = 0;
  bool open = false;
  for (uint64_t e = 0; e <= size; e += 2) {
    const uint64_t a = paddr + e / bytesPerWord;
    const bool selected =
        e < size && a <= UINT32_MAX && isInRanges(ranges, static_cast<uint32_t>(a));
    if (selected && !open) {
      open = true;
      runBegin = e;
    } else if (!selected && open) {
      open = false;
      anyRun = true;
      const uint64_t start = bytesPerWord * (paddr + runBegin / bytesPerWord);
      const uint64_t length = e - runBegin;
      if (!fitsAddressRange(coff, name, start, length)) return false;
      cRanges.emplace_back(static_cast<uint32_t>(start),
                           Data(static_cast<uint32_t>(length), bytes.bytes() + runBegin));
    }
  }
  return true;
}
