// Fuzzes the library reader in memory: every input is a library file for
// Archive::make. An archive that reads is also copied and asked for its
// symbols; it is written, the written library must read back with the same
// member names, and writing that must give the same bytes again.
//
// Reading may end in a fatal report (a name missing from a string table): that
// unwinds (ProgramExit.h) and ends the input. Anything after a read that
// succeeded must not end the run.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <sstream>
#include <string>

#include "Archive.h"
#include "ProgramExit.h"
#include "Reporter.h"

namespace {

std::unique_ptr<Archive> read(const std::string& bytes) {
  std::istringstream in(bytes);
  return Archive::make(in, "fuzz.lib", bytes.size());
}

// The library's bytes, or empty after a reported failure.
std::string written(const Archive& archive) {
  std::ostringstream out;
  return archive.write(out) ? out.str() : std::string();
}

void exercise(const Archive& archive) {
  Archive copy(archive);
  if (copy.cMembers.size() != archive.cMembers.size()) __builtin_trap();
  if (!copy.cSymbols.empty()) {
    const std::string& first = copy.cSymbols.begin()->first;
    if (!copy.hasSymbol(first) || !copy.getMember(first)) __builtin_trap();
  }
  std::string first = written(copy);
  if (first.empty()) return;  // a member that cannot be written, reported
  std::unique_ptr<Archive> back = read(first);
  if (!back || back->cMembers.size() != copy.cMembers.size()) __builtin_trap();
  for (size_t i = 0; i < copy.cMembers.size(); ++i) {
    if (back->cMembers[i]->cCoffName != copy.cMembers[i]->cCoffName.substr(0, 255))
      __builtin_trap();
  }
  if (written(*back) != first) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  setQuiet(1);
  unwindOnExit();
  std::string bytes(reinterpret_cast<const char*>(data), size);
  std::unique_ptr<Archive> archive;
  const int status = exitStatusOf([&] { archive = read(bytes); });
  if (status != -1 && status != 255) __builtin_trap();  // a fatal report, or nothing
  if (archive) exercise(*archive);
  return 0;
}
