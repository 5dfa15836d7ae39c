// Input files are opened so that nothing blocks: the open does not wait (a
// FIFO without a writer would hold it forever), and only a regular file is
// taken. A FIFO, a directory or a device named as an input is that input's
// open failure.
#ifndef ZV_COMMON_INPUTFILE_H
#define ZV_COMMON_INPUTFILE_H

#include <sys/stat.h>

#include <cstdint>
#include <string>

// A read-only descriptor of a regular file, closed with its owner.
class InputFile {
 public:
  // `path` is handed to the system as it stands.
  explicit InputFile(const std::string& path);
  ~InputFile();
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;

  bool isOpen() const { return cFd >= 0; }
  // The descriptor, still without waiting: reads of a regular file never wait.
  int fd() const { return cFd; }
  // The file's status when it was opened: its length and identity.
  const struct stat& status() const { return cStatus; }
  uint64_t size() const { return static_cast<uint64_t>(cStatus.st_size); }
  // True when the open failed because no file has the name (nothing else
  // could find it either); false when it is open or failed for another reason.
  bool isMissing() const { return cMissing; }
  // Hands the descriptor to the caller, who closes it; it behaves as any
  // other from then on.
  int release();

 private:
  int cFd = -1;
  struct stat cStatus {};
  bool cMissing = false;
};

#endif
