#include "ArchiveReplacementFile.h"

#include <sys/stat.h>
#include <unistd.h>

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

}  // namespace

ReplacementFile::ReplacementFile(const std::string& target) : cTarget(resolved(target)) {}

ReplacementFile::~ReplacementFile() {
  if (cOut.is_open()) cOut.close();
  if (!cTempPath.empty()) unlink(cTempPath.c_str());
}

bool ReplacementFile::open() {
  struct stat st;
  if (stat(cTarget.c_str(), &st) == 0 && (!S_ISREG(st.st_mode) || access(cTarget.c_str(), W_OK) != 0))
    return false;
  std::string::size_type slash = cTarget.rfind('/');
  std::string dir = slash == std::string::npos ? std::string() : cTarget.substr(0, slash + 1);
  std::string templ = dir + ".zvlib-XXXXXX";
  int fd = mkstemp(&templ[0]);
  if (fd < 0) return false;
  cTempPath = templ;
  bool ok = fchmod(fd, modeForTarget()) == 0;
  ok = close(fd) == 0 && ok;
  if (ok) cOut.open(cTempPath, std::ios::out | std::ios::binary | std::ios::trunc);
  return ok && cOut.is_open();
}

bool ReplacementFile::commit() {
  cOut.flush();
  bool ok = cOut.good();
  cOut.close();
  if (!ok || cOut.fail() || std::rename(cTempPath.c_str(), cTarget.c_str()) != 0) return false;
  cTempPath.clear();
  return true;
}

// The permissions of the file replaced, or those a new file gets.
mode_t ReplacementFile::modeForTarget() const {
  struct stat st;
  if (stat(cTarget.c_str(), &st) == 0) return st.st_mode & 07777;
  mode_t mask = umask(0);
  umask(mask);
  return 0666 & ~mask;
}
