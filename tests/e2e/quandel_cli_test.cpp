// quandel's command line as a user sees it: the help text, the usage errors and
// quiet mode, with exact output and exit status.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Banner.h"
#include "RunProgram.h"

namespace {

std::string banner() { return std::string("QUANDEL v2.31, Librarian\n") + noticeBanner() + "\n\n"; }

const char* const kHelp =
    "Syntax:   quandel [/q] /{ctdrxh} LIBRARY [MEMBER...]  \n"
    "  /q      : quiet mode                       \n"
    "  /c      : create library LIBRARY           \n"
    "  /t      : list library LIBRARY             \n"
    "  /d      : delete MEMBER from LIBRARY       \n"
    "  /r      : add or replace MEMBER in LIBRARY \n"
    "  /x      : extract MEMBER from LIBRARY      \n"
    "  /h, /?  : show this help screen            \n"
    "\n";

std::string errorRun(const std::string& message) {
  return banner() + "Error - " + message + "\nErrors    : 1\nWarnings  : 0\n\n";
}

TEST(QuandelCli, HelpTextEndsWithStatus255) {
  TempDir t;
  const std::vector<std::vector<std::string>> lines = {
      {}, {"/h"}, {"-h"}, {"/H"}, {"/?"}, {"-?"}, {"lib.lib"}, {"/z", "/c", "x.lib"}, {"/help"},
  };
  for (const auto& args : lines) {
    RunResult r = runProgram(QUANDEL_EXE, args, t.path());
    EXPECT_EQ(r.out, banner() + kHelp) << (args.empty() ? "(none)" : args[0]);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.status, 255);
  }
  EXPECT_TRUE(t.list().empty());
}

TEST(QuandelCli, HelpIsShownEvenWhenQuiet) {
  TempDir t;
  RunResult r = runProgram(QUANDEL_EXE, {"/q", "/?"}, t.path());
  EXPECT_EQ(r.out, kHelp);
  EXPECT_EQ(r.status, 255);
}

TEST(QuandelCli, QuietAloneSaysNothingAndFails) {
  TempDir t;
  for (const char* q : {"/q", "-Q"}) {
    RunResult r = runProgram(QUANDEL_EXE, {q}, t.path());
    EXPECT_EQ(r.out, "") << q;
    EXPECT_EQ(r.status, 1) << q;
  }
}

TEST(QuandelCli, UsageErrors) {
  TempDir t;
  const struct {
    std::vector<std::string> args;
    const char* message;
  } cases[] = {
      {{"/c"}, "library filename is required"},
      {{"/c", "a.o"}, "library filename is required"},
      {{"/t", "lib"}, "library filename is required"},
      {{"/c", "lib.lib", "a.obj"}, "invalid object filename"},
      {{"/x", "lib.lib", "a.o", "/h"}, "invalid object filename"},
  };
  for (const auto& c : cases) {
    RunResult r = runProgram(QUANDEL_EXE, c.args, t.path());
    EXPECT_EQ(r.out, errorRun(c.message)) << c.args.back();
    EXPECT_EQ(r.status, 1) << c.args.back();
  }
  EXPECT_TRUE(t.list().empty());
}

TEST(QuandelCli, QuietUsageErrorOnlySetsTheStatus) {
  TempDir t;
  // The pre-scan makes the run quiet; the parser then sees /q as a member name.
  RunResult r = runProgram(QUANDEL_EXE, {"/c", "lib.lib", "a.o", "/q"}, t.path());
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.status, 1);
  EXPECT_FALSE(t.exists("lib.lib"));
}

}  // namespace
