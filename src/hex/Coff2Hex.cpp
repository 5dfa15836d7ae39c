#include "Coff2Hex.h"

#include <algorithm>
#include <set>

#include "FileSpec.h"
#include "ProgramMemory.h"
#include "Reporter.h"
#include "TextHelpers.h"

namespace {

const char kOrigin[] = "Coff2Hex::convert()";

// Every byte of a run must have a 32-bit address, the reach of the HEX formats.
bool fitsAddressRange(const Coff& coff, const std::string& name, uint64_t start, uint64_t size) {
  if (start + size <= 0x100000000ull && size <= UINT32_MAX) return true;
  reportError(kOrigin, "Coff file '" + coff.cCoffName + "', section '" + name +
                           "' lies beyond the 32-bit address range.");
  return false;
}

// An odd last byte is completed to a word with a byte 0, unless the byte after
// it belongs to another section, whose own byte is written there instead.
uint32_t paddingAfter(const Data& d, uint64_t start, const ProgramMemory& memory) {
  return d.size() % 2 && !memory.holds(start + d.size()) ? 1 : 0;
}

}  // namespace

Hex* Coff2Hex::convert(const Coff& coff, const std::vector<AddrRange>& ranges) {
  // Bytes per program-memory location: 2 for word memories, 1 for byte memory.
  const uint32_t widthBits = coff.cOptHdr.rom_width_bits;
  if (widthBits == 0 || widthBits > 16) {
    reportError(kOrigin, "Coff file '" + coff.cCoffName +
                             "' has an unsupported program memory width of " +
                             std::to_string(widthBits) + " bits.");
    return nullptr;
  }
  const uint32_t bytesPerWord = (widthBits + 7) / 8;
  const ProgramMemory memory(coff, bytesPerWord);

  // Code and romdata sections in ascending name order.
  bool anyRun = false;
  for (const auto& [name, hdr] : coff.cScnHdr) {
    if (!isProgramMemory(hdr)) continue;
    const bool ok = ranges.empty()
                        ? addWholeSection(coff, name, bytesPerWord, memory)
                        : addSelectedRuns(coff, name, bytesPerWord, memory, ranges, anyRun);
    if (!ok) return nullptr;
  }
  if (!ranges.empty() && !anyRun) return nullptr;

  // The files go to the current directory, whatever the input's directory.
  cFileBaseName = FileSpec(coff.cCoffName).baseName();
  return this;
}

// Without ranges: the whole section as one run at its byte address.
bool Coff2Hex::addWholeSection(const Coff& coff, const std::string& name, uint32_t bytesPerWord,
                               const ProgramMemory& memory) {
  const Data* data = programContents(coff, name);
  if (!data) return true;
  const uint64_t start = uint64_t(bytesPerWord) * coff.cScnHdr.at(name).s_paddr;
  const uint32_t padding = paddingAfter(*data, start, memory);
  if (!fitsAddressRange(coff, name, start, uint64_t(data->size()) + padding)) return false;
  cRanges.emplace_back(static_cast<uint32_t>(start), data->bytes(), data->size(), padding, name);
  return true;
}

// With ranges: the section's contents are walked as 16-bit words; the pair at
// byte offset e lies at location s_paddr + e / bytesPerWord (a word address, or
// on byte-addressed memory the address of its first byte). Each stretch of
// selected pairs becomes a run of its own, at the byte address of its first
// pair; runs end with the section.
bool Coff2Hex::addSelectedRuns(const Coff& coff, const std::string& name, uint32_t bytesPerWord,
                               const ProgramMemory& memory, const std::vector<AddrRange>& ranges,
                               bool& anyRun) {
  const Data* data = programContents(coff, name);
  if (!data) return true;
  const uint64_t paddr = coff.cScnHdr.at(name).s_paddr;
  const uint64_t stored = data->size();
  const uint64_t size = stored + stored % 2;  // walked in whole pairs
  if (size > UINT32_MAX) return fitsAddressRange(coff, name, 0, size);
  const uint64_t end = stored + paddingAfter(*data, bytesPerWord * paddr, memory);
  uint64_t runBegin = 0;
  bool open = false;
  for (uint64_t e = 0; e <= size; e += 2) {
    const uint64_t a = paddr + e / bytesPerWord;
    const bool selected = e < size && a <= UINT32_MAX &&
                          isInRanges(ranges, static_cast<uint32_t>(a));
    if (selected && !open) {
      open = true;
      runBegin = e;
    } else if (!selected && open) {
      open = false;
      anyRun = true;
      const uint64_t start = bytesPerWord * (paddr + runBegin / bytesPerWord);
      const uint64_t length = std::min(e, end) - runBegin;
      if (!fitsAddressRange(coff, name, start, length)) return false;
      const uint64_t count = std::min(e, stored) - runBegin;
      cRanges.emplace_back(static_cast<uint32_t>(start), data->bytes() + runBegin,
                           static_cast<uint32_t>(count), static_cast<uint32_t>(length - count),
                           name);
    }
  }
  return true;
}

bool Coff2Hex::suitsFormat(const Coff& coff, HexFormat format) const {
  if (format != INHX8S) return true;
  std::set<std::string> reported;
  for (const HexRange& r : cRanges) {
    if (r.cStart % 2 == 0 || !reported.insert(r.cSection).second) continue;
    reportError("Coff2Hex::suitsFormat()",
                "Coff file '" + coff.cCoffName + "', section '" + r.cSection +
                    "' starts at the odd byte address " + toHex(r.cStart, 4) +
                    ", which INHX8S cannot split into 16-bit words; use INHX32 or INHX8M "
                    "format!");
  }
  return reported.empty();
}
