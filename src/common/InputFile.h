// Input files are opened so that nothing blocks: the open does not wait (a
// FIFO without a writer would hold it forever), and only a regular file is
// taken. A FIFO, a directory or a device named as an input is that input's
// open failure.
#ifndef ZV_COMMON_INPUTFILE_H
#define ZV_COMMON_INPUTFILE_H

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
  int fd() const { return cFd; }
  // The file's length in bytes when it was opened.
  uint64_t size() const { return cSize; }
  // Hands the descriptor to the caller, who closes it.
  int release();

 private:
  int cFd = -1;
  uint64_t cSize = 0;
};

#endif
