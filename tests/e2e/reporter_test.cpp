// The reporter, banner and exit summary as a user sees them on the console.
#include <gtest/gtest.h>

#include <string>

#include "Banner.h"
#include "RunProgram.h"

namespace {

std::string header() { return std::string("ZORVIK v2.31, Linker\n") + noticeBanner() + "\n\n"; }

TEST(Reporter, BannerErrorAndSummaryInOrderOnStandardOutput) {
  TempDir t;
  RunResult r = runProgram(REPORTER_DRIVER_EXE, {"e:could not open 'x.o'", "x:1"}, t.path());
  EXPECT_EQ(r.out, header() +
                       "Error - could not open 'x.o'\n"
                       "Errors    : 1\nWarnings  : 0\n\n");
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.status, 1);
}

TEST(Reporter, QuietAnywhereSilencesEverythingButTheStatus) {
  TempDir t;
  for (const char* q : {"-q", "/q", "-Q", "/Q"}) {
    RunResult r = runProgram(REPORTER_DRIVER_EXE, {"e:bad", q, "x:1"}, t.path());
    EXPECT_EQ(r.out, "") << q;
    EXPECT_EQ(r.status, 1) << q;
  }
  // Only the exact words count.
  RunResult r = runProgram(REPORTER_DRIVER_EXE, {"-quiet", "x:0"}, t.path());
  EXPECT_EQ(r.out, header() + "Errors    : 0\nWarnings  : 0\n\n");
}

TEST(Reporter, CountsWarningsShowsOriginAndEndsOnFatal) {
  TempDir t;
  RunResult r = runProgram(REPORTER_DRIVER_EXE,
                           {"e:one", "w:careful", "o", "e:two", "f:stop", "x:0"}, t.path());
  EXPECT_EQ(r.out, header() +
                       "Error - one\n"
                       "Warning - careful\n"
                       "Error - two - main()\n"
                       "Error - stop - main()\n"
                       "Errors    : 3\nWarnings  : 1\n\n");
  EXPECT_EQ(r.status, 255);
}

TEST(Reporter, OutputToAFileKeepsProgramOrder) {
  TempDir t;
  std::string cmd = std::string("'") + REPORTER_DRIVER_EXE + "' e:first w:second x:1 > out.txt";
  RunResult r = runProgram("/bin/sh", {"-c", cmd}, t.path());
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(t.read("out.txt"), header() +
                                   "Error - first\nWarning - second\n"
                                   "Errors    : 1\nWarnings  : 1\n\n");
}

TEST(Reporter, FailedAllocationEndsWithOutOfMemoryAndStatusOne) {
#ifdef ZV_SANITIZED
  GTEST_SKIP() << "the sanitizer's allocator handles exhaustion itself";
#endif
  TempDir t;
  RunResult r = runProgram(REPORTER_DRIVER_EXE, {"/q", "m", "x:0"}, t.path());
  EXPECT_EQ(r.out, "out of memory\n");
  EXPECT_EQ(r.status, 1);
}

TEST(Programs, EachPrintsItsBannerUnlessQuiet) {
  TempDir t;
  struct Case {
    const char* exe;
    const char* banner;
  } cases[] = {
      {ZORVIK_EXE, "ZORVIK v2.31, Linker"},
      {VOSTRUM_EXE, "VOSTRUM v2.31, COFF to COD File Converter"},
  };
  for (const Case& c : cases) {
    RunResult r = runProgram(c.exe, {}, t.path());
    EXPECT_EQ(r.out.substr(0, r.out.find('\n')), c.banner);
    EXPECT_EQ(runProgram(c.exe, {"/q"}, t.path()).out, "");
  }
}

}  // namespace
