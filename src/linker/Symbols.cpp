// After allocation: the initialisation table's bytes, final symbol values and
// line addresses, one string table for every input and the output, the
// external definitions of the link and the resolution of every reference.
#include <algorithm>
#include <cstring>
#include <iostream>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "Assert.h"
#include "ByteOrder.h"
#include "CoffPrint.h"
#include "NameKey.h"
#include "SymbolWalk.h"
#include "TableCursor.h"
#include "TextHelpers.h"
#include "Trace.h"
#include "ViewMap.h"
#include "linker.h"
#include "mgproc.h"

namespace {

// True when the entry's inline name is ".file" (five characters and a NUL);
// a name held in the string table is not looked at.
bool inlineNameIsDotFile(const syment& sym) { return std::memcmp(sym.n_name, ".file", 6) == 0; }

// Per section number of one input: how far its symbols and lines move.
struct Shift {
  bool present = false;
  uint32_t paddr = 0;  // where the input put the section
  uint32_t start = 0;  // where the input's part of it now lies
};

void appendValue(std::vector<uint8_t>& bytes, uint32_t value, bool wide) {
  size_t at = bytes.size();
  bytes.resize(at + (wide ? 4 : 2));
  if (wide)
    putU32(bytes.data() + at, value);
  else
    putU16(bytes.data() + at, static_cast<uint16_t>(value));
}

}  // namespace

// The shift of every section of input `file`, by section number.
static std::vector<Shift> sectionShifts(const Linker& linker, FileKey file, bool codeOnly) {
  const Coff& input = *linker.cCoff[file];
  int highest = input.cScnNum.empty() ? 0 : input.cScnNum.rbegin()->first;
  std::vector<Shift> shifts(static_cast<size_t>(std::max(highest, 0)) + 1);
  for (const auto& [number, name] : input.cScnNum) {
    if (number < 1) continue;
    auto mem = linker.cScnMem.find(name);
    auto hdr = input.cScnHdr.find(name);
    if (mem == linker.cScnMem.end() || hdr == input.cScnHdr.end()) continue;
    if (codeOnly) {
      auto type = linker.cScnType.find(name);
      if (type == linker.cScnType.end() || type->second != SCNTYPE_CODE) continue;
    }
    // The section's range, looked up once for both the check and the start.
    auto range = mem->second->cAllocated.find(name);
    if (range == mem->second->cAllocated.end() || !range->second.isLoaded(file)) continue;
    shifts[number] = {true, hdr->second.s_paddr, range->second.getFileStart(file)};
  }
  return shifts;
}

int Linker::buildInitTable(std::string& /*message*/) {
  bool wide = maxProgramAddress(cProcessor) >= 0x10000 || maxDataAddress(cProcessor) >= 0x10000;
  std::vector<uint8_t> bytes(2);
  uint32_t count = 0;
  for (const auto& [name, type] : cScnType) {
    if (type != SCNTYPE_IDATA) continue;
    const Memory* data = cScnMem.at(name);
    uint64_t size = data->getScnSize(name);
    if (size == 0) continue;
    std::string image = romImageName(name);
    appendValue(bytes, cScnMem.at(image)->getScnStart(image), wide);
    appendValue(bytes, data->getScnStart(name), wide);
    appendValue(bytes, static_cast<uint32_t>(size), wide);
    ++count;
  }
  putU16(bytes.data(), static_cast<uint16_t>(count));
  cCinitData = Data(static_cast<uint32_t>(bytes.size()), bytes.data());
  return 1;
}

