// The linked executable in memory: section numbers, the symbol table with its
// index shifts, the raw data of every section with ROM images and the table,
// line numbers, section headers and the file header. The output shares the
// merged string table, so symbol and section names are copied unchanged.
#include <algorithm>
#include <cstring>
#include <iostream>
#include <set>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "Assert.h"
#include "NameHint.h"
#include "NameWalk.h"
#include "SymbolWalk.h"
#include "TextHelpers.h"
#include "Trace.h"
#include "linker.h"
#include "mginst.h"
#include "mgproc.h"

namespace {

// The output number of every output section, by name.
std::map<std::string, int> outputNumbers(const Coff& output) {
  std::map<std::string, int> numbers;
  for (const auto& [number, name] : output.cScnNum) numbers[name] = number;
  return numbers;
}

// Adds `base` to the symbol-index fields of an auxiliary entry of `kind`.
void shiftAuxIndices(SymEntry& entry, unsigned kind, uint32_t base) {
  switch (kind) {
    case AUX_TAG: entry.tag.x_endndx += base; break;
    case AUX_BOBF: entry.bobf.x_endndx += base; break;
    case AUX_EOS: entry.eos.x_tagndx += base; break;
    case AUX_ARR: entry.arr.x_tagndx += base; break;
    case AUX_VAR: entry.var.x_tagndx += base; break;
    case AUX_FCN:
      entry.fcn.x_tagndx += base;
      entry.fcn.x_endndx += base;
      break;
    default: break;
  }
}

// An output section whose contents the inputs' parts fill.
struct OutputPart {
  const Memory* memory;
  Data* contents;
};

// A section flag found by a walk: set when present and non-zero.
bool isSet(const int* flag) { return flag && *flag != 0; }

}  // namespace

int Linker::buildOutputScnNum(std::string& /*message*/) {
  const int trace = traceLevel("Linker::buildOutputScnNum");
  // The names numbered so far, seen through the numbered entries' own copies
  // (nodes of cOutput.cScnNum, which inserts do not move and nothing erases
  // here). Saves a scan of the numbers per section; guarded by
  // bench/zorvik_bench.sh.
  std::unordered_set<std::string_view> numbered;
  numbered.reserve(cScnType.size() + 2);
  // Numbers a name not numbered yet: true when it was new.
  auto number = [&](const std::string& name) {
    if (numbered.count(name)) return false;
    int n = static_cast<int>(numbered.size()) + 1;
    numbered.insert(cOutput.cScnNum.insert_or_assign(cOutput.cScnNum.end(), n, name)->second);
    if (trace)
      std::cout << "Linker::buildOutputScnNum() - cOutput.cScnNum[" << n << "]='" << name << "'\n";
    return true;
  };
  auto type = cScnType.end();
  for (const auto& input : cCoff)
    for (const auto& [n, name] : input->cScnNum) {
      (void)n;
      if (!number(name)) continue;
      type = findAfter(cScnType, type, name);
      if (type != cScnType.end() && type->second == SCNTYPE_IDATA) number(romImageName(name));
    }
  number(cCinitScnName);
  if (cHasStackDesc) number(cStackScnName);
  return 1;
}

int Linker::buildOutputSymbolTbl(std::string& /*message*/) {
  cFileSymBase.assign(cCoff.size(), 0);
  if (cStrip) return 1;
  const std::map<std::string, int> numbers = outputNumbers(cOutput);
  size_t total = 0;
  for (const auto& input : cCoff) total += input->cSymbols.size();
  cOutput.cSymbols.reserve(total);
  cOutput.cAuxKinds.reserve(total);
  uint32_t base = 0;
  for (FileKey file = 0; file < cCoff.size(); ++file) {
    const Coff& input = *cCoff[file];
    cFileSymBase[file] = static_cast<int>(base);
    std::vector<int> outNumber(input.cScnNum.empty() ? 1 : input.cScnNum.rbegin()->first + 1, 0);
    for (const auto& [n, name] : input.cScnNum)
      if (n >= 1) outNumber[n] = numbers.at(name);
    appendOutputSymbols(input, outNumber, base);
    base += static_cast<uint32_t>(input.cSymbols.size());
  }
  return 1;
}

