// A COFF string table in memory: string-table offset (counted from the start of
// the table's length word, so the first string sits at 4) to string. It reads
// like a std::map<uint32_t, std::string> in offset order, and keeps beside it an
// index from each string to the offsets that hold it, so that the lowest offset
// of a name is found without a scan. The index is built by the first
// lowestOffset and kept current from then on: a table that is only read by
// offset, as an input's is, never pays for it:
//
//   StringTbl strings;
//   strings[4] = "a_long_symbol_name";        // or strings.set(4, ...)
//   strings[23] = "a_long_symbol_name";
//   strings.lowestOffset("a_long_symbol_name");  // 4
//   strings.nextOffset();                     // 42: where a new string goes
//
// Every change goes through set, operator[] assignment, erase or clear, which
// keep the index current.
#ifndef ZV_COMMON_STRINGTBL_H
#define ZV_COMMON_STRINGTBL_H

#include <cstdint>
#include <initializer_list>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <utility>

class StringTbl {
 public:
  using Map = std::map<uint32_t, std::string>;
  using key_type = uint32_t;
  using mapped_type = std::string;
  using value_type = Map::value_type;
  using size_type = Map::size_type;
  using const_iterator = Map::const_iterator;
  using iterator = const_iterator;  // strings change only through set

  // The value lowestOffset gives for a string the table lacks; no string sits
  // at 0, where the length word is.
  static constexpr uint32_t kAbsent = 0;

  StringTbl() = default;
  StringTbl(std::initializer_list<value_type> entries);
  StringTbl(const StringTbl& other);
  StringTbl& operator=(const StringTbl& other);
  StringTbl(StringTbl&& other) noexcept = default;
  StringTbl& operator=(StringTbl&& other) noexcept = default;
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

  const_iterator begin() const { return cByOffset.begin(); }
  const_iterator end() const { return cByOffset.end(); }
  const_iterator find(uint32_t offset) const { return cByOffset.find(offset); }
  const_iterator lower_bound(uint32_t offset) const { return cByOffset.lower_bound(offset); }
  const_iterator upper_bound(uint32_t offset) const { return cByOffset.upper_bound(offset); }
  size_type count(uint32_t offset) const { return cByOffset.count(offset); }
  size_type size() const { return cByOffset.size(); }
  bool empty() const { return cByOffset.empty(); }
  const std::string& at(uint32_t offset) const { return cByOffset.at(offset); }
  const Map& byOffset() const { return cByOffset; }

  // The lowest offset that holds exactly `text`, or kAbsent.
  uint32_t lowestOffset(std::string_view text) const;
  // The offset right after the last string (4 for an empty table): where a
  // string appended to the table goes.
  uint32_t nextOffset() const;
  // Puts `text` at nextOffset() and returns that offset. Appending strings in
  // ascending byte order (as a merged table is built) costs constant time each.
  uint32_t append(std::string text);

  friend bool operator==(const StringTbl& a, const StringTbl& b) { return a.cByOffset == b.cByOffset; }
  friend bool operator!=(const StringTbl& a, const StringTbl& b) { return !(a == b); }

 private:
  void rebuildIndex() const;
  void dropIndex();

  Map cByOffset;
  // (string, offset) for every entry while cIndexed; the views point into
  // cByOffset's strings, which std::map keeps in place until their entry goes.
  mutable std::set<std::pair<std::string_view, uint32_t>> cByText;
  mutable bool cIndexed = false;
};

#endif
