// Writes the object of the declaration benchmark into the current directory:
// one.o, for a Halvern device, with one code section ".code" of 4 bytes and
// one external definition in it. The command files come from the script.
//
//   zorvik_memories_gen
#include <cstdio>

#include "CoffBuilder.h"

int main() {
  CoffBuilder b;
  b.optionalHeader(0x4085, 8).timeStamp(1700000000u);
  int scn = b.section(".code", SCN_CODE);
  b.contents(scn, {0x12, 0x00, 0x34, 0x00});
  b.symbol("main", 0, static_cast<int16_t>(scn), C_EXT);
  if (b.writeFile("one.o")) return 0;
  std::fprintf(stderr, "zorvik_memories_gen: could not write one.o\n");
  return 1;
}
