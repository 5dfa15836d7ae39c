#include "SameFile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <utility>
#include <vector>

#include "OsPath.h"

namespace {

// The number of links the system follows in one path before it gives up.
const int kMaxLinks = 40;

bool sameIdentity(const std::string& a, const std::string& b) {
  struct stat sa, sb;
  return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sameIdentity(sa, sb);
}

// The directory part of a path ("." when it has none) and its last part.
std::pair<std::string, std::string> splitPath(const std::string& path) {
  const std::string::size_type slash = path.rfind('/');
  if (slash == std::string::npos) return {".", path};
  return {slash == 0 ? "/" : path.substr(0, slash), path.substr(slash + 1)};
}

// Whether two paths name one place: by name, by identity, or as the same last
// part of one directory.
bool samePlace(const std::string& a, const std::string& b) {
  if (a == b || sameIdentity(a, b)) return true;
  const std::pair<std::string, std::string> da = splitPath(a), db = splitPath(b);
  return da.second == db.second && sameIdentity(da.first, db.first);
}

// The target of the symbolic link at `path`, of `size` bytes as lstat gives
// it (0 where the file system does not tell); false when it cannot be read.
bool readLink(const std::string& path, std::string::size_type size, std::string& target) {
  std::vector<char> buf(size + 1 < 256 ? 256 : size + 1);
  for (;;) {
    const ssize_t n = ::readlink(path.c_str(), buf.data(), buf.size());
    if (n < 0) return false;
    if (static_cast<std::size_t>(n) < buf.size()) {
      target.assign(buf.data(), static_cast<std::size_t>(n));
      return true;
    }
    buf.resize(buf.size() * 2);  // the target may have grown since lstat
  }
}

}  // namespace

std::string linkedPath(const std::string& path) {
  std::string p = path;
  for (int links = 0; links < kMaxLinks; ++links) {
    struct stat st;
    std::string target;
    if (::lstat(p.c_str(), &st) != 0 || !S_ISLNK(st.st_mode) ||
        !readLink(p, static_cast<std::string::size_type>(st.st_size), target) || target.empty())
      break;
    const std::string::size_type slash = p.rfind('/');
    if (target[0] == '/' || slash == std::string::npos) {
      p = target;
    } else {
      p = p.substr(0, slash + 1) + target;
    }
  }
  return p;
}

bool sameFile(const std::string& a, const std::string& b) {
  if (a == b) return true;
  const std::string pa = osPath(a), pb = osPath(b);
  if (samePlace(pa, pb)) return true;
  // Names that exist compared by identity above; a link that does not lead to
  // a file yet is compared by the path it leads to.
  const std::string la = linkedPath(pa), lb = linkedPath(pb);
  return (la != pa || lb != pb) && samePlace(la, lb);
}
