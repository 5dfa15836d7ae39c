// Section allocation: where every section of the link lies. Besides the input
// sections the linker places three kinds of its own: the stack (".stack"), the
// initialisation table (".cinit") and one ROM image per initialised-data
// section (its name + "_i"), which holds the section's initial values in
// program memory.
//
// Passes, in order (the first failure ends the allocation; nothing placed
// before it is undone):
//   1. absolute sections, by name;
//   2. the stack and the table when the command file gives them a memory;
//   3. the SECTION declarations, in declaration order;
//   4. the stack and the table otherwise;
//   5. everything else, largest first, into the best-fitting memory.
#include <algorithm>
#include <iostream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "Assert.h"
#include "NameHint.h"
#include "NameWalk.h"
#include "TextHelpers.h"
#include "Trace.h"
#include "linker.h"
#include "mgproc.h"

namespace {

// A length in a message: "0x" and eight digits, more when it needs them.
std::string lengthText(uint64_t length) {
  if (length <= UINT32_MAX) return toHex(static_cast<uint32_t>(length), 4);
  std::ostringstream text;
  text << "0x" << std::hex << length;
  return text.str();
}

std::string notDefinedMessage(const std::string& section, const std::string& memory) {
  return "section '" + section + "' has a memory '" + memory +
         "' which is not defined in the linker command file.";
}

bool isDataType(uint8_t type) { return type == SCNTYPE_IDATA || type == SCNTYPE_UDATA; }

// One entry of the last pass: an input section or a ROM image.
struct Candidate {
  std::string name;
  uint64_t size;  // bytes
  bool isImage;
  uint8_t type = SCNTYPE_UNKNOWN;  // input sections: what the memories and alignment follow
  bool overlay = false;
};

}  // namespace

// --- Small questions -----------------------------------------------------------------

std::string Linker::romImageName(const std::string& name) { return name + "_i"; }

std::string Linker::baseSectionName(const std::string& name) {
  if (name.size() > 2 && name.compare(name.size() - 2, 2, "_i") == 0)
    return name.substr(0, name.size() - 2);
  return name;
}

uint64_t Linker::romLocations(uint64_t count) const {
  return cRomWidthBits % 8 != 0 ? count * 2 : count;
}

bool Linker::isStackAssigned() const { return cHasStackDesc && !cStackDesc.getRunMemory().empty(); }

bool Linker::hasCinitSectionDesc() const { return sectionDescFor(cCinitScnName) != nullptr; }

// A 2-byte entry count, then per initialised-data section three 2-byte fields,
// or 4-byte ones when an address can pass 0xFFFF.
uint64_t Linker::cinitSize() const {
  uint64_t sections = 0;
  for (const auto& entry : cScnType)
    if (entry.second == SCNTYPE_IDATA) ++sections;
  bool wide = maxProgramAddress(cProcessor) > 0xFFFF || maxDataAddress(cProcessor) > 0xFFFF;
  return romLocations(sections * (wide ? 12 : 6) + 2);
}

const SectionDesc* Linker::sectionDescFor(const std::string& name) const {
  if (cSectionDescIndex.size() != cSectionDesc.size()) {
    cSectionDescIndex.clear();
    for (const SectionDesc& desc : cSectionDesc) cSectionDescIndex.emplace(desc.getName(), &desc);
  }
  auto it = cSectionDescIndex.find(name);
  return it == cSectionDescIndex.end() ? nullptr : it->second;
}

// Code and romdata go to program memory; data to the shared, access or plain
// banks by the section's flags.
std::list<Memory>& Linker::memoriesFor(const std::string& section) {
  auto type = cScnType.find(section);
  if (type == cScnType.end() || !isDataType(type->second)) return cCodePage;
  if (cScnShare[section]) return cShareBanks;
  if (cScnAccess[section]) return cAccessBanks;
  return cDataBanks;
}

// The same, with the section's type at hand: only data sections ask the flags.
std::list<Memory>& Linker::memoriesFor(const std::string& section, uint8_t type) {
  return isDataType(type) ? memoriesFor(section) : cCodePage;
}

// Code in byte-addressed program memory starts on a word.
uint32_t Linker::alignmentFor(const std::string& section) const {
  auto type = cScnType.find(section);
  return alignmentForType(type == cScnType.end() ? uint8_t(SCNTYPE_UNKNOWN) : type->second);
}

uint32_t Linker::alignmentForType(uint8_t type) const {
  return cRomWidthBits == 8 && type == SCNTYPE_CODE ? 2 : 1;
}

bool Linker::breaksWordRule(const std::string& section, uint32_t start,
                            std::string& message) const {
  if (alignmentFor(section) == 1 || start % 2 == 0) return false;
  message = "Absolute code section '" + section + "' must start at a word-aligned address.";
  return true;
}

