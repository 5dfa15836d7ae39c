// The whole state of one link. The parser fills it through the thirteen
// command operations; Linker::link then runs the phases over it. The class is
// defined across several files, one per phase, named beside each group below.
#ifndef ZV_LINKER_LINKER_H
#define ZV_LINKER_LINKER_H

#include <cstdint>
#include <list>
#include <map>
#include <memory>
#include <ostream>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "Archive.h"
#include "Coff.h"
#include "CoffRecords.h"
#include "Data.h"
#include "Descriptors.h"
#include "ExtSymIndex.h"
#include "InputNames.h"
#include "MemoryIndex.h"
#include "ViewMap.h"
#include "WholeFile.h"
#include "memtarg.h"

class Linker {
 public:
  Linker();
  virtual ~Linker();
  Linker(const Linker&) = delete;
  Linker& operator=(const Linker&) = delete;

  // --- Command operations (linker.cpp) -------------------------------------
  // Each returns nonzero when it accepts the declaration; on refusal it
  // returns 0, leaves the Linker as it was and puts the whole message into
  // `message`. None reports anything itself.
  virtual int setMinHeapSize(uint32_t size, std::string& message);
  virtual int setMapFile(const std::string& name, std::string& message);
  virtual int setOutputFile(const std::string& name, std::string& message);
  virtual int addObjectFile(const std::string& name, std::string& message);
  virtual int addLibraryFile(const std::string& name, std::string& message);
  virtual int addCodePage(const Memory& memory, std::string& message);
  virtual int addDataBank(const Memory& memory, std::string& message);
  virtual int addShareBank(const Memory& memory, std::string& message);
  virtual int addAccessBank(const Memory& memory, std::string& message);
  virtual int addSectionDesc(const SectionDesc& desc, std::string& message);
  virtual int setStackDesc(const StackDesc& desc, std::string& message);
  virtual int addLibPath(const std::string& directory, std::string& message);
  virtual int setStrip(int value, std::string& message);

  int checkDuplicateMemory(const std::string& name, int share, std::string& message) const;
  int checkCodePageOverlap(const Memory& memory, std::string& message) const;
  int checkDataOverlap(const Memory& memory, std::string& message) const;
  // A memory whose END lies before its START is refused by every memory
  // operation.
  static int checkMemoryBounds(const Memory& memory, std::string& message);
  bool hasDataMemory(const std::string& name) const;  // a DATABANK, SHAREBANK or ACCESSBANK

  void print(std::ostream& os) const;
  void printCoffs(std::ostream& os) const;      // the inputs and cOutput, under the trace
  void printInternals(std::ostream& os) const;  // the per-section facts

  // --- The driver (LinkDriver.cpp) ------------------------------------------
  // Nonzero when the output file (and the map file, when one was asked for)
  // has been written.
  int link(std::string& message);

  // --- Input loading and consistency checks (LoadInputs.cpp) ----------------
  int loadObjectFiles(std::string& message);
  int loadLibraryFiles(std::string& message);
  // Refuses an output or map file that is one of the objects, libraries (as
  // found) or command files that the link reads.
  int checkOutputsSpareInputs(std::string& message) const;
  int importLibraryMembers(std::string& message);
  int checkProcessors(std::string& message);
  int checkSectionConsistency(std::string& message);
  int checkMemoryAttributes(std::string& message);

  // --- Section allocation (AllocateSections.cpp) ----------------------------
  int mapSections(std::string& message);
  int recordSectionAddresses();
  int allocateAbsAssigned(std::list<Memory>& memories, const std::string& memName,
                          const std::string& section, uint32_t start, uint64_t length, bool overlay,
                          std::string& message);
  int allocateAbsUnassigned(std::list<Memory>& memories, const std::string& section, uint32_t start,
                            uint64_t length, bool overlay, std::string& message);
  int allocateRelAssigned(std::list<Memory>& memories, const std::string& memName,
                          const std::string& section, uint64_t length, bool overlay,
                          std::string& message);
  int allocateRelUnassigned(std::list<Memory>& memories, const std::string& section,
                            uint64_t length, bool overlay, std::string& message);
  int allocateRelUnassigned(std::list<Memory>& memories, const std::string& section,
                            uint64_t length, bool overlay, uint32_t alignment,
                            std::string& message);
  int allocateRomImage(const std::string& name, std::string& message);
  bool isStackAssigned() const;
  int allocateStack(std::string& message);
  bool hasCinitSectionDesc() const;
  int allocateCinit(std::string& message);
  uint64_t cinitSize() const;
  uint64_t romLocations(uint64_t count) const;
  static std::string romImageName(const std::string& name);
  static std::string baseSectionName(const std::string& name);

