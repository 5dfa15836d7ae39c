// The symbol-table scans of the listing: where the next source file starts
// (".file"), where it ends (".eof"), the ".list"/".nolist" switches that a
// source line turns on, and the include that follows a source line.
//
// Every scan runs from a start index up to, but not including, the table's
// last entry, and looks at symbols only (auxiliary entries are passed over).
// The entries are classified once; the next file and end symbol from every
// index are known in advance, and the switches and the include of a scan
// start are gathered once for that start. The listing's cursor only moves
// forward, so each stretch of the table is looked at a bounded number of times.
// Only indices and copied values are kept: nothing points into the Coff. Saves
// a scan of the symbol table per source line; guarded by bench/vostrum_bench.sh.
#ifndef ZV_COD_LISTINGSYMBOLS_H
#define ZV_COD_LISTINGSYMBOLS_H

#include <cstddef>
#include <cstdint>
#include <map>
#include <vector>

#include "Coff.h"

class ListingSymbols {
 public:
  explicit ListingSymbols(const Coff& coff);

  // Moves `cursor` to the next file symbol at or after it: true. False when
  // none is left; the cursor then stands at the last entry.
  bool nextFile(size_t& cursor) const;
  // Moves `cursor` one past the next ".eof" at or after it: true. False when
  // none is left; the cursor then stands at the last entry.
  bool endOfFile(size_t& cursor) const;

  enum class Switch { None, On, Off };
  // The first ".list" or ".nolist" for `line` from `start` on, before the next
  // file or end symbol.
  Switch listSwitch(size_t start, uint64_t line);
  // The index of the next file symbol from `start` on (no ".eof" before it)
  // when it is included at `line`, or has no include line and stands at
  // `start` itself; kNone otherwise.
  static constexpr size_t kNone = SIZE_MAX;
  size_t includedFile(size_t start, uint64_t line);

 private:
  enum class Kind : uint8_t { Other, File, Eof, List, NoList };

  // The first of the ascending `positions` at or after `from`, or cEnd.
  size_t firstFrom(const std::vector<size_t>& positions, size_t from) const;
  // The first file or end symbol at or after `from`, or cEnd.
  size_t stopFrom(size_t from) const;
  // stopFrom(start), kept for the start that every line of a file asks about.
  size_t stopOf(size_t start);

  std::vector<Kind> cKinds;
  std::vector<uint32_t> cValues;  // n_value of a switch; x_incline of a file symbol
  size_t cEnd = 0;                // entries [0, cEnd) are scanned
  std::vector<size_t> cFiles;     // indices of the file symbols, ascending
  std::vector<size_t> cEofs;      // indices of the ".eof" symbols, ascending

  size_t cStopStart = SIZE_MAX;
  size_t cStop = 0;

  // The switches of the stretch that starts at cSwitchStart: line -> the first.
  size_t cSwitchStart = SIZE_MAX;
  std::map<uint32_t, Switch> cSwitches;
};

#endif
