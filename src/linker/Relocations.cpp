// Relocation checking and patching: the Tarsel call-target check, the walk
// over every relocation entry of every input section, the dispatch to the
// family patchers (Patch<Family>.cpp) and the bit writer they all use.
//
// Files, sections and entries are visited in input order, section-number
// order and file order; the first failure ends the walk with the file and the
// section in front of the patcher's text:
//   file 'main.o', section 'code', Symbol 'far' out of range of relative branch instruction.
#include <iostream>
#include <map>
#include <string>

#include "Assert.h"
#include "CoffPrint.h"
#include "PatchSupport.h"
#include "Trace.h"
#include "linker.h"
#include "mgproc.h"
#include "mgreloct.h"

namespace {

std::string placeOf(const Coff& coff, const std::string& scnName) {
  return "file '" + coff.cCoffName + "', section '" + scnName + "', ";
}

// The entry names a symbol of the input's table, not an auxiliary entry.
int checkReferencedSymbol(const Coff& coff, const reloc& entry, std::string& message) {
  if (!checkSymbolIndex(coff.cSymbols, entry, message)) return 0;
  if (entry.r_symndx < coff.cAuxKinds.size() && coff.cAuxKinds[entry.r_symndx] != AUX_NONE) {
    message = relocationAt(entry) + " refers to an auxiliary entry.";
    return 0;
  }
  return 1;
}

const std::vector<reloc>* relocsOf(const Coff& coff, const std::string& scnName) {
  const auto found = coff.cRelocs.find(scnName);
  if (found == coff.cRelocs.end() || found->second.empty()) return nullptr;
  return &found->second;
}

// doPatch: the family's patcher for one entry. Inline, so that the walk over
// a section's entries calls the patcher itself.
inline int patchEntry(Linker& linker, uint32_t fileStart, Data& data, const reloc& entry,
                      const std::vector<SymEntry>& symbols, const StringTbl& strings,
                      std::string& message) {
  switch (linker.cFamily) {
    case CORE_HALVERN:
      return linker.doPatchHalvern(fileStart, data, entry, symbols, strings, message);
    case CORE_QUENBY: return linker.doPatchQuenby(data, entry, symbols, strings, message);
    case CORE_TARSEL: return linker.doPatchTarsel(data, entry, symbols, strings, message);
    case CORE_MIRROW: return linker.doPatchMirrow(data, entry, symbols, strings, message);
    default: message = unsupportedRelocType(); return 0;
  }
}

}  // namespace

int Linker::verifyRelocations(std::string& message) {
  if (cFamily != CORE_TARSEL) return 1;
  const uint32_t page = codePageSize(cProcessor);
  const uint32_t half = page / 2;
  const bool tracing = traceLevel("Linker::verifyRelocations") != 0;
  for (const auto& coff : cCoff) {
    for (const auto& [number, scnName] : coff->cScnNum) {
      const std::vector<reloc>* relocs = relocsOf(*coff, scnName);
      if (relocs == nullptr) continue;
      for (const reloc& entry : *relocs) {
        if (entry.r_type != RELOCT_CALL) continue;
        if (!checkReferencedSymbol(*coff, entry, message)) {
          message = placeOf(*coff, scnName) + message;
          return 0;
        }
        const syment& symbol = coff->cSymbols[entry.r_symndx].sym;
        const uint32_t target = relocValue(symbol, entry);
        if (tracing) {
          std::cout << "Linker::verifyRelocations() -  file '" << coff->cCoffName << "', section '"
                    << scnName << "', call to " << target << '\n';
        }
        if (target % page >= half) {
          message = "file '" + coff->cCoffName + "', section '" + scnName +
                    "', performs a call to \n symbol '" +
                    Coff::getName(symbol, cOutput.cStringTbl) +
                    "' which is not in the lower half of a page.";
          return 0;
        }
      }
    }
  }
  return 1;
}

int Linker::patchSections(std::string& message) {
  for (FileKey key = 0; key < cCoff.size(); ++key) {
    Coff& coff = *cCoff[key];
    for (const auto& [number, scnName] : coff.cScnNum) {
      const std::vector<reloc>* relocs = relocsOf(coff, scnName);
      if (relocs != nullptr && !patchSection(key, coff, scnName, *relocs, message)) {
        return 0;
      }
    }
  }
  return 1;
}

// One input section: its memory and the file's start in it are looked up
// once, then every entry is applied in file order.
int Linker::patchSection(FileKey file, Coff& coff, const std::string& scnName,
                         const std::vector<reloc>& relocs, std::string& message) {
  std::map<std::string, Memory*>::iterator mem;
  ZV_ASSERT((mem=cScnMem.find(scnName)) != cScnMem.end());
  // The section's range, looked up once for the check and the file's start.
  const auto range = mem->second->cAllocated.find(scnName);
  ZV_ASSERT(range != mem->second->cAllocated.end() && range->second.isLoaded(file));
  const uint32_t fileStart = range->second.getFileStart(file);
  Data noData;  // a section without contents (udata): every entry lies outside
  const auto raw = coff.cRawData.find(scnName);
  Data& data = raw != coff.cRawData.end() ? raw->second : noData;
  static const int& tracing = traceLevelRef("Linker::patchSections");
  const bool fields = cFamily == CORE_HALVERN && !tracing;
  for (size_t i = 0; i < relocs.size(); ++i) {
    if (fields) {
      i += patchHalvernFields(data, relocs.data() + i, relocs.size() - i, coff);
      if (i == relocs.size()) break;
    }
    const reloc& entry = relocs[i];
    if (tracing) {
      std::cout << "Linker::patchSections() -  file '" << coff.cCoffName << "', section '"
                << scnName << "',    reloc=";
      printReloc(entry, std::cout);
    }
    if (!checkReferencedSymbol(coff, entry, message) ||
        !patchEntry(*this, fileStart, data, entry, coff.cSymbols, cOutput.cStringTbl, message)) {
      message = placeOf(coff, scnName) + message;
      return 0;
    }
  }
  return 1;
}

int Linker::doPatch(uint32_t fileStart, Data& data, const reloc& entry,
                    const std::vector<SymEntry>& symbols, const StringTbl& strings,
                    std::string& message) {
  return patchEntry(*this, fileStart, data, entry, symbols, strings, message);
}

void Linker::patchBits(Data& data, uint32_t rawOffset, uint32_t value, uint16_t srcBegin,
                       uint16_t dstBegin, uint16_t width) {
  writeBits(data, rawOffset, value, srcBegin, dstBegin, width);
}

void Linker::setBit(Data& d, uint32_t bitPos, int value) {
  checkBitInside(d, bitPos);
  uint8_t& byte = d.bytes()[bitPos / 8];
  const uint8_t mask = static_cast<uint8_t>(1u << (bitPos % 8));
  byte = static_cast<uint8_t>(value ? byte | mask : byte & ~mask);
}
