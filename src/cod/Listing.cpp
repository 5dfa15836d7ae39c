// The listing (.lst) and the COD line records that tie listing lines and
// source lines to program addresses. Every source line of every source file
// is listed beside the code it produced, one listing line per program word
// (columns narrowed here; they start at 0, 9, 18, 43 and 124):
//
//   VOSTRUM v2.31 ...
//   (notice line)
//   Listing File Generated: Thu Dec 10 10:20:55 2026
//
//
//   Address  Value    Disassembly              Source          File
//   -------  -------  -----------------------  --------------  -----
//                                              ; reset vector  main.asm
//   000000   3001     MOVLW     0x1            start movlw 1   main.asm
//   000001   0001     ??? Illegal Opcode       dw 1, 8         main.asm
//   000002   0008     RETURN
//
// A page header is written first and again after every page length listing
// lines (from the second page on led by a form feed line); each of its lines
// adds a line record of file 0. The first code word of a source line adds a
// record with flags 0x80, further words flags 0, a line without code one with
// flags 0x90 and address 0. Includes are listed in full after the line that
// includes them; ".list" and ".nolist" symbols switch the listing on and off.
#include <sys/stat.h>

#include <algorithm>
#include <ctime>
#include <iostream>
#include <tuple>

#include "Assert.h"
#include "Banner.h"
#include "ByteOrder.h"
#include "Coff2Cod.h"
#include "ListingSymbols.h"
#include "OsPath.h"
#include "Reporter.h"
#include "SameFile.h"
#include "SourceLines.h"
#include "TextHelpers.h"
#include "Trace.h"
#include "mgdisasm.h"
#include "mgproc.h"

// One source file being listed: its lines, its file number and where it is.
struct SourceFrame {
  SourceLines in;
  std::string name;
  uint32_t fileNumber = 0;
  // Its entries of cLine not yet passed: lines only count up, so the entries
  // of a line are found where those of the lines before it end. cLine is
  // complete before the listing starts and unchanged while it is written.
  const LstLine* code = nullptr;
  const LstLine* codeEnd = nullptr;
  uint64_t line = 0;  // source lines read so far
  uint8_t skip = 1;   // words left of the instruction being listed
};

