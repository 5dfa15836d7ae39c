// Coff::make: reads one COFF image from a file or from a position inside a
// larger file (a library member).
//
// Order of reading: file header, optional header, string table, symbol table,
// then each section header with its contents, line numbers and relocations.
// Nothing in the image is trusted: every read is checked against the image's
// limit before anything is allocated for it.
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <istream>
#include <iterator>

#include "ArchiveReadBuf.h"
#include "ByteOrder.h"
#include "Coff.h"
#include "InputFile.h"
#include "OsPath.h"
#include "Reporter.h"
#include "WholeFile.h"

namespace {

const char* const kOrigin = "Coff::make()";

// Sections stored without contents read as zero bytes, and udata sections are
// written without theirs. Together these sections, which the file does not
// back, may hold at most 4 MiB, twice the largest memory of any supported
// device; the cap counts both kinds, so an image that the reader accepts still
// reads back once it has been written.
constexpr uint64_t kMaxZeroFill = 0x400000;

// Entry sizes: this system's format and the foreign one.
constexpr uint64_t kRelocSize = sizeof(reloc);
constexpr uint64_t kLineSize = sizeof(coff_lineno);
constexpr uint64_t kForeignRelocSize = 10;
constexpr uint64_t kForeignLineSize = 6;
constexpr uint64_t kEntrySize = sizeof(SymEntry);
// Contents at least this large are mapped rather than read, where allowed.
constexpr uint32_t kMapAtLeast = uint32_t(1) << 16;

// Bounded positioned reads of one image: held in memory, or inside a stream.
class ImageReader {
 public:
  ImageReader(std::istream& in, uint64_t base, uint64_t end) : cIn(&in), cBase(base) {
    in.clear();
    in.seekg(0, std::ios::end);
    std::streamoff size = in ? static_cast<std::streamoff>(in.tellg()) : -1;
    uint64_t streamEnd = size > 0 ? static_cast<uint64_t>(size) : 0;
    cEnd = std::min(end, streamEnd);
  }

  // The image is the `length` bytes at `bytes`, which outlive the reader.
  ImageReader(const uint8_t* bytes, uint64_t length) : cBytes(bytes), cEnd(length) {}

  // The bytes from the image start to its limit.
  uint64_t length() const { return cEnd > cBase ? cEnd - cBase : 0; }

  bool fits(uint64_t offset, uint64_t count) const {
    uint64_t len = length();
    return offset <= len && count <= len - offset;
  }

  // Reads `count` bytes at image offset `offset`; false unless all arrive.
  bool read(uint64_t offset, uint64_t count, void* dst) {
    if (!fits(offset, count)) return false;
    if (count == 0) return true;
    if (!cIn) {
      std::memcpy(dst, cBytes + offset, count);
      return true;
    }
    cIn->clear();
    cIn->seekg(static_cast<std::streamoff>(cBase + offset));
    if (!*cIn) return false;
    cIn->read(static_cast<char*>(dst), static_cast<std::streamsize>(count));
    return static_cast<uint64_t>(cIn->gcount()) == count;
  }

  // Points `p` at the `count` bytes at image offset `offset`: at the image in
  // memory, or at `scratch` once they are read from the stream into it. False
  // unless all arrive.
  bool view(uint64_t offset, uint64_t count, std::vector<uint8_t>& scratch, const uint8_t*& p) {
    if (!fits(offset, count)) return false;
    if (!cIn) {
      p = cBytes + offset;
      return true;
    }
    scratch.resize(count);
    p = scratch.data();
    return read(offset, count, scratch.data());
  }

 private:
  std::istream* cIn = nullptr;      // null when the image is held in memory
  const uint8_t* cBytes = nullptr;  // the image in memory
  uint64_t cBase = 0;
  uint64_t cEnd = 0;
};

// Walks symbol-table entries back to back in an image's bytes, each read as
// it stands: the table is built straight from the bytes rather than zeroed
// first and overwritten.
struct EntryBytes {
  using iterator_category = std::forward_iterator_tag;
  using value_type = SymEntry;
  using difference_type = std::ptrdiff_t;
  using pointer = const SymEntry*;
  using reference = SymEntry;

