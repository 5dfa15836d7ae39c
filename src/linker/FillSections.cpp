// Fill sections: every free stretch of a CODEPAGE with a FILL pattern becomes
// a code section ".fill_N" of that pattern, numbered across all memories.
//
//   FILL=0x3FFF over 3 locations of 14-bit words:   FF 3F FF 3F FF 3F
//   FILL=0x12345678 over the same stretch:          34 12 78 56 34 12 (warned)
//   FILL=4660 (decimal) over 3 byte locations:      34 12 34          (warned)
#include <iostream>
#include <string>
#include <vector>

#include "Assert.h"
#include "Reporter.h"
#include "TextHelpers.h"
#include "Trace.h"
#include "linker.h"

namespace {

void putWord(Data& d, uint64_t at, uint16_t word) {
  d.bytes()[at] = static_cast<uint8_t>(word & 0xFF);
  d.bytes()[at + 1] = static_cast<uint8_t>(word >> 8);
}

bool isDecimalPattern(const std::string& fill) {
  return fill.size() <= 2 || (fill[1] != 'x' && fill[1] != 'X');
}

// The 16-bit words of a hexadecimal pattern: four digits each, after "0x".
std::vector<uint16_t> patternWords(const std::string& fill) {
  ZV_ASSERT(((fill.length() - 2) % 4) == 0);
  std::vector<uint16_t> words;
  for (size_t at = 2; at < fill.size(); at += 4)
    words.push_back(static_cast<uint16_t>(toNumber("0x" + fill.substr(at, 4))));
  return words;
}

// Fills the buffer with the pattern; false when the pattern does not divide
// the stretch evenly.
bool fillWith(Data& d, const std::string& fill) {
  const uint64_t bytes = d.size();
  const uint64_t pairs = bytes / 2;
  if (isDecimalPattern(fill)) {
    uint16_t v = static_cast<uint16_t>(toNumber(fill) & 0xFFFF);
    for (uint64_t i = 0; i < pairs; ++i) putWord(d, 2 * i, v);
    if (bytes % 2) d.bytes()[bytes - 1] = static_cast<uint8_t>(v & 0xFF);
    return bytes % 2 == 0;
  }
  const std::vector<uint16_t> words = patternWords(fill);
  if (words.empty()) return bytes == 0;
  for (uint64_t i = 0; i < pairs; ++i) putWord(d, 2 * i, words[i % words.size()]);
  if (bytes % 2) d.bytes()[bytes - 1] = static_cast<uint8_t>(words[pairs % words.size()] & 0xFF);
  return bytes % 2 == 0 && pairs % words.size() == 0;
}

}  // namespace

namespace {

// The walk over every CODEPAGE's holes: false once a hole could not be filled.
struct HoleWalk {
  Linker* linker;
  bool ok;
};

}  // namespace

int Linker::buildOutputHoles() {
  HoleWalk walk{this, true};
  for (const Memory& m : cCodePage) m.walkHoles(&Linker::buildOutputHoleCB, &walk);
  return walk.ok ? 1 : 0;
}

void Linker::buildOutputHoleCB(void* walk, const Memory& memory, uint32_t start, uint32_t end,
                               const std::string& fill) {
  HoleWalk& w = *static_cast<HoleWalk*>(walk);
  if (!w.linker->buildOutputHole(memory.getName(), start, end, fill)) w.ok = false;
}

// A hole too large for a section of the executable is reported, and the link
// fails: an executable without the fill that its command file asks for is no
// success.
bool Linker::buildOutputHole(const std::string& memName, uint32_t start, uint32_t end,
                             const std::string& fill) {
  static const int& tracing = traceLevelRef("Linker::buildOutputHole");
  if (tracing)
    std::cout << "Linker::buildOutputHole() - start=" << toHex(start, 4) << " end=" << toHex(end, 4)
              << " fill=" << fill << '\n';
  const uint64_t bytes = (uint64_t(end) - start + 1) * bytesPerLocation(rom);
  if (bytes > UINT32_MAX) {
    reportError("Linker::BuildOutputHole()",
                "Fill section for memory '" + memName + "' would hold " + std::to_string(bytes) +
                    " bytes, more than an executable can hold; the memory is not filled.");
    return false;
  }
  const std::string name = ".fill_" + std::to_string(++cFillCount);
  cOutput.cScnNum[static_cast<int>(cOutput.cScnNum.size()) + 1] = name;
  Data& data = cOutput.cRawData[name] = Data(static_cast<uint32_t>(bytes));
  if (!fillWith(data, fill))
    reportWarning("Linker::BuildOutputHole()",
                  "Fill pattern for memory '" + memName +
                      "' doesn't divide evenly into\n"
                      "          unused program locations.  Last value was truncated.");
  // A name past eight characters lives in the string table, like a long ROM
  // image name.
  if (name.size() > 8) addOutputString(name);
  scnhdr& hdr = cOutput.cScnHdr[name];
  Coff::setName(hdr, name, cOutput.cStringTbl);
  hdr.s_paddr = start;
  hdr.s_vaddr = 0;
  setScnFlags(hdr, SCNTYPE_CODE, false, false, false);
  return true;
}