namespace {

const char kIllegalOpcode[] = "??? Illegal Opcode";
constexpr size_t kFileColumn = 124;
constexpr int kRecordFlagsHeader = 2;
constexpr int kRecordFlagsFirstWord = 0x80;
constexpr int kRecordFlagsNoCode = 0x90;
constexpr uint32_t kMaxRecordFileNumber = 255;

std::string heading() {
  std::string text = "Address  Value    Disassembly              Source";
  text.append(kFileColumn - text.size(), ' ');
  return text + "File\n";
}

std::string rule() {
  return std::string(7, '-') + "  " + std::string(7, '-') + "  " + std::string(23, '-') + "  " +
         std::string(79, '-') + "  " + std::string(5, '-') + "\n";
}

// A source is read only when it is a regular file and not the listing itself.
bool isReadableSource(const std::string& name, const std::string& listName) {
  struct stat source, list;
  if (::stat(osPath(name).c_str(), &source) != 0 || !S_ISREG(source.st_mode)) return false;
  return ::stat(osPath(listName).c_str(), &list) != 0 || !sameIdentity(source, list);
}

// The word at `address` of the section and the one after it (0 unless it lies
// wholly inside the data). False when the word itself lies outside the data.
bool readWords(const LstSection& section, uint32_t address, uint32_t bytesPerWord, uint16_t& value,
               uint16_t& next) {
  if (!section.cScnData || address < section.cScnStart) return false;
  const uint64_t offset = uint64_t(address - section.cScnStart) * bytesPerWord;
  const uint64_t size = section.cScnData->size();
  if (offset + 2 > size) return false;
  value = getU16(section.cScnData->bytes() + offset);
  next = offset + 4 <= size ? getU16(section.cScnData->bytes() + offset + 2) : 0;
  return true;
}

// The line-number tables of the code sections, by name, as the line map reads them.
using LineTables = std::vector<const std::vector<coff_lineno>*>;

// An entry with its source file, while the line map is put in order.
struct KeyedLine {
  uint32_t srcndx = 0;
  LstLine line;
};

// The order of the line map: source file, line, then section (by name). The
// entries of one line in one section keep their order through stable merges.
uint64_t lineKey(uint32_t srcndx, uint16_t lnno, uint16_t section) {
  return uint64_t(srcndx) << 32 | uint32_t(lnno) << 16 | section;
}

bool lineOrder(const KeyedLine& a, const KeyedLine& b) {
  return lineKey(a.srcndx, a.line.l_lnno, a.line.cSection) <
         lineKey(b.srcndx, b.line.l_lnno, b.line.cSection);
}

// Sorts the entries in lineOrder, equal ones kept in their order. The stretches
// already in order are merged pairwise, so entries that come in line order, as
// a section's mostly do, cost one pass.
void sortByLine(std::vector<KeyedLine>& lines) {
  std::vector<size_t> runs{0};  // where each ascending stretch starts, then the end
  for (size_t i = 1; i < lines.size(); ++i)
    if (lineOrder(lines[i], lines[i - 1])) runs.push_back(i);
  runs.push_back(lines.size());
  if (runs.size() <= 2) return;
  std::vector<KeyedLine> merged(lines.size());
  while (runs.size() > 2) {
    std::vector<size_t> next;
    size_t r = 0;
    for (; r + 2 < runs.size(); r += 2) {
      const auto from = lines.begin() + static_cast<std::ptrdiff_t>(runs[r]);
      const auto middle = lines.begin() + static_cast<std::ptrdiff_t>(runs[r + 1]);
      const auto to = lines.begin() + static_cast<std::ptrdiff_t>(runs[r + 2]);
      std::merge(from, middle, middle, to, merged.begin() + static_cast<std::ptrdiff_t>(runs[r]),
                 lineOrder);
      next.push_back(runs[r]);
    }
    if (r + 1 < runs.size()) {  // an odd stretch out
      std::copy(lines.begin() + static_cast<std::ptrdiff_t>(runs[r]), lines.end(),
                merged.begin() + static_cast<std::ptrdiff_t>(runs[r]));
      next.push_back(runs[r]);
    }
    next.push_back(lines.size());
    lines.swap(merged);
    runs.swap(next);
  }
}

// Appends an entry of file `srcndx`, starting the file's stretch when it is new.
void appendLine(std::vector<LstLine>& lines, std::vector<LstFileLines>& files, uint32_t srcndx,
                const LstLine& line) {
  if (files.empty() || files.back().cSrcndx != srcndx)
    files.push_back(LstFileLines{srcndx, lines.size()});
  lines.push_back(line);
}

// The entries of the tables in `order`, when they come in lineOrder that way
// (as when each section holds one stretch of the sources); false, with nothing
// kept, when they do not.
bool takeInOrder(const LineTables& tables, const std::vector<uint16_t>& order, size_t count,
                 std::vector<LstLine>& lines, std::vector<LstFileLines>& files) {
  lines.reserve(count);
  uint64_t last = 0;
  for (const uint16_t s : order) {
    for (const coff_lineno& l : *tables[s]) {
      const uint64_t key = lineKey(l.l_srcndx, l.l_lnno, s);
      if (key < last) {
        std::vector<LstLine>().swap(lines);
        files.clear();
        return false;
      }
      last = key;
      appendLine(lines, files, l.l_srcndx, LstLine{l.l_paddr, l.l_lnno, s});
    }
  }
  return true;
}

// The entries of the tables in `order`, sorted into lineOrder.
void takeSorted(const LineTables& tables, const std::vector<uint16_t>& order, size_t count,
                std::vector<LstLine>& lines, std::vector<LstFileLines>& files) {
  std::vector<KeyedLine> keyed;
  keyed.reserve(count);
  for (const uint16_t s : order)
    for (const coff_lineno& l : *tables[s])
      keyed.push_back(KeyedLine{l.l_srcndx, LstLine{l.l_paddr, l.l_lnno, s}});
  sortByLine(keyed);
  lines.reserve(count);
  for (const KeyedLine& k : keyed) appendLine(lines, files, k.srcndx, k.line);
}

}  // namespace

