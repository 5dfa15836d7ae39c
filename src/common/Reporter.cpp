#include "Reporter.h"

#include <cstdio>
#include <cstdlib>
#include <iostream>

namespace {
int gWarningCount = 0;
int gErrorCount = 0;
int gShowOrigin = 0;
int gQuiet = 0;

void exitProcess(int code) { std::exit(code); }
ExitHandler gExitHandler = exitProcess;

// Flushes standard output; false when anything written to it was lost.
bool outputWritten() {
  std::cout.flush();
  bool ok = !std::cout.fail() && !std::cerr.fail();
  ok = std::fflush(stdout) == 0 && ok;
  return !std::ferror(stdout) && ok;
}

[[noreturn]] void endRun(int code) {
  gExitHandler(code);
  std::abort();  // a handler that returned broke its contract
}
}  // namespace

void report(char kind, const std::string& origin, const std::string& message, int fatal) {
  if (kind == 1) {
    ++gWarningCount;
    if (!gQuiet) std::cerr << "Warning - ";
  }
  if (kind == 0) {
    ++gErrorCount;
    if (!gQuiet) std::cerr << "Error - ";
  }
  if (!gQuiet) {
    std::cout.flush();
    std::cerr << message;
    if (gShowOrigin) std::cerr << " - " << origin;
    std::cerr << std::endl;
  }
  if (fatal) exitWithSummary(255);
}

void report(char kind, const std::string& origin, std::ostringstream& message, int fatal) {
  std::string text = message.str();
  message.str(std::string());
  message.clear();
  report(kind, origin, text, fatal);
}

void reportError(const std::string& origin, const std::string& text) { report(0, origin, text, 0); }

void reportWarning(const std::string& origin, const std::string& text) {
  report(1, origin, text, 0);
}

void reportFatal(const std::string& origin, const std::string& text) {
  report(0, origin, text, 0);
  exitWithSummary(255);
}

void exitWithSummary(int code) {
  if (!gQuiet) {
    std::cout.flush();
    std::cerr << "Errors    : " << gErrorCount << '\n'
              << "Warnings  : " << gWarningCount << '\n'
              << '\n';
    std::cerr.flush();
  }
  // Output that could not be written (a full device, a closed descriptor)
  // fails a run that would have succeeded: its listing or summary was lost.
  if (!outputWritten() && code == 0) code = 1;
  endRun(code);
}

void exitWithoutSummary(int code) {
  std::cerr.flush();
  outputWritten();
  endRun(code);
}

void setExitHandler(ExitHandler handler) { gExitHandler = handler ? handler : exitProcess; }

void setQuiet(int flag) { gQuiet = flag; }
int isQuiet() { return gQuiet; }
void setShowOrigin(int flag) { gShowOrigin = flag; }
int errorCount() { return gErrorCount; }
int warningCount() { return gWarningCount; }
