#include "HexFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

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
const size_t kBufferSize = size_t(1) << 16;
// ':', count, address, type, 16 data bytes and checksum as digits, line feed.
const size_t kFullRecord = 1 + 2 * (4 + 16 + 1) + 1;

char* putByte(char* p, uint8_t b) {
  std::memcpy(p, kDigitPairs.c[b], 2);
  return p + 2;
}

// The digits of eight bytes, their sum added to `sum`. The sum takes the
// bytes as one 64-bit word, whatever its byte order: pairs of bytes are added
// in 16-bit lanes, and one multiplication adds the four lanes in the top one.
char* putEightBytes(char* p, const uint8_t* bytes, unsigned& sum) {
  for (int i = 0; i < 8; ++i) p = putByte(p, bytes[i]);
  uint64_t eight;
  std::memcpy(&eight, bytes, 8);
  const uint64_t lanes = (eight & 0x00FF00FF00FF00FFull) + ((eight >> 8) & 0x00FF00FF00FF00FFull);
  sum += static_cast<unsigned>((lanes * 0x0001000100010001ull) >> 48);
  return p;
}

}  // namespace

HexFile::~HexFile() {
  if (cFd >= 0) ::close(cFd);
}

bool HexFile::open(const std::string& name) {
  ZV_ASSERT(!isOpen());
  do {
    cFd = ::open(osPath(name).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  } while (cFd < 0 && errno == EINTR);
  startBuffer();
  return cFd >= 0;
}

void HexFile::openInMemory(std::string& text) {
  ZV_ASSERT(!isOpen());
  cMemory = &text;
  startBuffer();
}

void HexFile::startBuffer() {
  cFailed = false;
  if (!cBuffer) cBuffer.reset(new char[kBufferSize]);
  cSize = kBufferSize;
  cUsed = 0;
}

void HexFile::dataRecord(uint32_t address, const uint8_t* bytes, uint32_t count, uint32_t stride) {
  if (count == 16 && stride == 1) {
    fullDataRecord(address, bytes);
  } else {
    record(0x00, address, bytes, count, stride);
  }
}

// The record of nearly every line of a large image, 16 bytes in a row, with
// nothing left to decide:  :10AAAA00 + 32 digits + checksum.
void HexFile::fullDataRecord(uint32_t address, const uint8_t* bytes) {
  ZV_ASSERT(isOpen());
  if (cFailed) return;
  if (cSize - cUsed < kLongestRecord) flush();
  char* p = cBuffer.get() + cUsed;
  const uint8_t high = static_cast<uint8_t>(address >> 8), low = static_cast<uint8_t>(address);
  unsigned sum = 0x10u + high + low;
  std::memcpy(p, ":10", 3);
  p = putByte(p + 3, high);
  p = putByte(p, low);
  std::memcpy(p, "00", 2);
  p = putEightBytes(p + 2, bytes, sum);
  p = putEightBytes(p, bytes + 8, sum);
  p = putByte(p, static_cast<uint8_t>((256 - (sum % 256)) % 256));
  *p = '\n';
  cUsed += kFullRecord;
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
  ZV_ASSERT(isOpen() && count <= 255);
  if (cFailed) return;
  if (cSize - cUsed < kLongestRecord) flush();
  char* const line = cBuffer.get() + cUsed;
  char* p = line;
  *p++ = ':';
  const uint8_t head[4] = {static_cast<uint8_t>(count), static_cast<uint8_t>(address >> 8),
                           static_cast<uint8_t>(address), type};
  unsigned sum = 0;
  for (uint8_t b : head) {
    p = putByte(p, b);
    sum += b;
  }
  if (stride == 1) {
    // The common case, every byte of a section in turn: eight at a time.
    uint32_t k = 0;
    for (; k + 8 <= count; k += 8) p = putEightBytes(p, bytes + k, sum);
    for (; k < count; ++k) {
      p = putByte(p, bytes[k]);
      sum += bytes[k];
    }
  } else {
    for (uint32_t k = 0; k < count; ++k) {
      const uint8_t b = bytes[size_t(k) * stride];
      p = putByte(p, b);
      sum += b;
    }
  }
  p = putByte(p, static_cast<uint8_t>((256 - (sum % 256)) % 256));
  *p++ = '\n';
  cUsed += static_cast<size_t>(p - line);
}

void HexFile::flush() {
  if (!cFailed && cUsed && !writeAll(cBuffer.get(), cUsed)) cFailed = true;
  cUsed = 0;
}

bool HexFile::writeAll(const char* p, size_t n) {
  if (cMemory) {
    cMemory->append(p, n);
    return true;
  }
  while (n) {
    const ssize_t done = ::write(cFd, p, n);
    if (done < 0 && errno == EINTR) continue;
    if (done <= 0) return false;
    p += done;
    n -= static_cast<size_t>(done);
  }
  return true;
}

bool HexFile::close() {
  if (!isOpen()) return false;
  flush();
  bool ok = !cFailed;
  if (cFd >= 0 && ::close(cFd) != 0) ok = false;
  cFd = -1;
  cMemory = nullptr;
  return ok;
}
