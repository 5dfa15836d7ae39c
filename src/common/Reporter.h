// The message reporter: every error and warning of every program goes through it.
//
//   Error - could not open file 'x.o'
//   Warning - ...
//   Errors    : 1
//   Warnings  : 0
//   (empty line)
//
// Five process-wide values: the error and warning counts, the show-origin flag,
// the quiet flag and the exit handler. Quiet silences printing but never counting.
#ifndef ZV_COMMON_REPORTER_H
#define ZV_COMMON_REPORTER_H

#include <sstream>
#include <string>

// Kind 0 is an error ("Error - "), kind 1 a warning ("Warning - ").
// A non-zero `fatal` ends the program through exitWithSummary(255).
void report(char kind, const std::string& origin, const std::string& message, int fatal);
// Reports the stream's accumulated text, then empties the stream.
void report(char kind, const std::string& origin, std::ostringstream& message, int fatal);

// The named forms that call sites use: an error, a warning, and an error that
// ends the program through exitWithSummary(255).
void reportError(const std::string& origin, const std::string& text);
void reportWarning(const std::string& origin, const std::string& text);
[[noreturn]] void reportFatal(const std::string& origin, const std::string& text);

// Prints the error and warning counts unless quiet, then ends the run through
// the exit handler. A run that would end with 0 ends with 1 when standard output
// lost anything.
[[noreturn]] void exitWithSummary(int code);
// Flushes the output, then ends the run through the exit handler without the
// counts (after a help text).
[[noreturn]] void exitWithoutSummary(int code);

// How a run ends once its output is flushed. The default ends the process with
// `code` (std::exit); a host that runs the programs' code in-process, input after
// input (the fuzz targets), sets one that unwinds instead. A handler must not
// return; one that does ends the process with std::abort. Null sets the default.
using ExitHandler = void (*)(int code);
void setExitHandler(ExitHandler handler);

void setQuiet(int flag);
int isQuiet();
void setShowOrigin(int flag);
int errorCount();
int warningCount();

#endif
