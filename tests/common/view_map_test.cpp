#include "ViewMap.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Keys are compared by text, not by where the text sits; values stay put for
// the first key and survive the map's growth.
TEST(ViewMap, FindsByTextThroughGrowth) {
  std::vector<std::string> names;
  for (int i = 0; i < 5000; ++i) names.push_back("name_" + std::to_string(i));
  ViewMap<int> map;
  for (int i = 0; i < 5000; ++i) EXPECT_TRUE(map.tryEmplace(names[i], i).second);
  EXPECT_EQ(map.size(), 5000u);

  std::string copy = "name_4321";  // the same text elsewhere
  ASSERT_NE(map.find(copy), nullptr);
  EXPECT_EQ(*map.find(copy), 4321);
  auto [value, added] = map.tryEmplace(copy, -1);
  EXPECT_FALSE(added);
  EXPECT_EQ(*value, 4321);
  EXPECT_EQ(map.find("name_5000"), nullptr);
  EXPECT_EQ(map.find("name_"), nullptr);  // whole keys only
  EXPECT_FALSE(map.count(""));
  EXPECT_TRUE(map.tryEmplace("", 7).second);  // the empty name is a key like any other
  EXPECT_EQ(*map.find(std::string()), 7);

  map.clear();
  EXPECT_TRUE(map.empty());
  EXPECT_EQ(map.find(names[0]), nullptr);
}

}  // namespace