Coff2Cod::Coff2Cod() = default;
Coff2Cod::~Coff2Cod() = default;

void Coff2Cod::buildLineMap(const Coff& coff) {
  LineTables tables;
  size_t count = 0;
  for (const auto& [name, hdr] : coff.cScnHdr) {
    if (scnType(hdr) != SCNTYPE_CODE) continue;
    const auto lines = coff.cLineNums.find(name);
    if (lines == coff.cLineNums.end() || lines->second.empty()) continue;
    const auto data = coff.cRawData.find(name);
    cLineSections.push_back(
        LstSection{&name, hdr.s_paddr, data == coff.cRawData.end() ? nullptr : &data->second});
    tables.push_back(&lines->second);
    count += lines->second.size();
  }
  ZV_ASSERT(tables.size() <= UINT16_MAX + 1u);
  // The sections are taken in the order of their first entries: sections that
  // each hold one stretch of the sources then need no merging at all.
  std::vector<uint16_t> order(tables.size());
  for (size_t s = 0; s < order.size(); ++s) order[s] = static_cast<uint16_t>(s);
  const auto firstKey = [&](uint16_t s) {
    const coff_lineno& l = tables[s]->front();
    return lineKey(l.l_srcndx, l.l_lnno, s);
  };
  std::sort(order.begin(), order.end(),
            [&](uint16_t a, uint16_t b) { return firstKey(a) < firstKey(b); });
  if (!takeInOrder(tables, order, count, cLine, cLineFiles))
    takeSorted(tables, order, count, cLine, cLineFiles);
  if (!traceLevel("Coff2Cod::buildLineMap")) return;
  std::cout << "Coff2Cod::buildLineMap() - Dumping contents of cLine: \n";
  for (size_t f = 0; f < cLineFiles.size(); ++f) {
    const size_t end = f + 1 < cLineFiles.size() ? cLineFiles[f + 1].cFirst : cLine.size();
    for (size_t i = cLineFiles[f].cFirst; i < end; ++i) {
      const LstLine& e = cLine[i];
      std::cout << "   srcndx=" << cLineFiles[f].cSrcndx << ",  linenum=" << e.l_lnno
                << ",  paddr=" << toHex(e.l_paddr, 4)
                << ",  secName=" << *cLineSections[e.cSection].cScnName << "\n";
    }
  }
}

void Coff2Cod::reserveLineRecords() {
  // A listed code word adds one record to the directory of its address: room
  // for those is made at once (directory 0 also takes the other records).
  std::vector<size_t> counts(cLineInfoTables.size());
  for (const LstLine& l : cLine) {
    const size_t directory = l.l_paddr >> cWindowShift;
    ++counts[directory < counts.size() ? directory : 0];
  }
  for (size_t d = 0; d < counts.size(); ++d)
    cLineInfoTables[d].reserve(cLineInfoTables[d].size() + counts[d]);
}

std::pair<const LstLine*, const LstLine*> Coff2Cod::linesOfFile(uint32_t srcndx) const {
  const auto file = std::lower_bound(
      cLineFiles.begin(), cLineFiles.end(), srcndx,
      [](const LstFileLines& f, uint32_t index) { return f.cSrcndx < index; });
  if (file == cLineFiles.end() || file->cSrcndx != srcndx) return {cLine.data(), cLine.data()};
  const size_t end = file + 1 != cLineFiles.end() ? file[1].cFirst : cLine.size();
  return {cLine.data() + file->cFirst, cLine.data() + end};
}

