#include "HexFile.h"

#include "Assert.h"
#include "OsPath.h"

namespace {

// The two upper-case hexadecimal digits of every byte value.
struct DigitPairs {
  char c[256][2];
};

constexpr DigitPairs makeDigitPairs() {
  DigitPairs d{};
  const char digits[] = "0123456789ABCDEF";
  for (int b = 0; b < 256; ++b) {
    d.c[b][0] = digits[b >> 4];
    d.c[b][1] = digits[b & 0xF];
  }
  return d;
}

constexpr DigitPairs kDigitPairs = makeDigitPairs();

// Room for the longest record: ':', 4 + 255 + 1 bytes as two digits, line feed.
const size_t kLongestRecord = 1 + 2 * (4 + 255 + 1) + 1;
const size_t kBufferSize = size_t(1) << 18;

char* putByte(char* p, uint8_t b) {
  p[0] = kDigitPairs.c[b][0];
  p[1] = kDigitPairs.c[b][1];
  return p + 2;
}

}  // namespace

HexFile::~HexFile() {
  if (cFile) std::fclose(cFile);
}

bool HexFile::open(const std::string& name) {
  ZV_ASSERT(cFile == nullptr);
  cFile = std::fopen(osPath(name).c_str(), "w");
  cFailed = false;
  cBuffer.resize(kBufferSize);
  cUsed = 0;
  return cFile != nullptr;
}

void HexFile::dataRecord(uint32_t address, const uint8_t* bytes, uint32_t count,
                         uint32_t stride) {
  record(0x00, address, bytes, count, stride);
}

void HexFile::linearAddressRecord(uint32_t upper) {
  const uint8_t bytes[2] = {static_cast<uint8_t>(upper >> 8), static_cast<uint8_t>(upper)};
  record(0x04, 0, bytes, 2, 1);
}

void HexFile::endRecord() { record(0x01, 0, nullptr, 0, 1); }

// ":", count, 16-bit address, type, data bytes, checksum, line feed; the
// checksum makes the sum of all record bytes 0 modulo 256.
void HexFile::record(uint8_t type, uint32_t address, const uint8_t* bytes, uint32_t count,
                     uint32_t stride) {
  ZV_ASSERT(cFile != nullptr && count <= 255);
  if (cFailed) return;
  if (cBuffer.size() - cUsed < kLongestRecord) flush();
  char* const line = cBuffer.data() + cUsed;
  char* p = line;
  *p++ = ':';
  const uint8_t head[4] = {static_cast<uint8_t>(count), static_cast<uint8_t>(address >> 8),
                           static_cast<uint8_t>(address), type};
  unsigned sum = 0;
  for (uint8_t b : head) {
    p = putByte(p, b);
    sum += b;
  }
  for (uint32_t k = 0; k < count; ++k) {
    uint8_t b = bytes[k * stride];
    p = putByte(p, b);
    sum += b;
  }
  p = putByte(p, static_cast<uint8_t>((256 - (sum % 256)) % 256));
  *p++ = '\n';
  cUsed += static_cast<size_t>(p - line);
}

void HexFile::flush() {
  if (!cFailed && cUsed && std::fwrite(cBuffer.data(), 1, cUsed, cFile) != cUsed) {
    cFailed = true;
  }
  cUsed = 0;
}

bool HexFile::close() {
  if (!cFile) return false;
  flush();
  bool ok = !cFailed && std::fflush(cFile) == 0 && !std::ferror(cFile);
  if (std::fclose(cFile) != 0) ok = false;
  cFile = nullptr;
  return ok;
}