namespace {

// The shift of a symbol that moves with its section, or null. The section is
// looked at first: most symbols that do not move (references) have none.
const Shift* shiftOf(const syment& sym, const std::vector<Shift>& shifts) {
  const size_t number = static_cast<size_t>(sym.n_scnum);  // a negative one is out of range
  if (number >= shifts.size() || !shifts[number].present || !isRelocatable(sym)) return nullptr;
  return &shifts[number];
}

// False for a ".file" symbol at `index` whose auxiliary entry names no string
// of the input's table.
bool fileNameKnown(const Coff& input, size_t index) {
  const syment& sym = input.cSymbols[index].sym;
  if (!inlineNameIsDotFile(sym) || !hasAuxOfKind(input, index, AUX_FILE)) return true;
  uint32_t offset = input.cSymbols[index + 1].file.x_offset;
  return input.cStringTbl.find(offset) != input.cStringTbl.end();
}

std::string fileNameFault(const Coff& input) {
  return "Coff file '" + input.cCoffName +
         "' has a '.file' entry whose name is not in its string table.";
}

// Moves the symbols before entry `end` back to where relocateInputSymbols
// found them.
void undoSymbolMoves(Coff& input, const std::vector<Shift>& shifts, size_t end) {
  for (size_t i = 0; i < end; ++i) {
    if (isAuxEntry(input, i)) continue;
    syment& sym = input.cSymbols[i].sym;
    if (const Shift* s = shiftOf(sym, shifts)) sym.n_value = sym.n_value - s->start + s->paddr;
  }
}

// Moves every relocatable symbol of one input with its section, echoing each
// move; relocateSymbols has checked the ".file" names first.
[[gnu::noinline]] void relocateTracedSymbols(Coff& input, const std::vector<Shift>& shifts) {
  forEachSymbol(input, [&](size_t, syment& sym) {
    const Shift* s = shiftOf(sym, shifts);
    if (!s) return;
    uint32_t old = sym.n_value;
    sym.n_value = old - s->paddr + s->start;
    std::cout << "Linker::relocateSymbols() - symbol '" << Coff::getName(sym, input.cStringTbl)
              << "' in section '" << input.cCoffName << ":" << input.cScnNum.at(sym.n_scnum)
              << "'  from " << toHex(old, 4) << " to " << toHex(sym.n_value, 4) << '\n';
  });
}

// Moves every relocatable symbol of one input with its section; without a
// trace, also checks the ".file" names on the way (see relocateSymbols).
int relocateInputSymbols(Coff& input, const std::vector<Shift>& shifts, int trace,
                         std::string& message) {
  if (trace) {
    relocateTracedSymbols(input, shifts);
    return 1;
  }
  return forEachSymbolWhile(input, [&](size_t i, syment& sym) {
    // Most symbols are no ".file" entry: told by their name without a call.
    if (inlineNameIsDotFile(sym) && !fileNameKnown(input, i)) {
      undoSymbolMoves(input, shifts, i);
      message = fileNameFault(input);
      return false;
    }
    if (const Shift* s = shiftOf(sym, shifts)) sym.n_value = sym.n_value - s->paddr + s->start;
    return true;
  });
}

}  // namespace

int Linker::relocateSymbols(std::string& message) {
  const int trace = traceLevel("Linker::relocateSymbols");
  for (FileKey file = 0; file < cCoff.size(); ++file) {
    Coff& input = *cCoff[file];
    // Where the trace shows each move, the names are checked before anything
    // moves; elsewhere one walk checks and moves, and undoes the moves of an
    // input whose check fails, which is left as it was.
    if (trace && !checkFileNames(input, message)) return 0;
    std::vector<Shift> shifts = sectionShifts(*this, file, false);
    if (!relocateInputSymbols(input, shifts, trace, message)) return 0;
  }
  return 1;
}

// Every ".file" entry's name must be in the input's string table: the merge
// reads it there.
int Linker::checkFileNames(const Coff& input, std::string& message) const {
  for (size_t i = 0; i < input.cSymbols.size(); ++i) {
    if (isAuxEntry(input, i) || fileNameKnown(input, i)) continue;
    message = fileNameFault(input);
    return 0;
  }
  return 1;
}

namespace {

bool hasLines(const Coff& input) {
  for (const auto& [name, lines] : input.cLineNums)
    if (!lines.empty()) return true;
  return false;
}

}  // namespace

int Linker::relocateLineInfo(std::string& /*message*/) {
  const int trace = traceLevel("Linker::relocateLineInfo");
  for (FileKey file = 0; file < cCoff.size(); ++file) {
    Coff& input = *cCoff[file];
    if (!hasLines(input)) continue;
    std::vector<Shift> shifts = sectionShifts(*this, file, true);
    for (const auto& [number, name] : input.cScnNum) {
      if (number < 1 || !shifts[number].present) continue;
      auto lines = input.cLineNums.find(name);
      if (lines == input.cLineNums.end()) continue;
      const Shift& s = shifts[number];
      for (coff_lineno& line : lines->second) {
        uint32_t old = line.l_paddr;
        line.l_paddr = old - s.paddr + s.start;
        if (trace)
          std::cout << "Linker::relocateLineInfo() - line num '" << line.l_lnno << "' in section '"
                    << input.cCoffName << ":" << name << "'  from " << toHex(old, 4) << " to "
                    << toHex(line.l_paddr, 4) << '\n';
      }
    }
  }
  return 1;
}

