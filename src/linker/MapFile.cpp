// The map file of a finished link, and the error map written after section
// allocation. A map reads like this (the banner line first):
//
//   Linker Map File - Created Thu Dec 10 10:20:55 2026
//
//                                    Section Info
//                     Section       Type    Address   Location Size(Bytes)
//                   ---------  ---------  ---------  ---------  ---------
//                       .code       code   0x000000    program   0x000020
//                        .lib       code   0x000100    program   0x000003
//                        .bss      udata   0x000020       data   0x000004
//
//
//
//                                 Program Memory Usage
//                                  Start         End
//                              ---------   ---------
//                               0x000000    0x00000f
//                               0x000100    0x000101
//               18 out of 8192 program addresses used, program memory utilization is 0%
//
//
//
//                                 Symbols - Sorted by Name
//                        Name    Address   Location    Storage File
//                   ---------  ---------  ---------  --------- ---------
//                        main   0x000000    program     extern main.c
//                     counter   0x000020       data     extern main.c
//
// then the same rows sorted by address. The error map holds the usage of
// every declared memory as far as sections were placed:
//
//   Linker Error Map File - Created Thu Dec 10 10:20:55 2026
//
//   *Warning* - This is only a partial map file due to a link time error.
//      Only sections which were allocated prior to the error are shown below.
//
//   CODEPAGES:
//       Memory      Start        End              Section    Address Size(Bytes)
//    ---------  ---------  ---------            ---------  ---------  ---------
//        page0     0x0000     0x07ff               .cinit     0x0000     0x0002
//                                                   .code     0x0010     0x0020
#include "MapFile.h"

#include <algorithm>
#include <cstring>
#include <ctime>
#include <iostream>
#include <sstream>
#include <string_view>
#include <utility>
#include <vector>

#include "Banner.h"
#include "Descriptors.h"
#include "NameKey.h"
#include "Reporter.h"
#include "TextHelpers.h"
#include "TextWriter.h"
#include "Trace.h"
#include "linker.h"
#include "mgproc.h"

namespace {

using Rows = std::vector<SectionInfo>;

const char* const kDashes = "---------";
// Table rows go to the writer in chunks of about this size.
constexpr size_t kChunkSize = size_t(1) << 17;

std::string_view wordOf(uint8_t code, std::initializer_list<std::string_view> words) {
  return code < words.size() ? *(words.begin() + code) : std::string_view();
}
std::string_view scnTypeWord(uint8_t type) {
  return wordOf(type, {"unknown", "code", "idata", "udata", "romdata"});
}
std::string_view locationWord(uint8_t location) { return wordOf(location, {"program", "data"}); }
std::string_view storageWord(uint8_t storageClass) {
  return wordOf(storageClass, {"extern", "static"});
}
std::string_view kindWord(uint8_t kind) { return wordOf(kind, {"function", "variable"}); }

std::string nowText() { return localTimeText(static_cast<uint32_t>(std::time(nullptr))) + "\n"; }

std::string hex3(uint32_t value) { return toHex(value, 3); }

// Table rows formatted straight into a chunk that goes to the file whole (a
// chunk as large as this passes the writer's own buffer): the symbol tables of
// a large link hold hundreds of thousands of rows. A row asks for room for its
// longest text first, and its columns are then copied in without checks.
class RowText {
 public:
  explicit RowText(TextWriter& out) : cOut(out), cChunk(kChunkSize) {}
  ~RowText() { flush(); }
  RowText(const RowText&) = delete;
  RowText& operator=(const RowText&) = delete;

  // Where the next `count` bytes go; the row's end is handed to endRow.
  char* room(size_t count) {
    if (cUsed + count > cChunk.size()) {
      flush();
      if (count > cChunk.size()) cChunk.resize(count);
    }
    return cChunk.data() + cUsed;
  }
  void endRow(char* end) { cUsed = static_cast<size_t>(end - cChunk.data()); }
  void flush() {
    if (cUsed != 0) cOut.write(std::string_view(cChunk.data(), cUsed));
    cUsed = 0;
  }

