// The input of pellund's benchmark: a linked Halvern executable holding one code
// section of the given size at the given byte address, and the same bytes as a
// raw file for the peer tool.
//
//   pellund_gen OUT.cof OUT.bin BYTES START
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "CoffBuilder.h"

namespace {

const uint32_t kHalvernId = 0x4085;  // a Halvern device: program memory in bytes

// Bytes that look like code: a fixed pseudo-random sequence.
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
  if (argc != 5) {
    std::fprintf(stderr, "usage: pellund_gen OUT.cof OUT.bin BYTES START\n");
    return 2;
  }
  const uint32_t size = static_cast<uint32_t>(std::strtoul(argv[3], nullptr, 0));
  const uint32_t start = static_cast<uint32_t>(std::strtoul(argv[4], nullptr, 0));
  const std::vector<uint8_t> bytes = programBytes(size);

  CoffBuilder b(argv[1]);
  b.optionalHeader(kHalvernId, 8).fileFlags(0x0002);
  b.contents(b.section(".code", SCN_CODE, start), bytes);
  if (!b.writeFile(argv[1])) return 1;

  std::ofstream raw(argv[2], std::ios::binary);
  raw.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  raw.close();
  if (!raw) {
    std::fprintf(stderr, "pellund_gen: could not write %s\n", argv[2]);
    return 1;
  }
  return 0;
}
