#include "linker.h"

#include "Assert.h"
#include "TextHelpers.h"
#include "Trace.h"

namespace {

template <typename T>
void printValue(std::ostream& os, const std::string& label, const std::string& name,
                const std::map<std::string, T>& values) {
  auto it = values.find(name);
  os << label << '[' << name << "]=" << (it == values.end() ? 0 : +it->second) << '\n';
}

void printMemories(std::ostream& os, const std::string& label, const std::list<Memory>& list) {
  size_t index = 0;
  for (const Memory& memory : list) {
    os << "  " << label << '[' << index++ << "]=\n   ";
    memory.print(os);
  }
  os << '\n';
}

void printNames(std::ostream& os, const std::string& label, const std::list<std::string>& list) {
  size_t index = 0;
  for (const std::string& name : list)
    os << "  " << label << '[' << index++ << "]=" << name << '\n';
  os << '\n';
}

}  // namespace

Linker::Linker() { cOutput.preWrite(); }

Linker::~Linker() = default;

// --- Command operations -------------------------------------------------------

int Linker::setMinHeapSize(uint32_t size, std::string& message) {
  if (cHasMinHeapSize) {
    message = "multiple min heap sizes declared: '" + std::to_string(cMinHeapSize) + "', '" +
              std::to_string(size) + "'";
    return 0;
  }
  cMinHeapSize = size;
  cHasMinHeapSize = 1;
  return 1;
}

int Linker::setMapFile(const std::string& name, std::string& message) {
  if (!cMapFile.empty()) {
    message = "multiple map files declared: '" + cMapFile + "', '" + name + "'";
    return 0;
  }
  cMapFile = name;
  return 1;
}

int Linker::setOutputFile(const std::string& name, std::string& message) {
  if (!cOutputFile.empty()) {
    message = "multiple output files declared: '" + cOutputFile + "', '" + name + "'";
    return 0;
  }
  cOutputFile = name;
  return 1;
}

int Linker::addObjectFile(const std::string& name, std::string& message) {
  if (!cObjectFileSet.insert(name).second) {
    message = "mutliple inclusion of object file '" + name + "' ";
    return 0;
  }
  cObjectFile.push_back(name);
  return 1;
}

int Linker::addLibraryFile(const std::string& name, std::string& message) {
  if (!cLibraryFileSet.insert(name).second) {
    message = "mutliple inclusion of library file '" + name + "' ";
    return 0;
  }
  cLibraryFile.push_back(name);
  return 1;
}

int Linker::checkMemoryBounds(const Memory& memory, std::string& message) {
  if (memory.getEnd() < memory.getStart()) {
    message = "memory '" + memory.getName() + "' ends before it starts ";
    return 0;
  }
  return 1;
}

int Linker::checkDuplicateMemory(const std::string& name, int share, std::string& message) const {
  if (cCodePageIndex.first(name) || cDataBankIndex.first(name) || cAccessBankIndex.first(name) ||
      (!share && cShareBankIndex.first(name))) {
    message = "duplicate definition of memory '" + name + "' ";
    return 0;
  }
  return 1;
}

int Linker::checkCodePageOverlap(const Memory& memory, std::string& message) const {
  return checkOverlap(cCodePage, memory, message);
}

int Linker::checkDataOverlap(const Memory& memory, std::string& message) const {
  return checkOverlap(cDataBanks, memory, message) && checkOverlap(cShareBanks, memory, message) &&
         checkOverlap(cAccessBanks, memory, message);
}

int Linker::addCodePage(const Memory& memory, std::string& message) {
  if (!checkMemoryBounds(memory, message) || !checkDuplicateMemory(memory.getName(), 0, message) ||
      !checkCodePageOverlap(memory, message))
    return 0;
  cCodePage.push_back(memory);
  cCodePageIndex.add(cCodePage.back());
  return 1;
}

int Linker::addDataBank(const Memory& memory, std::string& message) {
  if (!checkMemoryBounds(memory, message) || !checkDuplicateMemory(memory.getName(), 0, message) ||
      !checkDataOverlap(memory, message))
    return 0;
  cDataBanks.push_back(memory);
  cDataBankIndex.add(cDataBanks.back());
  return 1;
}

int Linker::addShareBank(const Memory& memory, std::string& message) {
  if (!checkMemoryBounds(memory, message) || !checkDuplicateMemory(memory.getName(), 1, message) ||
      !checkDataOverlap(memory, message))
    return 0;
  // Every earlier bank of this name has the length of the first.
  const Memory* same = cShareBankIndex.first(memory.getName());
  if (same && same->getSize() != memory.getSize()) {
    message = "inconsistent length definitions of SHAREBANK '" + memory.getName() + "' ";
    return 0;
  }
  cShareBanks.push_back(memory);
  cShareBankIndex.add(cShareBanks.back());
  return 1;
}

int Linker::addAccessBank(const Memory& memory, std::string& message) {
  if (!checkMemoryBounds(memory, message) || !checkDuplicateMemory(memory.getName(), 0, message) ||
      !checkDataOverlap(memory, message))
    return 0;
  cAccessBanks.push_back(memory);
  cAccessBankIndex.add(cAccessBanks.back());
  return 1;
}

bool Linker::hasDataMemory(const std::string& name) const {
  return cDataBankIndex.first(name) || cShareBankIndex.first(name) || cAccessBankIndex.first(name);
}