namespace {

// A distinct text and its place in the byte order of the merged table: a copy
// of its first bytes and its id, no view. Saves most whole-name comparisons
// of the sort; guarded by bench/zorvik_bench.sh.
struct TextSlot {
  NameKey key;
  uint32_t id;
};

// The ids of the texts that the inputs' string tables hold (they are
// distinct), in the byte order of the texts.
std::vector<TextSlot> byteOrder(const InputNames& names) {
  std::vector<TextSlot> slots;
  slots.reserve(names.size());
  for (uint32_t id = 0; id < names.size(); ++id)
    if (names.inTable(id)) slots.push_back(TextSlot{nameKeyOf(names.text(id)), id});
  std::sort(slots.begin(), slots.end(), [&names](const TextSlot& a, const TextSlot& b) {
    if (a.key[0] != b.key[0]) return a.key[0] < b.key[0];
    if (a.key[1] != b.key[1]) return a.key[1] < b.key[1];
    return names.text(a.id) < names.text(b.id);
  });
  return slots;
}

}  // namespace

void Linker::mergeStringTbls() {
  // Every text of the inputs' tables has its id, given as the import took the
  // inputs in; an input that the import did not see gets its ids here.
  // InputNames holds copies of the texts, so replacing the inputs' tables
  // below takes nothing from it.
  for (FileKey file = cInputNames.inputs(); file < cCoff.size(); ++file)
    cInputNames.addInput(*cCoff[file]);
  cInputNames.dropMap();

  // The merged table holds the texts in byte order (they are distinct, so the
  // order has no ties).
  StringTbl& merged = cOutput.cStringTbl;
  const std::vector<TextSlot> order = byteOrder(cInputNames);
  size_t textBytes = 0;
  for (const TextSlot& slot : order) textBytes += cInputNames.text(slot.id).size();
  merged.reserve(merged.size() + order.size(), textBytes);
  std::vector<uint32_t> mergedOffset(cInputNames.size());
  // Appended one after another, each string right after the one before and
  // its terminator, as append would put it; set takes a string above the last
  // one without a call.
  uint32_t offset = merged.nextOffset();
  for (const TextSlot& slot : order) {
    const std::string_view text = cInputNames.text(slot.id);
    merged.set(offset, text);
    mergedOffset[slot.id] = offset;
    offset += static_cast<uint32_t>(text.size()) + 1;
  }
  if (traceLevel("Linker::mergeStringTbls")) {
    std::cout << "Linker::mergeStringTbls() - cOutput=\n";
    cOutput.print(std::cout);
  }
  // Each input's ids become its merged offsets in place.
  for (FileKey file = 0; file < cCoff.size(); ++file) {
    MergedOffsets& offsets = cInputNames.tableIds(file);
    for (uint32_t& entry : offsets) entry = mergedOffset[entry];
    replaceStringTbl(*cCoff[file], merged, offsets);
    MergedOffsets().swap(offsets);
  }
  cInputNames.releaseTexts();
}

// Rewrites the input's name offsets into the merged table. The input keeps no
// string table of its own afterwards: its names are read against the merged
// one, which the output holds.
void Linker::replaceStringTbl(Coff& input, const StringTbl& /*merged*/,
                              const MergedOffsets& offsets) {
  const int& trace = traceLevelRef("Linker::replaceStringTbl");
  TableCursor cursor(input.cStringTbl);
  auto mergedOffset = [&](uint32_t offset) {
    const size_t k = cursor.indexOf(offset);
    ZV_ASSERT(k < offsets.size());  // the reader and checkFileNames saw to it
    return offsets[k];
  };
  for (auto& [name, hdr] : input.cScnHdr)
    if (nameInStringTable(hdr)) hdr.setSOffset(mergedOffset(hdr.s_offset()));
  forEachSymbol(input, [&](size_t i, syment& sym) {
    if (inlineNameIsDotFile(sym)) {
      if (!hasAuxOfKind(input, i, AUX_FILE)) return;
      aux_file& aux = input.cSymbols[i + 1].file;
      uint32_t merged = mergedOffset(aux.x_offset);
      if (trace)
        std::cout << "Linker::replaceStringTbl() - in file '" << input.cCoffName
                  << "' aux_file x_offset from " << aux.x_offset << " to " << merged << '\n';
      aux.x_offset = merged;
    } else if (nameInStringTable(sym)) {
      uint32_t merged = mergedOffset(sym.n_offset());
      if (trace)
        std::cout << "Linker::replaceStringTbl() - in file '" << input.cCoffName << "' symbol '"
                  << input.cStringTbl.at(sym.n_offset()) << "' n_offset from " << sym.n_offset()
                  << " to " << merged << '\n';
      sym.setNOffset(merged);
    }
  });
  input.cStringTbl = StringTbl();
}

