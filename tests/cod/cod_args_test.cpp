// The /n value: read as the C library's atoi reads it, held inside the int
// range instead of overflowing.
#include <gtest/gtest.h>

#include <climits>

#include "CodArgs.h"

namespace {

TEST(CodArgs, PageLengthReadsLikeAtoiWithinTheIntRange) {
  const struct {
    const char* text;
    int value;
  } cases[] = {
      {"60", 60},
      {"  \t12", 12},
      {"+7lines", 7},
      {"-5", -5},
      {"", 0},
      {"x60", 0},
      {"- 5", 0},
      {"2147483647", INT_MAX},
      {"99999999999999999999", INT_MAX},
      {"-2147483648", INT_MIN},
      {"-99999999999999999999", INT_MIN},
  };
  for (const auto& c : cases) EXPECT_EQ(pageLengthValue(c.text), c.value) << '"' << c.text << '"';
}

}  // namespace