  const uint8_t* at;

  SymEntry operator*() const {
    SymEntry e;
    std::memcpy(static_cast<void*>(&e), at, sizeof e);
    return e;
  }
  EntryBytes& operator++() {
    at += sizeof(SymEntry);
    return *this;
  }
  EntryBytes operator++(int) {
    EntryBytes was = *this;
    at += sizeof(SymEntry);
    return was;
  }
  friend bool operator==(EntryBytes a, EntryBytes b) { return a.at == b.at; }
  friend bool operator!=(EntryBytes a, EntryBytes b) { return !(a == b); }
};

// One reading of one image into a Coff.
class CoffReading {
 public:
  // `mapFd`, when not -1, is the open file that holds the image at `base`,
  // `mapEnd` its size: large contents are mapped from it.
  CoffReading(const ImageReader& image, const std::string& name, uint64_t base = 0, int mapFd = -1,
              uint64_t mapEnd = 0)
      : cIn(image),
        cBase(base),
        cMapFd(mapFd),
        cMapEnd(mapEnd),
        cCoff(new Coff),
        cBudget(cIn.length()) {
    cCoff->cCoffName = name;
  }

  std::unique_ptr<Coff> run() {
    if (!readFileHeader() || !readOptHeader()) return nullptr;
    const filehdr& fh = cCoff->cFileHdr;
    uint64_t strings = uint64_t(fh.f_symptr) + kEntrySize * fh.f_nsyms;
    if (fh.f_nsyms == 0 && fh.f_symptr == 0) {
      // An image without symbols: its string table follows the image's last
      // contents, relocation and line-number bytes.
      if (!readAllScnHdrs()) return nullptr;
      strings = endOfSectionParts();
    }
    if (!readStringTable(strings) || !readSymbols()) return nullptr;
    for (uint32_t j = 0; j < fh.f_nscns; ++j)
      if (!readSection(j)) return nullptr;
    return std::move(cCoff);
  }

 private:
  bool fail(const char* text) {
    reportError(kOrigin, "Coff file '" + cCoff->cCoffName + "' " + text);
    return false;
  }

  // Takes `count` bytes of the image's budget for contents, relocations and line
  // numbers: together they cannot exceed the image, so overlapping parts cannot
  // make the reader hold more than the image's size.
  bool spend(uint64_t count) {
    if (count > cBudget) return false;
    cBudget -= count;
    return true;
  }

  bool readFileHeader() {
    uint8_t b[sizeof(filehdr)];
    if (!cIn.read(0, sizeof b, b)) return fail("could not read file header.");
    fromBytes(b, cCoff->cFileHdr);
    if (cCoff->cFileHdr.f_magic != kCoffMagic)
      return fail("does not appear to be a valid COFF file.");
    return true;
  }

  bool readOptHeader() {
    if (cCoff->cFileHdr.f_opthdr != kOptHdrSize) {
      cForeign = true;
      reportError(kOrigin, "Coff file '" + cCoff->cCoffName + "' missing optional file header.");
      return true;
    }
    uint8_t b[sizeof(opthdr)];
    if (!cIn.read(sizeof(filehdr), sizeof b, b))
      return fail("could not read optional file header.");
    fromBytes(b, cCoff->cOptHdr);
    return true;
  }

  uint64_t scnHdrOffset(uint32_t j) const {
    return sizeof(filehdr) + uint64_t(cCoff->cFileHdr.f_opthdr) + sizeof(scnhdr) * uint64_t(j);
  }

