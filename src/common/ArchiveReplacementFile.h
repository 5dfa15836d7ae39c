// The file a library (or an extracted member) is written to: a new file beside
// the target, which takes the target's place only once it is complete and on
// disk. Until commit() has put it there, destroying it removes it, so a failed
// write leaves the old file as it was and no temporary file behind.
#ifndef ZV_COMMON_ARCHIVEREPLACEMENTFILE_H
#define ZV_COMMON_ARCHIVEREPLACEMENTFILE_H

#include <sys/stat.h>
#include <sys/types.h>

#include <fstream>
#include <string>

class ReplacementFile {
 public:
  // What a target that is a symbolic link means: the file it leads to (a
  // library is replaced where it lies), or only the directory entry itself (an
  // extracted member replaces a link of its name and never writes through it).
  enum class Links { follow, replace };
  // Whether commit() makes the replacement outlast a power loss (a library, the
  // user's data changed in place) or leaves that to the system (a member
  // extracted from a library, which the library still holds).
  enum class Sync { toDisk, none };

  // `target` is handed to the system as it stands.
  explicit ReplacementFile(const std::string& target, Links links = Links::follow,
                           Sync sync = Sync::toDisk);
  ~ReplacementFile();
  ReplacementFile(const ReplacementFile&) = delete;
  ReplacementFile& operator=(const ReplacementFile&) = delete;

  // Creates the new file; false when the target cannot take one: it is not a
  // regular file (a directory, a device, a FIFO; or a link, when links are
  // followed to one of those) or the user may not write it, or its directory
  // does not take a new file.
  bool open();

  std::ofstream& stream() { return cOut; }

  // Completes the new file and puts it in the target's place. With
  // Sync::toDisk the file is flushed to disk before, and the directory after.
  bool commit();

 private:
  bool targetStatus(struct stat& st) const;  // stat or lstat, as links are taken
  mode_t modeForTarget() const;

  std::string cTarget;
  Links cLinks;
  Sync cSync;
  std::string cTempPath;
  int cFd = -1;  // the new file, held open to set its mode and flush it
  std::ofstream cOut;
};

#endif
