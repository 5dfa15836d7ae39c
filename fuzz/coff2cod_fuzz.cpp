// Fuzz target of the COD conversion: a COFF image that reads and verifies is
// converted to a finished Cod with its listing, numbered and written in a
// temporary directory, and the COD file must read back with every directory,
// code block and symbol. The listing goes to the temporary directory too (it
// is written next to the COFF file, which is named as if it lay there).
//
// Fatal name lookups (a section or source file name missing from the string
// table) end the program by design: while reading and converting they unwind
// (ProgramExit.h) and end the input; after that nothing may end the run.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <sstream>
#include <string>

#include "Coff.h"
#include "Coff2Cod.h"
#include "ProgramExit.h"
#include "Reporter.h"
#include "ScratchDir.h"

namespace {

// The temporary directory the COD files go to.
ScratchDir& scratch() {
  static ScratchDir dir("coff2cod_fuzz");
  return dir;
}

size_t codeBlocks(const Cod& cod) {
  size_t n = 0;
  for (const auto& map : cod.cRawDataMaps) n += map.size();
  return n;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  setQuiet(1);
  unwindOnExit();
  scratch();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  std::unique_ptr<Coff> coff;
  Coff2Cod converter;
  bool converted = false;
  const int status = exitStatusOf([&] {
    std::istringstream in(bytes);
    coff = Coff::make(in, 0, scratch().file("fuzz.o"));
    converted = coff && coff->verify() && converter.convert(*coff, 3, false);
  });
  if (status != -1 && status != 255) __builtin_trap();  // a fatal report, or nothing
  if (!converted) return 0;
  if (converter.cDirectories.size() != converter.cRawDataMaps.size()) std::abort();
  if (!converter.preWrite()) return 0;  // refused, with a reported error
  const std::string written = scratch().file(converter.cFileName);
  converter.cFileName = written;
  if (!converter.write()) std::abort();
  std::unique_ptr<Cod> back = Cod::make(written);
  if (!back || back->cDirectories.size() != converter.cDirectories.size() ||
      codeBlocks(*back) != codeBlocks(converter) ||
      back->cSymbols.size() != converter.cSymbols.size() ||
      back->cLongSymbols.size() != converter.cLongSymbols.size())
    std::abort();  // a written file reads back whole
  std::remove(written.c_str());
  return 0;
}