  // --- Symbols, string tables, the initialisation table (Symbols.cpp) --------
  // After mergeStringTbls the merged table is cOutput.cStringTbl, and every
  // input's names are read against it.
  int buildInitTable(std::string& message);
  int relocateSymbols(std::string& message);
  int relocateLineInfo(std::string& message);
  void mergeStringTbls();
  // For each entry of an input's string table, in the table's order, the
  // offset of its text in the merged table.
  using MergedOffsets = std::vector<uint32_t>;
  void replaceStringTbl(Coff& input, const StringTbl& merged, const MergedOffsets& offsets);
  int buildExtSymDef(std::string& message);
  int resolveExternals(std::string& message);
  int checkFileNames(const Coff& input, std::string& message) const;
  void makeLinkerSymbol(syment& sym, const std::string& name, uint32_t value);
  int resolveReference(uint32_t nameId, const std::string& file, syment& sym,
                       std::string& message) const;

  // --- Relocation checking and patching (Relocations.cpp, Patch*.cpp) --------
  int verifyRelocations(std::string& message);
  int patchSections(std::string& message);
  // One input section's entries, its memory and the file's start looked up once.
  int patchSection(FileKey file, Coff& coff, const std::string& scnName,
                   const std::vector<reloc>& relocs, std::string& message);
  int doPatch(uint32_t fileStart, Data& data, const reloc& entry,
              const std::vector<SymEntry>& symbols, const StringTbl& strings, std::string& message);
  int doPatchHalvern(uint32_t fileStart, Data& data, const reloc& entry,
                     const std::vector<SymEntry>& symbols, const StringTbl& strings,
                     std::string& message);
  // Patches the leading entries that need their field written and nothing
  // else, while no patch trace is on; returns how many it did. The entry it
  // stops at goes through doPatchHalvern, which checks and reports it.
  size_t patchHalvernFields(Data& data, const reloc* entries, size_t count, const Coff& coff);
  int doPatchQuenby(Data& data, const reloc& entry, const std::vector<SymEntry>& symbols,
                    const StringTbl& strings, std::string& message);
  int doPatchTarsel(Data& data, const reloc& entry, const std::vector<SymEntry>& symbols,
                    const StringTbl& strings, std::string& message);
  int doPatchMirrow(Data& data, const reloc& entry, const std::vector<SymEntry>& symbols,
                    const StringTbl& strings, std::string& message);
  static void patchBits(Data& data, uint32_t rawOffset, uint32_t value, uint16_t srcBegin,
                        uint16_t dstBegin, uint16_t width);
  static void setBit(Data& data, uint32_t bitPos, int value);

  // --- The output file and fill sections (BuildOutput.cpp, FillSections.cpp) --
  int buildOutputScnNum(std::string& message);
  int buildOutputSymbolTbl(std::string& message);
  void appendOutputSymbols(const Coff& input, const std::vector<int>& outNumber, uint32_t base);
  int buildOutputRawData(std::string& message);
  int buildOutputLineInfo(std::string& message);
  int buildOutputInitImages(std::string& message);
  int buildOutputScnHdrs(std::string& message);
  int buildOutputFileHdr(std::string& message);
  int buildOutputHoles();  // 0 when a hole could not be filled (reported)
  // Frees the inputs and libraries once the output is built, so that writing
  // the output and the map does not hold them too; kept when the trace that
  // prints them after the link is on.
  void releaseInputs();
  // Frees the libraries (the members the import did not take).
  void releaseLibraries();
  static void buildOutputHoleCB(void* walk, const Memory& memory, uint32_t start, uint32_t end,
                                const std::string& fill);
  bool buildOutputHole(const std::string& memName, uint32_t start, uint32_t end,
                       const std::string& fill);
  uint32_t totalProgramMemory() const;
  Data romImage(const Data& bytes) const;
  void copyInputPart(FileKey file, const std::string& name);
  // As above, with the section's memory and output contents already found.
  void copyInputPart(FileKey file, const std::string& name, const Memory& mem, Data& to);
  void addOutputString(const std::string& text);
  void setOutputHeader(const std::string& name, unsigned type, bool abs = false, bool share = false,
                       bool access = false);
  uint16_t bytesPerLocation(uint8_t memType) const;

  // --- The error map (MapFile.cpp) ------------------------------------------
  int writeErrorMapFile();  // 0 when the map could not be written (reported)

