// Where the program-memory sections of a COFF image lie, as byte addresses: the
// converter asks it whether the byte after an odd-length section belongs to
// another section before it completes the last word with a byte 0.
#ifndef ZV_HEX_PROGRAMMEMORY_H
#define ZV_HEX_PROGRAMMEMORY_H

#include <cstdint>
#include <string>
#include <vector>

#include "Coff.h"

// The section's stored contents; null when none are stored or they are empty.
const Data* programContents(const Coff& coff, const std::string& name);

class ProgramMemory {
 public:
  // The byte spans of every code and romdata section with contents.
  ProgramMemory(const Coff& coff, uint32_t bytesPerWord);

  // True when some section holds the byte at `address`.
  bool holds(uint64_t address) const;

 private:
  struct Span {
    uint64_t begin;
    uint64_t end;  // one past the last byte
    bool operator<(const Span& other) const { return begin < other.begin; }
  };
  std::vector<Span> cSpans;      // sorted by begin
  std::vector<uint64_t> cReach;  // per span: the largest end up to it
};

#endif
