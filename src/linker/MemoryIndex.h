// An index of the declared memories of one kind (CODEPAGE, DATABANK, SHAREBANK
// or ACCESSBANK), kept beside the Linker's list of them, so that a declaration
// is checked against every earlier one by a lookup instead of a scan:
//
//   first("gpr0")            the first memory of that name, or null
//   firstOverlap(m)          of the memories that share an address with m, the
//                            one declared first, or null
//
// The memories of one kind never share an address (each is checked before it
// goes in), so ordered by start they are ordered by end as well, and the ones
// that meet a new range lie next to each other in that order.
#ifndef ZV_LINKER_MEMORYINDEX_H
#define ZV_LINKER_MEMORYINDEX_H

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <unordered_map>

#include "memtarg.h"

class MemoryIndex {
 public:
  // `memory` is the element of the Linker's list; the list keeps it in place.
  void add(Memory& memory);
  Memory* first(const std::string& name) const;
  const Memory* firstOverlap(const Memory& memory) const;
  size_t size() const { return cCount; }  // memories added

 private:
  struct Placed {
    Memory* memory;
    size_t order;  // declaration order within the kind
  };
  std::unordered_map<std::string, Memory*> cByName;  // the first of each name
  std::map<uint32_t, Placed> cByStart;
  size_t cCount = 0;
};

#endif
