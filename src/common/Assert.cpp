#include "Assert.h"

#include <cstdio>
#include <cstdlib>
#include <iostream>

void assertionFailed(const char* file, int line, const char* expr) {
  std::cout.flush();
  std::fprintf(stderr, "Assertion failed: %s, file %s, line %d\n", expr, file, line);
  std::fflush(stderr);
  std::abort();
}
