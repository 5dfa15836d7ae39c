// The COFF writer: Coff::preWrite lays an image out, Coff::size measures it and
// Coff::write writes it, as a file of its own or at a position inside a larger
// file (a library member).
//
// Trace of Coff::size (trace name "Coff::size"), numbers other than counts in hex:
//
//   Coff::size
//   secHdrStart=0x00000024, secHdrLength=0x00000050
//   rawDataStart=0x00000074, rawDataLength=0x00000010
//   ...
//   fileLength=0x000000c8
#include <algorithm>
#include <cstring>
#include <ctime>
#include <fstream>
#include <functional>
#include <iostream>
#include <tuple>
#include <unordered_map>
#include <utility>
#include <vector>

#include "Assert.h"
#include "ByteOrder.h"
#include "Coff.h"
#include "NameWalk.h"
#include "OsPath.h"
#include "Reporter.h"
#include "TextHelpers.h"
#include "Trace.h"

namespace {

constexpr uint64_t kScnHdrStart = sizeof(filehdr) + sizeof(opthdr);
constexpr size_t kMaxCount = 0xFFFF;  // f_nscns, s_nreloc and s_nlnno are 16 bits wide
// Every offset of the image, and the string table's length word, is 32 bits wide.
constexpr uint64_t kMaxImageSize = UINT32_MAX;

std::string hex(uint64_t value) { return toHex(static_cast<uint32_t>(value), 4); }

// On a little-endian host a record in memory holds exactly its file bytes (the
// records are packed, their fields at their file offsets, and every byte of an
// auxiliary entry is a field or kept raw), so a table of records is written as
// it stands, without a conversion of each.
bool recordsAreFileBytes() {
  const uint16_t one = 1;
  uint8_t first = 0;
  std::memcpy(&first, &one, 1);
  return first == 1;
}

// One numbered section with what the image's maps hold for it, looked up once
// for the measure, the layout and the writer together.
struct Section {
  int number = 0;
  const std::string* name = nullptr;
  const scnhdr* hdr = nullptr;  // null: the section has no header
  const Data* raw = nullptr;
  const std::vector<reloc>* relocs = nullptr;
  const std::vector<coff_lineno>* lines = nullptr;

  bool udata() const { return hdr && scnIsUdata(*hdr); }
  size_t nreloc() const { return relocs ? relocs->size() : 0; }
  size_t nlnno() const { return lines ? lines->size() : 0; }
  // The section's length: that of its contents; a udata section, which has
  // none in the file, may instead carry its length in its header alone.
  uint32_t size() const {
    if (raw && raw->size() != 0) return raw->size();
    return udata() ? hdr->s_size : 0;
  }
};

// The sections in number order. The maps are walked side by side in name
// order, the sections taken in that order too.
std::vector<Section> sectionsOf(const Coff& c) {
  std::vector<Section> sections;
  sections.reserve(c.cScnNum.size());
  for (const auto& [number, name] : c.cScnNum) {
    Section s;
    s.number = number;
    s.name = &name;
    sections.push_back(s);
  }
  std::vector<Section*> byName;
  byName.reserve(sections.size());
  for (Section& s : sections) byName.push_back(&s);
  std::stable_sort(byName.begin(), byName.end(),
                   [](const Section* a, const Section* b) { return *a->name < *b->name; });
  NameWalk<scnhdr> headers(c.cScnHdr);
  NameWalk<Data> contents(c.cRawData);
  NameWalk<std::vector<reloc>> relocs(c.cRelocs);
  NameWalk<std::vector<coff_lineno>> lines(c.cLineNums);
  for (Section* s : byName) {
    s->hdr = headers.find(*s->name);
    s->raw = contents.find(*s->name);
    s->relocs = relocs.find(*s->name);
    s->lines = lines.find(*s->name);
  }
  return sections;
}

// Where each part of the image starts and how long it is, counted in 64 bits so
// that an image too large for the 32-bit fields is seen, never wrapped.
struct Parts {
  uint64_t scnHdrStart = kScnHdrStart, scnHdrLength = 0;
  uint64_t rawDataStart = 0, rawDataLength = 0;
  uint64_t relocStart = 0, relocLength = 0;
  uint64_t lineStart = 0, lineLength = 0;
  uint64_t symbolStart = 0, symbolLength = 0;
  uint64_t stringStart = 0, stringLength = 4;
  std::vector<Section> sections;