  bool readScnHdr(uint32_t j, scnhdr& hdr) {
    uint8_t b[sizeof(scnhdr)];
    if (!cIn.read(scnHdrOffset(j), sizeof b, b)) return fail("could not read section header.");
    fromBytes(b, hdr);
    return true;
  }

  bool readAllScnHdrs() {
    for (uint32_t j = 0; j < cCoff->cFileHdr.f_nscns; ++j) {
      scnhdr hdr;
      if (!readScnHdr(j, hdr)) return false;
      cHdrs.push_back(hdr);
    }
    cHdrsRead = true;
    return true;
  }

  uint64_t endOfSectionParts() const {
    uint64_t relocSize = cForeign ? kForeignRelocSize : kRelocSize;
    uint64_t lineSize = cForeign ? kForeignLineSize : kLineSize;
    uint64_t end = scnHdrOffset(cCoff->cFileHdr.f_nscns);
    for (const scnhdr& h : cHdrs) {
      if (h.s_scnptr) end = std::max(end, uint64_t(h.s_scnptr) + h.s_size);
      if (h.s_relptr) end = std::max(end, h.s_relptr + relocSize * h.s_nreloc);
      if (h.s_lnnoptr) end = std::max(end, h.s_lnnoptr + lineSize * h.s_nlnno);
    }
    return end;
  }

  // The strings of the table's bytes, in order: the walk ends at an empty
  // string or at bytes without a NUL.
  bool readStringTable(uint64_t at) {
    uint8_t b[4];
    if (!cIn.read(at, sizeof b, b)) return fail("could not read string table length.");
    uint32_t length = getU32(b);
    if (length <= 4) return true;
    std::vector<uint8_t> scratch;
    const uint8_t* bytes = nullptr;
    if (!cIn.view(at + 4, length - 4, scratch, bytes)) return fail("could not read string table.");
    const size_t pos = cCoff->cStringTbl.loadPacked(
        std::string_view(reinterpret_cast<const char*>(bytes), length - 4));
    cNextString = static_cast<uint32_t>(pos + 4);
    return true;
  }

  // The entries arrive as symbols; the entry after a symbol that takes an
  // auxiliary entry is that entry, converted by its kind. On a little-endian
  // host every entry's bytes already are its fields.
  bool readSymbols() {
    const filehdr& fh = cCoff->cFileHdr;
    if (fh.f_nsyms == 0) return true;
    std::vector<uint8_t> scratch;
    const uint8_t* bytes = nullptr;
    if (!cIn.view(fh.f_symptr, kEntrySize * fh.f_nsyms, scratch, bytes))
      return fail("could not read symbol table.");
    const uint32_t n = fh.f_nsyms;
    std::vector<SymEntry>& symbols = cCoff->cSymbols;
    std::vector<uint8_t>& kinds = cCoff->cAuxKinds;
    kinds.assign(n, AUX_NONE);
    const bool copied = hostIsLittleEndian();
    if (copied)
      symbols.assign(EntryBytes{bytes}, EntryBytes{bytes + kEntrySize * n});
    else
      symbols.resize(n);
    for (uint32_t i = 0; i < n; ++i) {
      if (!copied) fromBytes(bytes + kEntrySize * i, AUX_NONE, symbols[i]);
      if (symbols[i].sym.n_numaux == 0 || i + 1 >= n) continue;
      const unsigned kind = auxKind(symbols[i].sym);
      if (kind == AUX_NONE) continue;
      ++i;
      kinds[i] = static_cast<uint8_t>(kind);
      const uint8_t* aux = bytes + kEntrySize * i;
      uint8_t converted[kEntrySize];
      if (cForeign && kind == AUX_FILE) {
        std::memcpy(converted, aux, sizeof converted);
        convertFileName(converted);
        aux = converted;
      } else if (copied) {
        continue;
      }
      fromBytes(aux, kind, symbols[i]);
    }
    return true;
  }

