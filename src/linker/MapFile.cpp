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
#include <ctime>
#include <iostream>
#include <sstream>
#include <string_view>
#include <utility>
#include <vector>

#include "Banner.h"
#include "Descriptors.h"
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

// Table rows formatted by hand into a chunk that goes to the writer whole: the
// symbol tables of a large link hold hundreds of thousands of rows.
class RowText {
 public:
  explicit RowText(TextWriter& out) : cOut(out) { cText.reserve(kChunkSize + 512); }
  ~RowText() { flush(); }
  RowText(const RowText&) = delete;
  RowText& operator=(const RowText&) = delete;

  // `text` right-aligned in `width` columns, as "%*s" gives it (never cut).
  RowText& right(std::string_view text, size_t width) {
    pad(text.size(), width);
    cText.append(text);
    return *this;
  }
  // `text` left-aligned in `width` columns, as "%-*s" gives it (never cut).
  RowText& left(std::string_view text, size_t width) {
    cText.append(text);
    pad(text.size(), width);
    return *this;
  }
  // The value's low 24 bits as "0x" and six lower-case digits (hex3's text),
  // right-aligned in ten columns.
  RowText& hex3(uint32_t value) {
    static const char kDigits[] = "0123456789abcdef";
    char text[10] = {' ', ' ', '0', 'x'};
    for (int i = 9; i >= 4; --i, value >>= 4) text[i] = kDigits[value & 0xF];
    cText.append(text, sizeof text);
    return *this;
  }
  RowText& space() {
    cText.push_back(' ');
    return *this;
  }
  void endLine() {
    cText.push_back('\n');
    if (cText.size() >= kChunkSize) flush();
  }
  void flush() {
    if (!cText.empty()) cOut.write(cText);
    cText.clear();
  }

 private:
  void pad(size_t size, size_t width) {
    if (size < width) cText.append(width - size, ' ');
  }

  TextWriter& cOut;
  std::string cText;
};

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
      text.right(r.cName, 25).space().right(scnTypeWord(r.cType), 10).space().hex3(r.cAddress);
      text.space().right(locationWord(r.cLocation), 10).space().hex3(r.cSize).endLine();
    }
}

// Runs of used program locations and the utilisation line.
void writeProgramUsage(TextWriter& out, const Rows& program, uint32_t bytesPerLoc,
                       uint32_t total) {
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
  out.print("            %lu out of %lu program addresses used, program memory utilization is "
            "%u%%\n",
            static_cast<unsigned long>(used), static_cast<unsigned long>(total), percent);
  out.write("\n\n");
}

// The section type of every section number, for lookups by binary search.
using SectionTypes = std::vector<std::pair<int, uint8_t>>;

SectionTypes sectionTypes(const Coff& output) {
  SectionTypes types;
  types.reserve(output.cScnNum.size());
  for (const auto& [number, name] : output.cScnNum) {
    auto hdr = output.cScnHdr.find(name);
    uint8_t type = hdr == output.cScnHdr.end() ? uint8_t(SCNTYPE_UNKNOWN)
                                               : static_cast<uint8_t>(scnType(hdr->second));
    types.emplace_back(number, type);
  }
  return types;  // in number order, as the map keeps them
}

// The type of the section numbered `number`, unknown when there is none.
uint8_t sectionTypeOf(const SectionTypes& types, int number) {
  auto it = std::lower_bound(types.begin(), types.end(), number,
                             [](const std::pair<int, uint8_t>& e, int n) { return e.first < n; });
  return it != types.end() && it->first == number ? it->second : uint8_t(SCNTYPE_UNKNOWN);
}

bool isAuxAt(const Coff& coff, size_t i) {
  return i < coff.cAuxKinds.size() && coff.cAuxKinds[i] != AUX_NONE;
}

// One row of the symbol tables. The name is a view into the output's symbol
// table or string table; the file an index into the list of file names.
struct SymRow {
  static constexpr uint32_t kNoFile = ~uint32_t(0);

  uint64_t nameKey;  // the name's first eight bytes, big-endian, zero-padded
  std::string_view name;
  uint32_t address;
  uint32_t file;
  uint8_t location;  // 0 program memory, 1 data memory
  uint8_t storage;   // 0 external, 1 static
  uint8_t kind;      // 0 function, 1 variable
};