  uint64_t fileLength() const { return stringStart + stringLength; }
  bool fits() const { return fileLength() <= kMaxImageSize; }

  void trace(const char* title) const {
    std::cout << '\n'
              << title << '\n'
              << "secHdrStart=" << hex(scnHdrStart) << ", secHdrLength=" << hex(scnHdrLength)
              << '\n'
              << "rawDataStart=" << hex(rawDataStart) << ", rawDataLength=" << hex(rawDataLength)
              << '\n'
              << "relocStart=" << hex(relocStart) << ", relocLength=" << hex(relocLength) << '\n'
              << "lineStart=" << hex(lineStart) << ", lineLength=" << hex(lineLength) << '\n'
              << "symbolStart=" << hex(symbolStart) << ", symbolLength=" << hex(symbolLength)
              << '\n'
              << "stringStart=" << hex(stringStart) << ", stringLength=" << hex(stringLength)
              << '\n';
  }
};

Parts measure(const Coff& c) {
  Parts p;
  p.sections = sectionsOf(c);
  size_t relocs = 0, lines = 0;
  for (const Section& s : p.sections) {
    if (s.raw && !s.udata()) p.rawDataLength += s.raw->size();
    relocs += s.nreloc();
    lines += s.nlnno();
  }
  p.scnHdrLength = uint64_t(sizeof(scnhdr)) * c.cScnHdr.size();
  p.rawDataStart = p.scnHdrStart + p.scnHdrLength;
  p.relocStart = p.rawDataStart + p.rawDataLength;
  p.relocLength = uint64_t(sizeof(reloc)) * relocs;
  p.lineStart = p.relocStart + p.relocLength;
  p.lineLength = uint64_t(sizeof(coff_lineno)) * lines;
  p.symbolStart = p.lineStart + p.lineLength;
  p.symbolLength = uint64_t(sizeof(SymEntry)) * c.cSymbols.size();
  p.stringStart = p.symbolStart + p.symbolLength;
  for (const auto& [offset, text] : c.cStringTbl) p.stringLength += text.size() + 1;
  return p;
}

// The counts and offsets that the layout gives one section's header. The
// offsets are those of a layout that fits (Parts::fits); an image that does not
// fit is never written.
struct Place {
  const Section* section;
  uint32_t size = 0, scnptr = 0, relptr = 0, lnnoptr = 0;
  size_t nreloc = 0, nlnno = 0;
};

std::vector<Place> placeSections(const Parts& parts) {
  std::vector<Place> places;
  places.reserve(parts.sections.size());
  uint64_t raw = parts.rawDataStart, rel = parts.relocStart, line = parts.lineStart;
  for (const Section& s : parts.sections) {
    Place p{&s};
    const bool udata = s.udata();
    p.size = s.size();
    p.scnptr = (p.size == 0 || udata) ? 0 : static_cast<uint32_t>(raw);
    if (!udata) raw += p.size;
    p.nreloc = s.nreloc();
    p.relptr = p.nreloc ? static_cast<uint32_t>(rel) : 0;
    rel += sizeof(reloc) * p.nreloc;
    p.nlnno = s.nlnno();
    p.lnnoptr = p.nlnno ? static_cast<uint32_t>(line) : 0;
    line += sizeof(coff_lineno) * p.nlnno;
    places.push_back(p);
  }
  return places;
}

bool placed(const scnhdr& h, const Place& p) {
  return h.s_size == p.size && h.s_scnptr == p.scnptr && h.s_relptr == p.relptr &&
         h.s_lnnoptr == p.lnnoptr && h.s_nreloc == p.nreloc && h.s_nlnno == p.nlnno;
}

// Adds an empty entry for a name the map lacks. Sections numbered in the
// order of their names, as a linked image's mostly are, each go straight to
// the end.
template <class Value>
void addEmpty(std::map<std::string, Value>& map, const std::string& name) {
  map.emplace_hint(map.end(), std::piecewise_construct, std::forward_as_tuple(name),
                   std::forward_as_tuple());
}

// The layout of preWrite. Only preWrite itself stamps the time and traces; a
// relayout before writing keeps the image's time stamp.
void layOut(Coff& c, bool asPreWrite) {
  bool tracing = asPreWrite && traceLevel("Coff::preWrite") != 0;
  Parts parts = measure(c);
  if (tracing) parts.trace("Coff::preWrite");
  filehdr& fh = c.cFileHdr;
  fh.f_nscns = static_cast<uint16_t>(c.cScnHdr.size());
  if (asPreWrite) fh.f_timdat = static_cast<uint32_t>(std::time(nullptr));
  fh.f_symptr = c.cSymbols.empty() ? 0 : static_cast<uint32_t>(parts.symbolStart);
  fh.f_nsyms = static_cast<uint32_t>(c.cSymbols.size());
  for (const Place& p : placeSections(parts)) {
    const Section& s = *p.section;
    if (!s.hdr) continue;  // no header to lay out; write refuses it
    // The header as measure found it in c, which is ours to change.
    scnhdr& h = const_cast<scnhdr&>(*s.hdr);
    // Every laid-out section has contents, relocations and lines.
    if (!s.raw) addEmpty(c.cRawData, *s.name);
    if (!s.relocs) addEmpty(c.cRelocs, *s.name);
    if (!s.lines) addEmpty(c.cLineNums, *s.name);
    h.s_size = p.size;
    h.s_scnptr = p.scnptr;
    h.s_nreloc = static_cast<uint16_t>(p.nreloc);
    h.s_relptr = p.relptr;
    h.s_nlnno = static_cast<uint16_t>(p.nlnno);
    h.s_lnnoptr = p.lnnoptr;
    if (tracing)
      std::cout << "scnNum=" << s.number << ", secName=" << *s.name << '\n'
                << "raw data: size=" << hex(h.s_size) << ", ptr=" << hex(h.s_scnptr) << '\n'
                << "reloc: num=" << h.s_nreloc << ", ptr=" << hex(h.s_relptr) << '\n'
                << "line: num=" << h.s_nlnno << ", ptr=" << hex(h.s_lnnoptr) << '\n';
  }
  c.fixupAuxFcns();
  fh.f_magic = kCoffMagic;
}

// True when the image's headers describe the writer's layout, so that writing
// the records as they stand gives a consistent image.
bool hasWriterLayout(const Coff& c, const Parts& parts) {
  const filehdr& fh = c.cFileHdr;
  if (fh.f_magic != kCoffMagic || fh.f_opthdr != kOptHdrSize || fh.f_nscns != c.cScnHdr.size() ||
      fh.f_nsyms != c.cSymbols.size() ||
      fh.f_symptr != (c.cSymbols.empty() ? 0 : parts.symbolStart))
    return false;
  for (const Place& p : placeSections(parts))
    if (!p.section->hdr || !placed(*p.section->hdr, p)) return false;
  return true;
}

void refuse(const Coff& c, const std::string& text) {
  reportError("Coff::write()", "Coff file '" + c.cCoffName + "'" + text);
}

// Every section number names a header of its own, and every header has a
// number: each number has a header, no two numbers name the same one, and
// there are as many headers as numbers.
bool paired(const Coff& c, const Parts& parts) {
  if (parts.sections.size() != c.cScnHdr.size()) return false;
  std::vector<const scnhdr*> headers;
  headers.reserve(parts.sections.size());
  for (const Section& s : parts.sections) {
    if (!s.hdr) return false;
    headers.push_back(s.hdr);
  }
  std::sort(headers.begin(), headers.end(), std::less<const scnhdr*>());
  return std::adjacent_find(headers.begin(), headers.end()) == headers.end();
}

// An image can be written when every section number names its own header,
// every count fits its 16-bit header field and every offset its 32-bit one.
bool canWrite(const Coff& c, const Parts& parts) {
  ZV_ASSERT(c.cSymbols.size() == c.cAuxKinds.size());
  if (!paired(c, parts)) {
    refuse(c, " has section numbers and section headers that do not match.");
    return false;
  }
  if (c.cScnHdr.size() > kMaxCount) {  // f_nscns is 16 bits wide too
    refuse(c, " has more than 65535 sections.");
    return false;
  }
  for (const Section& s : parts.sections) {
    if (s.nreloc() > kMaxCount) {
      refuse(c, ", section '" + *s.name + "' has more than 65535 relocation entries.");
      return false;
    }
    if (s.nlnno() > kMaxCount) {
      refuse(c, ", section '" + *s.name + "' has more than 65535 line numbers.");
      return false;
    }
  }
  if (!parts.fits()) {
    refuse(c, " would be larger than 4 GiB, more than its 32-bit offsets can address.");
    return false;
  }
  return true;
}

// Writes the parts in layout order. The records of a part are converted into
// one small buffer that goes out whenever it fills and at the part's end, so
// that a failed write is told as the part's own; small contents gather there
// too, while large contents and a symbol table already in file form go out as
// they are.
class ImageWriter {
 public:
  ImageWriter(const Coff& c, const Parts& parts, std::ostream& out)
      : cCoff(c), cParts(parts), cOut(out) {
    cBuffer.resize(kBufferSize);
  }

