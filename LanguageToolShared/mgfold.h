// Name comparison of the table lookups: ASCII letters compare without regard to
// case, every other byte as it is, and the whole text must match.
#ifndef ZV_TABLES_MGFOLD_H
#define ZV_TABLES_MGFOLD_H

#include <string>

#include "TextHelpers.h"

inline bool equalsFoldingAscii(const std::string& text, const char* name) {
  return equalsIgnoringAsciiCase(text, name);
}

#endif
