// The external definitions of a link, by the id of their names (InputNames):
// the value of each name's definition, and which names have one. The
// references look their names up by id too, so that resolving them reads no
// name and hashes none. Saves a hash lookup per reference; guarded by
// bench/zorvik_bench.sh.
//
//   ExtSymIndex defs;
//   defs.reset(names.size());
//   if (!defs.define(id, sym.n_value)) ...   // defined already
//   if (const uint32_t* value = defs.find(id)) ...
#ifndef ZV_LINKER_EXTSYMINDEX_H
#define ZV_LINKER_EXTSYMINDEX_H

#include <cstddef>
#include <cstdint>
#include <vector>

class ExtSymIndex {
 public:
  // Room for the names 0 to ids - 1, none defined.
  void reset(size_t ids) {
    cValues.assign(ids, 0);
    cDefined.assign(ids, 0);
  }
  // Stores `value` for name `id`; false, and nothing stored, when the name has
  // a value already.
  bool define(uint32_t id, uint32_t value) {
    if (cDefined[id]) return false;
    cDefined[id] = 1;
    cValues[id] = value;
    return true;
  }
  // The value for name `id`, or null.
  const uint32_t* find(uint32_t id) const { return cDefined[id] ? &cValues[id] : nullptr; }
  // Empties the index and gives back its memory.
  void clear() {
    std::vector<uint32_t>().swap(cValues);
    std::vector<uint8_t>().swap(cDefined);
  }

 private:
  std::vector<uint32_t> cValues;  // by id
  std::vector<uint8_t> cDefined;  // by id
};

#endif
