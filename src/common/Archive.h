// A library file in memory: its name, its member objects in file order and a
// map from each external symbol a member defines to that member.
//
// On disk:
//   "!<arch>\n"
//   for each member: a 280-byte header, then the member's COFF image at once
//     0   256  name, cut to 255 characters, then '/', then blanks
//     256  12  f_timdat in decimal, NUL-filled
//     268  10  image length in decimal, NUL-filled
//     278   2  '`' '\n'
// A reader finds the next member from the length of the image it has just
// read. The size field only bounds the bytes the member is read from, where it
// holds a decimal number (blanks and NULs around it skipped); the date field is
// never parsed.
#ifndef ZV_COMMON_ARCHIVE_H
#define ZV_COMMON_ARCHIVE_H

#include <cstdint>
#include <istream>
#include <map>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "Coff.h"

class Archive {
 public:
  explicit Archive(const std::string& name = std::string());
  Archive(const Archive& other);  // deep: copies every member, then makeSymbols
  Archive& operator=(const Archive& other);
  ~Archive();

  // Reads the library file; null after an error report.
  static std::unique_ptr<Archive> make(const std::string& name);
  // Reads a library of `size` bytes from the start of `in` (binary, seekable),
  // naming it `name` in messages. Null after an error report.
  static std::unique_ptr<Archive> make(std::istream& in, const std::string& name, uint64_t size);

  // Writes the library to cName, replacing an existing file only once the new
  // one is complete. 1 on success, 0 after an error report.
  int write() const;
  // Writes the library's bytes to `out` from its start. 1 on success, 0 after
  // an error report naming cName.
  int write(std::ostream& out) const;

  // Rebuilds cSymbols from the members; 0 when a symbol is defined by more
  // than one member (reported; the first definition is kept).
  int makeSymbols();

  int hasSymbol(const std::string& name) const;

  // A copy of the member that defines the symbol; null when none does.
  std::unique_ptr<Coff> getMember(const std::string& name) const;

  // Hands the member at `index` of cMembers over whole, for an owner that
  // needs no copy (the linker imports it): the member keeps its place in
  // memory, the archive's entry becomes null and the symbol map goes on naming
  // it. An archive that gave a member away is not printed, copied or written.
  std::unique_ptr<Coff> takeMember(size_t index);

  void print(std::ostream& os) const;

  std::string cName;
  std::vector<std::unique_ptr<Coff>> cMembers;  // owned, in file order
  std::map<std::string, Coff*> cSymbols;        // points into cMembers
};

#endif
