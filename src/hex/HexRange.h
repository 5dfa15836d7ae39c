// One run of program-memory bytes at a byte address, as the HEX writer takes it.
// A run views the bytes where they lie (a section's contents in the Coff) and
// does not copy them; the owner of the bytes outlives the run.
#ifndef ZV_HEX_HEXRANGE_H
#define ZV_HEX_HEXRANGE_H

#include <cstdint>
#include <ostream>
#include <string>

class HexRange {
 public:
  HexRange() = default;
  // `count` bytes at `bytes`, then `padding` bytes 0 (0 or 1: the byte that
  // completes an odd last word), from the section `section`.
  HexRange(uint32_t start, const uint8_t* bytes, uint32_t count, uint32_t padding = 0,
           std::string section = std::string());

  bool operator<(const HexRange& other) const { return cStart < other.cStart; }

  // The run's length, padding included.
  uint32_t size() const { return cCount + cPadding; }
  // Copies the bytes from index i on (padding included) to `out`, up to n of
  // them; returns how many were copied.
  uint32_t copy(uint32_t i, uint32_t n, uint8_t* out) const;

  // Dump: "HexRange: cStart=0x0010, cData=", then the bytes.
  void print(std::ostream& os) const;

  uint32_t cStart = 0;  // byte address of the first byte
  // The stored bytes in address order: a section's contents in the Coff,
  // which stay where they are (allocated or mapped) while the Coff lives.
  // Saves a copy of the contents; guarded by bench/pellund_bench.sh.
  const uint8_t* cBytes = nullptr;
  uint32_t cCount = 0;    // how many stored bytes
  uint32_t cPadding = 0;  // bytes 0 after them
  std::string cSection;   // where the bytes come from, for messages
};

#endif
