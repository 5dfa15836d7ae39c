#include "InputNames.h"

#include <cstring>
#include <functional>

#include "Assert.h"
#include "TableCursor.h"
#include "ViewMap.h"

namespace {

constexpr size_t kMinSlots = 16;

uint32_t load32(const char* p) {
  uint32_t w;
  std::memcpy(&w, p, sizeof w);
  return w;
}

}  // namespace

InputNames::InputNames(std::initializer_list<std::string_view> fixed) : cFixed(fixed) {
  addFixed();
}

void InputNames::addFixed() {
  for (std::string_view name : cFixed) {
    restoreMap();
    intern(name, ViewMap<uint32_t>::hashOf(name), false);
  }
}

void InputNames::reserve(size_t names, size_t textBytes) {
  size_t slots = kMinSlots;
  while (slots / 2 < names) slots *= 2;
  if (slots > cSlots.size()) rehash(slots);
  cBlock.reserve(textBytes + kRecordHead * names);
}

void InputNames::addInput(const Coff& input) {
  restoreMap();
  const StringTbl& table = input.cStringTbl;
  cScratch.clear();
  for (const auto& [offset, text] : table) cScratch.push_back(ViewMap<uint32_t>::hashOf(text));
  std::vector<uint32_t>& ids = cTableIds.emplace_back();
  const size_t count = cScratch.size();
  ids.reserve(count);
  auto hashAt = [this](size_t i) { return cScratch[i]; };
  visitLoadingAhead(*this, count, hashAt, [&](size_t i) {
    ids.push_back(intern(table.begin()[i].second, cScratch[i], true));
  });
  std::vector<uint32_t>& symbols = cSymbolIds.emplace_back(input.cSymbols.size(), kNoId);
  TableCursor cursor(table);
  for (size_t i = 0; i < input.cSymbols.size(); ++i) {
    const syment& sym = input.cSymbols[i].sym;
    if (input.cAuxKinds[i] == AUX_NONE && (isExtDef(sym) || isExtRef(sym)))
      symbols[i] = idOf(ids, cursor, input, sym);
  }
}

inline uint32_t InputNames::idOf(const std::vector<uint32_t>& tableIds, TableCursor& cursor,
                                 const Coff& input, const syment& sym) {
  if (nameInStringTable(sym)) {
    const size_t k = cursor.indexOf(sym.n_offset());
    if (k < tableIds.size()) return tableIds[k];
  }
  return inlineIdOf(input, sym);
}

// An inline name; a table name that is missing is reported here.
uint32_t InputNames::inlineIdOf(const Coff& input, const syment& sym) {
  std::string_view name = Coff::nameView(sym, input.cStringTbl);
  return intern(name, ViewMap<uint32_t>::hashOf(name), false);
}

std::string_view InputNames::textAt(uint32_t record) const {
  const char* at = cBlock.data() + record;
  return std::string_view(at + kRecordHead, load32(at + 4));
}

bool InputNames::sameText(uint32_t record, std::string_view text) const {
  const char* at = cBlock.data() + record;
  return load32(at + 4) == text.size() && sameChars(at + kRecordHead, text.data(), text.size());
}

bool InputNames::inBlock(std::string_view text) const {
  const std::less<const char*> before;
  const char* begin = cBlock.data();
  return !cBlock.empty() && !before(text.data(), begin) &&
         before(text.data(), begin + cBlock.size());
}

uint32_t InputNames::idAt(uint32_t record) const { return load32(cBlock.data() + record); }

inline uint32_t InputNames::intern(std::string_view text, uint32_t hash, bool inTable) {
  if ((cUsed + 1) * 2 > cSlots.size()) rehash(cSlots.size() * 2);
  const size_t at = probe(text, hash);
  const uint32_t record = cSlots[at].record;
  if (record == kFree) return insert(at, text, hash, inTable);
  const uint32_t id = idAt(record);
  if (inTable) cFlags[id] |= kInTable;
  return id;
}

