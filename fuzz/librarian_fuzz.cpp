// Fuzzes the librarian's commands on a fuzzed library. The first input byte
// chooses the command and its member names, the rest is the library file; each
// input runs in a private working directory holding the library and one sound
// object file, a.o. After the command:
//   - a library that /d or /r changed reads back, without the deleted member or
//     with a.o;
//   - a library that /d or /r failed to change is byte for byte as it was, and
//     so is one that a fatal report (a name missing from a string table) ended;
//   - no temporary file is left behind: no file of the name pattern that the
//     replacement files are made with, .zvlib-XXXXXX, other than a member that
//     /x extracted under that name.
// Messages and listings are formatted, then dropped. The working directory is
// entered for each input and left after it; give the fuzzer an absolute
// -artifact_prefix, since a crash is written while inside.
//
// A fatal report unwinds (ProgramExit.h) out of the command.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <sstream>
#include <streambuf>
#include <string>
#include <vector>

#include "Archive.h"
#include "Archiver.h"
#include "CoffBuilder.h"
#include "OsPath.h"
#include "ProgramExit.h"
#include "ScratchDir.h"

namespace {

// Takes every character and keeps none.
class Discard : public std::streambuf {
 protected:
  int_type overflow(int_type c) override { return traits_type::not_eof(c); }
  std::streamsize xsputn(const char*, std::streamsize n) override { return n; }
};

Discard gDiscard;
std::string gObject;  // the bytes of a.o

const char kLibrary[] = "x.lib";

// The working directory.
ScratchDir& scratch() {
  static ScratchDir dir("librarian_fuzz");
  return dir;
}

void writeFile(const std::string& name, const std::string& bytes) {
  std::ofstream f(name, std::ios::binary | std::ios::trunc);
  f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!f) std::abort();
}

std::string readFile(const std::string& name) {
  std::ifstream f(name, std::ios::binary);
  std::ostringstream s;
  s << f.rdbuf();
  return s.str();
}

// Removes what the last input left: extracted members, the library.
void clearDir() {
  std::error_code ec;
  for (const auto& e : std::filesystem::directory_iterator(".", ec))
    std::filesystem::remove_all(e.path(), ec);
}

// A name as mkstemp makes it from ".zvlib-XXXXXX": six letters or digits.
bool isTemporaryName(const std::string& name) {
  const std::string prefix = ".zvlib-";
  if (name.size() != prefix.size() + 6 || name.compare(0, prefix.size(), prefix) != 0) return false;
  for (size_t i = prefix.size(); i < name.size(); ++i) {
    if (!std::isalnum(static_cast<unsigned char>(name[i]))) return false;
  }
  return true;
}

// True when a temporary file is left in the directory: a file of the temporary
// pattern that is not a member the command may have extracted.
bool temporaryFileLeft(const std::vector<std::string>& extractable) {
  std::error_code ec;
  for (const auto& e : std::filesystem::directory_iterator(".", ec)) {
    const std::string name = e.path().filename().string();
    if (!isTemporaryName(name)) continue;
    if (std::find(extractable.begin(), extractable.end(), name) == extractable.end()) return true;
  }
  return false;
}


struct Command {
  ArCommand cmd;
  std::vector<std::string> members;
};

// The files that the command may write besides the library: for /x, every
// member of the library, under the name extraction gives it.
std::vector<std::string> extractedFiles(const Command& c, const Archive* library) {
  std::vector<std::string> files;
  if (c.cmd != cmdExtract || !library) return files;
  for (const auto& m : library->cMembers) files.push_back(osPath(m->cCoffName));
  return files;
}

Command chosen(uint8_t selector) {
  static const ArCommand kCommands[] = {cmdList, cmdDelete, cmdReplace, cmdExtract};
  Command c{kCommands[selector % 4], {}};
  if (c.cmd == cmdReplace || selector & 4) c.members.push_back("a.o");
  if (selector & 8) c.members.push_back("b.o");
  return c;
}

size_t countOf(const Archive& archive, const std::string& member) {
  size_t n = 0;
  for (const auto& m : archive.cMembers) n += m->cCoffName == member;
  return n;
}

// A successful /d removed one member of each name; a successful /r left one
// a.o where there was none and changed no count otherwise.
void checkChanged(const Command& c, const Archive& before) {
  std::unique_ptr<Archive> after = Archive::make(kLibrary);
  if (!after) __builtin_trap();
  size_t expected = before.cMembers.size();
  for (const std::string& m : c.members) {
    size_t was = countOf(before, m);
    size_t now = c.cmd == cmdDelete ? was - 1 : was ? was : 1;
    if (was == 0 && c.cmd == cmdDelete) __builtin_trap();  // a missing name must fail
    if (countOf(*after, m) != now) __builtin_trap();
    expected = expected - was + now;
  }
  if (after->cMembers.size() != expected) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  scratch();
  CoffBuilder b("a.o");
  b.optionalHeader(0x1234, 16);
  int code = b.section(".code", SCN_CODE);
  b.words(code, {1, 2, 3, 4});
  b.symbol("a_entry_point", 0, static_cast<int16_t>(code), C_EXT);  // in the string table
  gObject = b.bytes();
  unwindOnExit();
  std::cout.rdbuf(&gDiscard);
  std::cerr.rdbuf(&gDiscard);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const std::string lib(reinterpret_cast<const char*>(data) + 1, size - 1);
  ScratchDir::Inside inside(scratch());
  clearDir();
  writeFile(kLibrary, lib);
  writeFile("a.o", gObject);
  std::unique_ptr<Archive> before;
  const int read = exitStatusOf([&] {
    std::istringstream in(lib);
    before = Archive::make(in, kLibrary, lib.size());
  });
  const Command c = chosen(data[0]);
  Archiver archiver;
  archiver.setCommand(c.cmd, kLibrary, c.members);
  bool ok = false;
  const int status = exitStatusOf([&] { ok = archiver.execute(); });
  if (status != -1 && status != 255) __builtin_trap();  // a fatal report, or nothing
  if (read != status) __builtin_trap();  // the command reads the library as the reader does
  if (temporaryFileLeft(extractedFiles(c, before.get()))) __builtin_trap();
  if (ok && !before) __builtin_trap();  // no command succeeds on a library that does not read
  bool changes = c.cmd == cmdDelete || c.cmd == cmdReplace;
  if (changes && ok) checkChanged(c, *before);
  if ((changes && !ok) || c.cmd == cmdList) {
    if (readFile(kLibrary) != lib) __builtin_trap();
  }
  return 0;
}
