// Little-endian u16 and u32 fields in a byte buffer: the byte order of every
// on-disk record and string-table offset. `p` points at (or receives) the field.
#ifndef ZV_COMMON_BYTEORDER_H
#define ZV_COMMON_BYTEORDER_H

#include <cstdint>
#include <cstring>

inline uint16_t getU16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

inline uint32_t getU32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

inline void putU16(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}

inline void putU32(uint8_t* p, uint32_t v) {
  putU16(p, static_cast<uint16_t>(v));
  putU16(p + 2, static_cast<uint16_t>(v >> 16));
}

// True when the host keeps integers in this byte order, so that the bytes of
// a packed record are its fields and a run of records converts by one copy.
inline bool hostIsLittleEndian() {
  const uint16_t probe = 1;
  uint8_t first = 0;
  std::memcpy(&first, &probe, 1);
  return first == 1;
}

#endif
