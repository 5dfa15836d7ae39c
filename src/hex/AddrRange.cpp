#include "AddrRange.h"

#include "TextHelpers.h"

void AddrRange::print(std::ostream& os) const {
  os << "AddrRange:  cStart=" << toHex(cStart, 4) << "cEnd=" << toHex(cEnd, 4) << '\n';
}

bool isInRanges(const std::vector<AddrRange>& ranges, uint32_t a) {
  for (const AddrRange& r : ranges) {
    if (r.contains(a)) return true;
  }
  return false;
}
