// A program-memory address range given with /r, both ends inclusive.
#ifndef ZV_HEX_ADDRRANGE_H
#define ZV_HEX_ADDRRANGE_H

#include <cstdint>
#include <ostream>
#include <vector>

class AddrRange {
 public:
  AddrRange() = default;
  AddrRange(uint32_t start, uint32_t end) : cStart(start), cEnd(end) {}

  bool contains(uint32_t a) const { return cStart <= a && a <= cEnd; }
  // Dump: "AddrRange:  cStart=0x00000100cEnd=0x000001ff".
  void print(std::ostream& os) const;

  uint32_t cStart = 0;
  uint32_t cEnd = 0;
};

// True when some range contains the address; false for no ranges.
bool isInRanges(const std::vector<AddrRange>& ranges, uint32_t a);

#endif
