// Tests that classify command-line words.
#ifndef ZV_COMMON_NAMETESTS_H
#define ZV_COMMON_NAMETESTS_H

#include <string>

int isFileName(const std::string& word);         // name starts with a letter or digit
int isNumber(const std::string& word);           // only decimal digits, at least one
int isObjectFileName(const std::string& word);   // as isFileName, longer than 2, ".o"
int isLibraryFileName(const std::string& word);  // as isFileName, longer than 4, ".lib"

#endif
