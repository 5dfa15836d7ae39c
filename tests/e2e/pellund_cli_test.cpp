// pellund's command-line faults as a user sees them: exact text, no summary,
// status 1, and no file written.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Banner.h"
#include "RunProgram.h"

namespace {

std::string banner() {
  return std::string("PELLUND v2.31, COFF to HEX File Converter\n") + noticeBanner() + "\n\n";
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

std::string joined(const std::vector<std::string>& args) {
  std::string line;
  for (const std::string& a : args) line += " " + a;
  return line.empty() ? "(none)" : line;
}

TEST(PellundCli, FaultsPrintTheirTextWithoutSummaryAndEndWithStatus1) {
  TempDir t;
  const struct {
    std::vector<std::string> args;
    std::string text;
  } cases[] = {
      {{}, kUsage},
      {{"a.cof", "b.cof"}, kUsage},
      {{"a.cof", "/r"}, kUsage},
      {{"-R"}, kUsage},
      {{"a.cof", "/r", "0x200-0x100"}, kRangeFault},
      {{"a.cof", "/r", "0x100"}, kRangeFault},
      {{"a.cof", "-r", "0x100-0x1zz"}, kRangeFault},
      {{"a.cof", "/r", "x-y"}, kRangeFault},
      {{"/r", "0x10-0x20", "/R", "5-4", "a.cof"}, kRangeFault},
      {{"a.cof", "/a"}, kFormatFault},
      {{"a.cof", "/a", "inhx8m"}, kFormatFault},
      {{"-A", "IHX32", "a.cof"}, kFormatFault},
  };
  for (const auto& c : cases) {
    RunResult r = runProgram(PELLUND_EXE, c.args, t.path());
    EXPECT_EQ(r.out, banner() + c.text) << joined(c.args);
    EXPECT_EQ(r.err, "") << joined(c.args);
    EXPECT_EQ(r.status, 1) << joined(c.args);
  }
  EXPECT_TRUE(t.list().empty());
}

TEST(PellundCli, QuietFaultsPrintNothing) {
  TempDir t;
  const std::vector<std::vector<std::string>> lines = {
      {"/q"},
      {"-Q", "a.cof", "b.cof"},
      {"a.cof", "/r", "2-1", "/q"},
      {"/Q", "/a", "X", "a.cof"},
  };
  for (const auto& args : lines) {
    RunResult r = runProgram(PELLUND_EXE, args, t.path());
    EXPECT_EQ(r.out, "") << joined(args);
    EXPECT_EQ(r.status, 1) << joined(args);
  }
}

TEST(PellundCli, UnreadableCoffFileIsReportedWithTheSummary) {
  TempDir t;
  RunResult r = runProgram(PELLUND_EXE, {"missing.cof"}, t.path());
  EXPECT_EQ(r.out, banner() +
                       "Error - Could not open Coff file 'missing.cof' for reading.\n"
                       "Errors    : 1\nWarnings  : 0\n\n");
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(t.list().empty());
}

}  // namespace
