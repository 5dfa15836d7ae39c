// Writes the linker benchmark's inputs into the current directory, for a
// Halvern device (byte-addressed program memory):
//
//   o0000.o ... : OBJECTS objects, each with one code section of its own name
//                 (512 bytes), 100 external definitions in it and 250 LOW
//                 relocations: 249 to definitions of other objects and one to
//                 a library member's definition;
//   bench.lib   : a library of 2.5 x OBJECTS members of 4 definitions each,
//                 of which the objects import one member in five;
//   bench.lkr   : the command file: the current directory as LIBPATH, one code
//                 page of 2 MB, one data bank.
//
// With "elf", the same link for an x86-64 ELF linker, as assembly sources to
// assemble with `as` and to put in an archive with `ar rcs bench.a m*.o`:
//
//   e0000.s ... : OBJECTS objects with the same 100 global functions each
//                 (the same names) and 250 calls, to the same targets as the
//                 relocations above (the first 50 functions make 3 calls, the
//                 others 2);
//   m00000.s ...: the 2.5 x OBJECTS library members with the same 4 global
//                 functions each.
//
// The same counts on both sides: objects, library members, definitions,
// references, relocations, and the members that the link takes.
//
//   zorvik_gen OBJECTS [elf]
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "Archive.h"
#include "CoffBuilder.h"

namespace {

const uint32_t kHalvern = 0x4085;
const int kDefinitions = 100;
const int kRelocations = 250;
const uint32_t kCodeBytes = 512;
const int kMemberDefinitions = 4;
const uint32_t kMemberBytes = 32;
const uint16_t kRelocLow = 4;

std::string numbered(const char* prefix, int n, int width) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%s%0*d", prefix, width, n);
  return buf;
}

std::string definition(int object, int d) {
  return numbered("o", object, 4) + numbered("_fn", d, 2);
}
std::string memberDefinition(int member, int d) {
  return numbered("l", member, 5) + numbered("_e", d, 1);
}

// The definition that relocation `r` of object `n` refers to; relocation 0
// refers to a library member's.
std::string target(int n, int r, int objects, int members) {
  if (r == 0) return memberDefinition((n * 5) % members, n % kMemberDefinitions);
  int other = (n + 1 + (r * 7919 + n * 31) % (objects - 1)) % objects;
  return definition(other, (r * 13 + n) % kDefinitions);
}

std::vector<uint8_t> code(int seed, uint32_t size) {
  std::vector<uint8_t> bytes(size);
  for (uint32_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(seed * 7 + i);
  return bytes;
}

bool writeObject(int n, int objects, int members) {
  CoffBuilder b;
  b.optionalHeader(kHalvern, 8).timeStamp(1700000000u);
  int scn = b.section(numbered("c", n, 4), SCN_CODE);
  b.contents(scn, code(n, kCodeBytes));
  for (int d = 0; d < kDefinitions; ++d)
    b.symbol(definition(n, d), static_cast<uint32_t>(d * 4), static_cast<int16_t>(scn), C_EXT);
  for (int r = 0; r < kRelocations; ++r) {
    uint32_t sym = b.symbol(target(n, r, objects, members), 0, N_UNDEF, C_EXT);
    b.reloc(scn, static_cast<uint32_t>(r * 2), sym, 0, kRelocLow);
  }
  return b.writeFile(numbered("o", n, 4) + ".o");
}

bool writeLibrary(int members) {
  Archive archive("bench.lib");
  for (int m = 0; m < members; ++m) {
    CoffBuilder b(numbered("l", m, 5) + ".o");
    b.optionalHeader(kHalvern, 8).timeStamp(1700000000u);
    int scn = b.section(numbered("l", m, 5), SCN_CODE);
    b.contents(scn, code(m, kMemberBytes));
    for (int d = 0; d < kMemberDefinitions; ++d)
      b.symbol(memberDefinition(m, d), static_cast<uint32_t>(d * 2), static_cast<int16_t>(scn),
               C_EXT);
    archive.cMembers.push_back(std::make_unique<Coff>(b.image()));
  }
  return archive.makeSymbols() && archive.write();
}

bool writeCommandFile() {
  std::FILE* f = std::fopen("bench.lkr", "w");
  if (!f) return false;
  std::fputs(
      "LIBPATH .\n"
      "CODEPAGE NAME=program START=0x0 END=0x1FFFFF\n"
      "DATABANK NAME=gpr START=0x0 END=0xFFF\n",
      f);
  return std::fclose(f) == 0;
}

bool writeText(const std::string& name, const std::string& text) {
  std::FILE* f = std::fopen(name.c_str(), "w");
  if (!f) return false;
  bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
  return std::fclose(f) == 0 && ok;
}

void elfFunction(std::string& text, const std::string& name) {
  text += "\t.globl " + name + "\n\t.type " + name + ",@function\n" + name + ":\n";
}

bool writeElfObject(int n, int objects, int members) {
  std::string text = "\t.text\n";
  int r = 0;
  for (int d = 0; d < kDefinitions; ++d) {
    elfFunction(text, definition(n, d));
    int calls = d < kRelocations - 2 * kDefinitions ? 3 : 2;
    for (int c = 0; c < calls; ++c, ++r) text += "\tcall " + target(n, r, objects, members) + "\n";
    text += "\tret\n";
  }
  return writeText(numbered("e", n, 4) + ".s", text);
}

bool writeElfMember(int m) {
  std::string text = "\t.text\n";
  for (int d = 0; d < kMemberDefinitions; ++d) {
    elfFunction(text, memberDefinition(m, d));
    text += "\tret\n";
  }
  return writeText(numbered("m", m, 5) + ".s", text);
}

int usage() {
  std::fprintf(stderr,
               "usage: zorvik_gen OBJECTS [elf]\n"
               "  writes OBJECTS objects (at least 2), a library of 2.5 x OBJECTS members and\n"
               "  bench.lkr into the current directory; with \"elf\", the same link as x86-64\n"
               "  assembly: e*.s objects and m*.s library members\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) return usage();
  int objects = std::atoi(argv[1]);
  bool elf = argc == 3;
  if (objects < 2 || (elf && std::string(argv[2]) != "elf")) return usage();
  int members = objects * 5 / 2;
  for (int n = 0; n < objects; ++n)
    if (!(elf ? writeElfObject(n, objects, members) : writeObject(n, objects, members))) return 1;
  for (int m = 0; elf && m < members; ++m)
    if (!writeElfMember(m)) return 1;
  if (!elf && (!writeLibrary(members) || !writeCommandFile())) return 1;
  std::printf("%d objects, a library of %d members%s\n", objects, members,
              elf ? " (ELF assembly)" : "");
  return 0;
}
