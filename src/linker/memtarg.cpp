#include "memtarg.h"

#include <algorithm>
#include <cstdio>

#include "Assert.h"
#include "NameHint.h"
#include "ScnAddr.h"
#include "TextHelpers.h"

namespace {

constexpr uint64_t kLastLocation = UINT32_MAX;

const char* typeName(uint8_t type) { return type == rom ? "rom" : "ram"; }

// The first location at or after `start` that is a multiple of `alignment`;
// may lie past the last location of a 32-bit memory.
uint64_t alignUp(uint32_t start, uint32_t alignment) {
  uint32_t rest = start % alignment;
  return rest == 0 ? start : uint64_t(start) + alignment - rest;
}

// Bytes of `size` locations of `widthBits` bits; 0 while the width is unknown.
// The dumps use it, since they may run before the processor is known.
uint64_t dumpBytes(uint64_t size, uint16_t widthBits) { return size * ((widthBits + 7u) >> 3); }

// The dumps show the low 32 bits of a number in eight hex digits.
std::string hex8(uint64_t value) { return toHex(static_cast<uint32_t>(value), 4); }
// The error map shows the low 16 bits in four hex digits.
std::string hex4(uint64_t value) { return toHex(static_cast<uint32_t>(value), 2); }

void usageLine(std::ostream& os, const std::string& memory, const std::string& start,
               const std::string& end, const std::string& section, const std::string& address,
               const std::string& size) {
  auto pad = [](const std::string& text, size_t width) {
    return text.size() >= width ? text : std::string(width - text.size(), ' ') + text;
  };
  os << pad(memory, 10) << ' ' << pad(start, 10) << ' ' << pad(end, 10) << ' ' << pad(section, 20)
     << ' ' << pad(address, 10) << ' ' << pad(size, 10) << '\n';
}

}  // namespace

// --- Range ------------------------------------------------------------------

Range::Range(uint32_t start, uint64_t size, uint8_t type, uint16_t widthBits)
    : cStart(start), cSize(size), pc(start), type(type), cWidthBits(widthBits) {}

uint32_t Range::getEnd() const {
  ZV_ASSERT(cSize > 0);
  return static_cast<uint32_t>(cStart + cSize - 1);
}

uint16_t Range::getWidthBits() const {
  ZV_ASSERT(cWidthBits);
  return cWidthBits;
}

uint16_t Range::bytesPerLoc() const {
  ZV_ASSERT(cWidthBits);
  return static_cast<uint16_t>((cWidthBits + 7) >> 3);
}

uint64_t Range::sizeInBytes() const { return bytesPerLoc() * cSize; }

uint64_t Range::locs(uint64_t bytes) const {
  uint64_t perLoc = bytesPerLoc();
  return bytes / perLoc + (bytes % perLoc != 0 ? 1 : 0);
}

bool Range::canFit(uint64_t length, uint32_t alignment) const {
  ZV_ASSERT(alignment > 0);
  // Even an empty section needs an address inside the 32-bit space.
  if (length == 0) return alignUp(cStart, alignment) <= kLastLocation;
  uint64_t bytes = sizeInBytes();
  if (bytes == 0) return false;
  uint64_t padding = alignUp(cStart, alignment) - cStart;
  if (padding > bytes) return false;
  return bytes - padding >= length;
}

bool Range::canFitAt(uint32_t start, uint64_t length) const {
  if (length == 0) return true;
  if (cSize == 0 || start < cStart) return false;
  return uint64_t(start) + locs(length) - 1 <= getEnd();
}

void Range::allocate(const std::string& name, uint32_t start, uint64_t length,
                     std::vector<Range>& pieces, bool overlay) {
  ZV_ASSERT(!isAllocated());
  ZV_ASSERT(canFitAt(start, length));
  allocName = name;
  isOverlay = overlay;
  if (length == 0) {
    // The hole stays free in full; the empty section only takes an address.
    pieces.emplace_back(cStart, cSize, type, cWidthBits);
    cStart = start;
    pc = start;
    cSize = 0;
    return;
  }
  uint32_t oldStart = cStart;
  uint64_t oldEnd = getEnd();
  uint64_t n = locs(length);
  cStart = start;
  pc = start;
  cSize = n;
  if (start != oldStart)
    pieces.emplace_back(oldStart, uint64_t(start) - oldStart, type, cWidthBits);
  uint64_t after = uint64_t(start) + n;
  if (after != oldEnd + 1)
    pieces.emplace_back(static_cast<uint32_t>(after), oldEnd - after + 1, type, cWidthBits);
}

bool Range::isLoaded(FileKey file) const { return cFileStart.count(file) != 0; }