int Linker::checkSectionType(const std::string& section, std::string& message) const {
  auto type = cScnType.find(section);
  return checkSectionType(section, type == cScnType.end() ? uint8_t(SCNTYPE_UNKNOWN) : type->second,
                          message);
}

int Linker::checkSectionType(const std::string& section, uint8_t type, std::string& message) {
  if (type >= SCNTYPE_CODE && type <= SCNTYPE_ROMDATA) return 1;
  message = "unknown section type for section '" + section + "'.";
  return 0;
}

// --- The four placements -----------------------------------------------------------

int Linker::allocateAbsAssigned(std::list<Memory>& memories, const std::string& memName,
                                const std::string& section, uint32_t start, uint64_t length,
                                bool overlay, std::string& message) {
  if (breaksWordRule(section, start, message)) return 0;
  Memory* memory = memoryNamed(memories, memName);
  if (!memory) {
    message = notDefinedMessage(section, memName);
    return 0;
  }
  static const int& tracing = traceLevelRef("Linker::allocateAbsAssigned");
  if (tracing)
    std::cout << "Linker::allocateAbsAssigned() - section '" << section
              << "' start=" << toHex(start, 4) << " length=" << lengthText(length) << " memory '"
              << memName << "'\n";
  if (!memory->canFitAt(start, length)) {
    message = "section '" + section + "' has a memory '" + memName +
              "' which can not fit the absolute section. " + "Section '" + section +
              "' start=" + toHex(start, 4) + ", length=" + lengthText(length) + ".";
    return 0;
  }
  memory->allocateAbs(section, start, length, overlay);
  setLast(cScnMem, section, memory);
  return 1;
}

int Linker::allocateAbsUnassigned(std::list<Memory>& memories, const std::string& section,
                                  uint32_t start, uint64_t length, bool overlay,
                                  std::string& message) {
  if (breaksWordRule(section, start, message)) return 0;
  for (Memory& memory : memories) {
    if (!memory.canFitAt(start, length)) continue;
    static const int& tracing = traceLevelRef("Linker::allocateAbsUnassigned");
    if (tracing)
      std::cout << "Linker::allocateAbsUnassigned() - section '" << section << "' into memory '"
                << memory.getName() << "'\n";
    memory.allocateAbs(section, start, length, overlay);
    setLast(cScnMem, section, &memory);
    return 1;
  }
  message = "section '" + section + "' can not fit the absolute section. " + "Section '" + section +
            "' start=" + toHex(start, 4) + ", length=" + lengthText(length);
  return 0;
}

int Linker::allocateRelAssigned(std::list<Memory>& memories, const std::string& memName,
                                const std::string& section, uint64_t length, bool overlay,
                                std::string& message) {
  Memory* memory = memoryNamed(memories, memName);
  if (!memory) {
    message = notDefinedMessage(section, memName);
    return 0;
  }
  uint32_t alignment = alignmentFor(section);
  static const int& tracing = traceLevelRef("Linker::allocateRelAssigned");
  if (tracing)
    std::cout << "Linker::allocateRelAssigned() - section '" << section
              << "' length=" << lengthText(length) << " memory '" << memName << "'\n";
  if (!memory->canFit(length, alignment)) {
    message = "section '" + section + "' has a memory '" + memName +
              "' which can not fit the section. " + "Section '" + section +
              "' length=" + lengthText(length) + ".";
    return 0;
  }
  memory->allocateRel(section, length, overlay, alignment);
  setLast(cScnMem, section, memory);
  return 1;
}

// Best fit: the unprotected memory with the smallest largest hole that takes
// the section (declaration order among equal holes).
int Linker::allocateRelUnassigned(std::list<Memory>& memories, const std::string& section,
                                  uint64_t length, bool overlay, std::string& message) {
  return allocateRelUnassigned(memories, section, length, overlay, alignmentFor(section), message);
}

int Linker::allocateRelUnassigned(std::list<Memory>& memories, const std::string& section,
                                  uint64_t length, bool overlay, uint32_t alignment,
                                  std::string& message) {
  static const int& tracing = traceLevelRef("Linker::allocateRelUnassigned");
  std::vector<MemSize> candidates;
  for (Memory& memory : memories) {
    if (memory.isProtected()) continue;
    MemSize entry;
    entry.memory = &memory;
    entry.size = memory.largestHole();
    candidates.push_back(entry);
  }
  std::stable_sort(candidates.begin(), candidates.end());
  const bool trace = tracing != 0;
  if (trace) {
    std::cout << "Linker::allocateRelUnassigned() - section '" << section
              << "' length=" << lengthText(length)
              << ", memories sorted by increasing largest hole size:\n";
    for (const MemSize& c : candidates)
      std::cout << "    " << c.memory->getName() << " " << lengthText(c.size) << '\n';
  }
  for (const MemSize& c : candidates) {
    if (!c.memory->canFit(length, alignment)) continue;
    if (trace) std::cout << "    chose '" << c.memory->getName() << "'\n";
    c.memory->allocateRel(section, length, overlay, alignment);
    setLast(cScnMem, section, c.memory);
    return 1;
  }
  message = "section '" + section + "' can not fit the section. " + "Section '" + section +
            "' length=" + lengthText(length);
  return 0;
}

