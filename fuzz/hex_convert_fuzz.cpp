// Fuzz target of pellund's conversion and HEX writer. The input is a COFF image
// followed by 8 bytes that give one /r range (two little-endian u32 bounds, the
// smaller first). The image is read from memory and converted without ranges,
// with that range and with a range over all addresses; each conversion is
// written in every format into text in memory, and every text must be well
// formed: records with valid checksums, the end record last, and exactly the
// bytes of the runs as data.
//
// Reading may end in a fatal report (a section name missing from the string
// table), which unwinds (ProgramExit.h) and ends the input. An address too high
// for INHX8M or INHX8S ends the program by design; such a conversion is not
// written in that format. Sections stored without contents
// read as up to 4 MB of zero bytes; images with more than 64 KB of program
// memory are passed over, so that each run stays quick.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "Coff.h"
#include "Coff2Hex.h"
#include "HexFile.h"
#include "ProgramExit.h"
#include "ProgramMemory.h"
#include "Reporter.h"

namespace {

int digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The data bytes of a HEX text; traps on any malformed record.
uint64_t dataBytes(const std::string& text) {
  uint64_t total = 0;
  bool ended = false;
  size_t at = 0;
  while (at < text.size()) {
    const size_t eol = text.find('\n', at);
    if (eol == std::string::npos || ended || text[at] != ':') __builtin_trap();
    const size_t length = eol - at - 1;
    if (length % 2 || length < 10) __builtin_trap();
    std::vector<unsigned> b;
    for (size_t i = at + 1; i < eol; i += 2) {
      const int hi = digit(text[i]), lo = digit(text[i + 1]);
      if (hi < 0 || lo < 0) __builtin_trap();
      b.push_back(static_cast<unsigned>(hi * 16 + lo));
    }
    unsigned sum = 0;
    for (unsigned v : b) sum += v;
    if (b.size() != b[0] + 5u || sum % 256 != 0) __builtin_trap();
    if (b[3] == 0x00) total += b[0];
    if (b[3] == 0x01) ended = true;
    at = eol + 1;
  }
  if (!ended) __builtin_trap();
  return total;
}

// Whether a format can take every run without reaching its fatal address limit.
bool fitsSixteenBits(const Hex& hex, HexFormat format) {
  for (const HexRange& r : hex.cRanges) {
    const uint64_t end = format == INHX8S ? r.cStart / 2 + (uint64_t(r.size()) + 1) / 2
                                          : uint64_t(r.cStart) + r.size();
    if (end > 0x10000) return false;
  }
  return true;
}

void writeEveryFormat(const Coff& coff, Coff2Hex& hex) {
  uint64_t runBytes = 0;
  for (const HexRange& r : hex.cRanges) runBytes += r.size();
  for (HexFormat format : {INHX32, INHX8M}) {
    if (format == INHX8M && !fitsSixteenBits(hex, format)) continue;
    std::string text;
    HexFile file;
    file.openInMemory(text);
    hex.writeByteRecords(format, file);
    if (!file.close() || dataBytes(text) != runBytes) __builtin_trap();
  }
  if (!hex.suitsFormat(coff, INHX8S) || !fitsSixteenBits(hex, INHX8S)) return;
  std::string lowText, highText;
  HexFile low, high;
  low.openInMemory(lowText);
  high.openInMemory(highText);
  hex.writeWordRecords(low, high);
  if (!low.close() || !high.close()) __builtin_trap();
  if (dataBytes(lowText) + dataBytes(highText) != runBytes) __builtin_trap();
}

uint32_t u32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  setQuiet(1);
  unwindOnExit();
  if (size < 8) return 0;
  const uint32_t a = u32(data + size - 8), b = u32(data + size - 4);
  const std::string bytes(reinterpret_cast<const char*>(data), size - 8);
  std::unique_ptr<Coff> coff;
  const int status = exitStatusOf([&] {
    std::istringstream in(bytes);
    coff = Coff::make(in, 0, "fuzz.cof");
  });
  if (status != -1 && status != 255) __builtin_trap();  // a fatal report, or nothing
  if (!coff) return 0;
  uint64_t programBytes = 0;
  for (const auto& [name, hdr] : coff->cScnHdr) {
    const Data* data = isProgramMemory(hdr) ? programContents(*coff, name) : nullptr;
    if (data) programBytes += data->size();
  }
  if (programBytes > 0x10000) return 0;
  const std::vector<std::vector<AddrRange>> selections = {
      {}, {AddrRange(a < b ? a : b, a < b ? b : a)}, {AddrRange(0, UINT32_MAX)}};
  for (const std::vector<AddrRange>& ranges : selections) {
    Coff2Hex hex;
    if (hex.convert(*coff, ranges)) writeEveryFormat(*coff, hex);
  }
  return 0;
}
