// Telling switch words from file names on a POSIX command line.
#ifndef ZV_COMMON_ARGS_H
#define ZV_COMMON_ARGS_H

#include <string>

// A word starting with '-' is a switch; so is one starting with '/', unless it
// holds a further '/' (then it is a path, such as /home/u/main.o).
bool isSwitchWord(const std::string& word);

// A copy of the word with its second character lower-cased, for recognising a
// switch; the word itself is never altered.
std::string foldSwitch(const std::string& word);

#endif