 private:
  TextWriter& cOut;
  std::vector<char> cChunk;
  size_t cUsed = 0;
};

constexpr size_t kNameWidth = 25;  // the name and file columns
const char kBlanks[kNameWidth + 1] = "                         ";

// The text at p (an empty view may have no characters at all); its end.
char* putText(char* p, std::string_view text) { return std::copy(text.begin(), text.end(), p); }

// `text` right-aligned in `width` columns, as "%*s" gives it (never cut).
char* putRight(char* p, std::string_view text, size_t width) {
  if (text.size() < width) {
    std::memset(p, ' ', width - text.size());
    p += width - text.size();
  }
  return putText(p, text);
}

// A name right-aligned in the 25 columns of its field, from a field of blanks.
char* putName(char* p, std::string_view name) {
  if (name.size() >= kNameWidth) return putText(p, name);
  std::memcpy(p, kBlanks, kNameWidth);
  putText(p + kNameWidth - name.size(), name);
  return p + kNameWidth;
}

// A file name left-aligned in 25 columns, as "%-25s" gives it (never cut).
char* putFile(char* p, std::string_view file) {
  std::memcpy(p, kBlanks, kNameWidth);
  putText(p, file);
  return p + std::max(file.size(), kNameWidth);
}

// The two lower-case hex digits of every byte.
struct HexPairs {
  char text[256][2];
  constexpr HexPairs() : text() {
    const char digits[] = "0123456789abcdef";
    for (int b = 0; b < 256; ++b) {
      text[b][0] = digits[b >> 4];
      text[b][1] = digits[b & 0xF];
    }
  }
};
constexpr HexPairs kHexPairs;

// The value's low 24 bits as six lower-case hex digits (hex3's digits), a byte
// at a time.
void putHexDigits(char* p, uint32_t value) {
  std::memcpy(p, kHexPairs.text[(value >> 16) & 0xFF], 2);
  std::memcpy(p + 2, kHexPairs.text[(value >> 8) & 0xFF], 2);
  std::memcpy(p + 4, kHexPairs.text[value & 0xFF], 2);
}

// "  0x" and the six digits: hex3's text right-aligned in ten columns.
char* putHex3(char* p, uint32_t value) {
  std::memcpy(p, "  0x", 4);
  putHexDigits(p + 4, value);
  return p + 10;
}

// Bytes per program location of the executable's processor.
uint32_t bytesPerProgramLocation(const Coff& output) {
  uint32_t procType = output.cOptHdr.proc_type & 0xFFFF;
  if (!isKnownProcType(procType)) return 2;
  return (romWidthBits(procTypeToProcessor(procType)) + 7) / 8;
}

void collectSections(const Coff& output, Rows& program, Rows& data) {
  for (const auto& [number, name] : output.cScnNum) {
    (void)number;
    auto it = output.cScnHdr.find(name);
    if (it == output.cScnHdr.end()) continue;
    const scnhdr& h = it->second;
    uint8_t type = static_cast<uint8_t>(scnType(h));
    uint8_t location = (type == SCNTYPE_IDATA || type == SCNTYPE_UDATA) ? 1 : 0;
    SectionInfo row(name, h.s_paddr, h.s_size, location, type, scnIsAbs(h), scnIsShare(h),
                    scnIsAccess(h));
    (location ? data : program).push_back(std::move(row));
  }
  std::stable_sort(program.begin(), program.end());
  std::stable_sort(data.begin(), data.end());
}

void writeSectionTable(TextWriter& out, const Rows& program, const Rows& data) {
  out.print("\n%33s%s\n", "", "Section Info");
  const char* fmt = "%25s %10s %10s %10s %10s\n";
  out.print(fmt, "Section", "Type", "Address", "Location", "Size(Bytes)");
  out.print(fmt, kDashes, kDashes, kDashes, kDashes, kDashes);
  RowText text(out);
  for (const Rows* rows : {&program, &data})
    for (const SectionInfo& r : *rows) {
      char* p = text.room(r.cName.size() + kNameWidth + 50);
      p = putRight(p, r.cName, kNameWidth);
      *p++ = ' ';
      p = putRight(p, scnTypeWord(r.cType), 10);
      *p++ = ' ';
      p = putHex3(p, r.cAddress);
      *p++ = ' ';
      p = putRight(p, locationWord(r.cLocation), 10);
      *p++ = ' ';
      p = putHex3(p, r.cSize);
      *p++ = '\n';
      text.endRow(p);
    }
}

// Runs of used program locations and the utilisation line.
void writeProgramUsage(TextWriter& out, const Rows& program, uint32_t bytesPerLoc, uint32_t total) {
  out.print("\n\n\n%30s%s\n", "", "Program Memory Usage ");
  const char* fmt = "%26s%10s  %10s%6s\n";
  out.print(fmt, "", "Start", "End", "");
  out.print(fmt, "", kDashes, kDashes, "");
  uint32_t used = 0;
  bool open = false;
  uint32_t runStart = 0;
  uint32_t runEnd = 0;
  for (const SectionInfo& r : program) {
    uint32_t n = r.cSize / bytesPerLoc + (r.cSize % bytesPerLoc ? 1 : 0);
    if (n == 0) continue;
    used += n;
    if (open && r.cAddress == runEnd + 1) {
      runEnd += n;
      continue;
    }
    if (open) out.print(fmt, "", hex3(runStart).c_str(), hex3(runEnd).c_str(), "");
    open = true;
    runStart = r.cAddress;
    runEnd = r.cAddress + n - 1;
  }
  if (open) out.print(fmt, "", hex3(runStart).c_str(), hex3(runEnd).c_str(), "");
  unsigned percent = (total == 0 || used >= total)
                         ? 100u
                         : static_cast<unsigned>(uint64_t(used) * 100 / total);
  out.print(
      "            %lu out of %lu program addresses used, program memory utilization is "
      "%u%%\n",
      static_cast<unsigned long>(used), static_cast<unsigned long>(total), percent);
  out.write("\n\n");
}

// The section type of every section number an entry can name (1 to 32767),
// indexed by the number: most symbols of a large link are mapped, and each
// needs its section's type.
class SectionTypes {
 public:
  explicit SectionTypes(const Coff& output) {
    constexpr int kLastNumber = 0x7FFF;  // an entry's section number is 16 bits, signed
    int last = output.cScnNum.empty() ? 0 : std::min(output.cScnNum.rbegin()->first, kLastNumber);
    cTypes.assign(static_cast<size_t>(std::max(last, 0)) + 1, uint8_t(SCNTYPE_UNKNOWN));
    for (const auto& [number, name] : output.cScnNum) {
      if (number < 0 || number > last) continue;
      auto hdr = output.cScnHdr.find(name);
      if (hdr != output.cScnHdr.end())
        cTypes[static_cast<size_t>(number)] = static_cast<uint8_t>(scnType(hdr->second));
    }
  }

