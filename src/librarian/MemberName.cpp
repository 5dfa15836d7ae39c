#include "MemberName.h"

#include <algorithm>

std::string memberName(const std::string& typed) {
  std::string name = typed;
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

}  // namespace

bool isExtractableName(const std::string& name) {
  return !isAbsolute(name) && !hasParentComponent(name);
}
