// One walk of a symbol table for every phase of the linker: the entry after a
// symbol is its auxiliary entry exactly when the reader took it as one, as
// the image's cAuxKinds records. A symbol whose n_numaux promises an entry the
// reader did not take has none.
#ifndef ZV_LINKER_SYMBOLWALK_H
#define ZV_LINKER_SYMBOLWALK_H

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "Coff.h"

inline bool isAuxEntry(const Coff& coff, size_t index) {
  return index < coff.cAuxKinds.size() && coff.cAuxKinds[index] != AUX_NONE;
}

// The auxiliary entry of the symbol at `index` is there and of `kind`.
inline bool hasAuxOfKind(const Coff& coff, size_t index, unsigned kind) {
  return index + 1 < coff.cSymbols.size() && index + 1 < coff.cAuxKinds.size() &&
         coff.cAuxKinds[index + 1] == kind;
}

// Calls f(index, symbol) for every entry that is a symbol, in table order,
// until f returns false: false then, else true. The entries the reader gave a
// kind are walked apart from those past them, which are all symbols.
template <typename CoffT, typename F>
bool forEachSymbolWhile(CoffT& coff, F f) {
  auto* const entries = coff.cSymbols.data();
  const size_t count = coff.cSymbols.size();
  const size_t known = std::min(count, coff.cAuxKinds.size());
  const uint8_t* const kinds = coff.cAuxKinds.data();
  size_t i = 0;
  for (; i < known; ++i)
    if (kinds[i] == AUX_NONE && !f(i, entries[i].sym)) return false;
  for (; i < count; ++i)
    if (!f(i, entries[i].sym)) return false;
  return true;
}

// Calls f(index, symbol) for every entry that is a symbol, in table order.
template <typename CoffT, typename F>
void forEachSymbol(CoffT& coff, F f) {
  forEachSymbolWhile(coff, [&f](size_t i, auto& sym) {
    f(i, sym);
    return true;
  });
}

#endif
