// The external definitions of a link, looked up by the references once every
// name is read against the one merged string table.
//
// The merge puts each distinct text into that table once, so a name held there
// is known by its offset alone: a name longer than eight characters (which no
// inline name can equal) that does not start with '.' (which would make a
// reference to it a section reference) is found by its offset, without
// reading the table or hashing its characters. Every other name is found by
// its text.
//
//   ExtSymIndex defs;
//   defs.index(merged);                       // once the merge is done
//   defs.define(sym, merged, sym.n_value);    // false: defined already
//   if (const uint32_t* value = defs.findByOffset(ref)) ...
//   else if (const uint32_t* value = defs.findByText(name)) ...
#ifndef ZV_LINKER_EXTSYMINDEX_H
#define ZV_LINKER_EXTSYMINDEX_H

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "CoffRecords.h"
#include "StringTbl.h"
#include "ViewMap.h"

class ExtSymIndex {
 public:
  // Notes which of the table's names are found by their text. The table must
  // not change while the index is used.
  void index(const StringTbl& strings);
  // Makes room for `definitions` names without growing.
  void reserve(size_t definitions);

  // Stores `value` for the name of `sym`, read against `strings`; false, and
  // nothing stored, when the name has a value already.
  bool define(const syment& sym, const StringTbl& strings, uint32_t value);
  // The value for the name of `sym` when that name is found by its offset and
  // defined; null otherwise (then the name is looked up by its text).
  const uint32_t* findByOffset(const syment& sym) const;
  // The value for `name` among the names found by their text, or null.
  const uint32_t* findByText(std::string_view name) const { return cByText.find(name); }

  // Empties the index and gives back its memory.
  void clear();

 private:
  bool byOffset(const syment& sym) const;

  // One flat array probed linearly, keyed by the merged offset (never 0,
  // where the table's length word is, which marks a free slot).
  struct Slot {
    uint32_t offset = 0;
    uint32_t value = 0;
  };
  size_t probe(uint32_t offset) const;
  void grow();

  std::vector<uint64_t> cTextNamed;  // a bit per offset: the name there is found by text
  std::vector<Slot> cSlots = std::vector<Slot>(16);  // a power of two, at most half used
  size_t cUsed = 0;
  ViewMap<uint32_t> cByText;
};

#endif
