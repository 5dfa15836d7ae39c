// The conversion of a linked COFF file into the HEX image: the contents of every
// code and romdata section, in section-name order, or with /r ranges only the
// 16-bit words whose addresses lie inside them. The runs view the sections'
// bytes inside the Coff, which outlives the writing.
#ifndef ZV_HEX_COFF2HEX_H
#define ZV_HEX_COFF2HEX_H

#include <cstdint>
#include <string>
#include <vector>

#include "AddrRange.h"
#include "Coff.h"
#include "Hex.h"

class ProgramMemory;

class Coff2Hex : public Hex {
 public:
  // Fills the image and names it after the COFF file's base name; returns the
  // converter itself. Null after a reported fault, and, silently, when ranges
  // were given and none of them selects a word.
  Hex* convert(const Coff& coff, const std::vector<AddrRange>& ranges);

  // False, after reporting each offending section, when the image cannot be
  // written in the format as it stands: INHX8S splits 16-bit words, so every
  // run must start at an even byte address.
  bool suitsFormat(const Coff& coff, HexFormat format) const;

 private:
  bool addWholeSection(const Coff& coff, const std::string& name, uint32_t bytesPerWord,
                       const ProgramMemory& memory);
  bool addSelectedRuns(const Coff& coff, const std::string& name, uint32_t bytesPerWord,
                       const ProgramMemory& memory, const std::vector<AddrRange>& ranges,
                       bool& anyRun);
};

#endif