int Linker::buildExtSymDef(std::string& message) {
  const StringTbl& strings = cOutput.cStringTbl;
  cExtSymDef.reset(cInputNames.size());
  // The linker's own symbols go first; their names differ, so each is new.
  cExtSymDef.define(kCinitNameId, cCinitSym.n_value);
  if (cHasStackDesc) {
    const Memory* stack = cScnMem.at(cStackScnName);
    makeLinkerSymbol(cStackSym, "_stack", stack->getScnStart(cStackScnName));
    makeLinkerSymbol(cStkSizeSym, "_stksize",
                     static_cast<uint32_t>(stack->getScnSize(cStackScnName)));
    cExtSymDef.define(kStackNameId, cStackSym.n_value);
    cExtSymDef.define(kStkSizeNameId, cStkSizeSym.n_value);
  }
  const int trace = traceLevel("Linker::buildExtSymDef");
  for (FileKey file = 0; file < cCoff.size(); ++file) {
    const std::vector<uint32_t>& ids = cInputNames.symbolIds(file);
    const bool ok = forEachSymbolWhile(*cCoff[file], [&](size_t i, const syment& sym) {
      if (!isExtDef(sym)) return true;
      if (!cExtSymDef.define(ids[i], sym.n_value)) {
        message = "symbol '" + std::string(Coff::nameView(sym, strings)) +
                  "' has multiple definitions.";
        return false;
      }
      if (trace)
        std::cout << "Linker::buildExtSymDef() - adding external definition symbol '"
                  << Coff::nameView(sym, strings) << "' in file '" << cCoff[file]->cCoffName
                  << "'. \n";
      return true;
    });
    if (!ok) return 0;
  }
  return 1;
}

// One of the external symbols that the linker defines itself.
void Linker::makeLinkerSymbol(syment& sym, const std::string& name, uint32_t value) {
  sym = syment();
  Coff::setName(sym, name, cOutput.cStringTbl);
  sym.n_value = value;
  sym.n_scnum = 0;
  sym.n_type = 0;
  sym.n_sclass = C_EXT;
  sym.n_numaux = 0;
}

int Linker::resolveExternals(std::string& message) {
  const int trace = traceLevel("Linker::resolveExternals");
  const StringTbl& strings = cOutput.cStringTbl;
  for (FileKey file = 0; file < cCoff.size(); ++file) {
    const Coff& input = *cCoff[file];
    const std::vector<uint32_t>& ids = cInputNames.symbolIds(file);
    const bool ok = forEachSymbolWhile(*cCoff[file], [&](size_t i, syment& sym) {
      if (!isExtRef(sym)) return true;
      uint32_t old = sym.n_value;
      if (!resolveReference(ids[i], input.cCoffName, sym, message)) return false;
      if (trace)
        std::cout << "Linker::resolveExternals() - resolving external reference symbol '"
                  << Coff::nameView(sym, strings) << "' in file '" << input.cCoffName << "' from "
                  << toHex(old, 4) << " to " << toHex(sym.n_value, 4) << '\n';
      return true;
    });
    if (!ok) return 0;
  }
  return 1;
}

namespace {

// A reference that the definitions do not resolve: a section's, or a fault.
[[gnu::noinline]] int resolveSectionReference(const Linker& linker, uint32_t nameId,
                                              const std::string& file, syment& sym,
                                              std::string& message) {
  const StringTbl& strings = linker.cOutput.cStringTbl;
  if (!linker.cInputNames.dotted(nameId)) {
    message = "could not resolve symbol '" + std::string(Coff::nameView(sym, strings)) +
              "' in file '" + file + "'.";
    return 0;
  }
  std::string section(Coff::nameView(sym, strings).substr(1));
  auto mem = linker.cScnMem.find(section);
  if (linker.cScnSize.find(section) == linker.cScnSize.end() || mem == linker.cScnMem.end()) {
    message = "could not resolve section reference '" + section + "' in file '" + file + "'.";
    return 0;
  }
  sym.n_value = mem->second->getScnStart(section);
  return 1;
}

}  // namespace

// A reference names a symbol, or with a leading '.' a section. Its name is
// read only for a section and for the message; the common case, a defined
// symbol, stays small enough to be inlined into the walk.
int Linker::resolveReference(uint32_t nameId, const std::string& file, syment& sym,
                             std::string& message) const {
  if (!cInputNames.dotted(nameId)) {
    if (const uint32_t* value = cExtSymDef.find(nameId)) {
      sym.n_value = *value;
      return 1;
    }
  }
  return resolveSectionReference(*this, nameId, file, sym, message);
}