  // A foreign file entry holds its source name inline; it moves to the string
  // table and the entry gets its offset (x_offset) and x_incline 0. An empty
  // name gets offset 0, which no string has: an empty string in the table would
  // end the table for every later reader.
  void convertFileName(uint8_t* aux) {
    const void* nul = std::memchr(aux, 0, kEntrySize);
    size_t len = nul ? static_cast<size_t>(static_cast<const uint8_t*>(nul) - aux) : kEntrySize;
    uint32_t offset = 0;
    if (len > 0) {
      offset = cNextString;
      cCoff->cStringTbl.set(offset, std::string_view(reinterpret_cast<const char*>(aux), len));
      cNextString += static_cast<uint32_t>(len + 1);
    }
    putU32(aux, offset);
    std::memset(aux + 4, 0, 4);
  }

  bool readSection(uint32_t j) {
    scnhdr hdr;
    if (cHdrsRead)
      hdr = cHdrs[j];
    else if (!readScnHdr(j, hdr))
      return false;
    std::string name = Coff::getName(hdr, cCoff->cStringTbl);
    cCoff->cScnHdr[name] = hdr;
    cCoff->cScnNum[static_cast<int>(j + 1)] = name;
    if (hdr.s_size == 0) return true;
    return readContents(hdr, name) && readLineNums(hdr, name) && readRelocs(hdr, name);
  }

  bool readContents(const scnhdr& hdr, const std::string& name) {
    if (hdr.s_scnptr == 0 || scnIsUdata(hdr)) {
      if (hdr.s_size > cZeroFill) return fail("could not read raw data.");
      cZeroFill -= hdr.s_size;
    }
    if (hdr.s_scnptr == 0) {
      cCoff->cRawData[name] = Data(hdr.s_size);
      return true;
    }
    if (!cIn.fits(hdr.s_scnptr, hdr.s_size) || !spend(hdr.s_size))
      return fail("could not read raw data.");
    Data contents = mapContents(hdr);
    if (contents.size() == 0) {
      contents = Data::unfilled(hdr.s_size);
      if (!cIn.read(hdr.s_scnptr, hdr.s_size, contents.bytes()))
        return fail("could not read raw data.");
    }
    cCoff->cRawData[name] = std::move(contents);
    return true;
  }

  // Large contents through a mapping when the caller allows it; empty
  // otherwise, or when the file cannot be mapped. The bytes lie inside the
  // image (checked by the caller).
  Data mapContents(const scnhdr& hdr) const {
    const uint64_t at = cBase + hdr.s_scnptr;
    if (cMapFd < 0 || hdr.s_size < kMapAtLeast || at + hdr.s_size > cMapEnd) return Data();
    return Data::mapped(cMapFd, at, hdr.s_size);
  }

  bool readLineNums(const scnhdr& hdr, const std::string& name) {
    if (hdr.s_nlnno == 0) return true;
    uint64_t size = cForeign ? kForeignLineSize : kLineSize;
    std::vector<uint8_t> scratch;
    const uint8_t* bytes = nullptr;
    if (!cIn.fits(hdr.s_lnnoptr, size * hdr.s_nlnno) || !spend(size * hdr.s_nlnno) ||
        !cIn.view(hdr.s_lnnoptr, size * hdr.s_nlnno, scratch, bytes))
      return fail("could not read line numbers.");
    std::vector<coff_lineno> lines;
    if (!cForeign) {
      lines.resize(hdr.s_nlnno);
      fromBytes(bytes, lines.size(), lines.data());
    } else {
      lines.reserve(hdr.s_nlnno);
    }
    uint32_t function = 0;
    for (uint32_t m = 0; cForeign && m < hdr.s_nlnno; ++m) {
      const uint8_t* p = bytes + size * m;
      coff_lineno line;
      uint32_t word = getU32(p);
      uint16_t lnno = getU16(p + 4);
      if (lnno == 0) {
        function = word;
        continue;
      }
      line.l_srcndx = 0;
      line.l_lnno = lnno;
      line.l_paddr = word;
      line.l_flags = LINENO_FCNBEGIN;
      line.l_fcnndx = function;
      lines.push_back(line);
    }
    if (!lines.empty()) {
      std::vector<coff_lineno>& all = cCoff->cLineNums[name];
      if (all.empty())
        all = std::move(lines);
      else
        all.insert(all.end(), lines.begin(), lines.end());
    }
    return true;
  }