int Linker::addSectionDesc(const SectionDesc& desc, std::string& message) {
  const std::string& name = desc.cName;
  if (sectionDescFor(name)) {
    message = "duplicate definitions of SECTION '" + name + "' ";
    return 0;
  }
  if (!desc.cLoadMemory.empty() && !cCodePageIndex.first(desc.cLoadMemory)) {
    message = "undefined CODEPAGE '" + desc.cLoadMemory + "' for SECTION '" + name + "' ";
    return 0;
  }
  if (!desc.cRunMemory.empty() && !hasDataMemory(desc.cRunMemory)) {
    message = "undefined DATABANK/SHAREBANK '" + desc.cRunMemory + "' for SECTION '" + name + "' ";
    return 0;
  }
  cSectionDesc.push_back(desc);
  cSectionDescIndex.emplace(name, &cSectionDesc.back());
  return 1;
}

int Linker::setStackDesc(const StackDesc& desc, std::string& message) {
  if (cHasStackDesc) {
    message = "multiple STACK definitions ";
    return 0;
  }
  if (!desc.cRunMemory.empty() && !hasDataMemory(desc.cRunMemory)) {
    message = "undefined DATABANK/SHAREBANK '" + desc.cRunMemory + "' for STACK. ";
    return 0;
  }
  cStackDesc = desc;
  cHasStackDesc = 1;
  return 1;
}

int Linker::addLibPath(const std::string& directory, std::string& /*message*/) {
  cLibPath.push_back(directory);
  return 1;
}

int Linker::setStrip(int value, std::string& /*message*/) {
  cStrip = value;
  return 1;
}

// --- Memory lookups --------------------------------------------------------------

const MemoryIndex& Linker::indexOf(const std::list<Memory>& memories) const {
  if (&memories == &cCodePage) return cCodePageIndex;
  if (&memories == &cDataBanks) return cDataBankIndex;
  if (&memories == &cShareBanks) return cShareBankIndex;
  ZV_ASSERT(&memories == &cAccessBanks);
  return cAccessBankIndex;
}

// The memory of `memories` declared first among those that share an address
// with `memory`, named in `message`.
int Linker::checkOverlap(const std::list<Memory>& memories, const Memory& memory,
                         std::string& message) const {
  const Memory* existing = indexOf(memories).firstOverlap(memory);
  if (!existing) return 1;
  message = "memory '" + memory.getName() + "' overlaps memory '" + existing->getName() + "' ";
  return 0;
}

// The first memory of that name in the list. A list that holds memories put
// into it directly, past the command operations, is scanned.
Memory* Linker::memoryNamed(std::list<Memory>& memories, const std::string& name) {
  const MemoryIndex& index = indexOf(memories);
  if (index.size() == memories.size()) return index.first(name);
  std::list<Memory>::iterator it;
  return findMemory(memories, name, it) ? &*it : nullptr;
}

// --- The member dump ------------------------------------------------------------

void Linker::print(std::ostream& os) const {
  os << "Linker:\n  cMinHeapSize=" << toHex(cMinHeapSize, 4) << '\n';
  os << "  cStackDesc=";
  cStackDesc.print(os);
  os << '\n';
  os << "  cMapFile=" << cMapFile << '\n';
  os << "  cOutputFile=" << cOutputFile << "\n\n";
  printNames(os, "cObjectFile", cObjectFile);
  printNames(os, "cLibraryFile", cLibraryFile);
  printMemories(os, "cCodePage", cCodePage);
  printMemories(os, "cDataBanks", cDataBanks);
  printMemories(os, "cShareBanks", cShareBanks);
  printMemories(os, "cAccessBanks", cAccessBanks);
  size_t index = 0;
  for (const SectionDesc& desc : cSectionDesc) {
    os << "  cSectionDesc[" << index++ << "]=\n   ";
    desc.print(os);
  }
  os << '\n';
  printNames(os, "cLibPath", cLibPath);
  os << "  cStrip=" << cStrip << '\n';
  if (traceLevel("Linker::print") != 0) printCoffs(os);
  printInternals(os);
}

void Linker::printCoffs(std::ostream& os) const {
  for (const auto& coff : cCoff) {
    os << "  cCoff[" << coff->cCoffName << "]=\n";
    coff->print(os);
    os << '\n';
  }
  os << '\n';
  os << "  cOutput=\n";
  cOutput.print(os);
  os << '\n';
}

void Linker::printInternals(std::ostream& os) const {
  os << "------- Linker Internals: \n";
  for (const auto& entry : cScnSize) {
    const std::string& name = entry.first;
    os << "cScnSize[" << name << "]=" << entry.second << '\n';
    printValue(os, "cScnType", name, cScnType);
    printValue(os, "cScnAbs", name, cScnAbs);
    printValue(os, "cScnShare", name, cScnShare);
    printValue(os, "cScnAccess", name, cScnAccess);
    auto abs = cScnAbs.find(name);
    if (abs != cScnAbs.end() && abs->second) {
      auto start = cScnAbsStart.find(name);
      auto size = cScnAbsSize.find(name);
      os << "cScnAbsStart[" << name
         << "]=" << toHex(start == cScnAbsStart.end() ? 0 : start->second, 4) << '\n';
      os << "cScnAbsSize[" << name << "]=" << toHex(size == cScnAbsSize.end() ? 0 : size->second, 4)
         << '\n';
    }
    auto mem = cScnMem.find(name);
    if (mem != cScnMem.end() && mem->second != nullptr)
      os << "cScnMem[" << name << "]=" << mem->second->getName() << '\n';
    os << '\n';
  }
}

// --- List searches ------------------------------------------------------------

int findMemory(std::list<Memory>& memories, const std::string& name,
               std::list<Memory>::iterator& it) {
  for (it = memories.begin(); it != memories.end(); ++it)
    if (it->getName() == name) return 1;
  return 0;
}

int findSectionDesc(std::list<SectionDesc>& descs, const std::string& name,
                    std::list<SectionDesc>::iterator& it) {
  for (it = descs.begin(); it != descs.end(); ++it)
    if (it->getName() == name) return 1;
  return 0;
}
