// One walk of a symbol table for every phase of the linker: the entry after a
// symbol is its auxiliary entry exactly when the reader took it as one, as
// the image's cAuxKinds records. A symbol whose n_numaux promises an entry the
// reader did not take has none.
#ifndef ZV_LINKER_SYMBOLWALK_H
#define ZV_LINKER_SYMBOLWALK_H

#include <cstddef>

#include "Coff.h"

inline bool isAuxEntry(const Coff& coff, size_t index) {
  return index < coff.cAuxKinds.size() && coff.cAuxKinds[index] != AUX_NONE;
}

// The auxiliary entry of the symbol at `index` is there and of `kind`.
inline bool hasAuxOfKind(const Coff& coff, size_t index, unsigned kind) {
  return index + 1 < coff.cSymbols.size() && index + 1 < coff.cAuxKinds.size() &&
         coff.cAuxKinds[index + 1] == kind;
}

// Calls f(index, symbol) for every entry that is a symbol, in table order.
template <typename CoffT, typename F>
void forEachSymbol(CoffT& coff, F f) {
  for (size_t i = 0; i < coff.cSymbols.size(); ++i)
    if (!isAuxEntry(coff, i)) f(i, coff.cSymbols[i].sym);
}

#endif
