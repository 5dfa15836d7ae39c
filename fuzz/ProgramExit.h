// The programs end a run through the reporter's exit handler (Reporter.h). A
// fuzz target runs their code input after input in one process, so it sets a
// handler that unwinds instead: a fatal report (status 255), a usage fault
// (1) or a help text (255) throws ProgramExit out of the call, everything on
// the way is destroyed as usual, and the target catches it around one input:
//
//   LLVMFuzzerInitialize: unwindOnExit();
//   const int status = exitStatusOf([&] { ... });  // -1: returned normally
#ifndef ZV_FUZZ_PROGRAMEXIT_H
#define ZV_FUZZ_PROGRAMEXIT_H

#include "Reporter.h"

struct ProgramExit {
  int status;
};

inline void throwProgramExit(int code) { throw ProgramExit{code}; }

// Makes every exit of the programs' code unwind to the caller.
inline void unwindOnExit() { setExitHandler(throwProgramExit); }

// Runs `step`: -1 when it returns, else the status the run would have ended with.
template <class Step>
int exitStatusOf(Step&& step) {
  try {
    step();
    return -1;
  } catch (const ProgramExit& exit) {
    return exit.status;
  }
}

#endif