// Appends one input's entries as they stand, then shifts their indices and
// renumbers their sections in place: the entries are copied once, in bulk.
void Linker::appendOutputSymbols(const Coff& input, const std::vector<int>& outNumber,
                                 uint32_t base) {
  static const int& trace = traceLevelRef("Linker::buildOutputSymbolTbl");
  std::vector<SymEntry>& symbols = cOutput.cSymbols;
  auto& kinds = cOutput.cAuxKinds;
  const size_t first = symbols.size();
  const size_t count = input.cSymbols.size();
  const size_t known = std::min(count, input.cAuxKinds.size());
  symbols.insert(symbols.end(), input.cSymbols.begin(), input.cSymbols.end());
  kinds.insert(kinds.end(), input.cAuxKinds.begin(), input.cAuxKinds.begin() + known);
  kinds.resize(first + count, AUX_NONE);
  // Read once: the stores below may not change them.
  const bool tracing = trace != 0;
  SymEntry* const entries = symbols.data() + first;
  const uint8_t* const entryKinds = kinds.data() + first;
  const int* const numbers = outNumber.data();
  const size_t sections = outNumber.size();
  for (size_t i = 0; i < count; ++i) {
    SymEntry& entry = entries[i];
    const unsigned kind = entryKinds[i];
    if (kind != AUX_NONE) {
      shiftAuxIndices(entry, kind, base);
    } else if (entry.sym.n_scnum >= 1 && static_cast<size_t>(entry.sym.n_scnum) < sections) {
      int16_t to = static_cast<int16_t>(numbers[entry.sym.n_scnum]);
      if (tracing)
        std::cout << "Linker::buildOutputSymbolTbl() -  file '" << input.cCoffName << "', symbol["
                  << i << "] n_scnum from " << entry.sym.n_scnum << " to " << to << '\n';
      entry.sym.n_scnum = to;
    }
  }
}

// The ROM form of initial values: RETLW words on program memories whose
// locations are not whole bytes, else the bytes themselves.
Data Linker::romImage(const Data& bytes) const {
  uint64_t romSize = romLocations(bytes.size());
  if (romSize == bytes.size()) return bytes;
  Data image(static_cast<uint32_t>(romSize));
  for (uint32_t i = 0; i < bytes.size(); ++i) {
    uint16_t word = 0;
    setOpcode(&word, INSTR_RETLW, cFamily);
    setFirstOperand(&word, bytes.bytes()[i], cFamily);
    image.bytes()[2 * i] = static_cast<uint8_t>(word & 0xFF);
    image.bytes()[2 * i + 1] = static_cast<uint8_t>(word >> 8);
  }
  return image;
}

// Contents for every section that has them; a udata section and the stack
// get none, only a length in their headers (buildOutputScnHdrs).
int Linker::buildOutputRawData(std::string& /*message*/) {
  // Sizes, types and memories are all kept by name: one walk through them side
  // by side finds each name's type and memory without a search. The sections
  // whose parts are copied are kept with their memory and output contents, for
  // the inputs' parts to find by a hash of the name: views of cScnSize's keys
  // and pointers into cOutput.cRawData's nodes, neither of which moves while
  // the parts are copied. Saves three map searches per input section; guarded
  // by bench/zorvik_bench.sh.
  NameWalk<uint8_t> types(cScnType);
  NameWalk<Memory*> memories(cScnMem);
  auto out = cOutput.cRawData.end();
  std::unordered_map<std::string_view, OutputPart> parts;
  parts.reserve(cScnSize.size());
  for (const auto& [name, size] : cScnSize) {
    const uint8_t* type = types.find(name);
    if (type && *type == SCNTYPE_UDATA) continue;
    out = cOutput.cRawData.insert_or_assign(out, name, Data(size));
    Memory* const* memory = memories.find(name);
    if (type && memory) parts.emplace(name, OutputPart{*memory, &out->second});
    ++out;
  }
  for (FileKey file = 0; file < cCoff.size(); ++file) {
    const Coff& input = *cCoff[file];
    for (const auto& [n, name] : input.cScnNum) {
      (void)n;
      auto part = parts.find(name);
      if (part != parts.end()) {
        copyInputPart(file, name, *part->second.memory, *part->second.contents);
        continue;
      }
      auto type = cScnType.find(name);
      if (type == cScnType.end() || type->second == SCNTYPE_UDATA) continue;
      copyInputPart(file, name);
    }
  }
  static const int& tracing = traceLevelRef("Linker::buildOutputRawData");
  NameWalk<uint8_t> idata(cScnType);
  for (const auto& [name, size] : cScnSize) {
    (void)size;
    const uint8_t* type = idata.find(name);
    if (!type || *type != SCNTYPE_IDATA) continue;
    cOutput.cRawData[romImageName(name)] = romImage(cOutput.cRawData.at(name));
    if (tracing)
      std::cout << "Linker::buildOutputRawData() - init section '" << romImageName(name)
                << "', initSize=" << cOutput.cRawData[romImageName(name)].size() << '\n';
  }
  cOutput.cRawData[cCinitScnName] = romImage(cCinitData);
  return 1;
}

