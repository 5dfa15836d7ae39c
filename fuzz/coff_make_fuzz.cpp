// Fuzz target of the COFF reader. Any bytes are read with Coff::make; an image
// it accepts is verified and written, the written image must read back, and
// writing that again must give the same bytes.
//
// A section name whose string-table offset the table lacks ends the program
// through a fatal report, by design; inputs that could reach one are passed
// over before reading (see FatalScreen.h).
#include <cstddef>
#include <cstdint>
#include <memory>
#include <sstream>
#include <string>

#include "Coff.h"
#include "FatalScreen.h"
#include "Reporter.h"

namespace {

std::string written(const Coff& coff) {
  std::ostringstream out;
  return coff.write(out, 0) ? out.str() : std::string();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  setQuiet(1);
  std::string bytes(reinterpret_cast<const char*>(data), size);
  if (sectionNameMayBeMissing(bytes)) return 0;
  std::istringstream in(bytes);
  std::unique_ptr<Coff> coff = Coff::make(in, 0, "fuzz.o");
  if (!coff) return 0;
  coff->verify();
  std::string first = written(*coff);
  if (first.empty()) return 0;  // refused, with a reported error
  if (first.size() != coff->size()) __builtin_trap();
  std::istringstream again(first);
  std::unique_ptr<Coff> back = Coff::make(again, 0, "fuzz.o");
  if (!back || written(*back) != first) __builtin_trap();
  return 0;
}
