// The map file of a finished link, and the error map written after section
// allocation. A map reads like this (the banner line first):
//
//   Linker Map File - Created Thu Dec 10 10:20:55 2026
//
//                                    Section Info
//                     Section       Type    Address   Location Size(Bytes)
//                   ---------  ---------  ---------  ---------  ---------
//                       .code       code   0x000000    program   0x000020
//                        .lib       code   0x000100    program   0x000003
//                        .bss      udata   0x000020       data   0x000004
//
//
//
//                                 Program Memory Usage
//                                  Start         End
//                              ---------   ---------
//                               0x000000    0x00000f
//                               0x000100    0x000101
//               18 out of 8192 program addresses used, program memory utilization is 0%
//
//
//
//                                 Symbols - Sorted by Name
//                        Name    Address   Location    Storage File
//                   ---------  ---------  ---------  --------- ---------
//                        main   0x000000    program     extern main.c
//                     counter   0x000020       data     extern main.c
//
// then the same rows sorted by address. The error map holds the usage of
// every declared memory as far as sections were placed:
//
//   Linker Error Map File - Created Thu Dec 10 10:20:55 2026
//
//   *Warning* - This is only a partial map file due to a link time error.
//      Only sections which were allocated prior to the error are shown below.
//
//   CODEPAGES:
//       Memory      Start        End              Section    Address Size(Bytes)
//    ---------  ---------  ---------            ---------  ---------  ---------
//        page0     0x0000     0x07ff               .cinit     0x0000     0x0002
//                                                   .code     0x0010     0x0020
#include "MapFile.h"

#include <algorithm>
#include <ctime>
#include <iostream>
#include <sstream>
#include <utility>
#include <vector>

#include "Banner.h"
#include "Descriptors.h"
#include "Reporter.h"
#include "TextHelpers.h"
#include "TextWriter.h"
#include "Trace.h"
#include "linker.h"
#include "mgproc.h"

