// The file a library is written to: a new file beside the library, which
// takes the library's place only once it is complete. Until commit() has put it
// there, destroying it removes it, so a failed write leaves the old library as
// it was and no temporary file behind.
#ifndef ZV_COMMON_ARCHIVEREPLACEMENTFILE_H
#define ZV_COMMON_ARCHIVEREPLACEMENTFILE_H

#include <sys/types.h>

#include <fstream>
#include <string>

class ReplacementFile {
 public:
  // `target` is handed to the system as it stands.
  explicit ReplacementFile(const std::string& target);
  ~ReplacementFile();
  ReplacementFile(const ReplacementFile&) = delete;
  ReplacementFile& operator=(const ReplacementFile&) = delete;

  // Creates the new file; false when the target cannot take one: it is not a
  // regular file (a directory, a device, a FIFO) or the user may not write it,
  // or its directory does not take a new file.
  bool open();

  std::ofstream& stream() { return cOut; }

  // Completes the new file and puts it in the target's place.
  bool commit();

 private:
  mode_t modeForTarget() const;

  std::string cTarget;
  std::string cTempPath;
  std::ofstream cOut;
};

#endif
