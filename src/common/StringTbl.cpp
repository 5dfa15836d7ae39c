#include "StringTbl.h"

#include <algorithm>
#include <stdexcept>

#include "Assert.h"

StringTbl::StringTbl(std::initializer_list<value_type> entries) {
  for (const auto& [offset, text] : entries) set(offset, text);
}

StringTbl::StringTbl(const StringTbl& other) : cOffsets(other.cOffsets), cEntries(other.cEntries) {}

StringTbl& StringTbl::operator=(const StringTbl& other) {
  if (this != &other) {
    dropIndex();
    cStretchStart.clear();
    cStretched = false;
    cOffsets = other.cOffsets;
    cEntries = other.cEntries;
  }
  return *this;
}

// A moved vector keeps its buffer, so the index's views stay valid with it.
StringTbl::StringTbl(StringTbl&& other) noexcept
    : cOffsets(std::move(other.cOffsets)),
      cEntries(std::move(other.cEntries)),
      cByText(std::move(other.cByText)),
      cIndexed(other.cIndexed),
      cStretchStart(std::move(other.cStretchStart)),
      cStretched(other.cStretched) {
  other.clear();
}

StringTbl& StringTbl::operator=(StringTbl&& other) noexcept {
  if (this != &other) {
    cOffsets = std::move(other.cOffsets);
    cEntries = std::move(other.cEntries);
    cByText = std::move(other.cByText);
    cIndexed = other.cIndexed;
    cStretchStart = std::move(other.cStretchStart);
    cStretched = other.cStretched;
    other.clear();
  }
  return *this;
}

bool StringTbl::dense() const {
  return cOffsets.size() >= kStretchMinEntries &&
         (cOffsets.back() >> kStretchBits) <= 4 * cOffsets.size();
}

void StringTbl::buildStretches() const {
  cStretchStart.clear();
  cStretchStart.reserve((cOffsets.back() >> kStretchBits) + 1);
  for (size_t i = 0; i < cOffsets.size(); ++i)
    while (cStretchStart.size() <= (cOffsets[i] >> kStretchBits))
      cStretchStart.push_back(static_cast<uint32_t>(i));
  cStretched = true;
}

// After an append: the stretches up to the new last entry's start at it.
void StringTbl::extendStretches() const {
  if (!dense()) {
    cStretchStart.clear();
    cStretched = false;
    return;
  }
  const auto last = static_cast<uint32_t>(cOffsets.size() - 1);
  while (cStretchStart.size() <= (cOffsets.back() >> kStretchBits)) cStretchStart.push_back(last);
}

size_t StringTbl::position(uint32_t offset) const {
  if (!cStretched && dense()) buildStretches();
  if (!cStretched)
    return static_cast<size_t>(std::lower_bound(cOffsets.begin(), cOffsets.end(), offset) -
                               cOffsets.begin());
  size_t stretch = offset >> kStretchBits;
  if (stretch >= cStretchStart.size()) return cOffsets.size();
  size_t i = cStretchStart[stretch];
  while (i < cOffsets.size() && cOffsets[i] < offset) ++i;
  return i;
}

StringTbl::const_iterator StringTbl::find(uint32_t offset) const {
  size_t i = position(offset);
  return i < cOffsets.size() && cOffsets[i] == offset ? begin() + i : end();
}

StringTbl::const_iterator StringTbl::upper_bound(uint32_t offset) const {
  return begin() + (std::upper_bound(cOffsets.begin(), cOffsets.end(), offset) - cOffsets.begin());
}

const std::string& StringTbl::at(uint32_t offset) const {
  auto it = find(offset);
  if (it == end()) throw std::out_of_range("StringTbl::at");
  return it->second;
}

void StringTbl::rebuildIndex() const {
  cByText.clear();
  cByText.reserve(cEntries.size());
  for (const auto& [offset, text] : cEntries) cByText.emplace(text, offset);  // keeps the lowest
  cIndexed = true;
}

void StringTbl::dropIndex() const {
  cByText.clear();
  cIndexed = false;
}

void StringTbl::pushBack(uint32_t offset, std::string text) {
  const value_type* before = cEntries.data();
  cOffsets.push_back(offset);
  cEntries.emplace_back(offset, std::move(text));
  if (cStretched) extendStretches();
  if (!cIndexed) return;
  if (cEntries.data() != before)
    dropIndex();
  else
    cByText.emplace(cEntries.back().second, offset);  // a lower offset of the same text stays
}

void StringTbl::set(uint32_t offset, std::string text) {
  ZV_ASSERT(offset != kAbsent);
  if (cOffsets.empty() || offset > cOffsets.back()) {
    pushBack(offset, std::move(text));
    return;
  }
  size_t i = position(offset);
  if (cOffsets[i] == offset) {
    if (cEntries[i].second == text) return;
    dropIndex();
    cEntries[i].second = std::move(text);
    return;
  }
  dropIndex();
  cStretched = false;
  cOffsets.insert(cOffsets.begin() + static_cast<std::ptrdiff_t>(i), offset);
  cEntries.emplace(cEntries.begin() + static_cast<std::ptrdiff_t>(i), offset, std::move(text));
}

StringTbl::size_type StringTbl::erase(uint32_t offset) {
  auto it = find(offset);
  if (it == end()) return 0;
  dropIndex();
  cStretched = false;
  auto i = it - begin();
  cOffsets.erase(cOffsets.begin() + i);
  cEntries.erase(cEntries.begin() + i);
  return 1;
}

void StringTbl::clear() {
  dropIndex();
  cStretchStart.clear();
  cStretched = false;
  cOffsets.clear();
  cEntries.clear();
}

uint32_t StringTbl::lowestOffset(std::string_view text) const {
  if (!cIndexed) rebuildIndex();
  auto it = cByText.find(text);
  return it != cByText.end() ? it->second : kAbsent;
}

uint32_t StringTbl::nextOffset() const {
  if (cEntries.empty()) return 4;
  const auto& [offset, text] = cEntries.back();
  return offset + static_cast<uint32_t>(text.size() + 1);
}

uint32_t StringTbl::append(std::string text) {
  uint32_t offset = nextOffset();
  pushBack(offset, std::move(text));
  return offset;
}

void StringTbl::reserve(size_t count) {
  if (count <= cEntries.capacity()) return;
  dropIndex();
  cOffsets.reserve(count);
  cEntries.reserve(count);
}
