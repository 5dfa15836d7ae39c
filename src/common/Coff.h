// One COFF image in memory: an object file, a linked executable or a library
// member. Every per-section map is keyed by the section name; cScnNum maps the
// 1-based section number (header order in the file) to that name. Symbol-table
// indices count auxiliary entries.
//
// Image layout as the writer lays it out, back to back:
//   file header (20) | optional header (16) | section headers (40 each) |
//   raw contents (not udata) | relocations (12 each) | line numbers (16 each) |
//   symbol table (18 each) | string table (u32 length, then NUL-ended strings)
// Per-section parts follow ascending section number.
#ifndef ZV_COMMON_COFF_H
#define ZV_COMMON_COFF_H

#include <cstdint>
#include <istream>
#include <map>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "CoffRecords.h"
#include "Data.h"
#include "StringTbl.h"

class WholeFile;

class Coff {
 public:
  // The stream form of make reads up to the end of the stream unless told less.
  static constexpr uint64_t kToStreamEnd = UINT64_MAX;

  std::string cCoffName;  // file read from or to write to; a member's name
  filehdr cFileHdr;
  opthdr cOptHdr;
  std::map<int, std::string> cScnNum;                         // section number -> name
  std::map<std::string, scnhdr> cScnHdr;                      // name -> header
  std::map<std::string, Data> cRawData;                       // name -> contents
  std::map<std::string, std::vector<reloc>> cRelocs;          // name -> relocations
  std::map<std::string, std::vector<coff_lineno>> cLineNums;  // name -> line numbers
  std::vector<SymEntry> cSymbols;                             // symbol table in file order
  std::vector<uint8_t> cAuxKinds;  // per entry: 0 symbol, else its AuxKind
  StringTbl cStringTbl;

  Coff();                   // empty name and containers, zero headers
  Coff(const Coff& other);  // deep copy of every member
  Coff& operator=(const Coff& other);
  Coff(Coff&& other) noexcept;
  Coff& operator=(Coff&& other) noexcept;
  ~Coff();

  // Files up to this size are read whole and converted from memory; a larger
  // one is read part by part, so that a huge file named by mistake costs no
  // more memory than the image in it.
  static constexpr uint64_t kReadWholeAtMost = uint64_t(64) << 20;

  // Reads the file `name`. Null after a reported failure.
  static std::unique_ptr<Coff> make(const std::string& name);
  // As make(name), for a caller that has read the file already: `file` holds
  // its bytes when WholeFile::read(osPath(name), kReadWholeAtMost) took it,
  // and is not read otherwise (the file is then opened again, as make(name)
  // does).
  static std::unique_ptr<Coff> make(const std::string& name, const WholeFile& file);
  // As make(name), but large section contents view a private mapping of the
  // file rather than a copy: for a caller that never writes the file while the
  // Coff lives (the file must not shrink meanwhile).
  static std::unique_ptr<Coff> makeMapped(const std::string& name);
  // Reads the image that starts at absolute position `base` of `file` (binary,
  // seekable), naming it `name`. Header offsets are relative to `base`. Bytes at
  // or after the absolute position `end` (the image's limit, for instance the
  // end of the library file that holds it) are never read; a read that would
  // need them fails. Null after a reported failure.
  static std::unique_ptr<Coff> make(std::istream& file, uint32_t base, const std::string& name,
                                    uint64_t end = kToStreamEnd);

  // Names against a string table; a missing string ends the program (fatal).
  static std::string getName(const scnhdr& hdr, const StringTbl& strings);
  static std::string getName(const syment& sym, const StringTbl& strings);
  static std::string getName(const aux_file& aux, const StringTbl& strings);
  // The symbol's name as getName gives it, without a copy: a view into the
  // record's inline field or the table's string, valid while both stay as they
  // are.
  static std::string_view nameView(const syment& sym, const StringTbl& strings);
  // Stores a name inline (up to 8 characters) or as the lowest string-table
  // offset that holds it; never adds a string. A name the table lacks ends the
  // program (fatal).
  static void setName(scnhdr& hdr, const std::string& name, const StringTbl& strings);
  static void setName(syment& sym, const std::string& name, const StringTbl& strings);

  // 1 when every index and offset points at something that exists, else 0
  // (after reporting each fault).
  int verify() const;

  // Lays the image out: counts, file offsets, time stamp, function aux entries,
  // magic.
  void preWrite();
  // The length in bytes of the image as laid out.
  uint32_t size() const;
  // Points every function aux entry at its function's last begin line.
  void fixupAuxFcns();
  // Writes the file cCoffName. 1 on success, 0 after a reported failure.
  int write() const;
  // Writes the image at absolute position `base` of `file`; the stream is left
  // just after the image. 1 on success, 0 after a reported failure.
  int write(std::ostream& file, uint32_t base) const;

  // Text dump of the whole image: headers, each section with its line
  // numbers, relocations and contents, the symbol table and the string table.
  void print(std::ostream& os) const;
};

#endif
