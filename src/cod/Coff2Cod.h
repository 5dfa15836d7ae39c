// The conversion of a linked COFF executable into a Cod: directory strings,
// the program memory image in 64 KB windows with its memory maps, the source
// file names, the symbols, and (through the listing) the line records.
#ifndef ZV_COD_COFF2COD_H
#define ZV_COD_COFF2COD_H

#include <cstdint>
#include <list>
#include <map>
#include <string>

#include "Cod.h"
#include "Coff.h"

// One line-number entry of a code section, with the name of its section.
struct LstLine {
  std::string cScnName;
  uint32_t l_srcndx = 0;
  uint16_t l_lnno = 0;
  uint32_t l_paddr = 0;  // word address of the code
  uint16_t l_flags = 0;
  uint32_t l_fcnndx = 0;
};

// True when entry `index` is a file symbol: a symbol of storage class 103
// whose next entry exists and is its aux_file entry.
bool isFileSymbol(const Coff& coff, size_t index);

// The COD file's name: the COFF file's base name + ".cod", in the current
// directory. The listing's: the COFF file's path and base name + ".lst".
std::string codFileName(const Coff& coff);
std::string listFileName(const Coff& coff);

class Coff2Cod : public Cod {
 public:
  // Fills the Cod from `coff`; with `noListing` no listing and no line records.
  // Returns this converter, or null after a reported error.
  Coff2Cod* convert(const Coff& coff, int pageLength, bool noListing);

  void setDirectoryInfo(const Coff& coff);
  bool createRawDataAndMemoryMap(const Coff& coff);
  bool createSourceFileInfo(const Coff& coff);
  void createSymbols(const Coff& coff);

  // The listing and its line records (Listing.cpp).
  void buildLineMap(const Coff& coff);
  bool createListFile(const Coff& coff);

 protected:
  bool checkProcessor(const Coff& coff) const;
  bool checkOutputNames(const Coff& coff, bool noListing) const;
  // Appends directory `HighAddr` = its index, with its empty lists and map.
  void appendDirectory();

  bool cListing = true;  // listing on or off
  int cPageLength = 0;   // listing lines per page; 0: no paging
  int cLineCount = 0;    // listing lines written so far
  // File symbol index -> its file number (position in cSourceNames).
  std::map<uint32_t, uint32_t> cSourceIndex;
  // l_srcndx -> l_lnno -> the entries of that source line, in insertion order.
  std::map<uint32_t, std::map<uint16_t, std::list<LstLine>>> cLine;
};

#endif