// Copies one input's part of a section to where the allocation placed it in
// the output section, never past either buffer.
void Linker::copyInputPart(FileKey file, const std::string& name) {
  const Memory& mem = *cScnMem.at(name);
  copyInputPart(file, name, mem, cOutput.cRawData.at(name));
}

void Linker::copyInputPart(FileKey file, const std::string& name, const Memory& mem, Data& to) {
  static const int& tracing = traceLevelRef("Linker::buildOutputRawData");
  const Coff& input = *cCoff[file];
  // The section's range, looked up once for its start and the input's part.
  const auto range = mem.cAllocated.find(name);
  ZV_ASSERT(range != mem.cAllocated.end() && range->second.isLoaded(file));
  uint32_t allocStart = range->second.getStart();
  uint32_t loadStart = range->second.getFileStart(file);
  uint64_t size = range->second.getFileSize(file);
  uint64_t startByte = uint64_t(bytesPerLocation(mem.getType())) * (loadStart - allocStart);
  ZV_ASSERT(startByte + size <= to.size());
  if (size) {
    // An empty part has no contents: the reader keeps none for an empty section.
    auto from = input.cRawData.find(name);
    ZV_ASSERT(from != input.cRawData.end() && size == from->second.size());
    std::memcpy(to.bytes() + startByte, from->second.bytes(), size);
  }
  if (tracing)
    std::cout << "Linker::buildOutputRawData() - input file '" << input.cCoffName << "' " << name
              << "   allocStart=" << toHex(allocStart, 4) << " loadStart=" << toHex(loadStart, 4)
              << " startByte=" << startByte << " size=" << size << '\n';
}

int Linker::buildOutputLineInfo(std::string& /*message*/) {
  if (cStrip) return 1;
  const int trace = traceLevel("Linker::buildOutputLineInfo");
  for (FileKey file = 0; file < cCoff.size(); ++file) {
    const Coff& input = *cCoff[file];
    uint32_t base = static_cast<uint32_t>(cFileSymBase[file]);
    for (const auto& [n, name] : input.cScnNum) {
      (void)n;
      auto type = cScnType.find(name);
      auto lines = input.cLineNums.find(name);
      if (type == cScnType.end() || type->second != SCNTYPE_CODE || lines == input.cLineNums.end())
        continue;
      std::vector<coff_lineno>& out = lastEntry(cOutput.cLineNums, name);
      for (coff_lineno line : lines->second) {
        if (trace)
          std::cout << "Linker::buildOutputLineInfo() - file '" << input.cCoffName << "', section '"
                    << name << "', fixing up l_srcndx from " << line.l_srcndx << " to "
                    << line.l_srcndx + base << "l_fcnndx from " << line.l_fcnndx << " to "
                    << line.l_fcnndx + base << '\n';
        line.l_srcndx += base;
        line.l_fcnndx += base;
        out.push_back(line);
      }
    }
  }
  return 1;
}

