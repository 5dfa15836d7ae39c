#include "ParserExit.h"

#include <cstdlib>
#include <iostream>

#include "Reporter.h"

void endWithSummary(int status) {
#ifdef ZV_FUZZ_EXIT
  throw ParserExit{status};
#else
  exitWithSummary(status);
#endif
}

void endWithoutSummary(int status) {
  std::cout.flush();
  std::cerr.flush();
#ifdef ZV_FUZZ_EXIT
  throw ParserExit{status};
#else
  std::exit(status);
#endif
}
