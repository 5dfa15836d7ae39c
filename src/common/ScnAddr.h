// A section name with an address; ordered by the address alone.
#ifndef ZV_COMMON_SCNADDR_H
#define ZV_COMMON_SCNADDR_H

#include <cstdint>
#include <string>

struct ScnAddr {
  ScnAddr() = default;
  ScnAddr(const std::string& n, uint32_t a) : name(n), address(a) {}
  std::string name;
  uint32_t address = 0;
};

inline bool operator<(const ScnAddr& a, const ScnAddr& b) { return a.address < b.address; }
inline bool operator>(const ScnAddr& a, const ScnAddr& b) { return a.address > b.address; }

#endif