// --- The sections the linker makes -----------------------------------------------

int Linker::allocateRomImage(const std::string& name, std::string& message) {
  std::string base = baseSectionName(name);
  auto size = cScnSize.find(base);
  ZV_ASSERT(size != cScnSize.end());
  uint64_t length = romLocations(size->second);
  std::string image = romImageName(base);
  const SectionDesc* desc = sectionDescFor(image);
  if (!desc) return allocateRelUnassigned(cCodePage, image, length, false, message);
  if (!desc->getRunMemory().empty()) {
    message = "section '" + image +
              "' can not have a 'RAM' memory attribute specified in the linker command file.";
    return 0;
  }
  return allocateRelAssigned(cCodePage, desc->getLoadMemory(), image, length, false, message);
}

int Linker::allocateStack(std::string& message) {
  if (!cHasStackDesc) return 1;
  const std::string& memName = cStackDesc.getRunMemory();
  if (memName.empty())
    return allocateRelUnassigned(cDataBanks, cStackScnName, cStackDesc.getSize(), false, message);
  for (std::list<Memory>* banks : {&cDataBanks, &cShareBanks, &cAccessBanks}) {
    if (memoryNamed(*banks, memName))
      return allocateRelAssigned(*banks, memName, cStackScnName, cStackDesc.getSize(), false,
                                 message);
  }
  message = "undefined DATABANK/SHAREBANK '" + memName + "' for STACK. ";
  return 0;
}

int Linker::allocateCinit(std::string& message) {
  cCinitSym = syment();
  Coff::setName(cCinitSym, "_cinit", cOutput.cStringTbl);
  cCinitSym.n_scnum = 0;
  cCinitSym.n_type = 0;
  cCinitSym.n_sclass = C_EXT;
  cCinitSym.n_numaux = 0;
  const SectionDesc* desc = sectionDescFor(cCinitScnName);
  int placed = 0;
  if (!desc) {
    placed = allocateRelUnassigned(cCodePage, cCinitScnName, cinitSize(), false, message);
  } else if (!desc->getRunMemory().empty()) {
    message = "section '" + cCinitScnName +
              "' contains initialized rom data and can not have a 'RAM' memory attribute "
              "specified in the linker command file.";
  } else {
    placed = allocateRelAssigned(cCodePage, desc->getLoadMemory(), cCinitScnName, cinitSize(),
                                 false, message);
  }
  if (!placed) return 0;
  cCinitSym.n_value = cScnMem.at(cCinitScnName)->getScnStart(cCinitScnName);
  return 1;
}

// --- The passes ----------------------------------------------------------------------

int Linker::mapSections(std::string& message) {
  if (!allocateAbsolute(message)) return 0;
  if (isStackAssigned() && !allocateStack(message)) return 0;
  if (hasCinitSectionDesc() && !allocateCinit(message)) return 0;
  if (!allocateAssigned(message)) return 0;
  if (!isStackAssigned() && !allocateStack(message)) return 0;
  if (!hasCinitSectionDesc() && !allocateCinit(message)) return 0;
  return allocateRest(message);
}

// Pass 1: absolute sections in name order, into their SECTION's memory or the
// first memory of their kind that holds their place.
int Linker::allocateAbsolute(std::string& message) {
  bool trace = traceLevel("Linker::mapSections") != 0;
  if (trace) std::cout << "  absolute dump: \n";
  for (const auto& [section, isAbs] : cScnAbs) {
    if (!isAbs) continue;
    uint32_t start = cScnAbsStart.at(section);
    uint64_t length = cScnAbsSize.at(section);
    bool overlay = cScnOverlay[section] != 0;
    if (trace) std::cout << "    " << section << " " << lengthText(length) << '\n';
    if (!checkSectionType(section, message)) return 0;
    const SectionDesc* desc = sectionDescFor(section);
    std::list<Memory>& memories = memoriesFor(section);
    int placed = 0;
    if (!desc) {
      placed = allocateAbsUnassigned(memories, section, start, length, overlay, message);
    } else {
      const std::string& memName = isDataType(cScnType.at(section)) ? desc->getRunMemory()
                                                                    : desc->getLoadMemory();
      placed = allocateAbsAssigned(memories, memName, section, start, length, overlay, message);
    }
    if (!placed) return 0;
  }
  return 1;
}

