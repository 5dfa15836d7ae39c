#include "MemberName.h"

#include <sys/stat.h>

#include <algorithm>

#include "OsPath.h"

std::string memberName(const std::string& typed) {
  std::string name = typed.substr(0, kMaxMemberName);
  std::replace(name.begin(), name.end(), '/', '\\');
  return name;
}

namespace {

bool isSeparator(char c) { return c == '/' || c == '\\'; }

bool isLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

bool isAbsolute(const std::string& name) {
  if (!name.empty() && isSeparator(name[0])) return true;
  return name.size() >= 2 && name[1] == ':' && isLetter(name[0]);
}

bool hasParentComponent(const std::string& name) {
  std::string::size_type start = 0;
  while (start <= name.size()) {
    std::string::size_type end = start;
    while (end < name.size() && !isSeparator(name[end])) ++end;
    if (name.compare(start, end - start, "..") == 0) return true;
    start = end + 1;
  }
  return false;
}

bool isLink(const std::string& path) {
  struct stat st;
  return lstat(osPath(path).c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

}  // namespace

bool isExtractableName(const std::string& name) {
  return !isAbsolute(name) && !hasParentComponent(name);
}

bool passesThroughLink(const std::string& name) {
  for (std::string::size_type i = 0; i < name.size(); ++i) {
    if (isSeparator(name[i]) && i > 0 && isLink(name.substr(0, i))) return true;
  }
  return false;
}