  // The type of the section numbered `number`, unknown when there is none.
  uint8_t of(int number) const {
    return number >= 0 && static_cast<size_t>(number) < cTypes.size()
               ? cTypes[static_cast<size_t>(number)]
               : uint8_t(SCNTYPE_UNKNOWN);
  }

 private:
  std::vector<uint8_t> cTypes;
};

bool isAuxAt(const Coff& coff, size_t i) {
  return i < coff.cAuxKinds.size() && coff.cAuxKinds[i] != AUX_NONE;
}

// One row of the symbol tables. The name is a view into the output's symbol
// table or string table (the latter read by orderSymbols), which stay as they
// are while the map is written; the file an index into the list of file
// names. Saves a copy of every name; guarded by bench/zorvik_bench.sh.
struct SymRow {
  static constexpr uint32_t kNoFile = ~uint32_t(0);

  std::string_view name;
  uint32_t address;
  uint32_t file;
  uint32_t offset;   // the name's string-table offset, when `tabled`
  uint8_t tabled;    // 1 when the name is read through the string table
  uint8_t location;  // 0 program memory, 1 data memory
  uint8_t storage;   // 0 external, 1 static
  uint8_t kind;      // 0 function, 1 variable
};

// A row and its name's place in the order by name.
struct NameSlot {
  NameKey key;
  uint32_t row;  // the row's place in the table
};

// The symbols of the map and the names of their files.
struct SymbolTable {
  std::vector<SymRow> rows;
  std::vector<std::string> files;

