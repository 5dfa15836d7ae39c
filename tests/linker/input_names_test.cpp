// The ids of the inputs' names: one per distinct text across all inputs,
// whether a string table holds it or a symbol has it inline; fixed names first.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "CoffBuilder.h"
#include "InputNames.h"
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

}  // namespace
