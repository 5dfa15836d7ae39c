// Shared pieces of vostrum's end-to-end tests: the expected console texts, a
// linked executable built for a processor, and field reads of a COD file at its
// byte offsets.
#ifndef ZV_TESTS_E2E_VOSTRUM_TEST_UTIL_H
#define ZV_TESTS_E2E_VOSTRUM_TEST_UTIL_H

#include <cstdint>
#include <string>
#include <vector>

#include "Banner.h"
#include "CoffBuilder.h"
#include "ProcessorIds.h"
#include "RunProgram.h"

namespace vostrum_test {

// Processor ids of the three kinds of program memory, and their names.
const uint32_t kMirrow = procIdNamed("MRRW007");   // 14-bit words, two bytes each
const uint32_t kQuenby = procIdNamed("QNBY122");   // 16-bit words
const uint32_t kHalvern = procIdNamed("HLVN133");  // counted in bytes

inline std::string banner() {
  return std::string(codConverterBanner()) + "\n" + noticeBanner() + "\n\n";
}

inline std::string summary(int errors, int warnings = 0) {
  return "Errors    : " + std::to_string(errors) + "\nWarnings  : " + std::to_string(warnings) +
         "\n\n";
}

inline std::string error(const std::string& text) { return "Error - " + text + "\n"; }

// A linked executable for `proc` (flags 0x0002), to be filled by the test.
inline CoffBuilder executable(uint32_t proc, const std::string& name = "prog.cof") {
  CoffBuilder b(name);
  b.optionalHeader(proc, proc == kHalvern ? 8 : proc == kMirrow ? 14 : 16).fileFlags(0x0002);
  return b;
}

inline RunResult vostrum(const TempDir& dir, const std::vector<std::string>& args) {
  return runProgram(VOSTRUM_EXE, args, dir.path());
}

// A COD file's bytes, read field by field at file offsets.
class CodBytes {
 public:
  explicit CodBytes(const std::string& bytes) : cBytes(bytes) {}

  size_t blocks() const { return cBytes.size() / 512; }
  uint8_t u8(size_t at) const { return static_cast<uint8_t>(cBytes.at(at)); }
  uint16_t u16(size_t at) const { return static_cast<uint16_t>(u8(at) | u8(at + 1) << 8); }
  uint32_t be32(size_t at) const {
    return uint32_t(u8(at)) << 24 | uint32_t(u8(at + 1)) << 16 | uint32_t(u8(at + 2)) << 8 |
           u8(at + 3);
  }
  std::string raw(size_t at, size_t n) const { return cBytes.substr(at, n); }
  // A length-prefixed string field: its length byte, then the characters.
  std::string str(size_t at) const { return raw(at + 1, u8(at)); }
  // A u16 field of directory `n` (its block) at `offset`.
  uint16_t dir16(size_t n, size_t offset) const { return u16(512 * n + offset); }
  bool zero(size_t at, size_t n) const { return cBytes.substr(at, n) == std::string(n, '\0'); }

 private:
  std::string cBytes;
};

// Directory field offsets.
enum : size_t {
  kSource = 256,
  kDate = 320,
  kTime = 328,
  kVersion = 330,
  kCompiler = 350,
  kNotice = 362,
  kSymTab = 426,
  kSymEnd = 428,
  kNamTab = 430,
  kNamEnd = 432,
  kLineTab = 434,
  kLineEnd = 436,
  kAddrSize = 438,
  kHighAddr = 439,
  kNextDir = 441,
  kMemMapOfs = 443,
  kMemMapEnd = 445,
  kLocalVars = 447,
  kLocalEnd = 449,
  kCodType = 451,
  kProcessor = 453,
  kLSymTab = 462,
  kLSymEnd = 464,
  kMessTab = 466,
  kMessEnd = 468,
  kSpare = 470
};

}  // namespace vostrum_test

#endif
