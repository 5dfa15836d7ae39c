// Coff::verify: every index and offset inside a Coff must point at something
// that exists. Each fault is reported at once and checking goes on.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "Assert.h"
#include "Coff.h"
#include "Reporter.h"

namespace {

class Verifier {
 public:
  explicit Verifier(const Coff& coff)
      : cCoff(coff), cLastIndex(static_cast<uint32_t>(coff.cSymbols.size()) - 1u) {
    markSections();
    markOffsets();
  }

  int run() {
    ZV_ASSERT(cCoff.cSymbols.size() == cCoff.cAuxKinds.size());
    // A sound image, as every linked output is, is seen in one walk of its
    // symbols; the checks below then walk it again only to report its faults
    // in their order.
    if (symbolsSound() && sectionOffsetsSound()) {
      checkRelocs();
      checkLines();
      checkSectionCount();
      return cOk ? 1 : 0;
    }
    checkScnums();
    checkSymbolOffsets();
    checkSectionOffsets();
    checkRelocs();
    checkAuxIndices();
    checkLines();
    checkSectionCount();
    return cOk ? 1 : 0;
  }

 private:
  // With an empty symbol table the bound wraps to the largest u32 and every
  // index passes.
  bool validIndex(uint32_t index) const { return index <= cLastIndex; }

  void fault(const std::string& text) {
    reportError("Coff::verify()", "Coff file '" + cCoff.cCoffName + "'" + text);
    cOk = false;
  }

  bool isSymbol(size_t i) const { return cCoff.cAuxKinds[i] == AUX_NONE; }

  // The section numbers a symbol may have, marked in a table by number from
  // the lowest: those in use and the three special ones, so that each
  // symbol's number is checked by one look. Numbers outside n_scnum's 16 bits
  // match no symbol.
  void markSections() {
    int lowest = N_DEBUG;
    int highest = N_UNDEF;
    for (const auto& entry : cCoff.cScnNum) {
      if (entry.first < INT16_MIN || entry.first > INT16_MAX) continue;
      lowest = std::min(lowest, entry.first);
      highest = std::max(highest, entry.first);
    }
    cLowestScnum = lowest;
    cScnums.assign(static_cast<size_t>(highest - lowest) + 1, 0);
    for (int special : {N_DEBUG, N_ABS, N_UNDEF})
      cScnums[static_cast<size_t>(special - lowest)] = 1;
    for (const auto& entry : cCoff.cScnNum)
      if (entry.first >= INT16_MIN && entry.first <= INT16_MAX)
        cScnums[static_cast<size_t>(entry.first - lowest)] = 1;
  }
  // A section in use or a special number.
  bool scnumValid(int scnum) const {
    const auto at = static_cast<size_t>(static_cast<int64_t>(scnum) - cLowestScnum);
    return at < cScnums.size() && cScnums[at] != 0;
  }

  // A string table whose offsets stay within a few bytes an entry (as every
  // table read or merged does) has its offsets marked in a table by offset;
  // a sparse one is searched.
  void markOffsets() {
    const StringTbl& strings = cCoff.cStringTbl;
    if (strings.empty()) return;
    uint64_t last = std::prev(strings.end())->first;
    if (last > 64 * uint64_t(strings.size())) return;
    cOffsets.resize(last / 64 + 1);
    for (const auto& entry : strings)
      cOffsets[entry.first / 64] |= uint64_t(1) << (entry.first % 64);
    cOffsetsMarked = true;
  }
  bool hasOffset(uint32_t offset) const {
    if (!cOffsetsMarked) return cCoff.cStringTbl.count(offset) != 0;
    return offset / 64 < cOffsets.size() && (cOffsets[offset / 64] >> (offset % 64) & 1) != 0;
  }

  // True when no symbol-table check would find a fault: the section number and
  // name of every symbol, the indices of every auxiliary entry.
  bool symbolsSound() const {
    const std::vector<SymEntry>& symbols = cCoff.cSymbols;
    bool sound = true;
    for (size_t i = 0; i < symbols.size(); ++i) {
      const unsigned kind = cCoff.cAuxKinds[i];
      if (kind != AUX_NONE) {
        sound &= auxIndicesValid(symbols[i], kind);
        continue;
      }
      const syment& s = symbols[i].sym;
      sound &= scnumValid(s.n_scnum);
      sound &= !nameInStringTable(s) || hasOffset(s.n_offset());
    }
    return sound;
  }