int Linker::buildOutputInitImages(std::string& /*message*/) {
  for (const auto& [name, type] : cScnType) {
    if (type != SCNTYPE_IDATA) continue;
    std::string image = romImageName(name);
    if (image.size() > 8) addOutputString(image);
  }
  return 1;
}

// Enters a name behind the last string of the output's string table (at
// offset 4 when the table is empty).
void Linker::addOutputString(const std::string& text) {
  StringTbl& strings = cOutput.cStringTbl;
  uint32_t offset = 4;
  if (!strings.empty()) {
    auto last = std::prev(strings.end());
    offset = last->first + static_cast<uint32_t>(last->second.size()) + 1;
  }
  strings[offset] = text;
}

int Linker::buildOutputScnHdrs(std::string& /*message*/) {
  // The flags are kept by name as the types are: each is walked beside them.
  NameWalk<int> abs(cScnAbs);
  NameWalk<int> share(cScnShare);
  NameWalk<int> access(cScnAccess);
  for (const auto& [name, type] : cScnType) {
    setOutputHeader(name, type, isSet(abs.find(name)), isSet(share.find(name)),
                    isSet(access.find(name)));
    if (type == SCNTYPE_IDATA) setOutputHeader(romImageName(name), SCNTYPE_ROMDATA);
    if (type == SCNTYPE_UDATA) lastEntry(cOutput.cScnHdr, name).s_size = cScnSize.at(name);
  }
  setOutputHeader(cCinitScnName, SCNTYPE_ROMDATA);
  if (cHasStackDesc) {
    setOutputHeader(cStackScnName, SCNTYPE_UDATA);
    cOutput.cScnHdr[cStackScnName].s_size = cStackDesc.getSize();
  }
  return 1;
}

// Name, start and flags of one output section; the layout fills in the rest.
void Linker::setOutputHeader(const std::string& name, unsigned type, bool abs, bool share,
                             bool access) {
  scnhdr& hdr = lastEntry(cOutput.cScnHdr, name);
  Coff::setName(hdr, name, cOutput.cStringTbl);
  const Memory* mem = cScnMem.at(name);
  const auto range = mem->cAllocated.find(name);
  ZV_ASSERT(range != mem->cAllocated.end());
  hdr.s_paddr = range->second.getStart();
  hdr.s_vaddr = 0;
  setScnFlags(hdr, type, abs, share, access);
}

int Linker::buildOutputFileHdr(std::string& /*message*/) {
  const Coff& first = *cCoff.front();
  cOutput.cFileHdr.f_magic = first.cFileHdr.f_magic;
  cOutput.cFileHdr.f_opthdr = 16;
  cOutput.cFileHdr.f_flags = cStrip ? 0x0086 : 0x0002;
  cOutput.cOptHdr.magic = first.cOptHdr.magic;
  cOutput.cOptHdr.vstamp = first.cOptHdr.vstamp;
  cOutput.cOptHdr.proc_type = processorToProcType(cProcessor);
  cOutput.cOptHdr.rom_width_bits = cRomWidthBits;
  cOutput.cOptHdr.ram_width_bits = cRamWidthBits;
  cOutput.cCoffName = cOutputFile;
  return 1;
}

uint32_t Linker::totalProgramMemory() const {
  uint64_t total = 0;
  for (const Memory& m : cCodePage) total += m.getSize();
  return static_cast<uint32_t>(total);
}

uint16_t Linker::bytesPerLocation(uint8_t memType) const {
  ZV_ASSERT((memType == rom) || (memType == ram));
  if (memType == rom) {
    ZV_ASSERT(cRomWidthBits);
    return static_cast<uint16_t>((cRomWidthBits + 7) / 8);
  }
  ZV_ASSERT(cRamWidthBits);
  return static_cast<uint16_t>((cRamWidthBits + 7) / 8);
}

void Linker::releaseInputs() {
  if (traceLevel("Linker::print")) return;
  cCoff.clear();
  cCoff.shrink_to_fit();
}

void Linker::releaseLibraries() {
  cArchives.clear();
  cArchives.shrink_to_fit();
}
