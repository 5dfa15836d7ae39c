// Coff2Cod::convert and the steps that fill the Cod from a linked executable.
//
// Program memory is seen as byte addresses (word address * bytes per word);
// each directory covers one 64 KB window of them, and each window is cut into
// 128 code blocks of 512 bytes. A section at byte address G with N bytes
// touches the windows G / 64K through (G + N - 1) / 64K.
#include "Coff2Cod.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <iostream>
#include <set>
#include <vector>

#include "Banner.h"
#include "FileSpec.h"
#include "OsPath.h"
#include "Reporter.h"
#include "SameFile.h"
#include "ScnAddr.h"
#include "TextHelpers.h"
#include "Trace.h"
#include "mgproc.h"

namespace {

constexpr uint64_t kWindowSize = 0x10000;

// Bytes per program-memory location of the file's processor.
uint32_t bytesPerWord(const Coff& coff) {
  return (romWidthBits(procTypeToProcessor(coff.cOptHdr.proc_type)) + 7) / 8;
}

// Byte addresses of one section in program memory.
struct ByteSpan {
  uint64_t first = 0;  // G
  uint64_t last = 0;   // E
};

ByteSpan spanOf(const Coff& coff, const std::string& name, uint32_t bytes) {
  ByteSpan s;
  s.first = uint64_t(bytes) * coff.cScnHdr.at(name).s_paddr;
  s.last = s.first + coff.cRawData.at(name).size() - 1;
  return s;
}

// The window offsets S..L that a span covers inside window d.
void windowPart(const ByteSpan& span, uint64_t d, uint32_t& start, uint32_t& last) {
  start = d == span.first / kWindowSize ? static_cast<uint32_t>(span.first % kWindowSize) : 0;
  last = d == span.last / kWindowSize ? static_cast<uint32_t>(span.last % kWindowSize) : 0xFFFF;
}

// Overwrites window offsets start..last of a window's code blocks with `src`,
// a block at a time; blocks are created zero-filled when absent.
void copyIntoBlocks(std::map<int, Block>& blocks, uint32_t start, uint32_t last,
                    const uint8_t* src) {
  for (uint32_t k = start / kCodBlockSize; k <= last / kCodBlockSize; ++k) {
    Block& block = blocks[static_cast<int>(k)];
    const uint32_t base = k * kCodBlockSize;
    const uint32_t from = std::max(start, base);
    const uint32_t to = std::min(last, base + kCodBlockSize - 1);
    std::memcpy(block.bytes + (from - base), src + (from - start), to - from + 1);
  }
}

}  // namespace

bool isFileClassWithAux(const Coff& coff, size_t index) {
  return index + 1 < coff.cSymbols.size() && coff.cAuxKinds[index] == AUX_NONE &&
         coff.cSymbols[index].sym.n_sclass == C_FILE && coff.cSymbols[index].sym.n_numaux >= 1 &&
         coff.cAuxKinds[index + 1] == AUX_FILE;
}

std::string codFileName(const Coff& coff) { return FileSpec(coff.cCoffName).baseName() + ".cod"; }

std::string listFileName(const Coff& coff) {
  const FileSpec spec(coff.cCoffName);
  return spec.path() + spec.baseName() + ".lst";
}

Coff2Cod* Coff2Cod::convert(const Coff& coff, int pageLength, bool noListing) {
  cPageLength = pageLength;
  cLineCount = 0;
  // Nothing is made for a processor outside the table or for an output that
  // would replace the input.
  if (!checkProcessor(coff) || !checkOutputNames(coff, noListing)) return nullptr;

  buildLineMap(coff);
  setDirectoryInfo(coff);
  if (!createRawDataAndMemoryMap(coff)) return nullptr;
  // From here on every directory exists, each with its lists and code blocks.
  if (!createSourceFileInfo(coff)) return nullptr;
  createSymbols(coff);
  if (!noListing && !createListFile(coff)) return nullptr;
  return this;
}

bool Coff2Cod::checkProcessor(const Coff& coff) const {
  if (isKnownProcType(coff.cOptHdr.proc_type)) return true;
  reportError("Coff2Cod::convert()", "Unsupported processor type in file '" + coff.cCoffName + "'");
  return false;
}