  bool sectionOffsetsSound() const {
    for (const auto& entry : cCoff.cScnHdr)
      if (nameInStringTable(entry.second) && !hasOffset(entry.second.s_offset())) return false;
    return true;
  }

  void checkScnums() {
    for (size_t i = 0; i < cCoff.cSymbols.size(); ++i) {
      if (!isSymbol(i)) continue;
      int scnum = cCoff.cSymbols[i].sym.n_scnum;
      if (scnumValid(scnum)) continue;
      fault(" symbol[" + std::to_string(i) + "] has an invalid n_scnum.");
    }
  }

  void checkSymbolOffsets() {
    for (size_t i = 0; i < cCoff.cSymbols.size(); ++i) {
      const syment& s = cCoff.cSymbols[i].sym;
      if (!isSymbol(i) || !nameInStringTable(s) || hasOffset(s.n_offset())) continue;
      fault(" symbol[" + std::to_string(i) + "] has an invalid n_offset.");
    }
  }

  void checkSectionOffsets() {
    size_t i = 0;
    for (const auto& entry : cCoff.cScnHdr) {
      const scnhdr& h = entry.second;
      if (nameInStringTable(h) && !hasOffset(h.s_offset()))
        fault(" section[" + std::to_string(i) + "] has an invalid s_offset.");
      ++i;
    }
  }

  // An empty relocation list is no relocations (the writer's layout gives every
  // section one), so only lists with entries need symbols.
  void checkRelocs() {
    for (const auto& entry : cCoff.cRelocs) {
      if (entry.second.empty()) continue;
      if (cCoff.cSymbols.empty()) fault(" has relocation entries but an empty symbol table.");
      size_t j = 0;
      for (const reloc& r : entry.second) {
        if (!validIndex(r.r_symndx))
          fault(", section '" + entry.first + "' reloc[" + std::to_string(j) +
                "] has an invalid r_symndx.");
        ++j;
      }
    }
  }

  bool auxIndicesValid(const SymEntry& e, unsigned kind) const {
    switch (kind) {
      case AUX_TAG: return validIndex(e.tag.x_endndx);
      case AUX_BOBF: return validIndex(e.bobf.x_endndx);
      case AUX_EOS: return validIndex(e.eos.x_tagndx);
      case AUX_ARR: return validIndex(e.arr.x_tagndx);
      case AUX_VAR: return validIndex(e.var.x_tagndx);
      case AUX_FCN: return validIndex(e.fcn.x_tagndx) && validIndex(e.fcn.x_endndx);
      default: return true;
    }
  }

  void checkAuxIndices() {
    for (size_t j = 0; j < cCoff.cSymbols.size(); ++j)
      if (!auxIndicesValid(cCoff.cSymbols[j], cCoff.cAuxKinds[j]))
        fault(" symbol[" + std::to_string(j) + "] has an invalid x_tagndx or x_endndx.");
  }

  // The text of a bad line entry is made only for a fault: a large program has
  // a million entries and none wrong.
  void lineFault(const std::string& section, size_t j, const char* field) {
    fault(", section '" + section + "' line[" + std::to_string(j) + "] has an invalid " + field +
          ".");
  }

  void checkLines() {
    for (const auto& entry : cCoff.cLineNums) {
      size_t j = 0;
      for (const coff_lineno& l : entry.second) {
        if (!validIndex(l.l_srcndx)) lineFault(entry.first, j, "l_srcndx");
        if (!validIndex(l.l_fcnndx)) lineFault(entry.first, j, "l_fcnndx");
        ++j;
      }
    }
  }

  void checkSectionCount() {
    if (cCoff.cScnHdr.size() != cCoff.cScnNum.size())
      fault(", cScnHdr.size() != cScnNum.size() . ");
  }

  const Coff& cCoff;
  uint32_t cLastIndex;
  int cLowestScnum = 0;
  std::vector<uint8_t> cScnums;  // by n_scnum - cLowestScnum: 1 in use
  // One bit per string-table offset, while cOffsetsMarked: set for an entry.
  std::vector<uint64_t> cOffsets;
  bool cOffsetsMarked = false;
  bool cOk = true;
};

}  // namespace

int Coff::verify() const { return Verifier(*this).run(); }
