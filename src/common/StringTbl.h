// A COFF string table in memory: string-table offset (counted from the start of
// the table's length word, so the first string sits at 4) to string. It reads
// like a std::map<uint32_t, std::string> in offset order, and keeps beside it an
// index from each string to the lowest offset that holds it, so that a name's
// offset is found without a scan. The index is built by the first lowestOffset
// and kept current from then on: a table that is only read by offset, as an
// input's is, never pays for it:
//
//   StringTbl strings;
//   strings[4] = "a_long_symbol_name";        // or strings.set(4, ...)
//   strings[23] = "a_long_symbol_name";
//   strings.lowestOffset("a_long_symbol_name");  // 4
//   strings.nextOffset();                     // 42: where a new string goes
//
// The entries sit in one vector in offset order, with their offsets in a
// second one that a lookup searches; tables are built in ascending offset order
// (read from a file, merged, appended to), which costs constant time a string.
// A string put below the last offset is inserted in place, which moves the
// entries above it. A large table that is dense (as every table read from a
// file or merged is) also keeps, for each 64-byte stretch of offsets, the first
// entry at or above it, so that a lookup reads a line or two of offsets rather
// than searching them all.
//
// Every change goes through set, operator[] assignment, erase or clear, which
// keep the index current.
#ifndef ZV_COMMON_STRINGTBL_H
#define ZV_COMMON_STRINGTBL_H

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

class StringTbl {
 public:
  using key_type = uint32_t;
  using mapped_type = std::string;
  using value_type = std::pair<uint32_t, std::string>;
  using size_type = size_t;
  using const_iterator = std::vector<value_type>::const_iterator;
  using iterator = const_iterator;  // strings change only through set

  // The value lowestOffset gives for a string the table lacks; no string sits
  // at 0, where the length word is.
  static constexpr uint32_t kAbsent = 0;

  StringTbl() = default;
  StringTbl(std::initializer_list<value_type> entries);
  StringTbl(const StringTbl& other);
  StringTbl& operator=(const StringTbl& other);
  StringTbl(StringTbl&& other) noexcept;
  StringTbl& operator=(StringTbl&& other) noexcept;
  ~StringTbl() = default;

  // Writing through tbl[offset] = text; reading goes through find or at.
  class Slot {
   public:
    Slot& operator=(std::string text) {
      cTable.set(cOffset, std::move(text));
      return *this;
    }

   private:
    friend class StringTbl;
    Slot(StringTbl& table, uint32_t offset) : cTable(table), cOffset(offset) {}
    StringTbl& cTable;
    uint32_t cOffset;
  };
  Slot operator[](uint32_t offset) { return Slot(*this, offset); }

  // Puts `text` at `offset`, replacing the string there.
  void set(uint32_t offset, std::string text);
  size_type erase(uint32_t offset);
  void clear();

  const_iterator begin() const { return cEntries.begin(); }
  const_iterator end() const { return cEntries.end(); }
  const_iterator find(uint32_t offset) const;
  const_iterator lower_bound(uint32_t offset) const { return begin() + position(offset); }
  const_iterator upper_bound(uint32_t offset) const;
  size_type count(uint32_t offset) const { return find(offset) != end() ? 1 : 0; }
  size_type size() const { return cEntries.size(); }
  bool empty() const { return cEntries.empty(); }
  // The string at `offset`; throws std::out_of_range where there is none.
  const std::string& at(uint32_t offset) const;

  // The lowest offset that holds exactly `text`, or kAbsent.
  uint32_t lowestOffset(std::string_view text) const;
  // The offset right after the last string (4 for an empty table): where a
  // string appended to the table goes.
  uint32_t nextOffset() const;
  // Puts `text` at nextOffset() and returns that offset.
  uint32_t append(std::string text);
  // Makes room for `count` strings in all, so that appending up to there moves
  // nothing.
  void reserve(size_t count);

  friend bool operator==(const StringTbl& a, const StringTbl& b) {
    return a.cEntries == b.cEntries;
  }
  friend bool operator!=(const StringTbl& a, const StringTbl& b) { return !(a == b); }

 private:
  // The index of the first entry at or above `offset`.
  size_t position(uint32_t offset) const;
  void pushBack(uint32_t offset, std::string text);
  void rebuildIndex() const;
  void dropIndex() const;
  // The stretch table: built on the first lookup of a large dense table,
  // extended by appends, dropped by any other change of offsets.
  static constexpr unsigned kStretchBits = 6;
  static constexpr size_t kStretchMinEntries = 256;
  bool dense() const;
  void buildStretches() const;
  void extendStretches() const;

  std::vector<uint32_t> cOffsets;  // ascending; cOffsets[i] == cEntries[i].first
  std::vector<value_type> cEntries;
  // text -> lowest offset while cIndexed. The views point into cEntries'
  // strings, so anything that moves them (a reallocation, an insertion or
  // erasure below the end) drops the index, to be rebuilt on the next lookup.
  mutable std::unordered_map<std::string_view, uint32_t> cByText;
  mutable bool cIndexed = false;
  // cStretchStart[s]: the index of the first entry whose offset is at least
  // s << kStretchBits, for every stretch up to the last entry's, while
  // cStretched.
  mutable std::vector<uint32_t> cStretchStart;
  mutable bool cStretched = false;
};

#endif
