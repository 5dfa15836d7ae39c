#include "Archive.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iomanip>
#include <iostream>

#include "ArchiveReadBuf.h"
#include "ArchiveReplacementFile.h"
#include "Assert.h"
#include "OsPath.h"
#include "Reporter.h"
#include "Trace.h"

namespace {

const char kMagic[8] = {'!', '<', 'a', 'r', 'c', 'h', '>', '\n'};

// The header in front of every member image.
struct MemberHeader {
  char ar_name[256];  // name, '/', blanks
  char ar_date[12];   // f_timdat in decimal, NUL-filled
  char ar_size[10];   // image length in decimal, NUL-filled
  char ar_fmag[2];    // '`' '\n'
};
static_assert(sizeof(MemberHeader) == 280, "member header is 280 bytes");

const std::string::size_type kMaxNameLength = 255;
const std::string::size_type kMaxDateDigits = 11;
const std::string::size_type kMaxSizeDigits = 9;

MemberHeader headerFor(const Coff& member) {
  MemberHeader h;
  std::memset(&h, 0, sizeof h);
  std::memset(h.ar_name, ' ', sizeof h.ar_name);
  std::string name = member.cCoffName.substr(0, kMaxNameLength);
  std::memcpy(h.ar_name, name.data(), name.size());
  h.ar_name[name.size()] = '/';
  std::string date = std::to_string(member.cFileHdr.f_timdat).substr(0, kMaxDateDigits);
  std::memcpy(h.ar_date, date.data(), date.size());
  std::string size = std::to_string(member.size()).substr(0, kMaxSizeDigits);
  std::memcpy(h.ar_size, size.data(), size.size());
  h.ar_fmag[0] = '`';
  h.ar_fmag[1] = '\n';
  return h;
}

// The member name of a header: the name field up to a NUL, cut before the
// first '/'.
std::string nameOf(const MemberHeader& h) {
  std::string field(h.ar_name, sizeof h.ar_name);
  field = field.substr(0, field.find('\0'));
  return field.substr(0, field.find('/'));
}

// The decimal number in a header's size field, with the blanks and NULs on
// either side of it skipped: a field written right-aligned or blank-padded
// reads as one written left-aligned and NUL-filled. False when what is left is
// no plain decimal number (nothing, a sign, a prefix, a blank inside).
bool sizeFieldNumber(const MemberHeader& h, std::string& digits) {
  const std::string field(h.ar_size, sizeof h.ar_size);
  const char padding[] = {' ', '\0'};
  const std::string::size_type first = field.find_first_not_of(padding, 0, sizeof padding);
  if (first == std::string::npos) return false;
  const std::string::size_type last = field.find_last_not_of(padding, std::string::npos,
                                                             sizeof padding);
  digits = field.substr(first, last - first + 1);
  return digits.find_first_not_of("0123456789") == std::string::npos;
}

// Where a member's bytes end: at base + the length in its header, or at the
// library's end when that comes first. The writer cuts a longer length to its
// first kMaxSizeDigits digits, so a field that holds that many may stand for a
// length up to ten times larger, and bounds the member there. A field that
// holds no number sets no bound: the member is read as its image's own
// lengths say, up to the library's end.
uint64_t memberEnd(const MemberHeader& h, uint64_t base, uint64_t fileEnd) {
  std::string digits;
  if (!sizeFieldNumber(h, digits)) return fileEnd;
  uint64_t length = 0;
  for (char c : digits) length = length * 10 + static_cast<uint64_t>(c - '0');
  if (digits.size() == kMaxSizeDigits) length = length * 10 + 9;
  return std::min(fileEnd, base + length);
}

// Reads n bytes at pos; false when the stream cannot deliver them all.
bool readAt(std::istream& in, uint64_t pos, void* buf, std::streamsize n) {
  in.clear();
  if (pos > UINT32_MAX || !in.seekg(static_cast<std::streamoff>(pos))) return false;
  in.read(static_cast<char*>(buf), n);
  return in.gcount() == n;
}

void readError(const std::string& text) { reportError("Archive::make()", text); }

}  // namespace

Archive::Archive(const std::string& name) : cName(name) {}

Archive::Archive(const Archive& other) : cName(other.cName) {
  for (const auto& m : other.cMembers) cMembers.push_back(std::make_unique<Coff>(*m));
  makeSymbols();
}

Archive& Archive::operator=(const Archive& other) {
  if (this == &other) return *this;
  Archive copy(other);
  cName = std::move(copy.cName);
  cMembers = std::move(copy.cMembers);
  cSymbols = std::move(copy.cSymbols);
  return *this;
}

Archive::~Archive() {
  cMembers.clear();
  cSymbols.clear();
}

std::unique_ptr<Archive> Archive::make(const std::string& name) {
  ArchiveReadBuf file;
  if (!file.open(osPath(name))) {
    readError("Could not open library file '" + name + "' for reading.");
    return nullptr;
  }
  std::istream in(&file);
  return make(in, name, file.fileSize());
}