  bool readRelocs(const scnhdr& hdr, const std::string& name) {
    if (hdr.s_nreloc == 0) return true;
    uint64_t size = cForeign ? kForeignRelocSize : kRelocSize;
    std::vector<uint8_t> scratch;
    const uint8_t* bytes = nullptr;
    if (!cIn.fits(hdr.s_relptr, size * hdr.s_nreloc) || !spend(size * hdr.s_nreloc) ||
        !cIn.view(hdr.s_relptr, size * hdr.s_nreloc, scratch, bytes))
      return fail("could not read relocation info.");
    std::vector<reloc>& relocs = cCoff->cRelocs[name];
    const size_t first = relocs.size();
    relocs.resize(first + hdr.s_nreloc);
    if (!cForeign) {
      fromBytes(bytes, hdr.s_nreloc, relocs.data() + first);
      return true;
    }
    for (uint32_t m = 0; m < hdr.s_nreloc; ++m) {
      uint8_t own[sizeof(reloc)] = {};
      std::memcpy(own, bytes + size * m, 8);  // r_vaddr, r_symndx; r_offset 0
      reloc& r = relocs[first + m];
      fromBytes(own, r);
      r.r_type = 4;
    }
    return true;
  }

  ImageReader cIn;
  uint64_t cBase;
  int cMapFd;
  uint64_t cMapEnd;
  std::unique_ptr<Coff> cCoff;
  uint64_t cBudget;
  uint64_t cZeroFill = kMaxZeroFill;
  bool cForeign = false;
  uint32_t cNextString = 4;
  std::vector<scnhdr> cHdrs;  // read ahead when the string table's place needs them
  bool cHdrsRead = false;
};

}  // namespace

namespace {

// Opens the file `name` for reading through `buf`, so that nothing blocks and
// only a regular file is read; reports a failure.
bool openCoffFile(const std::string& name, ArchiveReadBuf& buf) {
  if (buf.open(osPath(name))) return true;
  reportError(kOrigin, "Could not open Coff file '" + name + "' for reading.");
  return false;
}

// The descriptor whose contents may be mapped: none for an empty file.
int mapFd(const InputFile& source) { return source.size() ? source.fd() : -1; }

}  // namespace

std::unique_ptr<Coff> Coff::make(const std::string& name) {
  WholeFile file;
  bool missing = false;
  file.read(osPath(name), kReadWholeAtMost, missing);
  return make(name, file);
}

// A file read whole is converted from memory; any other goes through a
// stream, which reads only the parts of the image.
std::unique_ptr<Coff> Coff::make(const std::string& name, const WholeFile& file) {
  if (file.isRead()) return CoffReading(ImageReader(file.bytes(), file.length()), name).run();
  ArchiveReadBuf buf;
  if (!openCoffFile(name, buf)) return nullptr;
  std::istream in(&buf);
  return make(in, 0, name);
}

std::unique_ptr<Coff> Coff::makeMapped(const std::string& name) {
  ArchiveReadBuf buf;
  if (!openCoffFile(name, buf)) return nullptr;
  std::istream in(&buf);
  const InputFile source(osPath(name));
  return CoffReading(ImageReader(in, 0, kToStreamEnd), name, 0, mapFd(source), source.size()).run();
}

std::unique_ptr<Coff> Coff::make(std::istream& file, uint32_t base, const std::string& name,
                                 uint64_t end) {
  return CoffReading(ImageReader(file, base, end), name, base).run();
}