bool Coff2Cod::createListFile(const Coff& coff) {
  const char origin[] = "Coff2Cod::createListFile()";
  cListName = listFileName(coff);
  if (!cListFile.open(cListName)) {
    reportError(origin, "Could not open list file '" + cListName + "' for writing.");
    return false;
  }
  const ProcessorType processor = procTypeToProcessor(coff.cOptHdr.proc_type);
  cBytesPerWord = (romWidthBits(processor) + 7) / 8;
  // A word is one or two bytes: the words of a 64 KB window are a power of two.
  ZV_ASSERT(cBytesPerWord == 1 || cBytesPerWord == 2);
  cWindowShift = cBytesPerWord == 1 ? 16 : 15;
  reserveLineRecords();
  cDisassembler = std::make_unique<Disassembler>(processorFamily(processor));
  cIncludeTrace = &traceLevelRef("Coff2Cod::hasInclude");

  size_t cursor = 0;
  writePageHeader(true);
  while (findNextFile(coff, cursor)) {
    cListing = true;
    doNextFile(coff, cursor);
  }
  // The scan was made for this Coff: no later call takes it for another one
  // that comes to lie at the same address.
  cSymbolScan.reset();
  cScannedCoff = nullptr;
  if (!cListFile.close()) {
    reportError(origin, "Could not write list file '" + cListName + "'.");
    return false;
  }
  return true;
}

void Coff2Cod::writePageHeader(bool first) {
  if (first) cTimeStamp = localTimeText(static_cast<uint32_t>(std::time(nullptr)));
  std::string header = first ? "" : "\f\n";
  header = header + codConverterBanner() + "\n" + noticeBanner() + "\n";
  header += "Listing File Generated: " + cTimeStamp + "\n\n\n";
  cListFile.text(header + heading() + rule());
  for (int i = 0; i < 8; ++i)
    addLineInfo(cLineInfoTables[0], LineInfo(0, kRecordFlagsHeader, 1, 0));
}

void Coff2Cod::countLine() {
  ++cLineCount;
  if (cPageLength != 0 && cLineCount % cPageLength == 0) writePageHeader(false);
}

void Coff2Cod::doNextFile(const Coff& coff, size_t& cursor) {
  // An include is stacked and listed before the next line of the file that
  // includes it; a deep chain of includes takes heap, not call stack.
  std::vector<std::unique_ptr<SourceFrame>> stack;
  openNextFile(coff, cursor, stack);
  while (!stack.empty()) {
    SourceFrame& frame = *stack.back();
    std::string_view text;  // views the frame's buffer until its next line is read
    if (!frame.in.next(text)) {
      stack.pop_back();
      findEndOfFile(coff, cursor);
      continue;
    }
    ++frame.line;
    listControl(coff, cursor, frame.line);
    if (cListing) listSourceLine(frame, text);
    // The listing flag is shared: what an include switches stays switched.
    if (hasInclude(coff, cursor, frame.line)) openNextFile(coff, cursor, stack);
  }
}

void Coff2Cod::openNextFile(const Coff& coff, size_t& cursor,
                            std::vector<std::unique_ptr<SourceFrame>>& stack) {
  if (!findNextFile(coff, cursor)) return;
  const size_t file = cursor;
  const std::string name = Coff::getName(coff.cSymbols[file + 1].file, coff.cStringTbl);
  auto frame = std::make_unique<SourceFrame>();
  if (!isReadableSource(name, cListName) || !frame->in.open(name)) {
    ++cursor;
    reportWarning("Coff2Cod::doNextFile()",
                  "Could not open source file '" + name +
                      "'.\nThis file will not be present in the list file.");
    return;
  }
  const auto number = cSourceIndex.find(static_cast<uint32_t>(file));
  ZV_ASSERT(number != cSourceIndex.end());
  frame->name = name;
  frame->fileNumber = number->second;
  std::tie(frame->code, frame->codeEnd) = linesOfFile(static_cast<uint32_t>(file));
  cursor = file + 2;  // past the file symbol and its auxiliary entry
  stack.push_back(std::move(frame));
}

void Coff2Cod::listSourceLine(SourceFrame& frame, std::string_view text) {
  // Line numbers are compared whole: a line past 65535 has no code.
  const LstLine* entries = frame.code;
  if (frame.line <= UINT16_MAX) {
    while (entries != frame.codeEnd && entries->l_lnno < frame.line) ++entries;
    frame.code = entries;
    while (frame.code != frame.codeEnd && frame.code->l_lnno == frame.line) ++frame.code;
  }
  bool written = false;
  for (; entries != frame.code; ++entries) {
    const LstLine& entry = *entries;
    addLineRecord(frame, written ? 0 : kRecordFlagsFirstWord, entry.l_paddr);
    uint16_t value = 0;
    char buffer[kDisassemblyRoom];
    const std::string_view disassembled = disassembly(frame, entry, value, buffer);
    // Only the first word of a source line shows its text and file.
    const std::string_view none("");
    cListFile.codeRow(entry.l_paddr, value, disassembled, written ? none : text,
                      written ? none : frame.name);
    countLine();
    written = true;
  }
  if (written) return;
  addLineRecord(frame, kRecordFlagsNoCode, 0);
  cListFile.textRow(text, frame.name);
  countLine();
}

