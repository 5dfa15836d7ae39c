#include "StringTbl.h"

#include "Assert.h"

StringTbl::StringTbl(std::initializer_list<value_type> entries) {
  for (const auto& [offset, text] : entries) set(offset, text);
}

StringTbl::StringTbl(const StringTbl& other) : cByOffset(other.cByOffset) {}

StringTbl& StringTbl::operator=(const StringTbl& other) {
  if (this != &other) {
    dropIndex();
    cByOffset = other.cByOffset;
  }
  return *this;
}

void StringTbl::rebuildIndex() const {
  cByText.clear();
  for (const auto& [offset, text] : cByOffset) cByText.emplace(text, offset);
  cIndexed = true;
}

void StringTbl::dropIndex() {
  cByText.clear();
  cIndexed = false;
}

void StringTbl::set(uint32_t offset, std::string text) {
  ZV_ASSERT(offset != kAbsent);
  auto [it, added] = cByOffset.try_emplace(offset);
  if (!added) {
    if (it->second == text) return;
    if (cIndexed) cByText.erase({it->second, offset});
  }
  it->second = std::move(text);
  if (cIndexed) cByText.emplace(it->second, offset);
}

StringTbl::size_type StringTbl::erase(uint32_t offset) {
  auto it = cByOffset.find(offset);
  if (it == cByOffset.end()) return 0;
  if (cIndexed) cByText.erase({it->second, offset});
  cByOffset.erase(it);
  return 1;
}

void StringTbl::clear() {
  dropIndex();
  cByOffset.clear();
}

uint32_t StringTbl::lowestOffset(std::string_view text) const {
  if (!cIndexed) rebuildIndex();
  auto it = cByText.lower_bound({text, 0});
  return it != cByText.end() && it->first == text ? it->second : kAbsent;
}

uint32_t StringTbl::nextOffset() const {
  if (cByOffset.empty()) return 4;
  const auto& [offset, text] = *cByOffset.rbegin();
  return offset + static_cast<uint32_t>(text.size() + 1);
}

uint32_t StringTbl::append(std::string text) {
  uint32_t offset = nextOffset();
  auto it = cByOffset.emplace_hint(cByOffset.end(), offset, std::move(text));
  if (cIndexed) cByText.emplace_hint(cByText.end(), it->second, offset);
  return offset;
}