  // --- Members -------------------------------------------------------------
  // Grouped by the phase that fills them. Addresses, starts and ends count
  // locations of their memory (a program word, or a byte on Halvern and in data
  // memory); sizes count bytes unless a comment says otherwise.

  // The declarations: filled by the command operations (linker.cpp) while the
  // parser reads the command line and command files; read-only from link() on.
  int cHasMinHeapSize = 0;       // a heap size was declared (only one may be)
  int cHasStackDesc = 0;         // a STACK was declared: allocation places it, the output has it
  uint32_t cMinHeapSize = 0x20;  // bytes; declared, checked and printed, no phase reads it
  StackDesc cStackDesc;          // its size (bytes) and memory: allocateStack, buildOutputRawData
  std::string cStackScnName = ".stack";  // the section that allocateStack places
  std::string cMapFile;                  // empty: no map; written by link() and writeErrorMapFile
  std::string cOutputFile;  // link() sets "a.out" when none was given; buildOutputFileHdr
  // Objects and libraries as named, in declaration order: the loading phase
  // finds and reads them (LoadInputs.cpp).
  std::list<std::string> cObjectFile;
  std::list<std::string> cLibraryFile;
  std::set<std::string> cObjectFileSet;   // the names of cObjectFile, for the duplicate check
  std::set<std::string> cLibraryFileSet;  // the names of cLibraryFile, likewise
  std::list<std::string> cCommandFiles;   // the command files read (as found), in reading order;
                                          // checkOutputsSpareInputs compares the outputs with them
  // Per entry of cObjectFile, the identity the object was read with (unknown
  // for one not read whole): loadObjectFiles records them, and
  // checkOutputsSpareInputs compares the outputs with them.
  std::vector<FileId> cObjectIds;
  // The memories. checkProcessors gives them the device's widths,
  // allocation places sections in them (cScnMem points here), the fill sections
  // walk the code pages' holes, the Halvern patcher reads the access banks and
  // the map lists them all.
  std::list<Memory> cCodePage;
  std::list<Memory> cDataBanks;
  std::list<Memory> cShareBanks;
  std::list<Memory> cAccessBanks;
  // Beside each memory list, the index of what the command operations put
  // into it (names and addresses), so that a declaration is checked against
  // the earlier ones without a scan.
  MemoryIndex cCodePageIndex;
  MemoryIndex cDataBankIndex;
  MemoryIndex cShareBankIndex;
  MemoryIndex cAccessBankIndex;
  // SECTION declarations: allocation places the named sections where they say,
  // checkMemoryAttributes checks the memories they name.
  std::list<SectionDesc> cSectionDesc;
  std::list<std::string> cLibPath;  // directories the loading phase searches, in order
  int cStrip = 0;  // /s: buildOutputSymbolTbl and buildOutputLineInfo write none, flags 0x0086

  // Inputs: filled by loadObjectFiles, loadLibraryFiles and importLibraryMembers
  // (LoadInputs.cpp); every later phase reads them, and relocateSymbols,
  // relocateLineInfo, replaceStringTbl and patchSections change the inputs in place.
  std::vector<std::unique_ptr<Archive>> cArchives;  // libraries, in declaration order
  // Inputs: objects, then imported library members, in load order. The
  // position of an input in this list is its FileKey.
  std::vector<std::unique_ptr<Coff>> cCoff;

  // The executable being built. allocateCinit puts _cinit's name into its
  // string table, mergeStringTbls makes that the merged table of every input,
  // the output phases (BuildOutput.cpp, FillSections.cpp) fill the rest; link()
  // writes it and the map file reads it.
  Coff cOutput;

  // The device: set by checkProcessors from the first input; allocation,
  // relocation, patching and the output header read it.
  uint16_t cRomWidthBits = 0;  // bits per program-memory location
  uint16_t cRamWidthBits = 0;  // bits per data-memory location
  uint8_t cProcessor = 0;      // processor code (mgproc.h), not the COFF id
  uint8_t cFamily = 0;         // CORE_* of the processor; picks the patcher

