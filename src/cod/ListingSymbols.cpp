#include "ListingSymbols.h"

#include <algorithm>
#include <string>

#include "Coff2Cod.h"

ListingSymbols::ListingSymbols(const Coff& coff) {
  // The last entry is never looked at.
  cEnd = coff.cSymbols.empty() ? 0 : coff.cSymbols.size() - 1;
  cKinds.assign(cEnd, Kind::Other);
  cValues.assign(cEnd, 0);
  for (size_t i = 0; i < cEnd; ++i) {
    if (coff.cAuxKinds[i] != AUX_NONE) continue;
    if (isFileClassWithAux(coff, i)) {
      cKinds[i] = Kind::File;
      cValues[i] = coff.cSymbols[i + 1].file.x_incline;
      cFiles.push_back(i);
      continue;
    }
    const std::string_view name = Coff::nameView(coff.cSymbols[i].sym, coff.cStringTbl);
    if (name == ".eof") {
      cKinds[i] = Kind::Eof;
      cEofs.push_back(i);
    } else if (name == ".list" || name == ".nolist") {
      cKinds[i] = name == ".list" ? Kind::List : Kind::NoList;
      cValues[i] = coff.cSymbols[i].sym.n_value;
    }
  }
}

size_t ListingSymbols::firstFrom(const std::vector<size_t>& positions, size_t from) const {
  const auto at = std::lower_bound(positions.begin(), positions.end(), from);
  return at == positions.end() ? cEnd : *at;
}

size_t ListingSymbols::stopFrom(size_t from) const {
  return std::min(firstFrom(cFiles, from), firstFrom(cEofs, from));
}

bool ListingSymbols::nextFile(size_t& cursor) const {
  const size_t file = firstFrom(cFiles, cursor);
  if (file == cEnd) {
    cursor = std::max(cursor, cEnd);
    return false;
  }
  cursor = file;
  return true;
}

bool ListingSymbols::endOfFile(size_t& cursor) const {
  const size_t eof = firstFrom(cEofs, cursor);
  if (eof == cEnd) {
    cursor = std::max(cursor, cEnd);
    return false;
  }
  cursor = eof + 1;
  return true;
}

ListingSymbols::Switch ListingSymbols::listSwitch(size_t start, uint64_t line) {
  if (start != cSwitchStart) {
    // The first switch for each line wins, as a scan from `start` would find it.
    cSwitches.clear();
    const size_t stop = stopFrom(start);
    for (size_t i = start; i < stop; ++i) {
      if (cKinds[i] == Kind::List) cSwitches.emplace(cValues[i], Switch::On);
      if (cKinds[i] == Kind::NoList) cSwitches.emplace(cValues[i], Switch::Off);
    }
    cSwitchStart = start;
  }
  if (line > UINT32_MAX) return Switch::None;
  const auto found = cSwitches.find(static_cast<uint32_t>(line));
  return found == cSwitches.end() ? Switch::None : found->second;
}

size_t ListingSymbols::stopOf(size_t start) {
  if (start != cStopStart) {
    cStop = stopFrom(start);
    cStopStart = start;
  }
  return cStop;
}

size_t ListingSymbols::includedFile(size_t start, uint64_t line) {
  const size_t stop = stopOf(start);
  if (stop == cEnd || cKinds[stop] != Kind::File) return kNone;
  const uint32_t incline = cValues[stop];
  return incline == line || (incline == 0 && stop == start) ? stop : kNone;
}