std::string_view Coff2Cod::disassembly(SourceFrame& frame, const LstLine& entry, uint16_t& value,
                                       char* text) const {
  uint16_t next = 0;
  if (!readWords(cLineSections[entry.cSection], entry.l_paddr, cBytesPerWord, value, next)) {
    value = 0;
    frame.skip = 0;
    return kIllegalOpcode;
  }
  if (frame.skip > 0) --frame.skip;
  if (frame.skip != 0) return "";  // the second word of a two-word instruction
  const size_t length = cDisassembler->text(text, entry.l_paddr, value, next, frame.skip);
  return length == 0 ? std::string_view(kIllegalOpcode) : std::string_view(text, length);
}

void Coff2Cod::addLineRecord(const SourceFrame& frame, int flags, uint32_t address) {
  // A record holds its file number in one byte: rather than give a record to
  // the wrong file, the records of higher file numbers are left out.
  if (frame.fileNumber > kMaxRecordFileNumber) {
    warnFileNumber(frame);
    return;
  }
  // The directory whose window holds the address; directory 0 when there is none.
  uint32_t directory = address >> cWindowShift;
  if (directory >= cLineInfoTables.size()) directory = 0;
  // Filled in place: a record put together on the stack and copied whole
  // makes the copy wait for its four narrower stores.
  LineInfo& record = cLineInfoTables[directory].emplace_back();
  record.FileNum = static_cast<uint8_t>(frame.fileNumber);
  record.Flags = static_cast<uint8_t>(flags);
  record.Line = static_cast<uint16_t>(frame.line & 0xFFFF);
  record.CodeAddress = static_cast<uint16_t>(address & 0xFFFF);
}

// Apart from the record path: it runs at most once a listing.
void Coff2Cod::warnFileNumber(const SourceFrame& frame) {
  if (!cFileNumberWarned)
    reportWarning(
        "Coff2Cod::doNextFile()",
        "Source file '" + frame.name + "' has file number " + std::to_string(frame.fileNumber) +
            ": line records hold file numbers up to 255, so its line records and those of the "
            "files after it are left out.");
  cFileNumberWarned = true;
}

ListingSymbols& Coff2Cod::symbolsOf(const Coff& coff) {
  if (!cSymbolScan || cScannedCoff != &coff) {
    cSymbolScan = std::make_unique<ListingSymbols>(coff);
    cScannedCoff = &coff;
  }
  return *cSymbolScan;
}

bool Coff2Cod::findNextFile(const Coff& coff, size_t& cursor) {
  return symbolsOf(coff).nextFile(cursor);
}

bool Coff2Cod::findEndOfFile(const Coff& coff, size_t& cursor) {
  return symbolsOf(coff).endOfFile(cursor);
}

void Coff2Cod::listControl(const Coff& coff, size_t start, uint64_t line) {
  const ListingSymbols::Switch change = symbolsOf(coff).listSwitch(start, line);
  if (change != ListingSymbols::Switch::None) cListing = change == ListingSymbols::Switch::On;
}

bool Coff2Cod::hasInclude(const Coff& coff, size_t start, uint64_t line) {
  const bool tracing = cIncludeTrace && *cIncludeTrace;
  if (tracing) std::cout << "Coff2Cod::hasInclude() - index=" << start << " line=" << line << "\n";
  const size_t found = symbolsOf(coff).includedFile(start, line);
  if (found == ListingSymbols::kNone) return false;
  if (tracing)
    std::cout << "Coff2Cod::hasInclude() - found index=" << found << " line=" << line << "\n";
  return true;
}
