#include "HexRange.h"

#include "TextHelpers.h"

void HexRange::print(std::ostream& os) const {
  os << "HexRange: cStart=" << toHex(cStart, 2) << ", cData=" << '\n';
  cData.print(os);
  os << '\n';
}