  std::string_view fileOf(const SymRow& row) const {
    return row.file == SymRow::kNoFile ? std::string_view() : std::string_view(files[row.file]);
  }
};

// Tells the ".file" and ".eof" entries that open and close a file's symbols
// from the others without looking every name up: most symbols of a large link
// are left out of the map, and their names are never needed.
class FileMarkers {
 public:
  enum Kind { kNone, kFile, kEof };

  explicit FileMarkers(const StringTbl& strings) : cStrings(strings) {
    for (const auto& [offset, text] : strings) {
      if (text == ".file") cFileOffsets.push_back(offset);
      if (text == ".eof") cEofOffsets.push_back(offset);
    }
  }

  // The marker the entry's name makes it, as Coff::nameView would give it.
  Kind kindOf(const syment& s) const {
    if (!nameInStringTable(s)) {
      std::string_view name = Coff::nameView(s, cStrings);  // the inline field: no lookup
      return name == ".file" ? kFile : name == ".eof" ? kEof : kNone;
    }
    uint32_t offset = s.n_offset();
    if (holds(cFileOffsets, offset)) return kFile;
    return holds(cEofOffsets, offset) ? kEof : kNone;
  }

 private:
  static bool holds(const std::vector<uint32_t>& offsets, uint32_t offset) {
    return !offsets.empty() && std::binary_search(offsets.begin(), offsets.end(), offset);
  }