  int run(uint32_t base) {
    cOut.seekp(base);
    if (!cOut) return fail("could not write file header.");
    uint8_t fh[sizeof(filehdr)];
    toBytes(cCoff.cFileHdr, fh);
    if (!put(fh, sizeof fh)) return fail("could not write file header.");
    uint8_t oh[sizeof(opthdr)];
    toBytes(cCoff.cOptHdr, oh);
    if (!put(oh, sizeof oh)) return fail("could not write optional file header.");
    if (!writeScnHdrs()) return fail("could not write section header.");
    if (!writeRawData()) return fail("could not write raw data.");
    if (!writeRelocs()) return fail("could not write reloc.");
    if (!writeLines()) return fail("could not write lineinfo.");
    if (!writeSymbols()) return fail("could not write symbol.");
    if (!writeStringLength()) return fail("could not write string table length.");
    if (!writeStrings()) return fail("could not write string.");
    cOut.flush();
    if (!cOut) return fail("could not write string.");
    return 1;
  }

 private:
  static constexpr size_t kBufferSize = 64 * 1024;

  int fail(const char* text) {
    reportError("Coff::write()", "Coff file '" + cCoff.cCoffName + "' " + text);
    return 0;
  }

  bool put(const void* p, size_t n) {
    if (n == 0) return true;
    cOut.write(static_cast<const char*>(p), static_cast<std::streamsize>(n));
    return static_cast<bool>(cOut);
  }