bool Coff2Cod::checkOutputNames(const Coff& coff, bool noListing) const {
  const std::string kinds[] = {"Cod", "List"};
  const std::string names[] = {codFileName(coff), listFileName(coff)};
  const int outputs = noListing ? 1 : 2;
  for (int i = 0; i < outputs; ++i) {
    if (!sameFile(names[i], coff.cCoffName)) continue;
    reportError("Coff2Cod::convert()", kinds[i] + " file '" + names[i] +
                                           "' would replace the Coff file '" + coff.cCoffName +
                                           "' it is made from.");
    return false;
  }
  if (outputs == 2 && sameFile(names[1], names[0])) {
    reportError("Coff2Cod::convert()",
                "List file '" + names[1] + "' would replace the Cod file '" + names[0] + "'.");
    return false;
  }
  return outputsSpareSources(coff, names, outputs, kinds);
}

// The source files are the user's own: neither the COD file nor the listing
// (which reads them) may be one of them, whatever name it is reached by.
bool Coff2Cod::outputsSpareSources(const Coff& coff, const std::string* names, int outputs,
                                   const std::string* kinds) const {
  struct stat ids[2];
  bool exists[2];
  for (int i = 0; i < outputs; ++i) exists[i] = ::stat(osPath(names[i]).c_str(), &ids[i]) == 0;
  for (size_t s = 0; s < coff.cSymbols.size(); ++s) {
    if (!isFileClassWithAux(coff, s)) continue;
    const std::string source = Coff::getName(coff.cSymbols[s + 1].file, coff.cStringTbl);
    struct stat id;
    if (::stat(osPath(source).c_str(), &id) != 0) continue;
    for (int i = 0; i < outputs; ++i) {
      if (!exists[i] || !sameIdentity(ids[i], id)) continue;
      reportError("Coff2Cod::convert()", kinds[i] + " file '" + names[i] +
                                             "' would replace the source file '" + source +
                                             "' of the Coff file '" + coff.cCoffName + "'.");
      return false;
    }
  }
  return true;
}

void Coff2Cod::setDirectoryInfo(const Coff& coff) {
  cDirectories.emplace_back();
  CodDirectory& d = cDirectories.back();
  cFileName = codFileName(coff);
  setCodString(d.SourceLen, d.Source, sizeof d.Source, cFileName);
  setCodString(d.VersionLen, d.Version, sizeof d.Version, codConverterTitle());
  setCodString(d.NoticeLen, d.Notice, sizeof d.Notice, noticeBanner());
  const char* processor = processorName(procTypeToProcessor(coff.cOptHdr.proc_type));
  setCodString(d.ProcessorLen, d.Processor, sizeof d.Processor, processor);
}

void Coff2Cod::appendDirectory() {
  cDirectories.emplace_back();
  cDirectories.back().HighAddr = static_cast<uint16_t>(cDirectories.size() - 1);
  cMemoryMapLists.emplace_back();
  cRawDataMaps.emplace_back();
  cLineInfoTables.emplace_back();
}

