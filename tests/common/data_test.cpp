#include "Data.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "RunProgram.h"

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

// A mapping at an offset inside a page, across a page boundary: the file's
// bytes, writes kept from the file, copies and appends owning their bytes.
TEST(Data, MappedViewsTheFileAndKeepsWritesPrivate) {
  TempDir dir;
  std::string file(9000, '\0');
  for (size_t i = 0; i < file.size(); ++i) file[i] = static_cast<char>(i * 7);
  dir.write("f", file);
  const int fd = ::open(dir.file("f").c_str(), O_RDONLY);
  ASSERT_GE(fd, 0);
  Data first = Data::mapped(fd, 0, 10);
  Data inner = Data::mapped(fd, 4000, 800);
  EXPECT_EQ(Data::mapped(fd, 4000, 0).bytes(), nullptr);
  EXPECT_EQ(Data::mapped(-1, 0, 10).size(), 0u);
  ::close(fd);  // the mappings outlive the descriptor

  ASSERT_EQ(first.size(), 10u);
  EXPECT_EQ(std::memcmp(first.bytes(), file.data(), 10), 0);
  ASSERT_EQ(inner.size(), 800u);
  EXPECT_EQ(std::memcmp(inner.bytes(), file.data() + 4000, 800), 0);
  inner.bytes()[0] = 0xAB;
  EXPECT_EQ(dir.read("f"), file);
  Data copy(inner);
  inner.append(first);
  EXPECT_EQ(copy.bytes()[0], 0xAB);
  EXPECT_EQ(inner.bytes()[800], file[0]);
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
