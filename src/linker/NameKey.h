// A name's place in byte order, for the sorts of many names (the merged string
// table, the map's order by name): its first sixteen bytes as two big-endian
// words, zero-padded. Where two keys differ, the names differ the same way;
// equal keys leave the order to the names themselves.
#ifndef ZV_LINKER_NAMEKEY_H
#define ZV_LINKER_NAMEKEY_H

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <string_view>

using NameKey = std::array<uint64_t, 2>;

inline NameKey nameKeyOf(std::string_view name) {
  unsigned char bytes[16] = {};
  std::memcpy(bytes, name.data(), std::min(name.size(), sizeof bytes));
  NameKey key{0, 0};
  for (size_t i = 0; i < 8; ++i) {
    key[0] = (key[0] << 8) | bytes[i];
    key[1] = (key[1] << 8) | bytes[i + 8];
  }
  return key;
}

#endif
