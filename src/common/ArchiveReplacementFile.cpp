#include "ArchiveReplacementFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace {

// A library reached through a symbolic link is replaced where it lies.
std::string resolved(const std::string& path) {
  char* real = realpath(path.c_str(), nullptr);
  if (!real) return path;
  std::string r = real;
  std::free(real);
  return r;
}

std::string directoryOf(const std::string& path) {
  std::string::size_type slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

bool syncFd(int fd) {
  int rc;
  do rc = fsync(fd);
  while (rc != 0 && errno == EINTR);
  return rc == 0;
}

// Makes the rename durable. The new file is already in place, so a directory
// that cannot be flushed (a file system without the call) fails nothing.
void syncDirectory(const std::string& dir) {
  int fd = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  syncFd(fd);
  ::close(fd);
}

}  // namespace

ReplacementFile::ReplacementFile(const std::string& target, Links links, Sync sync)
    : cTarget(links == Links::follow ? resolved(target) : target), cLinks(links), cSync(sync) {}

ReplacementFile::~ReplacementFile() {
  if (cOut.is_open()) cOut.close();
  if (cFd >= 0) ::close(cFd);
  if (!cTempPath.empty()) unlink(cTempPath.c_str());
}

bool ReplacementFile::targetStatus(struct stat& st) const {
  return (cLinks == Links::follow ? stat(cTarget.c_str(), &st) : lstat(cTarget.c_str(), &st)) == 0;
}

bool ReplacementFile::open() {
  struct stat st;
  if (targetStatus(st)) {
    bool replaceable = S_ISREG(st.st_mode) ? access(cTarget.c_str(), W_OK) == 0
                                           : cLinks == Links::replace && S_ISLNK(st.st_mode);
    if (!replaceable) return false;
  }
  std::string templ = directoryOf(cTarget) + ".zvlib-XXXXXX";
  cFd = mkstemp(&templ[0]);
  if (cFd < 0) return false;
  cTempPath = templ;
  cOut.open(cTempPath, std::ios::out | std::ios::binary | std::ios::trunc);
  return cOut.is_open();
}

bool ReplacementFile::commit() {
  cOut.flush();
  bool ok = cOut.good();
  cOut.close();
  ok = ok && !cOut.fail();
  ok = ok && fchmod(cFd, modeForTarget()) == 0;
  ok = ok && (cSync == Sync::none || syncFd(cFd));
  ok = ::close(cFd) == 0 && ok;
  cFd = -1;
  if (!ok || std::rename(cTempPath.c_str(), cTarget.c_str()) != 0) return false;
  cTempPath.clear();
  if (cSync == Sync::toDisk) syncDirectory(directoryOf(cTarget));
  return true;
}

// The permissions of the file replaced, or those a new file gets.
mode_t ReplacementFile::modeForTarget() const {
  struct stat st;
  if (targetStatus(st) && S_ISREG(st.st_mode)) return st.st_mode & 07777;
  mode_t mask = umask(0);
  umask(mask);
  return 0666 & ~mask;
}
