// Name comparison of the table lookups: ASCII letters compare without regard to
// case, every other byte as it is, and the whole text must match.
#ifndef ZV_TABLES_MGFOLD_H
#define ZV_TABLES_MGFOLD_H

#include <string>

inline char foldAsciiLetter(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

inline bool equalsFoldingAscii(const std::string& text, const char* name) {
  std::string::size_type i = 0;
  for (; i < text.size() && name[i] != '\0'; ++i) {
    if (foldAsciiLetter(text[i]) != foldAsciiLetter(name[i])) return false;
  }
  return i == text.size() && name[i] == '\0';
}

#endif
