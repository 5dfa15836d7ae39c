#include "MemoryIndex.h"

void MemoryIndex::add(Memory& memory) {
  cByName.emplace(memory.getName(), &memory);
  cByStart.emplace(memory.getStart(), Placed{&memory, cCount++});
}

Memory* MemoryIndex::first(const std::string& name) const {
  auto it = cByName.find(name);
  return it == cByName.end() ? nullptr : it->second;
}

// Walks down from the last memory that starts at or before the new one's end;
// the memories met end at or after the new one's start, until one does not.
const Memory* MemoryIndex::firstOverlap(const Memory& memory) const {
  const Placed* found = nullptr;
  for (auto it = cByStart.upper_bound(memory.getEnd()); it != cByStart.begin();) {
    --it;
    if (!memory.overlaps(*it->second.memory)) break;
    if (!found || it->second.order < found->order) found = &it->second;
  }
  return found ? found->memory : nullptr;
}
