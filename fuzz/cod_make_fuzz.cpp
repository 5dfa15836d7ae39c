// Fuzz target of the COD reader. Any bytes are read with Cod::make; a Cod it
// accepts is dumped, numbered and written again, and the written file must
// read back with as many records as the first reading found.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <sstream>
#include <string>

#include "Cod.h"
#include "Reporter.h"

namespace {

std::string gInput;   // the input as a COD file
std::string gOutput;  // where a read Cod is written again

void removeFiles() {
  std::remove(gInput.c_str());
  std::remove(gOutput.c_str());
}

bool writeInput(const uint8_t* data, size_t size) {
  FILE* f = std::fopen(gInput.c_str(), "wb");
  if (!f) return false;
  const bool ok = std::fwrite(data, 1, size, f) == size;
  return std::fclose(f) == 0 && ok;
}

size_t records(const Cod& cod) {
  size_t n = cod.cSymbols.size() + cod.cSourceNames.size() + cod.cLongSymbols.size() +
             cod.cLocalGroups.size() + cod.cDebugMsgs.size() + cod.cDirectories.size();
  for (const auto& t : cod.cLineInfoTables) n += t.size();
  for (const auto& m : cod.cMemoryMapLists) n += m.size();
  for (const auto& r : cod.cRawDataMaps) n += r.size();
  return n;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  setQuiet(1);
  const char* dir = std::getenv("TMPDIR");
  const std::string base = std::string(dir && *dir ? dir : "/tmp") + "/cod_make_fuzz." +
                           std::to_string(getpid());
  gInput = base + ".in.cod";
  gOutput = base + ".out.cod";
  std::atexit(removeFiles);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (!writeInput(data, size)) std::abort();
  std::unique_ptr<Cod> cod = Cod::make(gInput);
  if (!cod) return 0;
  std::ostringstream dump;
  cod->print(dump);
  // Numbering starts afresh: the read table fields are those of the input.
  for (CodDirectory& d : cod->cDirectories) {
    d.SymTab = d.SymEnd = d.NamTab = d.NamEnd = d.LineTab = d.LineEnd = 0;
    d.MemMapOfs = d.MemMapEnd = d.LocalVars = d.LocalEnd = d.LSymTab = d.LSymEnd = 0;
    d.MessTab = d.MessEnd = d.NextDir = 0;
    for (int k = 0; k < kCodBlocksPerWindow; ++k) d.Index[k] = 0;
  }
  cod->cFileName = gOutput;
  if (!cod->preWrite()) return 0;  // refused, with a reported error
  if (!cod->write()) std::abort();
  std::unique_ptr<Cod> back = Cod::make(gOutput);
  if (!back || records(*back) != records(*cod)) std::abort();  // a written file reads back whole
  return 0;
}