  const StringTbl& cStrings;
  std::vector<uint32_t> cFileOffsets;  // ascending, as the table keeps them
  std::vector<uint32_t> cEofOffsets;
};

bool isMapped(const syment& s) {
  return s.n_scnum >= 1 && (s.n_sclass == C_EXT || s.n_sclass == C_STAT || s.n_sclass == C_LABEL);
}

// Symbols with a section and class 2, 3 or 6, each with the file whose
// ".file" entry is open around it, in table order.
SymbolTable collectSymbols(const Coff& output) {
  SymbolTable symbols;
  std::vector<uint32_t> open;  // the files open at this point, innermost last
  const auto& table = output.cSymbols;
  const SectionTypes types(output);
  const FileMarkers markers(output.cStringTbl);
  size_t mapped = 0;
  for (size_t i = 0; i < table.size(); ++i) mapped += !isAuxAt(output, i) && isMapped(table[i].sym);
  symbols.rows.reserve(mapped);
  for (size_t i = 0; i < table.size(); ++i) {
    if (isAuxAt(output, i)) continue;
    const syment& s = table[i].sym;
    FileMarkers::Kind marker = markers.kindOf(s);
    if (marker == FileMarkers::kFile) {
      if (i + 1 < table.size() && output.cAuxKinds[i + 1] == AUX_FILE) {
        open.push_back(static_cast<uint32_t>(symbols.files.size()));
        symbols.files.push_back(Coff::getName(table[i + 1].file, output.cStringTbl));
      }
      continue;
    }
    if (marker == FileMarkers::kEof) {
      if (!open.empty()) open.pop_back();
      continue;
    }
    if (!isMapped(s)) continue;
    uint8_t type = types.of(s.n_scnum);
    SymRow row;
    // A name in the string table is read once the rows are in the order of
    // its offsets (readTabledNames).
    row.tabled = nameInStringTable(s) ? 1 : 0;
    row.offset = row.tabled ? s.n_offset() : 0;
    if (!row.tabled) row.name = Coff::nameView(s, output.cStringTbl);
    row.address = s.n_value;
    row.file = open.empty() ? SymRow::kNoFile : open.back();
    row.location = (type == SCNTYPE_IDATA || type == SCNTYPE_UDATA) ? 1 : 0;
    row.storage = s.n_sclass == C_EXT ? 0 : 1;
    row.kind = isFunction(s) ? 0 : 1;
    symbols.rows.push_back(row);
  }
  return symbols;
}

// The order of the rows by name and the order by address, as places in the
// table. Program rows come before data rows in both. Rows with equal names keep
// their table order, and rows at one address their order by name: the order by
// address is the order by name sorted again by a stable sort of the addresses
// alone.
struct SymbolOrders {
  std::vector<uint32_t> byName;
  std::vector<uint32_t> byAddress;
};

// Rows in the order of the names' first sixteen bytes, the whole names where
// those tie, and the rows' places where the names are equal.
void sortByName(std::vector<NameSlot>& slots, const std::vector<SymRow>& rows) {
  std::sort(slots.begin(), slots.end(), [&rows](const NameSlot& a, const NameSlot& b) {
    if (a.key[0] != b.key[0]) return a.key[0] < b.key[0];
    if (a.key[1] != b.key[1]) return a.key[1] < b.key[1];
    std::string_view x = rows[a.row].name;
    std::string_view y = rows[b.row].name;
    if (x.size() != y.size() || x.size() > 16) {
      int order = x.compare(y);
      if (order != 0) return order < 0;
    }
    return a.row < b.row;
  });
}

// An item of the radix sort: a key in the high 32 bits, a row in the low ones,
// so that a pass reads no row.
using Keyed = std::vector<uint64_t>;

uint64_t keyed(uint32_t key, uint32_t row) { return uint64_t(key) << 32 | row; }
uint32_t rowOf(uint64_t item) { return static_cast<uint32_t>(item); }
uint32_t keyOf(uint64_t item) { return static_cast<uint32_t>(item >> 32); }

// Sorts the items by their keys and keeps the order of items with equal keys:
// a radix sort of eleven bits a pass from the lowest up, each pass stable. One
// count finds the buckets of every pass; a pass whose bits are one value in
// every item is left out. `spare` is room for a copy.
void sortByKey(Keyed& items, Keyed& spare) {
  constexpr unsigned kBits = 11;
  constexpr unsigned kPasses = 3;
  constexpr size_t kBuckets = size_t(1) << kBits;
  std::vector<uint32_t> start(kPasses * kBuckets);
  for (uint64_t item : items)
    for (unsigned pass = 0; pass < kPasses; ++pass)
      ++start[pass * kBuckets + ((item >> (32 + pass * kBits)) & (kBuckets - 1))];
  spare.resize(items.size());
  for (unsigned pass = 0; pass < kPasses; ++pass) {
    uint32_t* bucket = start.data() + pass * kBuckets;
    if (std::find(bucket, bucket + kBuckets, items.size()) != bucket + kBuckets) continue;
    uint32_t place = 0;
    for (size_t b = 0; b < kBuckets; ++b) place += std::exchange(bucket[b], place);
    const unsigned shift = 32 + pass * kBits;
    for (uint64_t item : items) spare[bucket[(item >> shift) & (kBuckets - 1)]++] = item;
    items.swap(spare);
  }
}

// Gives the rows of `items`, sorted by string-table offset, their names in one
// walk of the table's entries rather than a lookup each.
void readTabledNames(const Keyed& items, const StringTbl& strings, std::vector<SymRow>& rows) {
  auto entry = strings.begin();
  for (uint64_t item : items) {
    const uint32_t offset = keyOf(item);
    while (entry != strings.end() && (*entry).first < offset) ++entry;
    if (entry == strings.end() || (*entry).first != offset)
      reportFatal("Coff::getName()", "Unable to find symbol name in string table.");
    rows[rowOf(item)].name = (*entry).second;
  }
}

// True when the names of items sorted by string-table offset ascend strictly
// wherever the offsets differ: then the order of the offsets is the order of
// the names. The merged table of a link holds its texts in byte order.
bool namesAscend(const Keyed& items, const std::vector<SymRow>& rows) {
  for (size_t i = 1; i < items.size(); ++i)
    if (keyOf(items[i]) != keyOf(items[i - 1]) &&
        rows[rowOf(items[i - 1])].name.compare(rows[rowOf(items[i])].name) >= 0)
      return false;
  return true;
}

// Appends the rows of `location` in the order by name to `order`. Names read
// through a string table in byte order are ordered by their offsets, with a
// radix sort; the others (names held in their entries, or every name when the
// table is in another order) by their keys, and the two are then merged.
void appendByName(std::vector<SymRow>& rows, const StringTbl& strings, uint8_t location,
                  Keyed& items, Keyed& spare, std::vector<uint32_t>& order) {
  items.clear();
  std::vector<NameSlot> held;
  const auto count = static_cast<uint32_t>(rows.size());
  for (uint32_t i = 0; i < count; ++i) {
    const SymRow& r = rows[i];
    if (r.location != location) continue;
    if (r.tabled)
      items.push_back(keyed(r.offset, i));
    else
      held.push_back(NameSlot{nameKeyOf(r.name), i});
  }
  sortByKey(items, spare);
  readTabledNames(items, strings, rows);
  if (!namesAscend(items, rows)) {
    for (uint64_t item : items)
      held.push_back(NameSlot{nameKeyOf(rows[rowOf(item)].name), rowOf(item)});
    items.clear();
  }
  sortByName(held, rows);
  auto before = [&rows](uint32_t a, uint32_t b) {
    int names = rows[a].name.compare(rows[b].name);
    return names != 0 ? names < 0 : a < b;
  };
  auto slot = held.begin();
  for (uint64_t item : items) {
    for (; slot != held.end() && before(slot->row, rowOf(item)); ++slot) order.push_back(slot->row);
    order.push_back(rowOf(item));
  }
  for (; slot != held.end(); ++slot) order.push_back(slot->row);
}

// Appends the rows order[begin, end) to `byAddress` sorted by address, rows at
// one address in their order in `order`.
void appendByAddress(const std::vector<SymRow>& rows, const std::vector<uint32_t>& order,
                     size_t begin, size_t end, Keyed& items, Keyed& spare,
                     std::vector<uint32_t>& byAddress) {
  items.clear();
  for (size_t i = begin; i < end; ++i) items.push_back(keyed(rows[order[i]].address, order[i]));
  sortByKey(items, spare);
  for (uint64_t item : items) byAddress.push_back(rowOf(item));
}

// Also reads the names of the rows that the string table names.
SymbolOrders orderSymbols(std::vector<SymRow>& rows, const StringTbl& strings) {
  SymbolOrders orders;
  orders.byName.reserve(rows.size());
  orders.byAddress.reserve(rows.size());
  Keyed items, spare;
  items.reserve(rows.size());
  appendByName(rows, strings, 0, items, spare, orders.byName);
  const size_t dataBegin = orders.byName.size();
  appendByName(rows, strings, 1, items, spare, orders.byName);
  appendByAddress(rows, orders.byName, 0, dataBegin, items, spare, orders.byAddress);
  appendByAddress(rows, orders.byName, dataBegin, orders.byName.size(), items, spare,
                  orders.byAddress);
  return orders;
}

// The columns between a symbol row's name and its file for each location and
// storage, with the address's digits to be filled in at kDigitsAt:
// " " "  0x000000" " " location in 10 " " storage in 10 " ".
class MiddleColumns {
 public:
  static constexpr size_t kSize = 34;
  static constexpr size_t kDigitsAt = 5;

