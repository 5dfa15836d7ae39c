// Fuzz target of the COD conversion: a COFF image that reads and verifies is
// converted to a finished Cod with its listing, numbered and written in a
// temporary directory, and the COD file must read back with every directory,
// code block and symbol. The listing goes to the temporary directory too (it
// is written next to the COFF file, which is named as if it lay there).
//
// Fatal name lookups end the program by design: images whose section names
// could reach one are passed over before reading (FatalScreen.h), and so are
// images with a source file name missing from the string table.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <sstream>
#include <string>

#include "Coff.h"
#include "Coff2Cod.h"
#include "Reporter.h"
#include "FatalScreen.h"
#include "ScratchDir.h"

namespace {

// The temporary directory the COD files go to.
ScratchDir& scratch() {
  static ScratchDir dir("coff2cod_fuzz");
  return dir;
}

bool sourceNamesPresent(const Coff& coff) {
  for (size_t i = 0; i < coff.cSymbols.size(); ++i) {
    if (!isFileSymbol(coff, i)) continue;
    const uint32_t offset = coff.cSymbols[i + 1].file.x_offset;  // a packed field: copied, not referred to
    if (!coff.cStringTbl.count(offset)) return false;
  }
  return true;
}

size_t codeBlocks(const Cod& cod) {
  size_t n = 0;
  for (const auto& map : cod.cRawDataMaps) n += map.size();
  return n;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  setQuiet(1);
  scratch();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  if (sectionNameMayBeMissing(bytes)) return 0;
  std::istringstream in(bytes);
  std::unique_ptr<Coff> coff = Coff::make(in, 0, scratch().file("fuzz.o"));
  if (!coff || !coff->verify() || !sourceNamesPresent(*coff)) return 0;

  Coff2Cod converter;
  if (!converter.convert(*coff, 3, false)) return 0;
  if (converter.cDirectories.size() != converter.cRawDataMaps.size()) std::abort();
  if (!converter.preWrite()) return 0;  // refused, with a reported error
  const std::string written = scratch().file(converter.cFileName);
  converter.cFileName = written;
  if (!converter.write()) std::abort();
  std::unique_ptr<Cod> back = Cod::make(written);
  if (!back || back->cDirectories.size() != converter.cDirectories.size() ||
      codeBlocks(*back) != codeBlocks(converter) || back->cSymbols.size() != converter.cSymbols.size() ||
      back->cLongSymbols.size() != converter.cLongSymbols.size())
    std::abort();  // a written file reads back whole
  std::remove(written.c_str());
  return 0;
}