  // Room for `n` (at most kBufferSize) bytes at the buffer's end.
  uint8_t* room(size_t n) {
    if (cUsed + n > cBuffer.size()) drain();
    uint8_t* p = cBuffer.data() + cUsed;
    cUsed += n;
    return p;
  }

  void append(const char* p, size_t n) {
    while (n > 0) {
      size_t chunk = std::min(n, kBufferSize);
      std::memcpy(room(chunk), p, chunk);
      p += chunk;
      n -= chunk;
    }
  }

  void drain() {
    if (!put(cBuffer.data(), cUsed)) cFailed = true;
    cUsed = 0;
  }

  // Ends a part: true when all of it was written.
  bool endPart() {
    drain();
    return !std::exchange(cFailed, false);
  }

  bool writeScnHdrs() {
    for (const Section& s : cParts.sections) toBytes(*s.hdr, room(sizeof(scnhdr)));
    return endPart();
  }

  // Small contents gather in the buffer, so that a program of many small
  // sections is written in few calls; large ones go out as they are.
  bool writeRawData() {
    for (const Section& s : cParts.sections) {
      const Data* raw = s.raw;
      if (!raw || s.udata()) continue;
      if (raw->size() < kBufferSize / 2) {
        append(reinterpret_cast<const char*>(raw->bytes()), raw->size());
      } else {
        drain();
        if (!cFailed && !put(raw->bytes(), raw->size())) cFailed = true;
      }
    }
    return endPart();
  }

  template <class Record>
  bool writeLists(const std::vector<Record>* Section::*list) {
    for (const Section& s : cParts.sections)
      if (const std::vector<Record>* records = s.*list)
        for (const Record& r : *records) toBytes(r, room(sizeof(Record)));
    return endPart();
  }

  bool writeRelocs() { return writeLists(&Section::relocs); }
  bool writeLines() { return writeLists(&Section::lines); }

  bool writeSymbols() {
    if (recordsAreFileBytes())
      return put(cCoff.cSymbols.data(), sizeof(SymEntry) * cCoff.cSymbols.size());
    for (size_t i = 0; i < cCoff.cSymbols.size(); ++i)
      toBytes(cCoff.cSymbols[i], cCoff.cAuxKinds[i], room(sizeof(SymEntry)));
    return endPart();
  }

  bool writeStringLength() {
    uint32_t length = static_cast<uint32_t>(cParts.stringLength);
    uint8_t b[4];
    putU32(b, length);
    return put(b, sizeof b);
  }

  bool writeStrings() {
    for (const auto& entry : cCoff.cStringTbl) {
      append(entry.second.data(), entry.second.size());
      *room(1) = 0;
    }
    return endPart();
  }