// A text new to the map, into free slot `at`.
uint32_t InputNames::insert(size_t at, std::string_view text, uint32_t hash, bool inTable) {
  const uint32_t id = static_cast<uint32_t>(cRecords.size());
  const size_t record = cBlock.size();
  // Offsets and ids are 32 bits wide, as the string table's offsets are.
  ZV_ASSERT(record + kRecordHead + text.size() < kFree);
  const uint32_t head[2] = {id, static_cast<uint32_t>(text.size())};
  // Growing the block moves its records, so `text` must not be one of them:
  // it is an input's string, a symbol entry's inline name or a fixed name.
  ZV_ASSERT(!inBlock(text));
  cBlock.resize(record + kRecordHead + text.size());
  std::memcpy(cBlock.data() + record, head, sizeof head);
  std::memcpy(cBlock.data() + record + kRecordHead, text.data(), text.size());
  cSlots[at] = Slot{hash, static_cast<uint32_t>(record)};
  ++cUsed;
  cRecords.push_back(static_cast<uint32_t>(record));
  cHashes.push_back(hash);
  const bool dotted = !text.empty() && text[0] == '.';
  cFlags.push_back(static_cast<uint8_t>((inTable ? kInTable : 0) | (dotted ? kDotted : 0)));
  return id;
}

// The slot that holds `text`, or the free slot where it would go.
inline size_t InputNames::probe(std::string_view text, uint32_t hash) const {
  const size_t mask = cSlots.size() - 1;
  for (size_t i = hash & mask;; i = (i + 1) & mask) {
    const Slot& s = cSlots[i];
    if (s.record == kFree || (s.hash == hash && sameText(s.record, text))) return i;
  }
}

void InputNames::prefetchHash(uint32_t hash) const {
  __builtin_prefetch(&cSlots[hash & (cSlots.size() - 1)]);
}

void InputNames::prefetchStoredKey(uint32_t hash) const {
  const Slot& s = cSlots[hash & (cSlots.size() - 1)];
  if (s.record != kFree) __builtin_prefetch(cBlock.data() + s.record);
}

void InputNames::rehash(size_t slots) {
  std::vector<Slot> old(slots, Slot{0, kFree});
  old.swap(cSlots);
  const size_t mask = slots - 1;
  for (const Slot& s : old) {
    if (s.record == kFree) continue;
    size_t i = s.hash & mask;
    while (cSlots[i].record != kFree) i = (i + 1) & mask;
    cSlots[i] = s;
  }
}

// After dropMap: the slots of the texts that have ids.
void InputNames::restoreMap() {
  if (!cSlots.empty()) return;
  size_t slots = kMinSlots;
  while (slots / 2 < cRecords.size() + 1) slots *= 2;
  cSlots.assign(slots, Slot{0, kFree});
  const size_t mask = slots - 1;
  for (uint32_t id = 0; id < cRecords.size(); ++id) {
    size_t i = cHashes[id] & mask;
    while (cSlots[i].record != kFree) i = (i + 1) & mask;
    cSlots[i] = Slot{cHashes[id], cRecords[id]};
  }
  cUsed = cRecords.size();
}

void InputNames::dropMap() {
  std::vector<Slot>().swap(cSlots);
  cUsed = 0;
}

void InputNames::releaseTexts() {
  dropMap();
  std::vector<char>().swap(cBlock);
  std::vector<uint32_t>().swap(cRecords);
  std::vector<uint32_t>().swap(cHashes);
  std::vector<std::vector<uint32_t>>().swap(cTableIds);
  std::vector<uint32_t>().swap(cScratch);
}

void InputNames::clear() {
  releaseTexts();
  std::vector<uint8_t>().swap(cFlags);
  std::vector<std::vector<uint32_t>>().swap(cSymbolIds);
  addFixed();
}