std::unique_ptr<Archive> Archive::make(std::istream& in, const std::string& name, uint64_t size) {
  auto archive = std::make_unique<Archive>(name);
  char magic[sizeof kMagic];
  if (!readAt(in, 0, magic, sizeof magic)) {
    readError("Could not read archive magic string in library file '" + name + "'.");
    return nullptr;
  }
  if (std::memcmp(magic, kMagic, sizeof kMagic) != 0) {
    readError("File '" + name + "' is not a valid library file.");
    return nullptr;
  }
  // Members back to back; the next starts where the image length says. A
  // trailing fragment shorter than a header is no member.
  uint64_t p = sizeof kMagic;
  MemberHeader h;
  while (readAt(in, p, &h, sizeof h)) {
    uint64_t base = p + sizeof h;
    in.clear();
    if (base > UINT32_MAX || !in.seekg(static_cast<std::streamoff>(base))) {
      readError("Library file '" + name + "' has a missing member object file.");
      return nullptr;
    }
    std::string member = nameOf(h);
    // The member is read inside its own bytes: a part that runs past them
    // fails with the reader's message for that part.
    std::unique_ptr<Coff> coff = Coff::make(in, static_cast<uint32_t>(base), member,
                                            memberEnd(h, base, size));
    if (!coff) {
      readError("Could not build member '" + member + "' in library file '" + name + "'. ");
      return nullptr;
    }
    p = base + coff->size();
    archive->cMembers.push_back(std::move(coff));
  }
  archive->makeSymbols();  // duplicates are reported; the first definition wins
  return archive;
}

int Archive::write() const {
  ReplacementFile file(osPath(cName));
  if (!file.open()) {
    reportError("Archive::write()", "Could not open library file '" + cName + "' for writing.");
    return 0;
  }
  if (!write(file.stream())) return 0;
  if (!file.commit()) {
    reportError("Archive::write()", "Could not write library file '" + cName + "'.");
    return 0;
  }
  return 1;
}

int Archive::write(std::ostream& out) const {
  if (!out.write(kMagic, sizeof kMagic)) {
    reportError("Archive::write()",
                "Could not write archive magic string in library file '" + cName + "'. ");
    return 0;
  }
  for (const auto& m : cMembers) {
    MemberHeader h = headerFor(*m);
    std::streamoff pos = -1;  // where the image goes: right after its header
    if (out.write(reinterpret_cast<const char*>(&h), sizeof h)) pos = out.tellp();
    if (pos < 0 || pos > static_cast<std::streamoff>(UINT32_MAX)) {
      reportError("Archive::write()", "Could not write member header for '" + m->cCoffName +
                                          "' in library file '" + cName + "'. ");
      return 0;
    }
    // The image writer names the member; the user also learns which library
    // was not written.
    if (!m->write(out, static_cast<uint32_t>(pos))) {
      reportError("Archive::write()", "Could not write library file '" + cName + "'.");
      return 0;
    }
  }
  return 1;
}

int Archive::makeSymbols() {
  int result = 1;
  cSymbols.clear();
  for (const auto& m : cMembers) {
    for (std::size_t i = 0; i < m->cSymbols.size(); ++i) {
      if (m->cAuxKinds[i] != 0) continue;
      const syment& s = m->cSymbols[i].sym;
      if (!isExtDef(s)) continue;
      std::string name = Coff::getName(s, m->cStringTbl);
      if (cSymbols.emplace(name, m.get()).second) continue;
      reportError("Archive::makeSymbols()",
                  "Symbol '" + name + "' has multiple external definitions.");
      result = 0;
    }
  }
  if (traceLevel("Archive::makeSymbols")) {
    std::cout << "  Symbols: " << '\n';
    for (const auto& s : cSymbols) {
      std::cout << "    " << std::setw(15) << s.first << " -> " << s.second->cCoffName << '\n';
    }
    std::cout << '\n';
  }
  return result;
}

int Archive::hasSymbol(const std::string& name) const { return cSymbols.count(name) ? 1 : 0; }

std::unique_ptr<Coff> Archive::getMember(const std::string& name) const {
  auto it = cSymbols.find(name);
  if (it == cSymbols.end()) return nullptr;
  return std::make_unique<Coff>(*it->second);
}

std::unique_ptr<Coff> Archive::takeMember(size_t index) {
  ZV_ASSERT(index < cMembers.size());
  return std::move(cMembers[index]);
}

void Archive::print(std::ostream& os) const {
  os << "Archive: " << '\n' << "  Symbols: " << '\n';
  for (const auto& s : cSymbols) os << "    '" << s.first << "' -> " << s.second->cCoffName << '\n';
  os << '\n' << "  Members: " << '\n';
  for (std::size_t i = 0; i < cMembers.size(); ++i) {
    os << "    Member[" << i << "] = " << '\n';
    cMembers[i]->print(os);
    os << '\n';
  }
}
