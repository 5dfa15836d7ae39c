// The names of the link's inputs, each distinct text with an id: every string
// of every input's string table, and every inline name of an external symbol.
// Inputs are added in link order, as the link takes them in (the objects, then
// each library member the import takes); the import looks its names up by id,
// and the merge puts the tables' texts into the merged string table by id, so
// that a name is hashed once for both.
//
//   InputNames names;
//   names.addInput(coff);                   // the next input: its table's texts get ids
//   uint32_t id = names.idOf(file, coff, sym);
//   names.text(id), names.hash(id), names.inTable(id)
//   names.tableIds(file)                    // per string of the input's table, its id
//
// The texts are copied: the inputs may change once their names have ids.
#ifndef ZV_LINKER_INPUTNAMES_H
#define ZV_LINKER_INPUTNAMES_H

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "Coff.h"

class InputNames {
 public:
  // Makes room for `names` distinct texts of `textBytes` bytes in all without
  // growing.
  void reserve(size_t names, size_t textBytes);
  // Gives every string of the next input's table its text's id.
  void addInput(const Coff& input);
  // The inputs added so far.
  size_t inputs() const { return cTableIds.size(); }

  // The id of the name of `sym`, a symbol of the added input `file`.
  uint32_t idOf(size_t file, const Coff& input, const syment& sym);

  size_t size() const { return cRecords.size(); }
  std::string_view text(uint32_t id) const { return textAt(cRecords[id]); }
  // ViewMap::hashOf of the text.
  uint32_t hash(uint32_t id) const { return cHashes[id]; }
  // Some input's string table holds the text (not only an inline name).
  bool inTable(uint32_t id) const { return cInTable[id] != 0; }
  // For each string of input `file`'s table, in table order, its text's id.
  std::vector<uint32_t>& tableIds(size_t file) { return cTableIds[file]; }

  // Gives back the map from texts to ids; ids and texts stay, and a later
  // addInput or idOf builds the map again.
  void dropMap();
  // Gives back everything.
  void clear();

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

  std::string_view textAt(uint32_t record) const;
  uint32_t idAt(uint32_t record) const;
  bool sameText(uint32_t record, std::string_view text) const;
  uint32_t intern(std::string_view text, uint32_t hash, bool inTable);
  size_t probe(std::string_view text, uint32_t hash) const;
  void prefetchSlot(uint32_t hash) const;
  void prefetchRecord(uint32_t hash) const;
  void rehash(size_t slots);
  void restoreMap();

  std::vector<Slot> cSlots;
  size_t cUsed = 0;
  std::vector<char> cBlock;        // the records
  std::vector<uint32_t> cRecords;  // by id: where its record starts
  std::vector<uint32_t> cHashes;   // by id
  std::vector<uint8_t> cInTable;   // by id
  std::vector<std::vector<uint32_t>> cTableIds;
  std::vector<uint32_t> cScratch;  // one table's hashes
};

#endif
