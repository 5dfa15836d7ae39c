// Fuzz target of the linker command-file reader. The bytes are one command file,
// fuzz.lkr in an empty temporary directory, which is the current directory while
// the reader runs; the reader either declares what it says or ends with a usage
// fault, whose exit unwinds here (ProgramExit.h) instead of ending the process.
#include <fcntl.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "Parser.h"
#include "ProgramExit.h"
#include "Reporter.h"
#include "ScratchDir.h"
#include "linker.h"

namespace {

// The empty directory the reader runs in.
ScratchDir& scratch() {
  static ScratchDir dir("lkr_parse_fuzz");
  return dir;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  scratch();
  setQuiet(1);
  unwindOnExit();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ScratchDir::Inside here(scratch());
  {
    // A new file each time: truncating one in place makes some file systems
    // flush it to disk.
    std::remove("fuzz.lkr");
    std::ofstream out("fuzz.lkr", std::ios::binary);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    if (!out.flush()) std::abort();
  }
  Linker linker;
  Parser parser;
  const int status = exitStatusOf([&] { parser.parseCommandFile("fuzz.lkr", linker); });
  if (status != -1 && status != 1) __builtin_trap();  // the reader's faults are usage faults
  return 0;
}
