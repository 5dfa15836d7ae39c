#include "ExtSymIndex.h"

#include <utility>

#include "Coff.h"

void ExtSymIndex::index(const StringTbl& strings) {
  const uint32_t end = strings.nextOffset();
  cTextNamed.assign(end / 64 + 1, 0);
  for (const auto& [offset, text] : strings)
    if (text.size() <= 8 || text[0] == '.') cTextNamed[offset / 64] |= uint64_t(1) << (offset % 64);
}

void ExtSymIndex::reserve(size_t definitions) {
  while (cSlots.size() / 2 < definitions) grow();
  cByText.reserve(definitions / 16);
}

bool ExtSymIndex::byOffset(const syment& sym) const {
  if (!nameInStringTable(sym)) return false;
  const uint32_t offset = sym.n_offset();
  const size_t word = offset / 64;
  return word < cTextNamed.size() && !(cTextNamed[word] >> (offset % 64) & 1);
}

bool ExtSymIndex::define(const syment& sym, const StringTbl& strings, uint32_t value) {
  if (!byOffset(sym)) return cByText.tryEmplace(Coff::nameView(sym, strings), value).second;
  if ((cUsed + 1) * 2 > cSlots.size()) grow();
  Slot& slot = cSlots[probe(sym.n_offset())];
  if (slot.offset != 0) return false;
  slot = Slot{sym.n_offset(), value};
  ++cUsed;
  return true;
}

const uint32_t* ExtSymIndex::findByOffset(const syment& sym) const {
  if (!byOffset(sym)) return nullptr;
  const Slot& slot = cSlots[probe(sym.n_offset())];
  return slot.offset != 0 ? &slot.value : nullptr;
}

void ExtSymIndex::clear() {
  std::vector<uint64_t>().swap(cTextNamed);
  std::vector<Slot>(16).swap(cSlots);
  cUsed = 0;
  cByText.clear();
}

// The slot holding `offset`, or the free slot where it would go. Offsets of
// one table are spread by a multiply; the upper half picks the home slot.
size_t ExtSymIndex::probe(uint32_t offset) const {
  const size_t mask = cSlots.size() - 1;
  for (size_t i = (uint64_t(offset) * 0x9E3779B97F4A7C15u) >> 32 & mask;; i = (i + 1) & mask) {
    const Slot& slot = cSlots[i];
    if (slot.offset == 0 || slot.offset == offset) return i;
  }
}

void ExtSymIndex::grow() {
  std::vector<Slot> old(cSlots.size() * 2);
  old.swap(cSlots);
  for (const Slot& slot : old)
    if (slot.offset != 0) cSlots[probe(slot.offset)] = slot;
}