namespace {

using Rows = std::vector<SectionInfo>;
using SymRows = std::vector<SymbolInfo>;

const char* const kDashes = "---------";

std::string wordOf(uint8_t code, std::initializer_list<const char*> words) {
  return code < words.size() ? std::string(*(words.begin() + code)) : std::string();
}

std::string nowText() { return localTimeText(static_cast<uint32_t>(std::time(nullptr))) + "\n"; }

std::string hex3(uint32_t value) { return toHex(value, 3); }

// Bytes per program location of the executable's processor.
uint32_t bytesPerProgramLocation(const Coff& output) {
  uint32_t procType = output.cOptHdr.proc_type & 0xFFFF;
  if (!isKnownProcType(procType)) return 2;
  return (romWidthBits(procTypeToProcessor(procType)) + 7) / 8;
}

void collectSections(const Coff& output, Rows& program, Rows& data) {
  for (const auto& [number, name] : output.cScnNum) {
    (void)number;
    auto it = output.cScnHdr.find(name);
    if (it == output.cScnHdr.end()) continue;
    const scnhdr& h = it->second;
    uint8_t type = static_cast<uint8_t>(scnType(h));
    uint8_t location = (type == SCNTYPE_IDATA || type == SCNTYPE_UDATA) ? 1 : 0;
    SectionInfo row(name, h.s_paddr, h.s_size, location, type, scnIsAbs(h), scnIsShare(h),
                    scnIsAccess(h));
    (location ? data : program).push_back(std::move(row));
  }
  std::stable_sort(program.begin(), program.end());
  std::stable_sort(data.begin(), data.end());
}

void writeSectionTable(TextWriter& out, const Rows& program, const Rows& data) {
  out.print("\n%33s%s\n", "", "Section Info");
  const char* fmt = "%25s %10s %10s %10s %10s\n";
  out.print(fmt, "Section", "Type", "Address", "Location", "Size(Bytes)");
  out.print(fmt, kDashes, kDashes, kDashes, kDashes, kDashes);
  for (const Rows* rows : {&program, &data})
    for (const SectionInfo& r : *rows)
      out.print(fmt, r.cName.c_str(), scnTypeName(r.cType).c_str(), hex3(r.cAddress).c_str(),
                locationName(r.cLocation).c_str(), hex3(r.cSize).c_str());
}

// Runs of used program locations and the utilisation line.
void writeProgramUsage(TextWriter& out, const Rows& program, uint32_t bytesPerLoc,
                       uint32_t total) {
  out.print("\n\n\n%30s%s\n", "", "Program Memory Usage ");
  const char* fmt = "%26s%10s  %10s%6s\n";
  out.print(fmt, "", "Start", "End", "");
  out.print(fmt, "", kDashes, kDashes, "");
  uint32_t used = 0;
  bool open = false;
  uint32_t runStart = 0;
  uint32_t runEnd = 0;
  for (const SectionInfo& r : program) {
    uint32_t n = r.cSize / bytesPerLoc + (r.cSize % bytesPerLoc ? 1 : 0);
    if (n == 0) continue;
    used += n;
    if (open && r.cAddress == runEnd + 1) {
      runEnd += n;
      continue;
    }
    if (open) out.print(fmt, "", hex3(runStart).c_str(), hex3(runEnd).c_str(), "");
    open = true;
    runStart = r.cAddress;
    runEnd = r.cAddress + n - 1;
  }
  if (open) out.print(fmt, "", hex3(runStart).c_str(), hex3(runEnd).c_str(), "");
  unsigned percent = (total == 0 || used >= total)
                         ? 100u
                         : static_cast<unsigned>(uint64_t(used) * 100 / total);
  out.print("            %lu out of %lu program addresses used, program memory utilization is "
            "%u%%\n",
            static_cast<unsigned long>(used), static_cast<unsigned long>(total), percent);
  out.write("\n\n");
}

// The type of the section numbered `number`, unknown when there is none.
uint8_t sectionTypeOf(const Coff& output, int number) {
  auto num = output.cScnNum.find(number);
  if (num == output.cScnNum.end()) return SCNTYPE_UNKNOWN;
  auto hdr = output.cScnHdr.find(num->second);
  return hdr == output.cScnHdr.end() ? uint8_t(SCNTYPE_UNKNOWN) : static_cast<uint8_t>(scnType(hdr->second));
}

bool isAuxAt(const Coff& coff, size_t i) {
  return i < coff.cAuxKinds.size() && coff.cAuxKinds[i] != AUX_NONE;
}

// Symbols with a section and class 2, 3 or 6, each with the file whose
// ".file" entry is open around it.
void collectSymbols(const Coff& output, SymRows& program, SymRows& data) {
  std::vector<std::string> files;
  const auto& table = output.cSymbols;
  for (size_t i = 0; i < table.size(); ++i) {
    if (isAuxAt(output, i)) continue;
    const syment& s = table[i].sym;
    std::string name = Coff::getName(s, output.cStringTbl);
    if (name == ".file") {
      if (i + 1 < table.size() && output.cAuxKinds[i + 1] == AUX_FILE)
        files.push_back(Coff::getName(table[i + 1].file, output.cStringTbl));
      continue;
    }
    if (name == ".eof") {
      if (!files.empty()) files.pop_back();
      continue;
    }
    if (s.n_scnum < 1 || (s.n_sclass != C_EXT && s.n_sclass != C_STAT && s.n_sclass != C_LABEL))
      continue;
    uint8_t type = sectionTypeOf(output, s.n_scnum);
    uint8_t location = (type == SCNTYPE_IDATA || type == SCNTYPE_UDATA) ? 1 : 0;
    SymbolInfo row(name, s.n_value, location, s.n_sclass == C_EXT ? 0 : 1,
                   isFunction(s) ? 0 : 1, files.empty() ? std::string() : files.back());
    (location ? data : program).push_back(std::move(row));
  }
}

void writeSymbolTable(TextWriter& out, const char* title, const SymRows& program,
                      const SymRows& data) {
  out.print("\n%30s%s\n", "", title);
  const char* fmt = "%25s %10s %10s %10s %-25s\n";
  out.print(fmt, "Name", "Address", "Location", "Storage", "File");
  out.print(fmt, kDashes, kDashes, kDashes, kDashes, kDashes);
  for (const SymRows* rows : {&program, &data})
    for (const SymbolInfo& r : *rows)
      out.print(fmt, r.cName.c_str(), hex3(r.cAddress).c_str(), locationName(r.cLocation).c_str(),
                storageName(r.cStorageClass).c_str(), r.cFile.c_str());
  out.write("\n\n");
}

template <typename Row>
void traceRows(const std::vector<Row>& rows) {
  if (!traceLevel("MapFile::write")) return;
  for (const Row& r : rows) r.print(std::cout);
}

}  // namespace