bool Coff2Cod::createRawDataAndMemoryMap(const Coff& coff) {
  const char origin[] = "Coff2Cod::createRawDataAndMemoryMap()";
  const uint32_t bytes = bytesPerWord(coff);
  cMemoryMapLists.emplace_back();
  cRawDataMaps.emplace_back();
  cLineInfoTables.emplace_back();

  // Code and romdata sections with contents, by address; equal addresses keep
  // the file's order, so that the later of them overwrites.
  std::vector<ScnAddr> sections;
  for (const auto& [number, name] : coff.cScnNum) {
    const auto hdr = coff.cScnHdr.find(name);
    const auto data = coff.cRawData.find(name);
    if (hdr == coff.cScnHdr.end() || !isProgramMemory(hdr->second)) continue;
    if (data == coff.cRawData.end() || data->second.size() == 0) continue;
    sections.emplace_back(name, hdr->second.s_paddr);
  }
  std::stable_sort(sections.begin(), sections.end());
  if (traceLevel("Coff2Cod::createRawDataAndMemoryMap")) {
    std::cout << "Coff2Cod::createRawDataAndMemoryMap: \n";
    for (const ScnAddr& s : sections)
      std::cout << "  scnName=" << s.name << ", addr=" << toHex(s.address, 4) << "\n";
  }
  if (sections.empty()) {
    reportError(origin, "Coff file '" + coff.cCoffName +
                            "' must contain at least one 'code' or 'romdata' section.");
    return false;
  }

  // Directories and code blocks are counted before any is made: an image that
  // block numbers cannot reach is refused without building it.
  uint64_t windows = 1;
  std::set<uint64_t> codeBlocks;  // window * 128 + slot
  for (const ScnAddr& s : sections) {
    const ByteSpan span = spanOf(coff, s.name, bytes);
    windows = std::max(windows, span.last / kWindowSize + 1);
    for (uint64_t d = span.first / kWindowSize; d <= span.last / kWindowSize; ++d) {
      uint32_t start, last;
      windowPart(span, d, start, last);
      for (uint32_t k = start / kCodBlockSize; k <= last / kCodBlockSize; ++k)
        codeBlocks.insert(d * 128 + k);
      if (windows + codeBlocks.size() > kCodMaxBlocks) break;
    }
    if (windows + codeBlocks.size() > kCodMaxBlocks) {
      reportError(origin, tooManyBlocksText(cFileName, windows + codeBlocks.size()));
      return false;
    }
  }

  for (const ScnAddr& s : sections) {
    const ByteSpan span = spanOf(coff, s.name, bytes);
    const uint8_t* data = coff.cRawData.at(s.name).bytes();
    for (uint64_t d = span.first / kWindowSize; d <= span.last / kWindowSize; ++d) {
      while (cDirectories.size() <= d) appendDirectory();
      uint32_t start, last;
      windowPart(span, d, start, last);
      // The last offset moves to the end of its program word.
      addMemoryMap(cMemoryMapLists[d],
                   MemoryMap(static_cast<int>(start), static_cast<int>(last + (last + 1) % bytes)));
      copyIntoBlocks(cRawDataMaps[d], start, last, data + (d * kWindowSize + start - span.first));
    }
  }
  return true;
}

bool Coff2Cod::createSourceFileInfo(const Coff& coff) {
  for (size_t i = 0; i < coff.cSymbols.size(); ++i) {
    if (!isFileClassWithAux(coff, i)) continue;
    const std::string name = Coff::getName(coff.cSymbols[i + 1].file, coff.cStringTbl);
    if (name.size() > SourceName::MAX_LENGTH) {
      reportError("Coff2Cod::createSourceFileInfo()",
                  "Source file '" + name + "' name exceeds file format maximum of " +
                      std::to_string(SourceName::MAX_LENGTH) + " characters.");
      return false;
    }
    cSourceIndex[static_cast<uint32_t>(i)] = static_cast<uint32_t>(cSourceNames.size());
    addSourceName(SourceName(name));
  }
  return true;
}

void Coff2Cod::createSymbols(const Coff& coff) {
  // Section number -> whether it names a program-memory section, found once.
  std::vector<bool> programMemory;
  for (const auto& [number, name] : coff.cScnNum) {
    const auto hdr = coff.cScnHdr.find(name);
    if (number < 1 || hdr == coff.cScnHdr.end() || !isProgramMemory(hdr->second)) continue;
    if (programMemory.size() <= static_cast<size_t>(number))
      programMemory.resize(static_cast<size_t>(number) + 1);
    programMemory[static_cast<size_t>(number)] = true;
  }
  for (size_t i = 0; i < coff.cSymbols.size(); ++i) {
    if (coff.cAuxKinds[i] != AUX_NONE) continue;
    const syment& s = coff.cSymbols[i].sym;
    if (s.n_sclass != C_EXT && s.n_sclass != C_STAT && s.n_sclass != C_LABEL) continue;
    if (s.n_scnum < 1) continue;
    const std::string name(Coff::nameView(s, coff.cStringTbl));
    // A record of length 0 would end its block for every reader.
    if (name.empty()) continue;
    const size_t number = static_cast<size_t>(s.n_scnum);
    const bool address = number < programMemory.size() && programMemory[number];
    const int type = address ? kCodTypeAddress : kCodTypeConstant;
    const auto cut = [&](size_t most) { return name.size() <= most ? name : name.substr(0, most); };
    addSymbol(Symbol(cut(Symbol::MAX_LENGTH), type, static_cast<int>(s.n_value & 0xFFFF)));
    addLongSymbol(LongSymbol(cut(LongSymbol::MAX_LENGTH), type, s.n_value));
  }
}
