// Fuzz target of the whole link, library import included. An input is a
// recipe of library members and an object:
//
//   byte 0        n, the length of the recipe
//   bytes 1..n    the recipe (below)
//   the rest      the object, in.o
//
// When the reader accepts in.o, a library, one.lib, is made of in.o itself and
// of the members the recipe describes. They define the names in.o refers to and
// does not define, and further names of the recipe's own, and they refer to each
// other's names: the import takes member after member, each bringing names the
// inputs so far lack. Both are linked under a fixed command file in an empty
// temporary directory (the current directory while the link runs), through
// every phase up to writing out.o and its map. A link either succeeds or
// reports an error.
//
// The recipe, read as zeros past its end (n = 0: one member that defines what
// in.o refers to):
//   r[0]       the members: 1 + r[0] % 16 of them, m0, m1, ...
//   r[1]       in.o's k-th undefined name is defined by member (k + r[1]) % members
//   r[2 + m]   member m: bits 0-2 its section's kind (kKinds), bits 3-5 its
//              size (1 to 8 words), bits 6-7 the relocation (kRelocs) at its
//              start against its first symbol
//   then two bytes (a, b) for each entry of names, in order:
//     a        bits 0-3 the length (kLengths); bit 4 a leading '.'; bits 5 and
//              6 its definition and its reference go to the string table even
//              when the name fits inline; bit 7 the entry stands for 8 names
//     b        bits 0-3 the member that defines the name, bits 4-7 the one
//              that refers to it, each modulo members + 1 (members: none); the
//              i-th of 8 names has both numbers i higher (modulo members + 1),
//              so that one entry can make a chain of members, each referring
//              to a name of the next
// A name is its number in base 62, then '_' up to its length (no shorter than
// the number), so every name is new; one that in.o defines or refers to is
// left out.
//
// A name whose string-table offset the table lacks ends the program through
// a fatal report, by design; here that unwinds (ProgramExit.h) and ends the
// input. The fixed command file must always read.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "Archive.h"
#include "CoffBuilder.h"
#include "Parser.h"
#include "ProgramExit.h"
#include "Reporter.h"
#include "ScratchDir.h"
#include "SymbolWalk.h"
#include "linker.h"
#include "mgreloct.h"

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

// Name lengths around the 8 characters a symbol entry holds inline.
const uint8_t kLengths[16] = {1, 2, 4, 6, 7, 7, 8, 8, 8, 9, 9, 10, 12, 16, 24, 40};

// A member's one section: the command file's "prog" and "vars" are assigned
// to memories; a null name stands for one of the member's own.
struct Kind {
  const char* name;
  uint32_t flags;
};
const Kind kKinds[8] = {{nullptr, SCN_CODE},           {"prog", SCN_CODE},
                        {nullptr, SCN_CODE | SCN_ABS}, {nullptr, SCN_UDATA},
                        {"vars", SCN_UDATA},           {nullptr, SCN_UDATA | SCN_SHARE},
                        {nullptr, SCN_IDATA},          {nullptr, SCN_ROMDATA}};

const uint16_t kRelocs[4] = {0, RELOCT_CALL, RELOCT_LOW, RELOCT_GOTO};

// The recipe's bytes; zero past its end.
class Recipe {
 public:
  explicit Recipe(const std::string& bytes) : cBytes(bytes) {}
  uint8_t at(size_t i) const { return i < cBytes.size() ? static_cast<uint8_t>(cBytes[i]) : 0; }
  size_t size() const { return cBytes.size(); }
  size_t members() const { return 1 + at(0) % 16; }

 private:
  std::string cBytes;
};

// A name of the library: the member that defines it and the one that refers
// to it (-1: none), and whether each goes to the string table when short.
struct Name {
  std::string text;
  int owner;
  int referrer;
  bool defInTable;
  bool refInTable;
};

