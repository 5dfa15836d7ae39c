#include "Data.h"

#include <gtest/gtest.h>

#include <cstring>
#include <sstream>
#include <string>
#include <vector>

namespace {

Data sequence(uint32_t n) {
  std::vector<uint8_t> b(n);
  for (uint32_t i = 0; i < n; ++i) b[i] = static_cast<uint8_t>(i);
  return Data(n, b.data());
}

std::string dump(const Data& d) {
  std::ostringstream os;
  d.print(os);
  return os.str();
}

TEST(Data, ConstructionCopyAndAssignment) {
  Data empty;
  EXPECT_EQ(empty.size(), 0u);
  EXPECT_EQ(empty.bytes(), nullptr);

  Data zeros(3);
  ASSERT_EQ(zeros.size(), 3u);
  EXPECT_EQ(zeros.bytes()[0] | zeros.bytes()[1] | zeros.bytes()[2], 0);

  Data a = sequence(4);
  Data b(a);
  b.bytes()[0] = 0x55;
  EXPECT_EQ(a.bytes()[0], 0);  // deep copy

  Data c;
  c = a;
  EXPECT_EQ(c.size(), 4u);
  EXPECT_NE(c.bytes(), a.bytes());
  Data& same = c;
  c = same;  // self-assignment keeps the contents
  EXPECT_EQ(c.bytes()[3], 3);

  Data fromNothing(0, nullptr);
  EXPECT_EQ(fromNothing.bytes(), nullptr);

  Data unset = Data::unfilled(5);
  ASSERT_EQ(unset.size(), 5u);
  ASSERT_NE(unset.bytes(), nullptr);
  std::memset(unset.bytes(), 7, 5);
  Data copied(unset);
  EXPECT_EQ(copied.bytes()[4], 7);
  EXPECT_EQ(Data::unfilled(0).bytes(), nullptr);
}

TEST(Data, AppendJoinsAndEmptyAppendKeepsTheArray) {
  Data a = sequence(2);
  const uint8_t* before = a.bytes();
  a.append(Data());
  EXPECT_EQ(a.bytes(), before);

  a.append(sequence(3));
  ASSERT_EQ(a.size(), 5u);
  const uint8_t expected[] = {0, 1, 0, 1, 2};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(a.bytes()[i], expected[i]);

  Data e;
  e.append(sequence(1));
  EXPECT_EQ(e.size(), 1u);
}

TEST(Data, PrintGroupsFourAndBreaksLinesAtThirtyTwo) {
  struct Case {
    uint32_t n;
    std::string expected;
  } cases[] = {
      {0, "\n"},
      {4, "00010203\n"},
      {5, "00010203 04\n"},
      {36,
       "00010203 04050607 08090a0b 0c0d0e0f 10111213 14151617 18191a1b 1c1d1e1f \n"
       "20212223\n"},
  };
  for (const Case& c : cases) EXPECT_EQ(dump(sequence(c.n)), c.expected) << c.n;
}

}  // namespace