// Pass 3: the SECTION declarations that name a relocatable input section or a
// ROM image, in declaration order.
int Linker::allocateAssigned(std::string& message) {
  std::set<std::string> images;
  for (const auto& [section, type] : cScnType)
    if (type == SCNTYPE_IDATA) images.insert(romImageName(section));
  bool trace = traceLevel("Linker::mapSections") != 0;
  if (trace) std::cout << "  relocatable assigned dump: \n";
  for (const SectionDesc& desc : cSectionDesc) {
    const std::string& section = desc.getName();
    auto abs = cScnAbs.find(section);
    bool relocatable = abs != cScnAbs.end() && !abs->second;
    bool image = images.count(section) != 0;
    if (!relocatable && !image) continue;
    if (trace) std::cout << "    " << section << '\n';
    int placed = image ? allocateRomImage(section, message)
                       : allocateAssignedSection(section, desc, message);
    if (!placed) return 0;
  }
  return 1;
}

int Linker::allocateAssignedSection(const std::string& section, const SectionDesc& desc,
                                    std::string& message) {
  if (!checkSectionType(section, message)) return 0;
  const std::string& memName = isDataType(cScnType.at(section)) ? desc.getRunMemory()
                                                                : desc.getLoadMemory();
  return allocateRelAssigned(memoriesFor(section), memName, section, cScnSize.at(section),
                             cScnOverlay[section] != 0, message);
}

// Pass 5: every section and image not placed yet, the largest first (the
// earlier in name order among equals), each into the best-fitting memory.
int Linker::allocateRest(std::string& message) {
  std::vector<Candidate> rest;
  rest.reserve(cScnAbs.size());
  // The per-section maps hold the same names: walked side by side.
  NameWalk<uint32_t> sizes(cScnSize);
  NameWalk<uint8_t> types(cScnType);
  NameWalk<int> overlays(cScnOverlay);
  for (const auto& [section, isAbs] : cScnAbs) {
    const uint32_t* size = sizes.find(section);
    const uint8_t* type = types.find(section);
    ZV_ASSERT(size && type);
    if (!isAbs && !sectionDescFor(section)) {
      const int* overlay = overlays.find(section);
      rest.push_back({section, *size, false, *type, overlay && *overlay != 0});
    }
    if (*type != SCNTYPE_IDATA) continue;
    std::string image = romImageName(section);
    if (!sectionDescFor(image)) rest.push_back({image, romLocations(*size), true});
  }
  std::stable_sort(rest.begin(), rest.end(),
                   [](const Candidate& a, const Candidate& b) { return a.size > b.size; });
  bool trace = traceLevel("Linker::mapSections") != 0;
  if (trace) {
    std::cout << "  relocatable unassigned dump: \n";
    for (const Candidate& c : rest)
      std::cout << "    " << c.name << " " << lengthText(c.size) << '\n';
  }
  for (const Candidate& c : rest) {
    int placed = 0;
    if (c.isImage) {
      placed = allocateRomImage(c.name, message);
    } else {
      placed = checkSectionType(c.name, c.type, message) &&
               allocateRelUnassigned(memoriesFor(c.name, c.type), c.name, c.size, c.overlay,
                                     alignmentForType(c.type), message);
    }
    if (!placed) return 0;
  }
  return 1;
}

// --- Each input's part -------------------------------------------------------------

// Absolute parts lie where their header says; relocatable parts follow each
// other in load order (overlay parts all at the section's start).
// Inputs mostly bring their sections in name order, so each name is first
// looked for right after the one found before it.
int Linker::recordSectionAddresses() {
  auto memory = cScnMem.end();
  const Memory* lastMemory = nullptr;
  std::map<std::string, Range>::iterator range;
  for (FileKey file = 0; file < cCoff.size(); ++file) {
    const Coff& coff = *cCoff[file];
    for (const auto& entry : coff.cScnNum) {
      const std::string& section = entry.second;
      const scnhdr& hdr = coff.cScnHdr.at(section);
      memory = findAfter(cScnMem, memory, section);
      ZV_ASSERT(memory != cScnMem.end());
      // The section's range, found once; loading checks that it is placed and
      // does not hold this input's part yet.
      std::map<std::string, Range>& ranges = memory->second->cAllocated;
      range = memory->second == lastMemory ? findAfter(ranges, range, section)
                                           : ranges.find(section);
      lastMemory = memory->second;
      ZV_ASSERT(range != ranges.end());
      if (scnIsAbs(hdr))
        range->second.load(file, coff.cCoffName, hdr.s_paddr, hdr.s_size);
      else
        range->second.loadAppend(file, coff.cCoffName, hdr.s_size);
    }
  }
  return 1;
}