std::string scnTypeName(uint8_t type) {
  return wordOf(type, {"unknown", "code", "idata", "udata", "romdata"});
}
std::string locationName(uint8_t location) { return wordOf(location, {"program", "data"}); }
std::string storageName(uint8_t storageClass) { return wordOf(storageClass, {"extern", "static"}); }
std::string kindName(uint8_t kind) { return wordOf(kind, {"function", "variable"}); }

int MapFile::write(const std::string& name, const Coff& output, uint32_t totalProgramMemory) {
  TextWriter out;
  if (!out.open(name)) {
    reportError("MapFile::write()", "Could not open map file '" + name + "' for writing.");
    return 0;
  }
  out.write(linkerBanner());
  out.write("\nLinker Map File - Created " + nowText());

  Rows program, data;
  collectSections(output, program, data);
  traceRows(program);
  traceRows(data);
  writeSectionTable(out, program, data);
  writeProgramUsage(out, program, bytesPerProgramLocation(output), totalProgramMemory);

  SymRows programSyms, dataSyms;
  collectSymbols(output, programSyms, dataSyms);
  for (SymRows* rows : {&programSyms, &dataSyms})
    std::stable_sort(rows->begin(), rows->end(), SymbolInfo::lessByName);
  writeSymbolTable(out, "Symbols - Sorted by Name", programSyms, dataSyms);
  for (SymRows* rows : {&programSyms, &dataSyms}) std::stable_sort(rows->begin(), rows->end());
  traceRows(programSyms);
  traceRows(dataSyms);
  writeSymbolTable(out, "Symbols - Sorted by Address", programSyms, dataSyms);

  if (!out.close()) {
    reportError("MapFile::write()", "Could not write map file '" + name + "'.");
    return 0;
  }
  return 1;
}

void Linker::writeErrorMapFile() {
  if (cMapFile.empty()) return;
  TextWriter out;
  if (!out.open(cMapFile)) {
    reportError("Linker::writeErrorMapFile()",
                "Could not open map file '" + cMapFile + "' for writing.");
    return;
  }
  std::ostringstream text;
  text << linkerBanner() << "\nLinker Error Map File - Created " << nowText()
       << "\n*Warning* - This is only a partial map file due to a link time error.\n"
       << "   Only sections which were allocated prior to the error are shown below.\n\n";
  const std::pair<const char*, const std::list<Memory>*> groups[] = {
      {"CODEPAGES:", &cCodePage},
      {"SHAREBANKS:", &cShareBanks},
      {"DATABANKS:", &cDataBanks},
      {"ACCESSBANKS:", &cAccessBanks}};
  for (const auto& [title, memories] : groups) {
    text << title << '\n';
    bool first = true;
    for (const Memory& m : *memories) {
      m.printUsage(text, first);
      first = false;
    }
    text << '\n';
  }
  out.write(text.str());
  if (!out.close())
    reportError("Linker::writeErrorMapFile()", "Could not write map file '" + cMapFile + "'.");
}
