#include "Args.h"

#include "TextHelpers.h"

bool isSwitchWord(const std::string& word) {
  if (word.empty()) return false;
  if (word[0] == '-') return true;
  return word[0] == '/' && word.find('/', 1) == std::string::npos;
}

std::string foldSwitch(const std::string& word) {
  std::string copy = word;
  if (copy.size() >= 2) copy[1] = toAsciiLower(copy[1]);
  return copy;
}
