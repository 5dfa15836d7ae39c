// One run of program-memory bytes at a byte address, as the HEX writer takes it.
#ifndef ZV_HEX_HEXRANGE_H
#define ZV_HEX_HEXRANGE_H

#include <cstdint>
#include <ostream>

#include "Data.h"

class HexRange {
 public:
  HexRange() = default;
  HexRange(uint32_t start, const Data& data) : cStart(start), cData(data) {}

  bool operator<(const HexRange& other) const { return cStart < other.cStart; }

  // Dump: "HexRange: cStart=0x0010, cData=", then the bytes.
  void print(std::ostream& os) const;

  uint32_t cStart = 0;  // byte address of the first byte
  Data cData;           // the bytes in address order
};

#endif
