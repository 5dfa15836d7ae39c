// The input of vostrum's benchmark: a linked Halvern executable holding one code
// section of the given size at byte address 0 and the given number of symbols
// (every tenth with a name longer than 12 characters), named after a source
// file. With LINES, it also writes the sources for a listing: four files
// main0.asm .. main3.asm in the current directory, LINES lines in all, whose
// lines share the program words evenly through the line numbers; the code is
// then cut into sections of 64 KB, since a section holds at most 65,535 line
// numbers.
//
//   vostrum_gen OUT.cof BYTES SYMBOLS [LINES]
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
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

constexpr uint32_t kSourceFiles = 4;
constexpr uint32_t kSectionBytes = 0x10000;

// Writes the sources and gives every source line its share of the words, in
// address order; the listing reads them back.
bool addSources(CoffBuilder& b, const std::vector<int>& sections, uint32_t bytes, uint32_t lines) {
  const uint32_t words = bytes / 2;
  const uint32_t perFile = (lines + kSourceFiles - 1) / kSourceFiles;
  uint32_t line = 0, word = 0;
  for (uint32_t f = 0; f < kSourceFiles && line < lines; ++f) {
    const std::string name = "main" + std::to_string(f) + ".asm";
    const uint32_t file = b.fileSymbol(name);
    b.symbol(".eof", 0, N_DEBUG, C_STAT);
    std::ofstream out(name);
    for (uint32_t n = 1; n <= perFile && line < lines; ++n, ++line) {
      out << "label" << line << "   instruction " << n << " of " << name << "   ; comment\n";
      const uint32_t upTo = static_cast<uint32_t>(uint64_t(words) * (line + 1) / lines);
      for (; word < upTo; ++word)
        b.line(sections[word * 2 / kSectionBytes], file, static_cast<uint16_t>(n), word * 2, 0, 0);
    }
    if (!out.flush()) return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4 && argc != 5) {
    std::fprintf(stderr, "usage: vostrum_gen OUT.cof BYTES SYMBOLS [LINES]\n");
    return 2;
  }
  const uint32_t bytes = static_cast<uint32_t>(std::strtoul(argv[2], nullptr, 0));
  const uint32_t symbols = static_cast<uint32_t>(std::strtoul(argv[3], nullptr, 0));
  CoffBuilder b(argv[1]);
  b.optionalHeader(kHalvernId, 8).fileFlags(0x0002);
  const uint32_t lines = argc == 5 ? static_cast<uint32_t>(std::strtoul(argv[4], nullptr, 0)) : 0;
  const std::vector<uint8_t> program = programBytes(bytes);
  std::vector<int> sections;
  const uint32_t step = lines ? kSectionBytes : std::max(bytes, 1u);
  for (uint32_t at = 0; at == 0 || at < bytes; at += step) {
    const uint32_t size = std::min(step, bytes - at);
    const std::string name = sections.empty() ? ".code" : ".code" + std::to_string(sections.size());
    sections.push_back(b.section(name, SCN_CODE, at));
    b.contents(sections.back(),
               std::vector<uint8_t>(program.begin() + at, program.begin() + at + size));
  }
  const int code = sections.front();
  if (lines == 0) b.fileSymbol("main.asm");
  if (lines != 0 && !addSources(b, sections, bytes, lines)) return 1;
  for (uint32_t i = 0; i < symbols; ++i) {
    const std::string name = (i % 10 == 0 ? "a_longer_label_" : "L") + std::to_string(i);
    b.symbol(name, bytes ? i * 2 % bytes : 0, static_cast<int16_t>(code), C_EXT);
  }
  return b.writeFile(argv[1]) ? 0 : 1;
}
