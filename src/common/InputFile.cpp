#include "InputFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

InputFile::InputFile(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) {
    cMissing = errno == ENOENT || errno == ENOTDIR;
    return;
  }
  if (::fstat(fd, &cStatus) != 0 || !S_ISREG(cStatus.st_mode)) {
    cStatus = {};
    ::close(fd);
    return;
  }
  cFd = fd;
}

InputFile::~InputFile() {
  if (cFd >= 0) ::close(cFd);
}

// The flag that kept the open from waiting is dropped only here: the owner's
// own reads never need it gone.
int InputFile::release() {
  const int fd = cFd;
  cFd = -1;
  if (fd >= 0) {
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
  }
  return fd;
}
