// Finds a string table's entries by offset for a walk that asks for them in
// about table order, as the walks over an input's symbols do: writers lay the
// table out in symbol order, so the entry after the last one found is tried
// first, and any other offset is looked up as usual. Either way the answer is
// the same; only the cost differs.
//
//   TableCursor cursor(input.cStringTbl);
//   size_t k = cursor.indexOf(sym.n_offset());   // table.size() where absent
//
// The cursor keeps the table's first entry: the table must not change while
// the cursor is in use (a new entry may move the entries). Saves a search per
// symbol in the import and the merge; guarded by bench/zorvik_bench.sh.
#ifndef ZV_LINKER_TABLECURSOR_H
#define ZV_LINKER_TABLECURSOR_H

#include <cstddef>
#include <cstdint>

#include "StringTbl.h"

class TableCursor {
 public:
  explicit TableCursor(const StringTbl& table) : cTable(table), cBegin(table.begin()) {}

  // The index of the entry at `offset`, or the table's size where it has none.
  size_t indexOf(uint32_t offset) {
    if (cNext < cTable.size() && cBegin[cNext].first == offset) return cNext++;
    auto entry = cTable.find(offset);
    if (entry == cTable.end()) return cTable.size();
    cNext = static_cast<size_t>(entry - cBegin) + 1;
    return cNext - 1;
  }

 private:
  const StringTbl& cTable;
  StringTbl::const_iterator cBegin;
  size_t cNext = 0;
};

#endif