  MiddleColumns() {
    for (uint8_t location : {0, 1})
      for (uint8_t storage : {0, 1}) {
        char* p = cText[location][storage];
        *p++ = ' ';
        p = putHex3(p, 0);
        *p++ = ' ';
        p = putRight(p, locationWord(location), 10);
        *p++ = ' ';
        p = putRight(p, storageWord(storage), 10);
        *p++ = ' ';
      }
  }
  const char* text(uint8_t location, uint8_t storage) const { return cText[location][storage]; }

 private:
  char cText[2][2][kSize];
};

constexpr size_t kRowsAhead = 16;
constexpr size_t kNamesAhead = 8;

void writeSymbolTable(TextWriter& out, const char* title, const SymbolTable& symbols,
                      const std::vector<uint32_t>& order) {
  out.print("\n%30s%s\n", "", title);
  const char* fmt = "%25s %10s %10s %10s %-25s\n";
  out.print(fmt, "Name", "Address", "Location", "Storage", "File");
  out.print(fmt, kDashes, kDashes, kDashes, kDashes, kDashes);
  {
    const MiddleColumns middle;
    RowText text(out);
    const std::vector<SymRow>& rows = symbols.rows;
    for (size_t k = 0; k < order.size(); ++k) {
      // The rows come in no order of their own: a row is loaded sixteen rows
      // ahead, and its name eight ahead, so that their loads overlap.
      if (k + kRowsAhead < order.size()) __builtin_prefetch(&rows[order[k + kRowsAhead]]);
      if (k + kNamesAhead < order.size())
        __builtin_prefetch(rows[order[k + kNamesAhead]].name.data());
      const SymRow& r = rows[order[k]];
      const std::string_view file = symbols.fileOf(r);
      char* p = text.room(r.name.size() + file.size() + 2 * kNameWidth + MiddleColumns::kSize + 1);
      p = putName(p, r.name);
      std::memcpy(p, middle.text(r.location, r.storage), MiddleColumns::kSize);
      putHexDigits(p + MiddleColumns::kDigitsAt, r.address);
      p = putFile(p + MiddleColumns::kSize, file);
      *p++ = '\n';
      text.endRow(p);
    }
  }
  out.write("\n\n");
}

template <typename Row>
void traceRows(const std::vector<Row>& rows) {
  if (!traceLevel("MapFile::write")) return;
  for (const Row& r : rows) r.print(std::cout);
}

void traceSymbols(const SymbolTable& symbols, const std::vector<uint32_t>& order) {
  if (!traceLevel("MapFile::write")) return;
  for (uint32_t i : order) {
    const SymRow& r = symbols.rows[i];
    SymbolInfo(std::string(r.name), r.address, r.location, r.storage, r.kind,
               std::string(symbols.fileOf(r)))
        .print(std::cout);
  }
}

}  // namespace

