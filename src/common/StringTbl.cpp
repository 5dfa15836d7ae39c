#include "StringTbl.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "Assert.h"

StringTbl::StringTbl(std::initializer_list<value_type> entries) {
  for (const auto& [offset, text] : entries) set(offset, text);
}

StringTbl::StringTbl(const StringTbl& other) { copyFrom(other); }

StringTbl& StringTbl::operator=(const StringTbl& other) {
  if (this != &other) {
    clear();
    copyFrom(other);
  }
  return *this;
}

// The copy holds every text in one block of its own.
void StringTbl::copyFrom(const StringTbl& other) {
  size_t bytes = 0;
  for (const Entry& e : other.cEntries) bytes += e.length;
  reserve(other.cEntries.size(), bytes);
  for (const Entry& e : other.cEntries)
    cEntries.push_back(Entry{e.offset, e.length, store(std::string_view(e.text, e.length))});
}

// Moved vectors keep their buffers and the blocks stay where they are, so the
// entries' texts and the index's views stay valid with them.
StringTbl::StringTbl(StringTbl&& other) noexcept
    : cEntries(std::move(other.cEntries)),
      cBlocks(std::move(other.cBlocks)),
      cLastBlock(other.cLastBlock),
      cFree(other.cFree),
      cRoom(other.cRoom),
      cByText(std::move(other.cByText)),
      cIndexed(other.cIndexed),
      cStretchStart(std::move(other.cStretchStart)),
      cStretched(other.cStretched) {
  other.clear();
}

StringTbl& StringTbl::operator=(StringTbl&& other) noexcept {
  if (this != &other) {
    cEntries = std::move(other.cEntries);
    cBlocks = std::move(other.cBlocks);
    cLastBlock = other.cLastBlock;
    cFree = other.cFree;
    cRoom = other.cRoom;
    cByText = std::move(other.cByText);
    cIndexed = other.cIndexed;
    cStretchStart = std::move(other.cStretchStart);
    cStretched = other.cStretched;
    other.clear();
  }
  return *this;
}

bool operator==(const StringTbl& a, const StringTbl& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.cEntries.size(); ++i) {
    const StringTbl::Entry& x = a.cEntries[i];
    const StringTbl::Entry& y = b.cEntries[i];
    if (x.offset != y.offset ||
        std::string_view(x.text, x.length) != std::string_view(y.text, y.length))
      return false;
  }
  return true;
}

// A block's bytes are written before they are read, so they are not zeroed.
void StringTbl::newBlock(size_t bytes) {
  cBlocks.push_back(std::unique_ptr<char[]>(new char[bytes]));
  cLastBlock = bytes;
  cFree = cBlocks.back().get();
  cRoom = bytes;
}

const char* StringTbl::store(std::string_view text) {
  if (text.size() > cRoom)
    newBlock(std::max(text.size(), std::min(std::max(2 * cLastBlock, kFirstBlock), kLargestBlock)));
  char* at = cFree;
  if (!text.empty()) std::memcpy(at, text.data(), text.size());
  cFree += text.size();
  cRoom -= text.size();
  return at;
}

bool StringTbl::dense() const {
  return cEntries.size() >= kStretchMinEntries &&
         (cEntries.back().offset >> kStretchBits) <= 4 * cEntries.size();
}

void StringTbl::buildStretches() const {
  cStretchStart.assign((cEntries.back().offset >> kStretchBits) + 1, 0);
  size_t stretch = 0;
  for (size_t i = 0; i < cEntries.size(); ++i)
    for (size_t last = cEntries[i].offset >> kStretchBits; stretch <= last; ++stretch)
      cStretchStart[stretch] = static_cast<uint32_t>(i);
  cStretched = true;
}

// After an append: the stretches up to the new last entry's start at it.
void StringTbl::extendStretches() const {
  if (!dense()) {
    cStretchStart.clear();
    cStretched = false;
    return;
  }
  const auto last = static_cast<uint32_t>(cEntries.size() - 1);
  while (cStretchStart.size() <= (cEntries.back().offset >> kStretchBits))
    cStretchStart.push_back(last);
}

// Builds the stretch table first where the table has become large and dense.
size_t StringTbl::searchPosition(uint32_t offset) const {
  if (dense()) {
    buildStretches();
    return position(offset);
  }
  return static_cast<size_t>(
      std::lower_bound(cEntries.begin(), cEntries.end(), offset,
                       [](const Entry& e, uint32_t key) { return e.offset < key; }) -
      cEntries.begin());
}

StringTbl::const_iterator StringTbl::upper_bound(uint32_t offset) const {
  return begin() + (std::upper_bound(cEntries.begin(), cEntries.end(), offset,
                                     [](uint32_t key, const Entry& e) { return key < e.offset; }) -
                    cEntries.begin());
}