// Name number `id`: its digits in base 62, '_' up to `length`.
std::string nameText(size_t id, size_t length, bool dotted) {
  static const char kDigits[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
  std::string digits;
  do {
    digits.insert(digits.begin(), kDigits[id % 62]);
    id /= 62;
  } while (id);
  std::string text = (dotted ? "." : "") + digits;
  if (text.size() < length) text.append(length - text.size(), '_');
  return text;
}

// in.o's undefined external names, each once, and the names it defines.
void namesOfObject(const Coff& object, std::vector<std::string>& undefined,
                   std::set<std::string>& defined) {
  std::vector<std::string> refs;
  forEachSymbol(object, [&](size_t, const syment& sym) {
    if (isExtDef(sym)) defined.emplace(Coff::nameView(sym, object.cStringTbl));
    if (isExtRef(sym)) refs.emplace_back(Coff::nameView(sym, object.cStringTbl));
  });
  std::set<std::string> seen;
  for (std::string& ref : refs)
    if (!ref.empty() && !defined.count(ref) && seen.insert(ref).second)
      undefined.push_back(std::move(ref));
}

// The library's names: in.o's undefined ones, then the recipe's.
std::vector<Name> libraryNames(const Recipe& recipe, const Coff& object) {
  const int members = static_cast<int>(recipe.members());
  std::vector<std::string> undefined;
  std::set<std::string> taken;
  namesOfObject(object, undefined, taken);
  std::vector<Name> names;
  for (size_t k = 0; k < undefined.size(); ++k) {
    taken.insert(undefined[k]);
    names.push_back(
        {undefined[k], static_cast<int>((k + recipe.at(1)) % members), -1, false, false});
  }
  size_t id = 0;
  for (size_t i = 2 + members; i < recipe.size(); i += 2) {
    const uint8_t a = recipe.at(i), b = recipe.at(i + 1);
    for (int copy = 0; copy < (a & 0x80 ? 8 : 1); ++copy) {
      const int owner = ((b & 15) + copy) % (members + 1);
      const int referrer = ((b >> 4) + copy) % (members + 1);
      std::string text = nameText(id++, kLengths[a & 15], a & 0x10);
      if (!taken.insert(text).second) continue;
      names.push_back({std::move(text), owner == members ? -1 : owner,
                       referrer == members ? -1 : referrer, (a & 0x20) != 0, (a & 0x40) != 0});
    }
  }
  return names;
}

// Member `m`: its section, and its definitions and references in name order.
// It is built for in.o's processor, so that the link can take it.
std::unique_ptr<Coff> member(int m, const Recipe& recipe, const std::vector<Name>& names,
                             const Coff& object) {
  const uint8_t shape = recipe.at(2 + m);
  const Kind& kind = kKinds[shape & 7];
  const uint32_t bytes = 2 * (1 + ((shape >> 3) & 7));
  CoffBuilder b("m" + std::to_string(m) + ".o");
  b.coff().cOptHdr = object.cOptHdr;
  b.fileFlags(object.cFileHdr.f_flags);
  // Every other member's own section is named in the string table.
  const std::string own = m % 2 ? "member_section_" + std::to_string(m) : "s" + std::to_string(m);
  const bool absolute = (kind.flags & SCN_ABS) != 0;
  const int scn = b.section(kind.name ? kind.name : own, kind.flags,
                            absolute ? 0x800 + 0x10 * m : 0);
  b.zeros(scn, bytes);
  uint32_t value = 0;
  for (const Name& name : names) {
    if (name.owner == m) {
      b.symbol(name.text, value, static_cast<int16_t>(scn), C_EXT, 0, name.defInTable);
      value = (value + 2) % bytes;
    }
    if (name.referrer == m) b.symbol(name.text, 0, N_UNDEF, C_EXT, 0, name.refInTable);
  }
  const uint16_t reloc = kRelocs[shape >> 6];
  if (reloc && !(kind.flags & SCN_UDATA) && !b.coff().cSymbols.empty())
    b.reloc(scn, 0, 0, 0, reloc);
  return std::make_unique<Coff>(b.image());
}

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
bool makeLibrary(const Recipe& recipe, const std::string& object) {
  bool written = false;
  const int status = exitStatusOf([&] {
    std::istringstream in(object);
    std::unique_ptr<Coff> coff = Coff::make(in, 0, "in.o");
    if (!coff) return;
    const std::vector<Name> names = libraryNames(recipe, *coff);
    Archive library("one.lib");
    for (int m = 0; m < static_cast<int>(recipe.members()); ++m)
      library.cMembers.push_back(member(m, recipe, names, *coff));
    library.cMembers.insert(library.cMembers.begin(), std::move(coff));
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
  const std::string input(reinterpret_cast<const char*>(data), size);
  const size_t begin = size ? 1 : 0;
  const size_t end = std::min(size, begin + (size ? data[0] : 0));
  const Recipe recipe(input.substr(begin, end - begin));
  const std::string object = input.substr(end);
  ScratchDir::Inside here(scratch());
  clearDir();
  writeFile("fuzz.lkr", kCommandFile);
  writeFile("in.o", object);
  link(makeLibrary(recipe, object));
  return 0;
}
