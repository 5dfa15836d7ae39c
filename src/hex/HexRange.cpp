#include "HexRange.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "Assert.h"
#include "Data.h"
#include "TextHelpers.h"

HexRange::HexRange(uint32_t start, const uint8_t* bytes, uint32_t count, uint32_t padding,
                   std::string section)
    : cStart(start), cBytes(bytes), cCount(count), cPadding(padding), cSection(std::move(section)) {
  ZV_ASSERT(padding <= 1 && (bytes != nullptr || count == 0));
}

uint32_t HexRange::copy(uint32_t i, uint32_t n, uint8_t* out) const {
  const uint32_t total = std::min(n, size() - std::min(i, size()));
  const uint32_t stored = i < cCount ? std::min(total, cCount - i) : 0;
  if (stored) std::memcpy(out, cBytes + i, stored);
  std::memset(out + stored, 0, total - stored);
  return total;
}

void HexRange::print(std::ostream& os) const {
  os << "HexRange: cStart=" << toHex(cStart, 2) << ", cData=" << '\n';
  Data bytes(size());
  if (size()) copy(0, size(), bytes.bytes());
  bytes.print(os);
  os << '\n';
}
