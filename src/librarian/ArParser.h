// The librarian's command line:
//
//   quandel [/q] /{ctdrx} LIBRARY [MEMBER...]
//
// Switch words start with '-' or '/'; the letter after it is compared
// lower-cased. Everything after the library name is a member name.
#ifndef ZV_LIBRARIAN_ARPARSER_H
#define ZV_LIBRARIAN_ARPARSER_H

#include <string>

#include "ArCommandSink.h"

class ArParser {
 public:
  // Hands the one command of the line to the sink. Ends the process through
  // usage or syntax when the line is wrong; returns without a command only in
  // quiet mode when the words ran out.
  static void parse(int argc, char** argv, ArCommandSink& sink);

  // Reports the message (empty: the usage line) as an error, then ends the
  // process through the exit summary with status 1.
  [[noreturn]] static void usage(const std::string& message);

  // Prints the help text and ends the process with status 255.
  [[noreturn]] static void syntax();
};

#endif
