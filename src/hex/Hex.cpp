#include "Hex.h"

#include <algorithm>

#include "Assert.h"
#include "HexFile.h"
#include "Reporter.h"

namespace {

// The address of the last extended linear address record, kept across files.
uint32_t gLastLinearAddress = 0;

// A file that cannot be created, written or closed: one message for all three.
bool openFailed(const std::string& name) {
  reportError("Hex::write()", "Could not open hex file '" + name + "' for writing.");
  return false;
}

bool closeChecked(HexFile& file, const std::string& name) {
  return file.close() || openFailed(name);
}

// The 16-bit formats reach addresses below 64 K only (words in INHX8S).
bool beyond16Bits(HexFormat format, uint32_t address) {
  return (format == INHX8M || format == INHX8S) && address >= 0x10000;
}

// A range's last byte address must fit 32 bits, so that the walk cannot wrap.
void checkRange(const HexRange& r) {
  ZV_ASSERT(uint64_t(r.cStart) + r.cData.size() <= 0x100000000ull);
}

}  // namespace

bool Hex::write(HexFormat format) {
  if (format == INHX8M || format == INHX32) return writeHexFile(format);
  if (format == INHX8S) return writeSplitFiles();
  return false;
}

void Hex::sortRanges() { std::stable_sort(cRanges.begin(), cRanges.end()); }

// One file of byte records (INHX8M, INHX32).
bool Hex::writeHexFile(HexFormat format) {
  const std::string name = cFileBaseName + ".hex";
  HexFile file;
  if (!file.open(name)) return openFailed(name);
  sortRanges();
  bool first = true;
  for (const HexRange& r : cRanges) {
    checkRange(r);
    uint32_t a = r.cStart;
    const uint32_t size = r.cData.size();
    for (uint32_t i = 0; i < size && file.good();) {
      doLinearAddressRecord(file, a, format, first);
      first = false;
      const uint32_t count = std::min<uint32_t>(16 - a % 16, size - i);
      file.dataRecord(a, r.cData.bytes() + i, count, 1);
      a += count;
      i += count;
    }
  }
  file.endRecord();
  return closeChecked(file, name);
}

// Two files of word records (INHX8S): low bytes to .hxl, high bytes to .hxh.
bool Hex::writeSplitFiles() {
  const std::string lowName = cFileBaseName + ".hxl";
  const std::string highName = cFileBaseName + ".hxh";
  HexFile low, high;
  if (!low.open(lowName)) return openFailed(lowName);
  if (!high.open(highName)) {
    low.close();
    return openFailed(highName);
  }
  sortRanges();
  bool first = true;
  for (const HexRange& r : cRanges) {
    checkRange(r);
    ZV_ASSERT(r.cData.size() % 2 == 0);
    uint32_t w = r.cStart / 2;
    const uint32_t size = r.cData.size();
    for (uint32_t i = 0; i < size && low.good() && high.good();) {
      // The check ends the program with the low file; the high file's records
      // must reach it first.
      if (beyond16Bits(INHX8S, w)) high.flush();
      doLinearAddressRecord(low, w, INHX8S, first);
      doLinearAddressRecord(high, w, INHX8S, first);
      first = false;
      const uint32_t count = std::min<uint32_t>(16 - w % 16, (size - i) / 2);
      low.dataRecord(w, r.cData.bytes() + i, count, 2);
      high.dataRecord(w, r.cData.bytes() + i + 1, count, 2);
      w += count;
      i += 2 * count;
    }
  }
  low.endRecord();
  high.endRecord();
  const bool lowOk = closeChecked(low, lowName);
  const bool highOk = closeChecked(high, highName);
  return lowOk && highOk;
}

void Hex::doLinearAddressRecord(HexFile& file, uint32_t address, HexFormat format,
                                bool first) {
  if (first) gLastLinearAddress = address;
  if (beyond16Bits(format, address)) {
    file.flush();  // the file keeps the records written before the fatal end
    reportFatal("Hex::doLinearAddressRecord()",
                "Selected hex format does not support byte addresses above 64kb; use INHX32 format!");
  }
  if (format == INHX32 && (first || address / 0x10000 != gLastLinearAddress / 0x10000)) {
    gLastLinearAddress = address;
    file.linearAddressRecord(address / 0x10000);
  }
}

void Hex::print(std::ostream& os) const {
  os << "Hex: cFileBaseName=" << cFileBaseName << ", cRanges:" << '\n';
  for (const HexRange& r : cRanges) r.print(os);
}
