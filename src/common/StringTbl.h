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
// The entries sit in one vector in offset order, each with its offset, its
// length and where its text sits; the texts themselves sit end to end in a few
// large blocks that never move, so that a table costs a record and its bytes a
// string rather than a std::string each, and a view of a string stays valid
// until the table is cleared or destroyed. Tables are built in ascending offset
// order (read from a file, merged, appended to), which costs constant time a
// string. A string put below the last offset is inserted in place, which moves
// the records above it. A large table that is dense (as every table read from
// a file or merged is) also keeps, for each 16-byte stretch of offsets, the
// first entry at or above it, so that a lookup reads a line or two of records
// rather than searching them all.
//
// Every change goes through set, operator[] assignment, erase or clear, which
// keep the index current. Iterators and the entries' places move with a new
// entry; the texts' views do not, until clear, assignment or destruction.
// Saves a std::string a string and a search a lookup; guarded by
// bench/zorvik_bench.sh and bench/vostrum_bench.sh.
#ifndef ZV_COMMON_STRINGTBL_H
#define ZV_COMMON_STRINGTBL_H

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <iterator>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

class StringTbl {
  struct Entry {
    uint32_t offset;
    uint32_t length;
    const char* text;
  };

 public:
  using key_type = uint32_t;
  using mapped_type = std::string_view;
  using value_type = std::pair<uint32_t, std::string_view>;
  using size_type = size_t;

  // Walks the entries in offset order, giving each as a (offset, text) pair made
  // on the spot; strings change only through set.
  class const_iterator {
   public:
    using iterator_category = std::random_access_iterator_tag;
    using value_type = StringTbl::value_type;
    using difference_type = std::ptrdiff_t;
    using reference = value_type;
    struct pointer {
      value_type pair;
      const value_type* operator->() const { return &pair; }
    };

    const_iterator() = default;
    value_type operator*() const { return {cAt->offset, std::string_view(cAt->text, cAt->length)}; }
    pointer operator->() const { return pointer{**this}; }
    value_type operator[](difference_type n) const { return *(*this + n); }
    const_iterator& operator++() {
      ++cAt;
      return *this;
    }
    const_iterator operator++(int) { return const_iterator(cAt++); }
    const_iterator& operator--() {
      --cAt;
      return *this;
    }
    const_iterator operator--(int) { return const_iterator(cAt--); }
    const_iterator& operator+=(difference_type n) {
      cAt += n;
      return *this;
    }
    const_iterator& operator-=(difference_type n) {
      cAt -= n;
      return *this;
    }
    friend const_iterator operator+(const_iterator it, difference_type n) { return it += n; }
    friend const_iterator operator+(difference_type n, const_iterator it) { return it += n; }
    friend const_iterator operator-(const_iterator it, difference_type n) { return it -= n; }
    friend difference_type operator-(const_iterator a, const_iterator b) { return a.cAt - b.cAt; }
    friend bool operator==(const_iterator a, const_iterator b) { return a.cAt == b.cAt; }
    friend bool operator!=(const_iterator a, const_iterator b) { return a.cAt != b.cAt; }
    friend bool operator<(const_iterator a, const_iterator b) { return a.cAt < b.cAt; }
    friend bool operator>(const_iterator a, const_iterator b) { return a.cAt > b.cAt; }
    friend bool operator<=(const_iterator a, const_iterator b) { return a.cAt <= b.cAt; }
    friend bool operator>=(const_iterator a, const_iterator b) { return a.cAt >= b.cAt; }

   private:
    friend class StringTbl;
    explicit const_iterator(const Entry* at) : cAt(at) {}
    const Entry* cAt = nullptr;
  };
  using iterator = const_iterator;

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
    Slot& operator=(std::string_view text) {
      cTable.set(cOffset, text);
      return *this;
    }

