// The ids of the inputs' names: one per distinct text across all inputs,
// whether a string table holds it or a symbol has it inline; fixed names first.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "CoffBuilder.h"
#include "InputNames.h"
#include "TableCursor.h"
#include "ViewMap.h"

namespace {

std::vector<std::string> texts(InputNames& names, size_t file) {
  std::vector<std::string> out;
  for (uint32_t id : names.tableIds(file)) out.emplace_back(names.text(id));
  return out;
}

TEST(InputNames, ADistinctTextHasOneIdAcrossInputsAndTheMapComesBackAfterDropping) {
  CoffBuilder a("a.o");
  uint32_t aLong = a.symbol("a_shared_long_name", 0, 0, C_EXT);
  uint32_t aInline = a.symbol("short", 0, 0, C_EXT);
  a.symbol("only_in_a_table", 0, 0, C_EXT);
  CoffBuilder b("b.o");
  uint32_t bLong = b.symbol("a_shared_long_name", 0, 0, C_EXT);
  uint32_t bShort = b.symbol("short", 0, 0, C_EXT, 0, true);  // the same name, in b's table
  const Coff ca = a.image(), cb = b.image();

  InputNames names({"_fixed"});
  names.addInput(ca);
  uint32_t shared = names.symbolIds(0)[aLong];
  uint32_t inlined = names.symbolIds(0)[aInline];
  EXPECT_EQ(names.text(shared), "a_shared_long_name");
  EXPECT_TRUE(names.inTable(shared));
  EXPECT_EQ(names.text(inlined), "short");
  EXPECT_FALSE(names.inTable(inlined));  // no table holds it yet

  names.dropMap();
  names.addInput(cb);
  EXPECT_EQ(names.symbolIds(1)[bLong], shared);
  EXPECT_EQ(names.symbolIds(1)[bShort], inlined);
  EXPECT_TRUE(names.inTable(inlined));
  EXPECT_EQ(names.size(), 4u);
  EXPECT_EQ(names.text(0), "_fixed");
  EXPECT_FALSE(names.inTable(0));
  EXPECT_EQ(texts(names, 0), (std::vector<std::string>{"a_shared_long_name", "only_in_a_table"}));
  EXPECT_EQ(texts(names, 1), (std::vector<std::string>{"a_shared_long_name", "short"}));
  EXPECT_EQ(names.hash(shared), ViewMap<uint32_t>::hashOf("a_shared_long_name"));
}

// Many texts make the map grow; every text keeps its id and its characters.
TEST(InputNames, TextsKeepTheirIdsAsTheMapGrows) {
  InputNames names;
  std::vector<Coff> inputs;
  for (int i = 0; i < 40; ++i) {
    CoffBuilder b("in" + std::to_string(i) + ".o");
    for (int k = 0; k < 100; ++k)
      b.symbol("name_" + std::to_string((i * 100 + k) % 2500), 0, 0, C_EXT, 0, true);
    inputs.push_back(b.image());
  }
  for (const Coff& c : inputs) names.addInput(c);
  EXPECT_EQ(names.size(), 2500u);
  for (size_t i = 0; i < inputs.size(); ++i)
    for (size_t k = 0; k < 100; ++k)
      EXPECT_EQ(names.text(names.tableIds(i)[k]), "name_" + std::to_string((i * 100 + k) % 2500));
}

// The cursor tries the entry after the last one found first; offsets asked
// out of table order, again, between entries or past the end are found (or
// not) just as find does.
TEST(TableCursor, FindsEveryOffsetInAnyOrder) {
  const StringTbl table{{4, "alpha"}, {10, "beta"}, {15, "gamma"}, {21, "delta"}};
  const std::vector<uint32_t> asked{4, 10, 15, 21, 10, 10, 4, 21, 5, 0, 99, 15, 21, 4};
  TableCursor cursor(table);
  for (uint32_t offset : asked) {
    auto entry = table.find(offset);
    const size_t expected = static_cast<size_t>(entry - table.begin());
    EXPECT_EQ(cursor.indexOf(offset), expected) << "offset " << offset;
  }
}

// Symbols whose names sit in the table in another order than the symbols'
// (a name used twice, a static name between the external ones) still get the
// ids of their own texts.
TEST(InputNames, SymbolsOutOfTableOrderGetTheirOwnIds) {
  CoffBuilder b("a.o");
  const std::vector<std::string> order{"name_a", "name_b", "name_a", "local_c", "name_b", "name_d"};
  std::vector<uint32_t> symbols;
  for (const std::string& name : order)
    symbols.push_back(b.symbol(name, 0, 0, name == "local_c" ? C_STAT : C_EXT, 0, true));
  const Coff c = b.image();
  InputNames names;
  names.addInput(c);
  for (size_t i = 0; i < order.size(); ++i) {
    const uint32_t id = names.symbolIds(0)[symbols[i]];
    if (order[i] == "local_c")
      EXPECT_EQ(id, InputNames::kNoId);
    else
      EXPECT_EQ(names.text(id), order[i]);
  }
}

}  // namespace