std::string scnTypeName(uint8_t type) { return std::string(scnTypeWord(type)); }
std::string locationName(uint8_t location) { return std::string(locationWord(location)); }
std::string storageName(uint8_t storageClass) { return std::string(storageWord(storageClass)); }
std::string kindName(uint8_t kind) { return std::string(kindWord(kind)); }

int MapFile::write(const std::string& name, const Coff& output, uint32_t totalProgramMemory) {
  TextWriter out;
  if (!out.openInPlace(name)) {
    reportError("MapFile::write()", "Could not open map file '" + name + "' for writing.");
    return 0;
  }
  out.write(linkerBanner());
  out.write("\nLinker Map File - Created " + nowText());

  Rows program, data;
  collectSections(output, program, data);
  traceRows(program);
  traceRows(data);
  writeSectionTable(out, program, data);
  writeProgramUsage(out, program, bytesPerProgramLocation(output), totalProgramMemory);

  // Both orders are stable: rows equal in name keep their table order, and
  // rows at one address keep their order by name.
  SymbolTable symbols = collectSymbols(output);
  const SymbolOrders orders = orderSymbols(symbols.rows, output.cStringTbl);
  writeSymbolTable(out, "Symbols - Sorted by Name", symbols, orders.byName);
  traceSymbols(symbols, orders.byAddress);
  writeSymbolTable(out, "Symbols - Sorted by Address", symbols, orders.byAddress);

  if (!out.close()) {
    reportError("MapFile::write()", "Could not write map file '" + name + "'.");
    return 0;
  }
  return 1;
}

int Linker::writeErrorMapFile() {
  if (cMapFile.empty()) return 1;
  TextWriter out;
  if (!out.openInPlace(cMapFile)) {
    reportError("Linker::writeErrorMapFile()",
                "Could not open map file '" + cMapFile + "' for writing.");
    return 0;
  }
  std::ostringstream text;
  text << linkerBanner() << "\nLinker Error Map File - Created " << nowText()
       << "\n*Warning* - This is only a partial map file due to a link time error.\n"
       << "   Only sections which were allocated prior to the error are shown below.\n\n";
  const std::pair<const char*, const std::list<Memory>*> groups[] = {
      {"CODEPAGES:", &cCodePage},
      {"SHAREBANKS:", &cShareBanks},
      {"DATABANKS:", &cDataBanks},
      {"ACCESSBANKS:", &cAccessBanks}};
  for (const auto& [title, memories] : groups) {
    text << title << '\n';
    bool first = true;
    for (const Memory& m : *memories) {
      m.printUsage(text, first);
      first = false;
    }
    text << '\n';
  }
  out.write(text.str());
  if (out.close()) return 1;
  reportError("Linker::writeErrorMapFile()", "Could not write map file '" + cMapFile + "'.");
  return 0;
}
