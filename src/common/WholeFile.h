// An input file read into memory in one go, with the identity it was opened
// with. The linker reads every object this way while it looks for them, so
// that a file is opened once, its name looked up once, and the check that no
// output replaces an input needs no second look at it.
#ifndef ZV_COMMON_WHOLEFILE_H
#define ZV_COMMON_WHOLEFILE_H

#include <sys/types.h>

#include <cstdint>
#include <string>

#include "Data.h"

// A file's identity: its device and inode, when known.
struct FileId {
  dev_t dev = 0;
  ino_t ino = 0;
  bool known = false;

  bool is(dev_t otherDev, ino_t otherIno) const {
    return known && dev == otherDev && ino == otherIno;
  }
};

class WholeFile {
 public:
  // Reads the file at `path` (handed to the system as it stands) when it
  // opens as InputFile opens files and holds 1 to `most` bytes. False when it
  // is not read: then nothing is held, and a reader that takes the file by
  // its name reports what fails. `missing` tells whether the open failed
  // because no file has the name.
  bool read(const std::string& path, uint64_t most, bool& missing);

  bool isRead() const { return cId.known; }
  // The bytes that arrived: fewer than the file's length when it shrank
  // meanwhile.
  const uint8_t* bytes() const { return cBytes.bytes(); }
  uint64_t length() const { return cLength; }
  // The identity of the file read; unknown when none was.
  const FileId& id() const { return cId; }
  // Frees the bytes; the identity stays.
  void dropBytes();

 private:
  Data cBytes;
  uint64_t cLength = 0;
  FileId cId;
};

#endif
