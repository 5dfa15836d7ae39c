#include "Args.h"
#include "NameTests.h"
#include "ScnAddr.h"
#include "TextHelpers.h"
#include "Trace.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

#include <list>
#include <sstream>
#include <string>
#include <vector>

namespace {

TEST(TextHelpers, ToNumber) {
  struct Case {
    const char* text;
    uint32_t value;
  } cases[] = {
      {"0x10", 16},
      {"0X10", 16},
      {"10", 10},
      {"x10", 0},
      {"0x", 0},
      {"0x1F", 31},
      {"1x1F", 31},
      {"0xff", 255},
      {"0x0x5", 5},
      {"", 0},
      {"  42", 42},
      {"+7", 7},
      {"12ab", 12},
      {"abc", 0},
      {"4294967295", 0xFFFFFFFFu},
      {"4294967296", 0xFFFFFFFFu},
      {"99999999999999999999", 0xFFFFFFFFu},
      {"0x1FFFFFFFF", 0xFFFFFFFFu},
      {"-1", 0xFFFFFFFFu},
      {"-2", 0xFFFFFFFEu},
      {"0x-1", 0xFFFFFFFFu},
  };
  for (const Case& c : cases) EXPECT_EQ(toNumber(c.text), c.value) << c.text;
}

TEST(TextHelpers, QuoteAndUnquote) {
  EXPECT_EQ(quote("a b"), "\"a b\"");
  EXPECT_EQ(quote(""), "\"\"");
  EXPECT_EQ(unquote("\"a\" \"b\""), "a b");
  EXPECT_EQ(unquote("x\"\"y"), "xy");
}

TEST(TextHelpers, Split) {
  using L = std::list<std::string>;
  struct Case {
    const char* text;
    L pieces;
  } cases[] = {
      {"abc", {"abc"}}, {",,", {"", ""}}, {"a,,b", {"a", "", "b"}}, {",a", {"", "a"}},
      {"a,", {"a"}},    {"", {}},         {"p1;p2", {"p1;p2"}},
  };
  for (const Case& c : cases) EXPECT_EQ(split(c.text, ','), c.pieces) << c.text;
  EXPECT_EQ(split("d1;d2", ';'), (L{"d1", "d2"}));
}

std::vector<std::string> tokens(const std::string& text, bool* lastResult = nullptr) {
  std::istringstream in(text);
  std::vector<std::string> out;
  std::string t;
  bool ok;
  while ((ok = readToken(in, t))) out.push_back(t);
  if (lastResult) *lastResult = ok;
  return out;
}

TEST(TextHelpers, ReadToken) {
  using V = std::vector<std::string>;
  EXPECT_EQ(tokens("  \"a b\"c  d"), (V{"a bc", "d"}));
  EXPECT_EQ(tokens("one\ttwo\nthree"), (V{"one", "two", "three"}));
  EXPECT_EQ(tokens(""), V{});
  EXPECT_EQ(tokens("   "), V{});

  std::istringstream empty("\"\" x");
  std::string t;
  EXPECT_FALSE(readToken(empty, t));  // "" yields nothing
  std::istringstream open("\"abc");
  EXPECT_FALSE(readToken(open, t));  // quote left open
  EXPECT_EQ(t, "abc");
}

TEST(TextHelpers, SwapBytesAndToHex) {
  EXPECT_EQ(swapBytes(0x11223344u), 0x44332211u);
  EXPECT_EQ(swapBytes(0x000000FFu), 0xFF000000u);
  struct Case {
    uint32_t v;
    int width;
    const char* text;
  } cases[] = {
      {0x1FF, 1, "0xff"},
      {0x1FF, 2, "0x01ff"},
      {0x12345678, 3, "0x345678"},
      {0xABCDEF01, 4, "0xabcdef01"},
      {5, 0, "<NaN>"},
      {5, 5, "<NaN>"},
  };
  for (const Case& c : cases) EXPECT_EQ(toHex(c.v, c.width), c.text);
}

// The 24-character date form, in UTC: day numbers are blank-padded to two
// places, and the whole 32-bit range of time stamps converts.
TEST(TextHelpers, LocalTimeText) {
  const char* old = std::getenv("TZ");
  std::string saved = old ? old : "";
  setenv("TZ", "UTC", 1);
  tzset();
  EXPECT_EQ(localTimeText(0), "Thu Jan  1 00:00:00 1970");
  EXPECT_EQ(localTimeText(1797120000), "Sun Dec 13 00:00:00 2026");
  EXPECT_EQ(localTimeText(0xFFFFFFFFu), "Sun Feb  7 06:28:15 2106");
  if (old)
    setenv("TZ", saved.c_str(), 1);
  else
    unsetenv("TZ");
  tzset();
}

TEST(TextHelpers, DigitValueAndCaseFreeComparison) {
  struct Digit {
    char c;
    int value;
  } digits[] = {{'0', 0},  {'9', 9},  {'a', 10}, {'F', 15}, {'g', 16}, {'Z', 35},   {'/', 36},
                {':', 36}, {'@', 36}, {'[', 36}, {'`', 36}, {'{', 36}, {'\xC3', 36}};
  for (const Digit& d : digits) EXPECT_EQ(digitValue(d.c), d.value) << d.c;
  struct Pair {
    const char* a;
    const char* b;
    bool equal;
  } pairs[] = {{".LIB", ".lib", true}, {"Ab1_", "aB1_", true},         {"", "", true},
               {".li", ".lib", false}, {".lib", ".li", false},         {"@", "`", false},
               {"[", "{", false},      {"\xC3\x89", "\xC3\xA9", false}};
  for (const Pair& p : pairs)
    EXPECT_EQ(equalsIgnoringAsciiCase(p.a, p.b), p.equal) << p.a << " " << p.b;
}

TEST(NameTests, ClassifyWords) {
  struct Case {
    const char* word;
    int file, number, object, library;
  } cases[] = {
      {"a.o", 1, 0, 1, 0},
      {".o", 0, 0, 0, 0},
      {"_start.o", 0, 0, 0, 0},
      {"c:\\dir\\Foo.O", 1, 0, 1, 0},
      {"x.lib", 1, 0, 0, 1},
      {".lib", 0, 0, 0, 0},
      {"LIB\\ab.LIB", 1, 0, 0, 1},
      {"a.lib", 1, 0, 0, 1},
      {"007", 1, 1, 0, 0},
      {"-1", 0, 0, 0, 0},
      {"", 0, 0, 0, 0},
      {"dir/", 0, 0, 0, 0},
      {"main.lkr", 1, 0, 0, 0},
      {"a.ob", 1, 0, 0, 0},
      {"\xC3\xA9.o", 0, 0, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.word);
    EXPECT_EQ(isFileName(c.word), c.file);
    EXPECT_EQ(isNumber(c.word), c.number);
    EXPECT_EQ(isObjectFileName(c.word), c.object);
    EXPECT_EQ(isLibraryFileName(c.word), c.library);
  }
}

TEST(Trace, RegistryKeepsLevels) {
  EXPECT_EQ(registerTrace("T::a"), "T::a");
  EXPECT_EQ(traceLevel("T::a"), 0);
  setTraceLevel("T::a", 3);
  registerTrace("T::a");  // an existing level is not reset
  EXPECT_EQ(traceLevel("T::a"), 3);
  EXPECT_EQ(traceLevel("T::unknown"), 0);
  EXPECT_EQ(setTraceLevel("T::b", 2), "T::b");
  EXPECT_EQ(traceLevel("T::b"), 2);
}

TEST(Trace, AFetchedLevelFollowsLaterSettings) {
  const int& level = traceLevelRef("T::fetched");
  EXPECT_EQ(level, 0);
  for (int i = 0; i < 100; ++i)
    registerTrace("T::other" + std::to_string(i));  // the registry grows
  setTraceLevel("T::fetched", 4);
  EXPECT_EQ(level, 4);
  EXPECT_EQ(&traceLevelRef("T::fetched"), &level);
}

TEST(ScnAddrTest, OrdersByAddressOnly) {
  ScnAddr a("zeta", 5), b("alpha", 5), c("m", 0xFFFFFFF0u), d;
  EXPECT_FALSE(a < b);
  EXPECT_FALSE(a > b);
  EXPECT_TRUE(a < c);  // unsigned comparison
  EXPECT_TRUE(c > a);
  EXPECT_EQ(d.address, 0u);
  EXPECT_TRUE(d.name.empty());
}

TEST(Args, SwitchWordsAndPaths) {
  struct Case {
    const char* word;
    bool isSwitch;
  } cases[] = {
      {"-q", true},
      {"/q", true},
      {"/omain.out", true},
      {"-o", true},
      {"/home/u/main.o", false},
      {"main.o", false},
      {"", false},
      {"/", true},
      {"-a/b", true},
  };
  for (const Case& c : cases) EXPECT_EQ(isSwitchWord(c.word), c.isSwitch) << c.word;
  std::string word = "/Q";
  EXPECT_EQ(foldSwitch(word), "/q");
  EXPECT_EQ(word, "/Q");
  EXPECT_EQ(foldSwitch("/OMain.out"), "/oMain.out");
  EXPECT_EQ(foldSwitch("x"), "x");
}

}  // namespace
