// Writes the librarian benchmark's inputs into the current directory: COUNT
// object files m00000.o, m00001.o, ... of about 1 KB each, every one with a
// code section and ten external definitions of its own.
//
//   quandel_gen COUNT       (the benchmark uses 2000)
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "CoffBuilder.h"

namespace {

const int kDefinitions = 10;
const uint32_t kCodeWords = 320;  // with headers, symbols and names: ~1 KB

std::string numbered(const char* prefix, int n, int width) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%s%0*d", prefix, width, n);
  return buf;
}

bool writeMember(int n) {
  std::string file = numbered("m", n, 5) + ".o";
  CoffBuilder b(file);
  b.optionalHeader(0x1234, 16).timeStamp(1700000000u + static_cast<uint32_t>(n));
  int code = b.section(".code", SCN_CODE);
  std::vector<uint16_t> words(kCodeWords);
  for (uint32_t i = 0; i < kCodeWords; ++i) words[i] = static_cast<uint16_t>(n * 31 + i);
  b.words(code, words);
  for (int d = 0; d < kDefinitions; ++d) {
    std::string name = numbered("m", n, 5) + numbered("_fn", d, 2);
    b.symbol(name, static_cast<uint32_t>(d * 32), static_cast<int16_t>(code), C_EXT);
  }
  return b.writeFile(file);
}

}  // namespace

int main(int argc, char** argv) {
  // Without its count it writes nothing: a run by mistake would fill the
  // current directory with thousands of files.
  if (argc != 2 || std::atoi(argv[1]) < 1) {
    std::fprintf(stderr,
                 "usage: quandel_gen COUNT   (writes COUNT objects m00000.o ... into the current "
                 "directory)\n");
    return 2;
  }
  const int count = std::atoi(argv[1]);
  for (int n = 0; n < count; ++n) {
    if (!writeMember(n)) return 1;
  }
  std::printf("%d objects written\n", count);
  return 0;
}