  // Per output section, by name: filled by checkSectionConsistency from every
  // input's headers (LoadInputs.cpp); allocation, the symbol phases and the
  // output phases read them.
  // Bytes: the inputs' parts end to end, or the largest part of an overlay.
  std::map<std::string, uint32_t> cScnSize;
  std::map<std::string, uint8_t> cScnType;  // SCNTYPE_* (CoffRecords.h)
  std::map<std::string, int> cScnAbs;       // nonzero: absolute, at cScnAbsStart
  std::map<std::string, int> cScnShare;
  std::map<std::string, int> cScnOverlay;
  std::map<std::string, int> cScnAccess;
  std::map<std::string, uint32_t> cScnAbsStart;  // absolute sections: the address (locations)
  std::map<std::string, uint32_t> cScnAbsSize;   // absolute sections: bytes
  // Per placed section: the memory that holds it. Filled by allocation
  // (AllocateSections.cpp); the symbol, relocation and output phases read each
  // section's start from it. Points into the memory lists.
  std::map<std::string, Memory*> cScnMem;

  // The inputs' names by id: importLibraryMembers fills it as it takes the inputs in
  // (LoadInputs.cpp); mergeStringTbls reads the texts and gives them back, buildExtSymDef and
  // resolveExternals read the symbols' ids (Symbols.cpp); link() empties it after that. The
  // linker's own symbols have the first ids.
  enum : uint32_t { kCinitNameId, kStackNameId, kStkSizeNameId };
  InputNames cInputNames{"_cinit", "_stack", "_stksize"};

  // Symbol resolution (Symbols.cpp): buildExtSymDef fills it with the final value of every
  // external definition (the inputs' and the three symbols below) by the id of its name,
  // resolveExternals reads it, link() empties it after that.
  ExtSymIndex cExtSymDef;
  // Per input (FileKey): its first output symbol index. Filled by
  // buildOutputSymbolTbl, read by buildOutputLineInfo.
  std::vector<int> cFileSymBase;

  // The initialisation table and the linker's own symbols.
  std::string cCinitScnName = ".cinit";  // the section that allocateCinit places
  Data cCinitData;          // the table's bytes: buildInitTable fills, buildOutputInitImages writes
  syment cCinitSym;         // _cinit: allocateCinit sets it, buildExtSymDef defines it
  syment cStackSym;         // _stack: buildExtSymDef, from the placed stack
  syment cStkSizeSym;       // _stksize: buildExtSymDef, the stack's size in bytes
  uint32_t cFillCount = 0;  // fill sections made so far: buildOutputHole names .fill_<n>

 private:
  // Section checks (LoadInputs.cpp).
  int recordSection(const std::string& name, const scnhdr& hdr, const std::string& file,
                    std::string& message);
  int mergeSection(const std::string& name, const scnhdr& hdr, const std::string& file,
                   std::string& message);
  int mergeOverlaySection(const std::string& name, const scnhdr& hdr, std::string& message);
  int appendSectionPart(const std::string& name, const scnhdr& hdr, const std::string& file,
                        std::string& message);
  static std::string reservedNameMessage(const std::string& section, const std::string& file);
  const std::string& firstFileWith(const std::string& section) const;
  uint64_t mostFillSections() const;

  // Memory lookups (linker.cpp).
  const MemoryIndex& indexOf(const std::list<Memory>& memories) const;
  int checkOverlap(const std::list<Memory>& memories, const Memory& memory,
                   std::string& message) const;
  Memory* memoryNamed(std::list<Memory>& memories, const std::string& name);

  // Allocation helpers (AllocateSections.cpp).
  const SectionDesc* sectionDescFor(const std::string& name) const;
  std::list<Memory>& memoriesFor(const std::string& section);
  std::list<Memory>& memoriesFor(const std::string& section, uint8_t type);
  uint32_t alignmentFor(const std::string& section) const;
  uint32_t alignmentForType(uint8_t type) const;
  bool breaksWordRule(const std::string& section, uint32_t start, std::string& message) const;
  int allocateAbsolute(std::string& message);
  int allocateAssigned(std::string& message);
  int allocateRest(std::string& message);
  int allocateAssignedSection(const std::string& section, const SectionDesc& desc,
                              std::string& message);
  int checkSectionType(const std::string& section, std::string& message) const;
  static int checkSectionType(const std::string& section, uint8_t type, std::string& message);
  // SECTION declarations by name (the first of a name), kept up to date with
  // cSectionDesc on each lookup.
  mutable std::map<std::string, const SectionDesc*> cSectionDescIndex;
};

// First memory of the list with that name: 1 with `it` on it, else 0 with
// `it` at the end.
int findMemory(std::list<Memory>& memories, const std::string& name,
               std::list<Memory>::iterator& it);
int findSectionDesc(std::list<SectionDesc>& descs, const std::string& name,
                    std::list<SectionDesc>::iterator& it);

#endif
