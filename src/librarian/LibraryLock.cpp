#include "LibraryLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "SameFile.h"

namespace {

// Opened without waiting and without changing it; read-only when the user may
// not write it (replacing it is then refused anyway).
int openForLock(const std::string& path) {
  int fd = open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0 && (errno == EACCES || errno == EROFS || errno == ETXTBSY)) {
    fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  }
  return fd;
}

bool lockExclusive(int fd) {
  int rc;
  do rc = flock(fd, LOCK_EX);
  while (rc != 0 && errno == EINTR);
  return rc == 0;
}

}  // namespace

LibraryLock::LibraryLock(const std::string& path) : cPath(path) {}

LibraryLock::~LibraryLock() {
  if (cFd >= 0) close(cFd);  // releases the lock
}

bool LibraryLock::acquire() {
  for (;;) {
    switch (lockCurrentFile()) {
      case Step::held:
      case Step::absent: return true;
      case Step::failed: return false;
      case Step::again: break;
    }
  }
}

// One attempt: locks the file the name leads to now.
LibraryLock::Step LibraryLock::lockCurrentFile() {
  struct stat named;
  // Checked before opening: opening a FIFO or a device could wait or act.
  if (stat(cPath.c_str(), &named) != 0 || !S_ISREG(named.st_mode)) return Step::absent;
  int fd = openForLock(cPath);
  if (fd < 0) return errno == ENOENT ? Step::again : Step::absent;
  struct stat locked;
  if (!lockExclusive(fd) || fstat(fd, &locked) != 0) {
    close(fd);
    return Step::failed;
  }
  // Another run may have replaced the library while this one waited.
  if (stat(cPath.c_str(), &named) != 0 || !sameIdentity(named, locked)) {
    close(fd);
    return Step::again;
  }
  cFd = fd;
  return Step::held;
}
