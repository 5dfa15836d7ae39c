// The names of the link's inputs, each distinct text with an id: every string
// of every input's string table, and the name of every external symbol.
// Inputs are added in link order, as the link takes them in (the objects, then
// each library member the import takes). The import looks its names up by id,
// the merge puts the tables' texts into the merged string table by id, and the
// definitions and references are matched by id, so that a name is hashed once
// for all of them. A few fixed names (the linker's own symbols) have the first
// ids.
//
//   InputNames names({"_cinit"});              // "_cinit" is id 0
//   names.addInput(coff);                      // the next input
//   names.symbolIds(file)[i]                   // the id of symbol i's name (external ones)
//   names.tableIds(file)[k]                    // the id of string k of its table
//   names.text(id), names.hash(id), names.inTable(id), names.dotted(id)
//   names.releaseTexts();                      // once the tables are merged
//
// The texts are copied: the inputs may change once their names have ids.
// Everything is kept by id and by offset into the block of texts, never by a
// view, since a new text may move the block. Saves hashing and comparing every
// name once per phase; guarded by bench/zorvik_bench.sh.
#ifndef ZV_LINKER_INPUTNAMES_H
#define ZV_LINKER_INPUTNAMES_H

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string_view>
#include <vector>

#include "Coff.h"

class TableCursor;

class InputNames {
 public:
  // The id of a symbol that is no external one.
  static constexpr uint32_t kNoId = UINT32_MAX;

  // `fixed` get the ids from 0, in order, and keep them through clear().
  explicit InputNames(std::initializer_list<std::string_view> fixed = {});

  // Makes room for `names` distinct texts of `textBytes` bytes in all without
  // growing.
  void reserve(size_t names, size_t textBytes);
  // Gives every string of the next input's table, and every external
  // symbol's name, its text's id.
  void addInput(const Coff& input);
  // The inputs added so far.
  size_t inputs() const { return cSymbolIds.size(); }

  size_t size() const { return cFlags.size(); }
  // Until releaseTexts: the text, and its ViewMap::hashOf. The view is into
  // the block of texts, which a new text may move: hold the id, not the view,
  // across an addInput.
  std::string_view text(uint32_t id) const { return textAt(cRecords[id]); }
  uint32_t hash(uint32_t id) const { return cHashes[id]; }
  // Some input's string table holds the text (not only an inline name).
  bool inTable(uint32_t id) const { return (cFlags[id] & kInTable) != 0; }
  // The text starts with '.', which makes a reference to it a section's.
  bool dotted(uint32_t id) const { return (cFlags[id] & kDotted) != 0; }
  // Until releaseTexts: for each string of input `file`'s table, in table
  // order, its text's id.
  std::vector<uint32_t>& tableIds(size_t file) { return cTableIds[file]; }
  // For each entry of input `file`'s symbol table, the id of its name where it
  // is an external symbol (a definition or a reference), else kNoId.
  const std::vector<uint32_t>& symbolIds(size_t file) const { return cSymbolIds[file]; }

  // Gives back the map from texts to ids; ids and texts stay, and a later
  // addInput builds the map again.
  void dropMap();
  // Gives back the texts and the tables' ids; the symbols' ids and the flags
  // stay. No input may be added afterwards.
  void releaseTexts();
  // Gives back everything; the fixed names get their ids again.
  void clear();

  // The two steps of a lookup's loads, for visitLoadingAhead: the slot of a
  // text of this hash, then the record that slot names.
  void prefetchHash(uint32_t hash) const;
  void prefetchStoredKey(uint32_t hash) const;

 private:
  // The map is one flat array of 8-byte slots probed linearly, each the hash
  // and the record of a text; the records (the id, the length, the
  // characters) lie end to end in one block. A lookup reads a slot and, where
  // the hashes agree, one record: both small and dense, where views into the
  // inputs' tables would send every comparison to a different input.
  struct Slot {
    uint32_t hash;
    uint32_t record;  // kFree: a free slot
  };
  static constexpr uint32_t kFree = UINT32_MAX;
  static constexpr size_t kRecordHead = 8;  // the id and the length, before the characters
  static constexpr uint8_t kInTable = 1, kDotted = 2;

  // The lookups that every name goes through are inlined into addInput; the
  // rarer steps (a new text, an inline name) are not.
  [[gnu::always_inline]] uint32_t idOf(const std::vector<uint32_t>& tableIds, TableCursor& cursor,
                                       const Coff& input, const syment& sym);
  [[gnu::noinline]] uint32_t inlineIdOf(const Coff& input, const syment& sym);
  std::string_view textAt(uint32_t record) const;
  uint32_t idAt(uint32_t record) const;
  bool sameText(uint32_t record, std::string_view text) const;
  bool inBlock(std::string_view text) const;
  [[gnu::always_inline]] uint32_t intern(std::string_view text, uint32_t hash, bool inTable);
  [[gnu::noinline]] uint32_t insert(size_t at, std::string_view text, uint32_t hash, bool inTable);
  [[gnu::always_inline]] size_t probe(std::string_view text, uint32_t hash) const;
  void rehash(size_t slots);
  void restoreMap();
  void addFixed();

  std::vector<std::string_view> cFixed;
  std::vector<Slot> cSlots;
  size_t cUsed = 0;
  std::vector<char> cBlock;        // the records
  std::vector<uint32_t> cRecords;  // by id: where its record starts
  std::vector<uint32_t> cHashes;   // by id
  std::vector<uint8_t> cFlags;     // by id: kInTable, kDotted
  std::vector<std::vector<uint32_t>> cTableIds;
  std::vector<std::vector<uint32_t>> cSymbolIds;
  std::vector<uint32_t> cScratch;  // one table's hashes
};

#endif
