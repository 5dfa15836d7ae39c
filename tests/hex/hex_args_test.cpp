// pellund's command line and the /r address ranges.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "AddrRange.h"
#include "HexArgs.h"

namespace {

struct Parsed {
  bool ok;
  std::string printed;
  HexArgs args;
};

Parsed parse(std::vector<std::string> words) {
  words.insert(words.begin(), "pellund");
  std::vector<char*> argv;
  for (std::string& w : words) argv.push_back(&w[0]);
  Parsed p;
  testing::internal::CaptureStderr();
  p.ok = parseHexArgs(static_cast<int>(argv.size()), argv.data(), p.args);
  p.printed = testing::internal::GetCapturedStderr();
  return p;
}

const std::string kUsage =
    "Usage: pellund [/a <hexformat>] [/r 0xBBBB-0xEEEE]... [/q] <coffFile>\n"
    "   where, <hexformat> is {INHX32, INHX8S, INHX8M} \n"
    "          0xBBBB is the beginning program memory address of a range to include\n"
    "          0xEEEE is the ending program memory address of a range to include\n"
    "   If no /r option is present, all rom sections will be included.\n"
    "\n";
const std::string kRangeFault = "/r requires 0xBBBB-0xEEEE where 0xEEEE >= 0xBBBB\n";
const std::string kFormatFault = "-a switch requires {INHX32, INHX8S, INHX8M}\n";

TEST(HexArgs, FaultsPrintTheirTextAndFail) {
  const struct {
    std::vector<std::string> words;
    std::string printed;
  } cases[] = {
      {{}, kUsage},
      {{"/q"}, kUsage},
      {{"a.o", "b.o"}, kUsage},
      {{"a.o", "/r"}, kUsage},
      {{"a.o", "/r", "0x200-0x100"}, kRangeFault},
      {{"a.o", "/r", "0x100"}, kRangeFault},
      {{"a.o", "/r", "0x100-"}, kRangeFault},
      {{"a.o", "/r", "-0x100"}, kRangeFault},
      {{"a.o", "/r", "1-2-3"}, kRangeFault},
      {{"a.o", "/r", "0x-0x10"}, kRangeFault},
      {{"a.o", "/r", "abc-0x10"}, kRangeFault},
      {{"a.o", "/r", "0x10-0x1G"}, kRangeFault},
      {{"a.o", "/r", "1x10-0x20"}, kRangeFault},
      {{"a.o", "/r", " 1-2"}, kRangeFault},
      {{"a.o", "/r", "0x100-0x100000000"}, kRangeFault},
      {{"a.o", "/r", "0-4294967296"}, kRangeFault},
      {{"a.o", "/a"}, kFormatFault},
      {{"a.o", "/a", "inhx8m"}, kFormatFault},
      {{"a.o", "-a", "INHX16"}, kFormatFault},
  };
  for (const auto& c : cases) {
    std::string line;
    for (const std::string& w : c.words) line += " " + w;
    Parsed p = parse(c.words);
    EXPECT_FALSE(p.ok) << line;
    EXPECT_EQ(p.printed, c.printed) << line;
  }
}

TEST(HexArgs, DefaultsAndAcceptedSwitches) {
  Parsed p = parse({"dir/prog.cof"});
  ASSERT_TRUE(p.ok);
  EXPECT_EQ(p.printed, "");
  EXPECT_EQ(p.args.cFormat, INHX32);
  EXPECT_TRUE(p.args.cRanges.empty());
  EXPECT_EQ(p.args.cCoffName, "dir/prog.cof");

  const struct {
    std::vector<std::string> words;
    HexFormat format;
  } formats[] = {
      {{"/a", "INHX8M", "x.o"}, INHX8M},
      {{"/A", "INHX8S", "x.o"}, INHX8S},
      {{"-a", "INHX8M", "-A", "INHX32", "x.o"}, INHX32},
      {{"x.o", "-Q", "/a", "INHX8S"}, INHX8S},
  };
  for (const auto& f : formats) {
    Parsed q = parse(f.words);
    ASSERT_TRUE(q.ok) << q.printed;
    EXPECT_EQ(q.args.cFormat, f.format);
    EXPECT_EQ(q.args.cCoffName, "x.o");
  }
}

TEST(HexArgs, RangesAreKeptInTheOrderGiven) {
  Parsed p = parse({"/r", "0x200-0x2FF", "-R", "16-16", "/R", "0X0-0xffffffff", "x.o"});
  ASSERT_TRUE(p.ok) << p.printed;
  ASSERT_EQ(p.args.cRanges.size(), 3u);
  EXPECT_EQ(p.args.cRanges[0].cStart, 0x200u);
  EXPECT_EQ(p.args.cRanges[0].cEnd, 0x2FFu);
  EXPECT_EQ(p.args.cRanges[1].cStart, 16u);
  EXPECT_EQ(p.args.cRanges[1].cEnd, 16u);
  EXPECT_EQ(p.args.cRanges[2].cStart, 0u);
  EXPECT_EQ(p.args.cRanges[2].cEnd, 0xFFFFFFFFu);
}

TEST(HexArgs, FileNameIsTakenAsTyped) {
  // Only switch recognition folds the second character; unknown switch words and
  // absolute paths are file names.
  EXPECT_EQ(parse({"/Work/Prog.O"}).args.cCoffName, "/Work/Prog.O");
  EXPECT_EQ(parse({"-Prog.O"}).args.cCoffName, "-Prog.O");
  EXPECT_EQ(parse({"/Q.o"}).args.cCoffName, "/Q.o");
}

TEST(AddrRange, ContainsBothEnds) {
  const AddrRange r(0x100, 0x1FF);
  EXPECT_FALSE(r.contains(0xFF));
  EXPECT_TRUE(r.contains(0x100));
  EXPECT_TRUE(r.contains(0x1FF));
  EXPECT_FALSE(r.contains(0x200));
  EXPECT_TRUE(AddrRange().contains(0));
  EXPECT_TRUE(AddrRange(0, 0xFFFFFFFF).contains(0xFFFFFFFF));
}

TEST(AddrRange, IsInRangesSearchesEveryRange) {
  const std::vector<AddrRange> ranges = {AddrRange(0x10, 0x1F), AddrRange(0x40, 0x40)};
  EXPECT_TRUE(isInRanges(ranges, 0x15));
  EXPECT_TRUE(isInRanges(ranges, 0x40));
  EXPECT_FALSE(isInRanges(ranges, 0x20));
  EXPECT_FALSE(isInRanges({}, 0));
}

}  // namespace
