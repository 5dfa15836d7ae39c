#include "SameFile.h"

#include <sys/stat.h>

#include <utility>

#include "OsPath.h"

namespace {

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

}  // namespace

bool sameFile(const std::string& a, const std::string& b) {
  if (a == b) return true;
  const std::string pa = osPath(a), pb = osPath(b);
  if (sameIdentity(pa, pb)) return true;
  const std::pair<std::string, std::string> da = splitPath(pa), db = splitPath(pb);
  return da.second == db.second && sameIdentity(da.first, db.first);
}
