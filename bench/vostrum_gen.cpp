// The input of vostrum's benchmark: a linked Halvern executable holding one code
// section of the given size at byte address 0 and the given number of symbols
// (every tenth with a name longer than 12 characters), named after a source
// file.
//
//   vostrum_gen OUT.cof BYTES SYMBOLS
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "CoffBuilder.h"

namespace {

const uint32_t kHalvernId = 0x4085;  // a Halvern device: program memory in bytes

std::vector<uint8_t> programBytes(uint32_t n) {
  std::vector<uint8_t> bytes(n);
  uint32_t x = 0x2545F491;
  for (uint8_t& b : bytes) {
    x = x * 1664525u + 1013904223u;
    b = static_cast<uint8_t>(x >> 24);
  }
  return bytes;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: vostrum_gen OUT.cof BYTES SYMBOLS\n");
    return 2;
  }
  const uint32_t bytes = static_cast<uint32_t>(std::strtoul(argv[2], nullptr, 0));
  const uint32_t symbols = static_cast<uint32_t>(std::strtoul(argv[3], nullptr, 0));
  CoffBuilder b(argv[1]);
  b.optionalHeader(kHalvernId, 8).fileFlags(0x0002);
  const int code = b.section(".code", SCN_CODE, 0);
  b.contents(code, programBytes(bytes));
  b.fileSymbol("main.asm");
  for (uint32_t i = 0; i < symbols; ++i) {
    const std::string name = (i % 10 == 0 ? "a_longer_label_" : "L") + std::to_string(i);
    b.symbol(name, bytes ? i * 2 % bytes : 0, static_cast<int16_t>(code), C_EXT);
  }
  return b.writeFile(argv[1]) ? 0 : 1;
}