std::string_view StringTbl::at(uint32_t offset) const {
  auto it = find(offset);
  if (it == end()) throw std::out_of_range("StringTbl::at");
  return it->second;
}

void StringTbl::rebuildIndex() const {
  cByText.clear();
  cByText.reserve(cEntries.size());
  for (const Entry& e : cEntries)
    cByText.emplace(std::string_view(e.text, e.length), e.offset);  // keeps the lowest
  cIndexed = true;
}

void StringTbl::dropIndex() const {
  cByText.clear();
  cIndexed = false;
}

void StringTbl::pushBackGrowing(uint32_t offset, std::string_view text) {
  cEntries.push_back(Entry{offset, static_cast<uint32_t>(text.size()), store(text)});
  if (cStretched) extendStretches();
  if (cIndexed)  // a lower offset of the same text stays
    cByText.emplace(std::string_view(cEntries.back().text, text.size()), offset);
}

void StringTbl::setBelow(uint32_t offset, std::string_view text) {
  ZV_ASSERT(offset != kAbsent);
  size_t i = position(offset);
  Entry entry{offset, static_cast<uint32_t>(text.size()), nullptr};
  if (cEntries[i].offset == offset) {
    if (std::string_view(cEntries[i].text, cEntries[i].length) == text) return;
    dropIndex();
    entry.text = store(text);  // the old text's bytes stay unused until clear
    cEntries[i] = entry;
    return;
  }
  dropIndex();
  cStretched = false;
  entry.text = store(text);
  cEntries.insert(cEntries.begin() + static_cast<std::ptrdiff_t>(i), entry);
}

StringTbl::size_type StringTbl::erase(uint32_t offset) {
  auto it = find(offset);
  if (it == end()) return 0;
  dropIndex();
  cStretched = false;
  cEntries.erase(cEntries.begin() + (it - begin()));
  return 1;
}

void StringTbl::clear() {
  dropIndex();
  cStretchStart.clear();
  cStretched = false;
  cEntries.clear();
  cBlocks.clear();
  cLastBlock = 0;
  cFree = nullptr;
  cRoom = 0;
}

uint32_t StringTbl::lowestOffset(std::string_view text) const {
  if (!cIndexed) rebuildIndex();
  auto it = cByText.find(text);
  return it != cByText.end() ? it->second : kAbsent;
}

uint32_t StringTbl::nextOffset() const {
  if (cEntries.empty()) return 4;
  const Entry& last = cEntries.back();
  return last.offset + last.length + 1;
}

uint32_t StringTbl::append(std::string_view text) {
  uint32_t offset = nextOffset();
  pushBack(offset, text);
  return offset;
}

// Each string is found once; the records are then sized once and the texts
// copied into one block without their NULs. The copy moves 16 bytes at a
// time where it reads inside the table's bytes and writes inside the block:
// a stretch that runs past a string's end lands where the next string goes.
size_t StringTbl::loadPacked(std::string_view bytes) {
  ZV_ASSERT(cEntries.empty());
  const size_t size = bytes.size();
  std::vector<uint32_t> ends;  // the position of each string's NUL
  ends.reserve(size / 8 + 1);
  size_t pos = 0;
  while (pos < size) {
    const void* nul = std::memchr(bytes.data() + pos, 0, size - pos);
    if (!nul) break;
    const auto end = static_cast<size_t>(static_cast<const char*>(nul) - bytes.data());
    if (end == pos) break;
    ends.push_back(static_cast<uint32_t>(end));
    pos = end + 1;
  }
  if (ends.empty()) return 0;
  constexpr size_t kStride = 16;
  const size_t textBytes = pos - ends.size();
  reserve(ends.size(), textBytes);
  char* out = cFree;
  const char* const outEnd = cFree + textBytes;
  size_t start = 0;
  for (uint32_t end : ends) {
    const size_t length = end - start;
    cEntries.push_back(Entry{static_cast<uint32_t>(start + 4), static_cast<uint32_t>(length), out});
    for (size_t k = 0; k < length; k += kStride) {
      const size_t from = start + k;
      if (size - from >= kStride && outEnd - (out + k) >= static_cast<std::ptrdiff_t>(kStride))
        std::memcpy(out + k, bytes.data() + from, kStride);
      else
        std::memcpy(out + k, bytes.data() + from, std::min(kStride, length - k));
    }
    out += length;
    start = end + 1;
  }
  cFree = out;
  cRoom -= textBytes;
  return pos;
}

void StringTbl::reserve(size_t count, size_t textBytes) {
  if (count > cEntries.capacity()) cEntries.reserve(count);
  if (textBytes > cRoom) newBlock(textBytes);
}
