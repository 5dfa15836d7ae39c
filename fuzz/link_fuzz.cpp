// Fuzz target of the whole link. The bytes are one object, in.o, and a
// library, one.lib, is made of that object when the reader accepts it; both
// are linked under a fixed command file in an empty temporary directory
// (the current directory while the link runs), through every phase up to
// writing out.o and its map. A link either succeeds or reports an error.
//
// A name whose string-table offset the table lacks ends the program through
// a fatal report, by design; here that unwinds (ProgramExit.h) and ends the
// input. The fixed command file must always read.
#include <fcntl.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "Archive.h"
#include "Parser.h"
#include "ProgramExit.h"
#include "Reporter.h"
#include "ScratchDir.h"
#include "linker.h"

namespace {

// Memories of every kind, a protected page a section is assigned to, a
// filled page and a stack: the phases that place and fill have work to do.
const char kCommandFile[] =
    "LIBPATH .\n"
    "CODEPAGE NAME=page0 START=0x0 END=0x7FF\n"
    "CODEPAGE NAME=page1 START=0x800 END=0xFFF FILL=0x3FFF\n"
    "CODEPAGE NAME=prot START=0x1000 END=0x10FF PROTECTED\n"
    "DATABANK NAME=gpr0 START=0x20 END=0x6F\n"
    "DATABANK NAME=gpr1 START=0xA0 END=0xEF\n"
    "SHAREBANK NAME=shr START=0x70 END=0x7F\n"
    "SHAREBANK NAME=shr START=0xF0 END=0xFF\n"
    "SECTION NAME=prog ROM=prot\n"
    "SECTION NAME=vars RAM=gpr1\n"
    "STACK SIZE=0x10 RAM=gpr0\n";

const char* const kFiles[] = {"in.o", "one.lib", "out.o", "out.map", "fuzz.lkr"};

// The directory the link runs in.
ScratchDir& scratch() {
  static ScratchDir dir("link_fuzz");
  return dir;
}

void clearDir() {
  for (const char* file : kFiles) std::remove(file);
}

void writeFile(const char* name, const std::string& bytes) {
  std::ofstream out(name, std::ios::binary);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out.flush()) std::abort();
}

// True when one.lib was written: the object reads, and its names are there.
bool makeLibrary(const std::string& bytes) {
  bool written = false;
  const int status = exitStatusOf([&] {
    std::istringstream in(bytes);
    std::unique_ptr<Coff> coff = Coff::make(in, 0, "in.o");
    if (!coff) return;
    Archive library("one.lib");
    library.cMembers.push_back(std::move(coff));
    written = library.makeSymbols() && library.write();
  });
  if (status != -1 && status != 255) __builtin_trap();  // a fatal report, or nothing
  return written;
}

void link(bool withLibrary) {
  Linker linker;
  Parser parser;
  if (exitStatusOf([&] { parser.parseCommandFile("fuzz.lkr", linker); }) != -1) __builtin_trap();
  std::string message;
  if (!linker.addObjectFile("in.o", message)) return;
  if (withLibrary && !linker.addLibraryFile("one.lib", message)) return;
  if (!linker.setOutputFile("out.o", message) || !linker.setMapFile("out.map", message))
    __builtin_trap();
  const int status = exitStatusOf([&] { linker.link(message); });
  if (status != -1 && status != 255) __builtin_trap();  // a fatal report, or nothing
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  scratch();
  setQuiet(1);
  unwindOnExit();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string bytes(reinterpret_cast<const char*>(data), size);
  ScratchDir::Inside here(scratch());
  clearDir();
  writeFile("fuzz.lkr", kCommandFile);
  writeFile("in.o", bytes);
  link(makeLibrary(bytes));
  return 0;
}