// A key whose order agrees with the byte-wise order of the names: where two
// keys differ, so do the names, the same way; equal keys leave it to the names.
uint64_t nameKeyOf(std::string_view name) {
  uint64_t key = 0;
  for (size_t i = 0; i < 8; ++i)
    key = (key << 8) | (i < name.size() ? static_cast<unsigned char>(name[i]) : 0u);
  return key;
}

// Program rows before data rows, each part in the byte-wise order of the names.
bool lessByName(const SymRow& a, const SymRow& b) {
  if (a.location != b.location) return a.location < b.location;
  if (a.nameKey != b.nameKey) return a.nameKey < b.nameKey;
  return a.name < b.name;
}

bool lessByAddress(const SymRow& a, const SymRow& b) {
  if (a.location != b.location) return a.location < b.location;
  return a.address < b.address;
}

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
  const SectionTypes types = sectionTypes(output);
  const FileMarkers markers(output.cStringTbl);
  symbols.rows.reserve(table.size());
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
    uint8_t type = sectionTypeOf(types, s.n_scnum);
    SymRow row;
    row.name = Coff::nameView(s, output.cStringTbl);
    row.nameKey = nameKeyOf(row.name);
    row.address = s.n_value;
    row.file = open.empty() ? SymRow::kNoFile : open.back();
    row.location = (type == SCNTYPE_IDATA || type == SCNTYPE_UDATA) ? 1 : 0;
    row.storage = s.n_sclass == C_EXT ? 0 : 1;
    row.kind = isFunction(s) ? 0 : 1;
    symbols.rows.push_back(row);
  }
  return symbols;
}

void writeSymbolTable(TextWriter& out, const char* title, const SymbolTable& symbols) {
  out.print("\n%30s%s\n", "", title);
  const char* fmt = "%25s %10s %10s %10s %-25s\n";
  out.print(fmt, "Name", "Address", "Location", "Storage", "File");
  out.print(fmt, kDashes, kDashes, kDashes, kDashes, kDashes);
  {
    RowText text(out);
    for (const SymRow& r : symbols.rows) {
      text.right(r.name, 25).space().hex3(r.address).space();
      text.right(locationWord(r.location), 10).space().right(storageWord(r.storage), 10).space();
      text.left(symbols.fileOf(r), 25).endLine();
    }
  }
  out.write("\n\n");
}

template <typename Row>
void traceRows(const std::vector<Row>& rows) {
  if (!traceLevel("MapFile::write")) return;
  for (const Row& r : rows) r.print(std::cout);
}

void traceSymbols(const SymbolTable& symbols) {
  if (!traceLevel("MapFile::write")) return;
  for (const SymRow& r : symbols.rows)
    SymbolInfo(std::string(r.name), r.address, r.location, r.storage, r.kind,
               std::string(symbols.fileOf(r)))
        .print(std::cout);
}

}  // namespace

std::string scnTypeName(uint8_t type) { return std::string(scnTypeWord(type)); }
std::string locationName(uint8_t location) { return std::string(locationWord(location)); }
std::string storageName(uint8_t storageClass) { return std::string(storageWord(storageClass)); }
std::string kindName(uint8_t kind) { return std::string(kindWord(kind)); }

int MapFile::write(const std::string& name, const Coff& output, uint32_t totalProgramMemory) {
  TextWriter out;
  if (!out.open(name)) {
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
  std::stable_sort(symbols.rows.begin(), symbols.rows.end(), lessByName);
  writeSymbolTable(out, "Symbols - Sorted by Name", symbols);
  std::stable_sort(symbols.rows.begin(), symbols.rows.end(), lessByAddress);
  traceSymbols(symbols);
  writeSymbolTable(out, "Symbols - Sorted by Address", symbols);

  if (!out.close()) {
    reportError("MapFile::write()", "Could not write map file '" + name + "'.");
    return 0;
  }
  return 1;
}

int Linker::writeErrorMapFile() {
  if (cMapFile.empty()) return 1;
  TextWriter out;
  if (!out.open(cMapFile)) {
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