void Range::loadAppend(FileKey file, const std::string& fileName, uint64_t length) {
  ZV_ASSERT(isAllocated());
  ZV_ASSERT(!isLoaded(file));
  if (length != 0) ZV_ASSERT(!loadComplete());
  cFiles.push_back(file);
  cFileNames.push_back(fileName);
  cFileStart[file] = static_cast<uint32_t>(pc);
  cFileSize[file] = length;
  if (cSize == 0) {
    if (!isOverlay) cComplete = true;
    return;
  }
  uint64_t newPc = pc + locs(length);
  ZV_ASSERT(newPc <= (uint64_t(getEnd()) + 1));
  if (isOverlay) return;  // every part starts at cStart
  pc = newPc;
  if (pc > getEnd()) cComplete = true;
}

void Range::load(FileKey file, const std::string& fileName, uint32_t start, uint64_t length) {
  ZV_ASSERT(isAllocated());
  ZV_ASSERT(!isLoaded(file));
  ZV_ASSERT(!loadComplete());
  ZV_ASSERT(start == cStart);
  if (!isOverlay) ZV_ASSERT(locs(length) == cSize);
  cFiles.push_back(file);
  cFileNames.push_back(fileName);
  cFileStart[file] = cStart;
  cFileSize[file] = length;
  if (isOverlay) return;
  cComplete = true;
  if (cSize != 0) pc = uint64_t(getEnd()) + 1;
}

uint32_t Range::getFileStart(FileKey file) const {
  ZV_ASSERT(isLoaded(file));
  return cFileStart.at(file);
}

uint64_t Range::getFileSize(FileKey file) const {
  ZV_ASSERT(isLoaded(file));
  return cFileSize.at(file);
}

void Range::print(std::ostream& os) const {
  os << "Range:   allocName=" << allocName << " start=" << hex8(cStart)
     << " size=" << hex8(dumpBytes(cSize, cWidthBits));
  if (cSize != 0) os << " end=" << hex8(getEnd());
  os << " pc=" << hex8(pc) << " type=" << typeName(type) << " isOverlay=" << int(isOverlay) << '\n';
  for (size_t i = 0; i < cFiles.size(); ++i) {
    uint32_t fileStart = cFileStart.at(cFiles[i]);
    uint64_t fileSize = cFileSize.at(cFiles[i]);
    os << std::string(20, ' ') << "Loaded Section: file=" << cFileNames[i]
       << " start=" << hex8(fileStart) << " size=" << hex8(fileSize);
    if (cSize != 0 && fileSize != 0) os << " end=" << hex8(fileStart + locs(fileSize) - 1);
    os << '\n';
  }
}

// --- Memory -----------------------------------------------------------------

Memory::Memory() { cUnallocated.emplace_back(0, 1, ram, 0); }

Memory::Memory(const std::string& name, uint32_t start, uint32_t end, uint8_t type,
               bool isProtected, bool hasFill, const std::string& fill)
    : name(name),
      type(type),
      cProtected(isProtected),
      cHasFill(hasFill),
      fill(fill),
      start(start),
      end(end) {
  // A memory that ends before it starts is refused by the Linker; it keeps an
  // empty range here so that nothing wraps.
  cUnallocated.emplace_back(start, start <= end ? getSize() : 0, type, 0);
}

bool Memory::overlaps(const Memory& other) const {
  return std::max(start, other.start) <= std::min(end, other.end);
}

void Memory::setWidthBits(uint16_t bits) {
  for (Range& hole : cUnallocated) hole.setWidthBits(bits);
}

bool Memory::isAllocated(const std::string& secName) const {
  auto it = cAllocated.find(secName);
  return it != cAllocated.end() && it->second.isAllocated();
}

bool Memory::isLoaded(FileKey file, const std::string& secName) const {
  auto it = cAllocated.find(secName);
  return it != cAllocated.end() && it->second.isLoaded(file);
}

bool Memory::canFit(uint64_t length, uint32_t alignment) const {
  return std::any_of(cUnallocated.begin(), cUnallocated.end(),
                     [&](const Range& hole) { return hole.canFit(length, alignment); });
}

bool Memory::canFitAt(uint32_t at, uint64_t length) const {
  return std::any_of(cUnallocated.begin(), cUnallocated.end(),
                     [&](const Range& hole) { return hole.canFitAt(at, length); });
}

void Memory::sortHoles() {
  std::stable_sort(cUnallocated.begin(), cUnallocated.end(), [](const Range& a, const Range& b) {
    return a.sizeInBytes() < b.sizeInBytes();
  });
}

void Memory::place(const std::string& secName, size_t hole, uint32_t at, uint64_t length,
                   bool overlay) {
  Range range = std::move(cUnallocated[hole]);
  cUnallocated.erase(cUnallocated.begin() + static_cast<std::ptrdiff_t>(hole));
  std::vector<Range> pieces;
  range.allocate(secName, at, length, pieces, overlay);
  setLast(cAllocated, secName, std::move(range));
  for (Range& piece : pieces) cUnallocated.push_back(std::move(piece));
}