   private:
    friend class StringTbl;
    Slot(StringTbl& table, uint32_t offset) : cTable(table), cOffset(offset) {}
    StringTbl& cTable;
    uint32_t cOffset;
  };
  Slot operator[](uint32_t offset) { return Slot(*this, offset); }

  // Puts `text` at `offset`, replacing the string there. A string above the
  // last one, as a table read from a file gets, goes straight to the end.
  void set(uint32_t offset, std::string_view text) {
    if (offset != kAbsent && (cEntries.empty() || offset > cEntries.back().offset))
      pushBack(offset, text);
    else
      setBelow(offset, text);
  }
  size_type erase(uint32_t offset);
  void clear();

  const_iterator begin() const { return const_iterator(cEntries.data()); }
  const_iterator end() const { return const_iterator(cEntries.data() + cEntries.size()); }
  const_iterator find(uint32_t offset) const {
    size_t i = position(offset);
    return i < cEntries.size() && cEntries[i].offset == offset ? begin() + i : end();
  }
  const_iterator lower_bound(uint32_t offset) const { return begin() + position(offset); }
  const_iterator upper_bound(uint32_t offset) const;
  size_type count(uint32_t offset) const { return find(offset) != end() ? 1 : 0; }
  size_type size() const { return cEntries.size(); }
  bool empty() const { return cEntries.empty(); }
  // The string at `offset`; throws std::out_of_range where there is none.
  std::string_view at(uint32_t offset) const;

  // The lowest offset that holds exactly `text`, or kAbsent.
  uint32_t lowestOffset(std::string_view text) const;
  // The offset right after the last string (4 for an empty table): where a
  // string appended to the table goes.
  uint32_t nextOffset() const;
  // Puts `text` at nextOffset() and returns that offset.
  uint32_t append(std::string_view text);
  // Fills an empty table from the bytes of a string table after its length
  // word: NUL-ended strings end to end, the first at offset 4. The walk ends
  // at an empty string or at bytes without a NUL; the strings before it are
  // copied in one piece. Returns the bytes they take, NULs included.
  size_t loadPacked(std::string_view bytes);
  // Makes room for `count` strings in all, so that appending up to there moves
  // nothing, and for `textBytes` more bytes of text in one block.
  void reserve(size_t count, size_t textBytes = 0);

  friend bool operator==(const StringTbl& a, const StringTbl& b);
  friend bool operator!=(const StringTbl& a, const StringTbl& b) { return !(a == b); }

 private:
  // The index of the first entry at or above `offset`: a look at the stretch
  // table and a step or two where it is built, a search where not.
  size_t position(uint32_t offset) const {
    if (!cStretched) return searchPosition(offset);
    size_t stretch = offset >> kStretchBits;
    if (stretch >= cStretchStart.size()) return cEntries.size();
    size_t i = cStretchStart[stretch];
    while (i < cEntries.size() && cEntries[i].offset < offset) ++i;
    return i;
  }
  size_t searchPosition(uint32_t offset) const;
  // Appends an entry; in place when the record and the text have room and no
  // index or stretch table needs to follow.
  void pushBack(uint32_t offset, std::string_view text) {
    if (!text.empty() && text.size() <= cRoom && cEntries.size() < cEntries.capacity() &&
        !cStretched && !cIndexed) {
      cEntries.push_back(Entry{offset, static_cast<uint32_t>(text.size()), cFree});
      std::memcpy(cFree, text.data(), text.size());
      cFree += text.size();
      cRoom -= text.size();
      return;
    }
    pushBackGrowing(offset, text);
  }
  void pushBackGrowing(uint32_t offset, std::string_view text);
  void setBelow(uint32_t offset, std::string_view text);
  // A copy of `text` in the blocks.
  const char* store(std::string_view text);
  void newBlock(size_t bytes);
  void copyFrom(const StringTbl& other);
  void rebuildIndex() const;
  void dropIndex() const;
  // The stretch table: built on the first lookup of a large dense table,
  // extended by appends, dropped by any other change of offsets.
  static constexpr unsigned kStretchBits = 4;
  static constexpr size_t kStretchMinEntries = 256;
  // Blocks grow from the first to the largest size as the table does.
  static constexpr size_t kFirstBlock = 256;
  static constexpr size_t kLargestBlock = size_t(1) << 20;
  bool dense() const;
  void buildStretches() const;
  void extendStretches() const;

  std::vector<Entry> cEntries;  // ascending offsets
  std::vector<std::unique_ptr<char[]>> cBlocks;
  size_t cLastBlock = 0;  // the size of the newest block
  char* cFree = nullptr;  // the newest block's free room
  size_t cRoom = 0;
  // text -> lowest offset while cIndexed. The views point into the blocks,
  // which stay in place; any change other than an append drops the index, to
  // be rebuilt on the next lookup.
  mutable std::unordered_map<std::string_view, uint32_t> cByText;
  mutable bool cIndexed = false;
  // cStretchStart[s]: the index of the first entry whose offset is at least
  // s << kStretchBits, for every stretch up to the last entry's, while
  // cStretched.
  mutable std::vector<uint32_t> cStretchStart;
  mutable bool cStretched = false;
};

#endif
