#include "StringTbl.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <iterator>
#include <string>
#include <vector>

#include "Coff.h"

namespace {

TEST(StringTbl, ReadsLikeAMapInOffsetOrder) {
  StringTbl t = {{23, "second_name"}, {4, "first_long_name"}};
  t[35] = "third";
  std::vector<uint32_t> offsets;
  for (const auto& [offset, text] : t) offsets.push_back(offset);
  EXPECT_EQ(offsets, (std::vector<uint32_t>{4, 23, 35}));
  EXPECT_EQ(t.size(), 3u);
  EXPECT_EQ(t.count(23), 1u);
  EXPECT_EQ(t.count(5), 0u);
  EXPECT_EQ(t.find(5), t.end());
  EXPECT_EQ(t.at(35), "third");
  EXPECT_EQ(t.lower_bound(5)->first, 23u);
  EXPECT_EQ(t.nextOffset(), 41u);
  EXPECT_EQ(StringTbl().nextOffset(), 4u);
  EXPECT_TRUE(StringTbl().empty());
}

TEST(StringTbl, TheIndexFollowsEveryChange) {
  StringTbl t;
  t[30] = "dup";
  EXPECT_EQ(t.lowestOffset("dup"), 30u);
  t[10] = "dup";
  t[50] = "dup";
  EXPECT_EQ(t.lowestOffset("dup"), 10u);
  t[10] = "other";  // replaced: the next one up is the lowest
  EXPECT_EQ(t.lowestOffset("dup"), 30u);
  EXPECT_EQ(t.lowestOffset("other"), 10u);
  EXPECT_EQ(t.erase(30), 1u);
  EXPECT_EQ(t.erase(30), 0u);
  EXPECT_EQ(t.lowestOffset("dup"), 50u);
  EXPECT_EQ(t.lowestOffset("du"), StringTbl::kAbsent);  // whole strings only
  EXPECT_EQ(t.lowestOffset("dupe"), StringTbl::kAbsent);

  StringTbl copy = t;  // an index of its own
  t.clear();
  EXPECT_EQ(t.lowestOffset("dup"), StringTbl::kAbsent);
  EXPECT_EQ(copy.lowestOffset("dup"), 50u);
  copy[50] = "moved";
  StringTbl moved = std::move(copy);
  EXPECT_EQ(moved.lowestOffset("moved"), 50u);
  EXPECT_EQ(moved.lowestOffset("dup"), StringTbl::kAbsent);
  t = moved;
  EXPECT_EQ(t, moved);
  EXPECT_EQ(t.lowestOffset("other"), 10u);
}

// The index points into the stored strings; growing the table past its
// capacity or inserting below the end moves them, and lookups still answer.
TEST(StringTbl, TheIndexSurvivesGrowthAndInsertion) {
  StringTbl t;
  t.append("first");
  EXPECT_EQ(t.lowestOffset("first"), 4u);
  for (int i = 0; i < 1000; ++i) t.append("n" + std::to_string(i));
  EXPECT_EQ(t.lowestOffset("first"), 4u);
  EXPECT_EQ(t.lowestOffset("n999"), t.nextOffset() - 5);
  t[8] = "inserted";  // below the last offset: goes in place
  EXPECT_EQ(t.lowestOffset("inserted"), 8u);
  EXPECT_EQ(std::next(t.begin())->first, 8u);
  EXPECT_EQ(t.lowestOffset("n0"), 10u);
  StringTbl moved = std::move(t);
  EXPECT_EQ(moved.lowestOffset("n5"), 25u);
  EXPECT_TRUE(t.empty());  // NOLINT: a moved-from table is empty
  EXPECT_EQ(t.lowestOffset("n5"), StringTbl::kAbsent);
}

// The texts sit in blocks that never move: a view taken early stays valid as
// the table grows over many blocks, with a text longer than a block among them,
// and after a replacement; a copy holds texts of its own and compares equal.
TEST(StringTbl, ViewsOfTextsStayValidAsTheTableGrows) {
  StringTbl t;
  t.append("first");
  std::string_view first = t.at(4);
  const std::string longText(3 << 20, 'x');
  std::vector<std::string_view> views;
  for (int i = 0; i < 50000; ++i) {
    uint32_t offset = t.append(i == 100 ? longText : "name" + std::to_string(i));
    views.push_back(t.at(offset));
  }
  t[4] = "replaced";
  EXPECT_EQ(first, "first");
  EXPECT_EQ(views[100], longText);
  EXPECT_EQ(views[49999], "name49999");
  EXPECT_EQ(t.at(4), "replaced");
  StringTbl copy = t;
  EXPECT_EQ(copy, t);
  EXPECT_NE(copy.at(4).data(), t.at(4).data());
  copy[4] = "other";
  EXPECT_NE(copy, t);
  EXPECT_EQ(t.at(4), "replaced");
}

// Texts of every length around the 16-byte copy stride, the last ones flush
// with the end of the bytes, come out whole and unmixed; the walk stops at an
// empty string or at a tail without a NUL, and appends follow the last string.
TEST(StringTbl, LoadsPackedBytesAsTheyStand) {
  struct Case {
    std::string tail;   // after the strings of lengths 1 to 40
    size_t extraTexts;  // strings of the tail that the table takes
  };
  const std::vector<Case> cases = {
      {"", 0},
      {std::string(1, '\0') + "after_empty", 0},
      {"no_nul_at_end", 0},
      {std::string("z\0", 2), 1},
  };
  for (const Case& c : cases) {
    std::string bytes;
    std::vector<std::pair<uint32_t, std::string>> expected;
    for (size_t length = 1; length <= 40; ++length) {
      std::string text;
      for (size_t k = 0; k < length; ++k) text += static_cast<char>('a' + (length + k) % 26);
      expected.emplace_back(static_cast<uint32_t>(bytes.size() + 4), text);
      bytes += text + '\0';
    }
    if (c.extraTexts) expected.emplace_back(static_cast<uint32_t>(bytes.size() + 4), "z");
    const size_t taken = bytes.size() + (c.extraTexts ? 2 : 0);
    bytes += c.tail;
    StringTbl t;
    EXPECT_EQ(t.loadPacked(std::string_view(bytes.data(), bytes.size())), taken);
    const uint32_t next = t.append("app");
    EXPECT_EQ(next, taken + 4);
    expected.emplace_back(next, "app");
    ASSERT_EQ(t.size(), expected.size());
    size_t i = 0;
    for (const auto& [offset, text] : t) {
      EXPECT_EQ(offset, expected[i].first);
      EXPECT_EQ(text, expected[i].second);
      ++i;
    }
  }
  EXPECT_EQ(StringTbl().loadPacked(std::string_view("\0x\0", 3)), 0u);
}

// A large dense table finds offsets through its stretch table: every offset,
// present or not, answers as a plain search would, after lookups, appends,
// an insertion below the end and an erasure. A sparse table searches.
TEST(StringTbl, LargeTablesFindEveryOffsetAsASearchWould) {
  StringTbl t;
  std::vector<uint32_t> offsets;
  auto check = [&] {
    for (uint32_t offset = 0; offset <= t.nextOffset() + 70; ++offset) {
      auto it = std::lower_bound(offsets.begin(), offsets.end(), offset);
      size_t expected = static_cast<size_t>(it - offsets.begin());
      ASSERT_EQ(static_cast<size_t>(t.lower_bound(offset) - t.begin()), expected) << offset;
      ASSERT_EQ(t.count(offset), it != offsets.end() && *it == offset ? 1u : 0u) << offset;
    }
  };
  for (int i = 0; i < 1000; ++i) offsets.push_back(t.append(std::string(1 + i % 90, 'a')));
  check();
  for (int i = 0; i < 300; ++i)
    offsets.push_back(t.append(std::string(1 + i % 200, 'b')));  // after lookups
  check();
  t[offsets[10] + 1] = "c";  // below the end
  offsets.insert(offsets.begin() + 11, offsets[10] + 1);
  check();
  t.erase(offsets[500]);
  offsets.erase(offsets.begin() + 500);
  check();

  StringTbl sparse;
  for (uint32_t i = 0; i < 300; ++i) sparse[4 + i * 100000] = "s";
  EXPECT_EQ(sparse.count(4 + 299 * 100000), 1u);
  EXPECT_EQ(sparse.count(5), 0u);
  EXPECT_EQ(sparse.lower_bound(5)->first, 100004u);
}

// 200,000 long names stored into a table of 200,000 strings, each string there
// twice: every name gets its lower offset, as the whole-table walk gave it.
TEST(StringTbl, NamesAreStoredByIndexAtScale) {
  const int kNames = 100000;
  StringTbl strings;
  std::vector<std::string> names;
  std::vector<uint32_t> first(kNames);
  for (int pass = 0; pass < 2; ++pass) {
    for (int i = 0; i < kNames; ++i) {
      char name[32];
      std::snprintf(name, sizeof name, "symbol_name_%06d", (i * 7919) % kNames);
      uint32_t offset = strings.nextOffset();
      strings[offset] = name;
      if (pass == 0) {
        names.push_back(name);
        first[i] = offset;
      }
    }
  }
  ASSERT_EQ(strings.size(), 2u * kNames);
  auto start = std::chrono::steady_clock::now();
  std::vector<syment> symbols(2 * kNames);
  for (size_t k = 0; k < symbols.size(); ++k) Coff::setName(symbols[k], names[k % kNames], strings);
  double ms =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  std::printf("setName: %zu long names into %zu strings in %.1f ms\n", symbols.size(),
              strings.size(), ms);
  for (size_t k = 0; k < symbols.size(); ++k) {
    ASSERT_TRUE(nameInStringTable(symbols[k]));
    ASSERT_EQ(symbols[k].n_offset(), first[k % kNames]) << k;
  }
}

}  // namespace
