#include "Hex.h"

#include <algorithm>

#include "Assert.h"
#include "HexFile.h"
#include "Reporter.h"

namespace {

// The address of the last extended linear address record, kept across files.
uint32_t gLastLinearAddress = 0;

// A file that cannot be created.
bool openFailed(const std::string& name) {
  reportError("Hex::write()", "Could not open hex file '" + name + "' for writing.");
  return false;
}

// A file that was created but whose writing, final flush or close failed (a
// full disk, a file-size limit).
bool closeChecked(HexFile& file, const std::string& name) {
  if (file.close()) return true;
  reportError("Hex::write()", "Could not write hex file '" + name + "'.");
  return false;
}

// The 16-bit formats reach addresses below 64 K only (words in INHX8S).
bool beyond16Bits(HexFormat format, uint32_t address) {
  return (format == INHX8M || format == INHX8S) && address >= 0x10000;
}

// A range's last byte address must fit 32 bits, so that the walk cannot wrap.
void checkRange(const HexRange& r) { ZV_ASSERT(uint64_t(r.cStart) + r.size() <= 0x100000000ull); }

// The fatal end of a 16-bit format; the file keeps the records written before.
// Kept out of doLinearAddressRecord, which runs before every record.
[[noreturn]] void addressTooHigh(HexFile& file) {
  file.flush();
  reportFatal("Hex::doLinearAddressRecord()",
              "Selected hex format does not support byte addresses above 64kb; use INHX32 format!");
}

}  // namespace

bool Hex::write(HexFormat format) {
  if (format == INHX8M || format == INHX32) return writeHexFile(format);
  if (format == INHX8S) return writeSplitFiles();
  return false;
}

std::vector<std::string> Hex::fileNames(HexFormat format) const {
  if (format == INHX8M || format == INHX32) return {cFileBaseName + ".hex"};
  if (format == INHX8S) return {cFileBaseName + ".hxl", cFileBaseName + ".hxh"};
  return {};
}

void Hex::sortRanges() { std::stable_sort(cRanges.begin(), cRanges.end()); }

const uint8_t* Hex::recordBytes(const HexRange& r, uint32_t i, uint32_t n, uint8_t* scratch) {
  if (uint64_t(i) + n <= r.cCount) return r.cBytes + i;
  r.copy(i, n, scratch);
  return scratch;
}

// One file of byte records (INHX8M, INHX32).
bool Hex::writeHexFile(HexFormat format) {
  const std::string name = cFileBaseName + ".hex";
  HexFile file;
  if (!file.open(name)) return openFailed(name);
  writeByteRecords(format, file);
  return closeChecked(file, name);
}

void Hex::writeByteRecords(HexFormat format, HexFile& file) {
  sortRanges();
  bool first = true;
  uint8_t scratch[16];
  for (const HexRange& r : cRanges) {
    checkRange(r);
    uint32_t a = r.cStart;
    const uint32_t size = r.size();
    for (uint32_t i = 0; i < size && file.good();) {
      doLinearAddressRecord(file, a, format, first);
      first = false;
      const uint32_t count = std::min<uint32_t>(16 - a % 16, size - i);
      file.dataRecord(a, recordBytes(r, i, count, scratch), count, 1);
      a += count;
      i += count;
    }
  }
  file.endRecord();
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
  writeWordRecords(low, high);
  const bool lowOk = closeChecked(low, lowName);
  const bool highOk = closeChecked(high, highName);
  return lowOk && highOk;
}

void Hex::writeWordRecords(HexFile& low, HexFile& high) {
  sortRanges();
  bool first = true;
  uint8_t scratch[32];
  for (const HexRange& r : cRanges) {
    checkRange(r);
    uint32_t w = r.cStart / 2;
    const uint32_t size = r.size();
    for (uint32_t i = 0; i < size && low.good() && high.good();) {
      // The check ends the program with the low file; the high file's records
      // must reach it first.
      if (beyond16Bits(INHX8S, w)) high.flush();
      doLinearAddressRecord(low, w, INHX8S, first);
      doLinearAddressRecord(high, w, INHX8S, first);
      first = false;
      const uint32_t left = size - i;
      const uint32_t words = std::min<uint32_t>(16 - w % 16, (left + 1) / 2);
      const uint32_t highs = std::min(words, left / 2);
      const uint8_t* bytes = recordBytes(r, i, std::min(2 * words, left), scratch);
      low.dataRecord(w, bytes, words, 2);
      if (highs) high.dataRecord(w, bytes + 1, highs, 2);
      w += words;
      i += std::min(2 * words, left);
    }
  }
  low.endRecord();
  high.endRecord();
}

void Hex::doLinearAddressRecord(HexFile& file, uint32_t address, HexFormat format, bool first) {
  if (first) gLastLinearAddress = address;
  if (beyond16Bits(format, address)) addressTooHigh(file);
  if (format == INHX32 && (first || address / 0x10000 != gLastLinearAddress / 0x10000)) {
    gLastLinearAddress = address;
    file.linearAddressRecord(address / 0x10000);
  }
}

void Hex::print(std::ostream& os) const {
  os << "Hex: cFileBaseName=" << cFileBaseName << ", cRanges:" << '\n';
  for (const HexRange& r : cRanges) r.print(os);
}
