#include "NameTests.h"

#include "FileSpec.h"
#include "TextHelpers.h"

namespace {

bool namedFile(const std::string& word, std::string::size_type longerThan, const char* ext) {
  FileSpec spec(word);
  std::string name = spec.name();
  return name.size() > longerThan && isAsciiAlnum(name[0]) &&
         equalsIgnoringAsciiCase(spec.ext(), ext);
}

}  // namespace

int isFileName(const std::string& word) {
  std::string name = FileSpec(word).name();
  return !name.empty() && isAsciiAlnum(name[0]);
}

int isNumber(const std::string& word) {
  if (word.empty()) return 0;
  for (char c : word) {
    if (c < '0' || c > '9') return 0;
  }
  return 1;
}

int isObjectFileName(const std::string& word) { return namedFile(word, 2, ".o"); }

int isLibraryFileName(const std::string& word) { return namedFile(word, 4, ".lib"); }