  const Coff& cCoff;
  const Parts& cParts;  // the image's layout, measured once
  std::ostream& cOut;
  std::vector<uint8_t> cBuffer;
  size_t cUsed = 0;
  bool cFailed = false;  // a write of the current part failed
};

// For one section's line list: each function's (l_fcnndx's) last begin line,
// as its position in the list.
using LastBeginLines = std::unordered_map<uint32_t, uint32_t>;

LastBeginLines lastBeginLines(const std::vector<coff_lineno>& lines) {
  LastBeginLines last;
  uint32_t m = 0;
  for (const coff_lineno& line : lines) {
    if (isFcnBegin(line)) last[line.l_fcnndx] = m;
    ++m;
  }
  return last;
}

}  // namespace

void Coff::preWrite() { layOut(*this, true); }

uint32_t Coff::size() const {
  static const int& tracing = traceLevelRef("Coff::size");
  Parts parts = measure(*this);
  if (tracing != 0) {
    parts.trace("Coff::size");
    std::cout << "fileLength=" << hex(parts.fileLength()) << '\n';
  }
  // An image past 4 GiB is refused by write; its size reads as the largest.
  return parts.fits() ? static_cast<uint32_t>(parts.fileLength()) : UINT32_MAX;
}

void Coff::fixupAuxFcns() {
  bool tracing = traceLevel("Coff::fixupAuxFcns") != 0;
  std::map<std::string, LastBeginLines> lastBegins;  // filled per section on first use
  for (size_t i = 0; i + 1 < cSymbols.size(); ++i) {
    if (cAuxKinds[i] != AUX_NONE || cAuxKinds[i + 1] != AUX_FCN) continue;
    const syment& sym = cSymbols[i].sym;
    if (auxKind(sym) != AUX_FCN || i > UINT32_MAX) continue;
    auto num = cScnNum.find(sym.n_scnum);
    if (num == cScnNum.end()) continue;
    auto hdr = cScnHdr.find(num->second);
    auto lines = cLineNums.find(num->second);
    if (hdr == cScnHdr.end() || lines == cLineNums.end()) continue;
    auto [begins, added] = lastBegins.try_emplace(num->second);
    if (added) begins->second = lastBeginLines(lines->second);
    auto m = begins->second.find(static_cast<uint32_t>(i));
    if (m == begins->second.end()) continue;
    aux_fcn& aux = cSymbols[i + 1].fcn;
    uint32_t old = aux.x_lnnoptr;
    aux.x_lnnoptr = hdr->second.s_lnnoptr + static_cast<uint32_t>(sizeof(coff_lineno)) * m->second;
    if (tracing)
      std::cout << "Coff::fixupAuxFcns() - symbol '" << getName(sym, cStringTbl) << "' in section '"
                << num->second << "'  from " << hex(old) << " to " << hex(aux.x_lnnoptr) << '\n';
  }
}

namespace {

// Writes an image that canWrite accepted, measured as `parts`.
int writeImage(const Coff& c, const Parts& parts, std::ostream& file, uint32_t base) {
  if (hasWriterLayout(c, parts)) return ImageWriter(c, parts, file).run(base);
  // Offsets from another layout (another tool's gaps or order, a foreign
  // optional header): lay a copy out as preWrite does, keeping the time stamp.
  Coff copy(c);
  layOut(copy, false);
  copy.cFileHdr.f_opthdr = kOptHdrSize;
  const Parts copyParts = measure(copy);
  return ImageWriter(copy, copyParts, file).run(base);
}

}  // namespace

int Coff::write(std::ostream& file, uint32_t base) const {
  const Parts parts = measure(*this);
  if (!canWrite(*this, parts)) return 0;
  return writeImage(*this, parts, file, base);
}

int Coff::write() const {
  const Parts parts = measure(*this);
  if (!canWrite(*this, parts)) return 0;
  std::ofstream out;
  out.rdbuf()->pubsetbuf(nullptr, 0);  // each part goes straight to the file
  out.open(osPath(cCoffName), std::ios::out | std::ios::binary | std::ios::trunc);
  if (!out.is_open()) {
    reportError("Coff::write()", "Could not open Coff file '" + cCoffName + "' for writing.");
    return 0;
  }
  if (!writeImage(*this, parts, out, 0)) return 0;
  out.close();
  if (out.fail()) {
    reportError("Coff::write()", "Coff file '" + cCoffName + "' could not write string.");
    return 0;
  }
  return 1;
}
