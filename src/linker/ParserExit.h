// How the parser ends the run. A normal build ends the process. The fuzz build
// (ZV_FUZZ_EXIT) throws ParserExit instead, so that one process can read input
// after input and a specified exit is not taken for a crash.
#ifndef ZV_LINKER_PARSEREXIT_H
#define ZV_LINKER_PARSEREXIT_H

struct ParserExit {
  int status;
};

// Through the exit summary (usage faults).
[[noreturn]] void endWithSummary(int status);
// Without a summary (the help text).
[[noreturn]] void endWithoutSummary(int status);

#endif
