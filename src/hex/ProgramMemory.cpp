#include "ProgramMemory.h"

#include <algorithm>

const Data* programContents(const Coff& coff, const std::string& name) {
  auto it = coff.cRawData.find(name);
  return it == coff.cRawData.end() || it->second.size() == 0 ? nullptr : &it->second;
}

ProgramMemory::ProgramMemory(const Coff& coff, uint32_t bytesPerWord) {
  for (const auto& [name, hdr] : coff.cScnHdr) {
    const Data* data = isProgramMemory(hdr) ? programContents(coff, name) : nullptr;
    if (!data) continue;
    const uint64_t begin = uint64_t(bytesPerWord) * hdr.s_paddr;
    cSpans.push_back({begin, begin + data->size()});
  }
  std::sort(cSpans.begin(), cSpans.end());
  uint64_t reach = 0;
  for (const Span& s : cSpans) {
    reach = std::max(reach, s.end);
    cReach.push_back(reach);
  }
}

bool ProgramMemory::holds(uint64_t address) const {
  // The last span that begins at or below the address, and every one before
  // it: one of them holds the address when the farthest end lies beyond it.
  auto after = std::upper_bound(cSpans.begin(), cSpans.end(), Span{address, 0});
  if (after == cSpans.begin()) return false;
  return cReach[static_cast<size_t>(after - cSpans.begin()) - 1] > address;
}
