// Fuzz target of the COFF reader. Any bytes are read with Coff::make; an image
// it accepts is verified and written, the written image must read back, and
// writing that again must give the same bytes. The bytes are also read as a
// file by name, which converts from memory rather than from a stream: both
// readings must accept the same images and give the same Coff.
//
// A section name whose string-table offset the table lacks ends the program
// through a fatal report, by design; here that unwinds (ProgramExit.h), and
// both readings must end so.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "Coff.h"
#include "ProgramExit.h"
#include "Reporter.h"
#include "ScratchDir.h"

namespace {

std::string written(const Coff& coff) {
  std::ostringstream out;
  return coff.write(out, 0) ? out.str() : std::string();
}

// The file the bytes are read from by name, in a directory of its own that
// goes at exit.
const std::string& fuzzFile() {
  static ScratchDir dir("coff_make_fuzz");
  static const std::string file = dir.file("fuzz.o");
  return file;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  setQuiet(1);
  unwindOnExit();
  std::string bytes(reinterpret_cast<const char*>(data), size);
  std::unique_ptr<Coff> coff, byName;
  const int status = exitStatusOf([&] {
    std::istringstream in(bytes);
    coff = Coff::make(in, 0, "fuzz.o");
  });
  std::ofstream(fuzzFile(), std::ios::binary | std::ios::trunc) << bytes;
  const int byNameStatus = exitStatusOf([&] { byName = Coff::make(fuzzFile()); });
  if (status != byNameStatus || (status != -1 && status != 255)) __builtin_trap();
  if (!coff != !byName) __builtin_trap();
  if (!coff) return 0;
  coff->verify();
  std::string first = written(*coff);
  if (written(*byName) != first) __builtin_trap();
  if (first.empty()) return 0;  // refused, with a reported error
  if (first.size() != coff->size()) __builtin_trap();
  std::istringstream again(first);
  std::unique_ptr<Coff> back = Coff::make(again, 0, "fuzz.o");
  if (!back || written(*back) != first) __builtin_trap();
  return 0;
}
