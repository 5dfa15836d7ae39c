// One program word as assembler text, for the listing beside each address:
//
//   ADDWF     0x2a,0x1
//   CALL      0x24600,0x0
//   TBLRDPOSTINC
//
// The mnemonic stands left-justified in 10 columns, the operands follow in
// lower-case hexadecimal. Halvern relative branches print their byte target,
// and its two-word instructions take the next word when it is a WORD2 word
// ("???" when it is not).
#ifndef ZV_TABLES_MGDISASM_H
#define ZV_TABLES_MGDISASM_H

#include <cstddef>
#include <cstdint>

#include "mginst.h"

// The room a text needs in the caller's buffer; no text is longer.
constexpr size_t kDisassemblyRoom = 40;

// Writes the text of `word` to `out` (kDisassemblyRoom characters of room, no
// NUL added) and gives its length; 0 when the word is no instruction of the
// family, with `wordsUsed` left as it was. `address` (bytes, Halvern only)
// places relative branch targets; `nextWord` is read only by the Halvern
// two-word instructions. `wordsUsed` becomes 1, or 2 when the next word was
// consumed. The mnemonics and hex digits come from tables: this runs for every
// word of a listing. Saves formatting each text piece by piece; guarded by
// bench/vostrum_bench.sh.
size_t disassembleInto(char* out, uint32_t address, uint16_t word, uint16_t nextWord,
                       uint8_t& wordsUsed, CoreFamily family);

struct WordLookup;

// disassembleInto for many words of one family, its tables found once.
class Disassembler {
 public:
  explicit Disassembler(CoreFamily family);
  size_t text(char* out, uint32_t address, uint16_t word, uint16_t nextWord,
              uint8_t& wordsUsed) const;

 private:
  CoreFamily cFamily;
  // The lookups are built once and kept to the end of the program.
  const WordLookup* cWords;    // the family's
  const WordLookup* cHalvern;  // for the second word of a Halvern instruction
};

// As disassembleInto, for a word that must be legal for the family. The text
// lives in a buffer of the family that the next call for the same family
// overwrites.
const char* disassembleInstruction(uint32_t address, uint16_t word, uint16_t nextWord,
                                   uint8_t& wordsUsed, CoreFamily family);

#endif