void Memory::allocateRel(const std::string& secName, uint64_t length, bool overlay,
                         uint32_t alignment) {
  ZV_ASSERT(!isAllocated(secName));
  ZV_ASSERT(canFit(length,alignment));
  sortHoles();
  bool found = false;
  for (size_t i = 0; i < cUnallocated.size() && !found; ++i) {
    if (!cUnallocated[i].canFit(length, alignment)) continue;
    found = true;
    auto at = static_cast<uint32_t>(alignUp(cUnallocated[i].getStart(), alignment));
    place(secName, i, at, length, overlay);
  }
  ZV_ASSERT(found);
}

void Memory::allocateAbs(const std::string& secName, uint32_t at, uint64_t length, bool overlay) {
  ZV_ASSERT(!isAllocated(secName));
  ZV_ASSERT(canFitAt(at,length));
  sortHoles();
  bool found = false;
  for (size_t i = 0; i < cUnallocated.size() && !found; ++i) {
    if (!cUnallocated[i].canFitAt(at, length)) continue;
    found = true;
    place(secName, i, at, length, overlay);
  }
  ZV_ASSERT(found);
}

void Memory::loadSectionAppend(FileKey file, const std::string& fileName,
                               const std::string& secName, uint64_t length) {
  ZV_ASSERT(isAllocated(secName));
  ZV_ASSERT(!isLoaded(file,secName));
  cAllocated.at(secName).loadAppend(file, fileName, length);
}

void Memory::loadSection(FileKey file, const std::string& fileName, const std::string& secName,
                         uint32_t at, uint64_t length) {
  ZV_ASSERT(isAllocated(secName));
  ZV_ASSERT(!isLoaded(file,secName));
  cAllocated.at(secName).load(file, fileName, at, length);
}

uint32_t Memory::getScnStart(const std::string& secName) const {
  ZV_ASSERT(isAllocated(secName));
  return cAllocated.at(secName).getStart();
}

uint64_t Memory::getScnSize(const std::string& secName) const {
  ZV_ASSERT(isAllocated(secName));
  return cAllocated.at(secName).sizeInBytes();
}

uint32_t Memory::getFileStart(FileKey file, const std::string& secName) const {
  ZV_ASSERT(isLoaded(file,secName));
  return cAllocated.at(secName).getFileStart(file);
}

uint64_t Memory::getFileSize(FileKey file, const std::string& secName) const {
  ZV_ASSERT(isLoaded(file,secName));
  return cAllocated.at(secName).getFileSize(file);
}

bool Memory::loadComplete() const {
  return std::all_of(cAllocated.begin(), cAllocated.end(),
                     [](const auto& entry) { return entry.second.loadComplete(); });
}

uint64_t Memory::largestHole() const {
  uint64_t largest = 0;
  for (const Range& hole : cUnallocated) largest = std::max(largest, hole.sizeInBytes());
  return largest;
}

void Memory::walkHoles(HoleCallback callback, void* user) const {
  if (!cHasFill) return;
  for (const Range& hole : cUnallocated)
    callback(user, *this, hole.getStart(), hole.getEnd(), fill);
}

void Memory::print(std::ostream& os) const {
  const std::string indent(10, ' ');
  os << "Memory: name=" << name << " start=" << hex8(start) << " end=" << hex8(end)
     << " type=" << typeName(type) << " protected=" << int(cProtected)
     << " hasFill=" << int(cHasFill) << " fill=" << fill << '\n';
  os << indent << "---Allocated Ranges--- " << '\n';
  for (const auto& entry : cAllocated) {
    os << indent;
    entry.second.print(os);
  }
  os << indent << "---Unallocated Ranges--- " << '\n';
  for (const Range& hole : cUnallocated) {
    os << indent;
    hole.print(os);
  }
}

void Memory::printUsage(std::ostream& os, bool header) const {
  std::vector<ScnAddr> sections;
  sections.reserve(cAllocated.size());
  // Only ranges that hold a section (a named one) have a usage line.
  for (const auto& entry : cAllocated)
    if (entry.second.isAllocated()) sections.emplace_back(entry.first, entry.second.getStart());
  std::stable_sort(sections.begin(), sections.end());
  if (header) {
    usageLine(os, "Memory", "Start", "End", "Section", "Address", "Size(Bytes)");
    const std::string rule = "---------";
    usageLine(os, rule, rule, rule, rule, rule, rule);
  }
  if (sections.empty()) {
    usageLine(os, name, hex4(start), hex4(end), "", "", "");
  }
  bool first = true;
  for (const ScnAddr& section : sections) {
    usageLine(os, first ? name : "", first ? hex4(start) : "", first ? hex4(end) : "", section.name,
              hex4(section.address), hex4(getScnSize(section.name)));
    first = false;
  }
  os << '\n';
}
