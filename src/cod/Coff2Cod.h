// The conversion of a linked COFF executable into a Cod: directory strings,
// the program memory image in 64 KB windows with its memory maps, the source
// file names, the symbols, and (through the listing) the line records.
#ifndef ZV_COD_COFF2COD_H
#define ZV_COD_COFF2COD_H

#include <cstdint>
#include <list>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "Cod.h"
#include "Coff.h"
#include "ListingWriter.h"

class Disassembler;
class ListingSymbols;
struct SourceFrame;

// A code section that has line numbers, resolved once for the listing. It
// views the Coff's map entries, which stay where they are while the Coff,
// unchanged, outlives the converter's use of them. Saves a look-up by name
// per listed word; guarded by bench/vostrum_bench.sh.
struct LstSection {
  const std::string* cScnName = nullptr;  // the section's name in the Coff
  uint32_t cScnStart = 0;                 // its start (word address)
  const Data* cScnData = nullptr;         // its contents; null when it has none
};

// One line-number entry of a code section, as the listing reads it; its
// source file is that of the stretch of the line map that holds it.
struct LstLine {
  uint32_t l_paddr = 0;  // word address of the code
  uint16_t l_lnno = 0;
  uint16_t cSection = 0;  // index into Coff2Cod::cLineSections (a file has at most 65,535 sections)
};

// Where the entries of one source file start in the line map; they end where
// the next file's start.
struct LstFileLines {
  uint32_t cSrcndx = 0;  // the file symbol's index
  size_t cFirst = 0;     // index into Coff2Cod::cLine
};

// True when entry `index` is a symbol of storage class file (103) with at least
// one auxiliary entry, the next entry, read as an aux_file. Its name is not
// looked at.
bool isFileClassWithAux(const Coff& coff, size_t index);

// The COD file's name: the COFF file's base name + ".cod", in the current
// directory. The listing's: the COFF file's path and base name + ".lst".
std::string codFileName(const Coff& coff);
std::string listFileName(const Coff& coff);

class Coff2Cod : public Cod {
 public:
  Coff2Cod();
  ~Coff2Cod();
  Coff2Cod(const Coff2Cod&) = delete;
  Coff2Cod& operator=(const Coff2Cod&) = delete;

  // Fills the Cod from `coff`; with `noListing` no listing and no line records.
  // Returns this converter, or null after a reported error.
  Coff2Cod* convert(const Coff& coff, int pageLength, bool noListing);

  void setDirectoryInfo(const Coff& coff);
  bool createRawDataAndMemoryMap(const Coff& coff);
  bool createSourceFileInfo(const Coff& coff);
  void createSymbols(const Coff& coff);

  // The listing and its line records (Listing.cpp). The cursor is an index
  // into the symbol table that only moves forward.
  void buildLineMap(const Coff& coff);
  bool createListFile(const Coff& coff);
  void writePageHeader(bool first);
  void countLine();
  void doNextFile(const Coff& coff, size_t& cursor);
  bool findNextFile(const Coff& coff, size_t& cursor);
  bool findEndOfFile(const Coff& coff, size_t& cursor);
  void listControl(const Coff& coff, size_t start, uint64_t line);
  bool hasInclude(const Coff& coff, size_t start, uint64_t line);

 protected:
  bool checkProcessor(const Coff& coff) const;
  bool checkOutputNames(const Coff& coff, bool noListing) const;
  bool outputsSpareSources(const Coff& coff, const std::string* names, int outputs,
                           const std::string* kinds) const;
  // Appends directory `HighAddr` = its index, with its empty lists and map.
  void appendDirectory();

  // Listing steps (Listing.cpp).
  ListingSymbols& symbolsOf(const Coff& coff);
  // Opens the next source file from the cursor and stacks it; a source that
  // cannot be opened is warned about and passed over.
  void openNextFile(const Coff& coff, size_t& cursor,
                    std::vector<std::unique_ptr<SourceFrame>>& stack);
  void listSourceLine(SourceFrame& frame, std::string_view text);
  // The disassembly column of one code word, its text written to `text`
  // (kDisassemblyRoom characters) when it has one; steps the frame's skip counter.
  std::string_view disassembly(SourceFrame& frame, const LstLine& entry, uint16_t& value,
                               char* text) const;
  // Room in each directory's line records for the code words of its window.
  void reserveLineRecords();
  // The entries of source file `srcndx` (a stretch of cLine).
  std::pair<const LstLine*, const LstLine*> linesOfFile(uint32_t srcndx) const;
  void addLineRecord(const SourceFrame& frame, int flags, uint32_t address);
  // Warns once that the records of a file number above 255 are left out.
  [[gnu::noinline, gnu::cold]] void warnFileNumber(const SourceFrame& frame);

  bool cListing = true;  // listing on or off
  int cPageLength = 0;   // listing lines per page; 0: no paging
  int cLineCount = 0;    // listing lines written so far
  // File symbol index -> its file number (position in cSourceNames).
  std::map<uint32_t, uint32_t> cSourceIndex;
  // The line entries of every code section, ordered by source file, then
  // l_lnno; the entries of one source line keep the order of the sections (by
  // name) and of their tables. cLineFiles holds each file's stretch, by file.
  // Filled once by buildLineMap; the listing's frames point into it. Saves a
  // map of lists by file and line; guarded by bench/vostrum_bench.sh.
  std::vector<LstLine> cLine;
  std::vector<LstFileLines> cLineFiles;
  std::vector<LstSection> cLineSections;  // the code sections with line numbers, by name

  // The listing while it is written.
  ListingWriter cListFile;
  std::string cListName;
  std::string cTimeStamp;  // one time for every page header
  uint32_t cBytesPerWord = 2;
  uint32_t cWindowShift = 15;                   // word address >> shift: its directory's window
  std::unique_ptr<Disassembler> cDisassembler;  // of the processor's family
  bool cFileNumberWarned = false;               // records of file numbers above 255 left out
  const int* cIncludeTrace = nullptr;           // level of "Coff2Cod::hasInclude"
  // The scans of the Coff being listed, made on first use and dropped when
  // its listing ends; cScannedCoff is compared, never followed.
  std::unique_ptr<ListingSymbols> cSymbolScan;
  const Coff* cScannedCoff = nullptr;
};

#endif
