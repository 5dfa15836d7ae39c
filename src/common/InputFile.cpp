#include "InputFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

InputFile::InputFile(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return;
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return;
  }
  // Reads of a regular file never wait; the flag is dropped all the same, so
  // the descriptor behaves as any other.
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
  cFd = fd;
  cSize = static_cast<uint64_t>(st.st_size);
}

InputFile::~InputFile() {
  if (cFd >= 0) ::close(cFd);
}

int InputFile::release() {
  const int fd = cFd;
  cFd = -1;
  return fd;
}
