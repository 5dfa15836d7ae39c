// zorvik's linker command files as a user sees them: the search, repeated
// reading, and every fault of a command file with its place, exact output and
// exit status.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "Banner.h"
#include "RunProgram.h"

namespace {

std::string banner() { return std::string(linkerBanner()) + "\n" + noticeBanner() + "\n\n"; }

std::string errorRun(const std::string& message) {
  return banner() + "Error - " + message + "\nErrors    : 1\nWarnings  : 0\n\n";
}

struct Case {
  std::string text;     // of app.lkr
  std::string message;  // the one error
};

// Each case: app.lkr with the text, read from the current directory.
void expectFaults(const std::vector<Case>& cases) {
  for (const Case& c : cases) {
    TempDir t;
    t.write("app.lkr", c.text);
    RunResult r = runProgram(ZORVIK_EXE, {"app.lkr"}, t.path());
    EXPECT_EQ(r.out, errorRun(c.message)) << c.text;
    EXPECT_EQ(r.status, 1) << c.text;
  }
}

TEST(ZorvikCommandFile, OperandFaults) {
  const std::string at = "'./app.lkr:1'";
  expectFaults({
      {"LIBPATH", "Illegal <libpath> for LIBPATH in " + at},
      {"LIBPATH a;;b", "Illegal <libpath> for LIBPATH in " + at},
      {"LIBPATH ;", "Illegal <libpath> for LIBPATH in " + at},
      {"LIBPATH \"\" FILES a.o", "Illegal <libpath> for LIBPATH in " + at},
      {"LIBPATH \"a b", "Illegal <libpath> for LIBPATH in " + at},
      {"LKRPATH // dir", "Illegal <lkrpath> for LKRPATH in " + at},
      {"LKRPATH ;x", "Illegal <lkrpath> for LKRPATH in " + at},
      {"FILES", "Illegal <filename> for FILES in " + at},
      {"FILES a.obj", "Illegal <filename> for FILES in " + at},
      {"FILES a.o b.txt", "Illegal <filename> for FILES in " + at},
      {"FILES a.o \"b.o", "Illegal <filename> for FILES in " + at},
      {"FILES a.o INCLUDE b.lkr", "Illegal <filename> for FILES in " + at},
      {"INCLUDE", "Illegal <filename> for INCLUDE in " + at},
      {"INCLUDE x.txt", "Illegal <filename> for INCLUDE in " + at},
      {"INCLUDE .lkr", "Illegal <filename> for INCLUDE in " + at},
      {"LIBPATH dir1 dir2", "Unrecognized input in " + at + ": dir2"},
      {"codepage NAME=p START=0 END=1", "Unrecognized input in " + at + ": codepage"},
      {"\"FILES\" a.o", "Unrecognized input in " + at + ": \"FILES\""},
  });
}

TEST(ZorvikCommandFile, AttributeFaults) {
  const std::string at = " in './app.lkr:1'";
  const std::string code = "Invalid attributes for CODEPAGE" + at;
  const std::string data = "Invalid attributes for DATABANK" + at;
  expectFaults({
      {"CODEPAGE NAME=p START=0 END=9 PROTECTED PROTECTED", code},
      {"CODEPAGE NAME=p START=0 END=9 FILL=1 FILL=2", code},
      {"CODEPAGE NAME=p START=0 END=9 FILL=", code},
      {"CODEPAGE NAME=p START=0", code},
      {"CODEPAGE START=0 END=9", code},
      {"CODEPAGE NAME=p NAME=q START=0 END=9", code},
      {"CODEPAGE NAME=p START=0 START=1 END=9", code},
      {"CODEPAGE NAME=p START=0 END=9 END=9", code},
      {"CODEPAGE name=p START=0 END=9", code},
      {"CODEPAGE NAME=p START=0 END=9 =9", code},
      {"CODEPAGE NAME=p START=0 END=9 protected", code},
      {"CODEPAGE NAME=p START=0x10 END=0xF", code},
      {"CODEPAGE", code},
      {"DATABANK NAME=d START=0 END=9 FILL=0xFF", data},
      {"SHAREBANK NAME=s START=0 END=9 FILL=1", "Invalid attributes for SHAREBANK" + at},
      {"ACCESSBANK NAME=a START=5 END=4", "Invalid attributes for ACCESSBANK" + at},
      {"SECTION NAME=s", "Invalid attributes for SECTION" + at},
      {"SECTION ROM=p RAM=d", "Invalid attributes for SECTION" + at},
      {"SECTION NAME=s ROM=p ROM=q", "Invalid attributes for SECTION" + at},
      {"SECTION NAME=s ROM=p START=0", "Invalid attributes for SECTION" + at},
      {"SECTION NAME=s ROM", "Invalid attributes for SECTION" + at},
      {"STACK RAM=d", "Invalid attributes for STACK" + at},
      {"STACK SIZE=", "Invalid attributes for STACK" + at},
      {"STACK SIZE=1 RAM=d RAM=e", "Invalid attributes for STACK" + at},
      {"HEAP MINSIZE=", "Invalid attributes for HEAP" + at},
      {"HEAP", "Invalid attributes for HEAP" + at},
      {"HEAP MINSIZE=1 MINSIZE=2", "Invalid attributes for HEAP" + at},
      {"HEAP SIZE=1", "Invalid attributes for HEAP" + at},
  });
}

TEST(ZorvikCommandFile, LinesAreCountedAndReadWhole) {
  const std::string longComment = "// " + std::string(3000, 'c') + "\n";
  expectFaults({
      {"// head\n\n   \nFILES a.o // b.txt\nBOGUS x", "Unrecognized input in './app.lkr:5': BOGUS"},
      {"FILES a.o\r\nFILES b.o\r\nBOGUS\r\n", "Unrecognized input in './app.lkr:3': BOGUS"},
      {longComment + "FILES a.o\n" + "BOGUS", "Unrecognized input in './app.lkr:3': BOGUS"},
      {"FILES a.o\n" + std::string(2000, ' ') + "BOGUS",
       "Unrecognized input in './app.lkr:2': BOGUS"},
      // A NUL byte is part of the line, not its end.
      {std::string("FILES a.o\0 b.o\n", 15), "Illegal <filename> for FILES in './app.lkr:1'"},
      {std::string("HEAP MINSIZE=1\0", 15) + " BOGUS",
       "Invalid attributes for HEAP in './app.lkr:1'"},
  });
}

TEST(ZorvikCommandFile, FindingTheFile) {
  TempDir t;
  ASSERT_EQ(mkdir(t.file("dir.lkr").c_str(), 0755), 0);
  ASSERT_EQ(mkfifo(t.file("fifo.lkr").c_str(), 0644), 0);          // would wait for a writer
  ASSERT_EQ(symlink("/dev/zero", t.file("zero.lkr").c_str()), 0);  // one endless line
  ASSERT_EQ(mkdir(t.file("sub").c_str(), 0755), 0);
  t.write("sub/bad.lkr", "BOGUS");
  const struct {
    std::vector<std::string> args;
    std::string message;
  } cases[] = {
      {{"nope.lkr"}, "Could not find linker command file 'nope.lkr'."},
      {{"sub/nope.lkr"}, "Could not find linker command file 'sub/nope.lkr'."},
      {{"bad.lkr"}, "Could not find linker command file 'bad.lkr'."},  // not in sub unless asked
      {{"dir.lkr"}, "Could not open './dir.lkr'"},
      {{"fifo.lkr"}, "Could not open './fifo.lkr'"},
      {{"zero.lkr"}, "Could not open './zero.lkr'"},
      {{"sub/bad.lkr"}, "Unrecognized input in 'sub/bad.lkr:1': BOGUS"},
      {{"sub\\bad.lkr"}, "Unrecognized input in 'sub\\bad.lkr:1': BOGUS"},
      {{"-k", "sub", "bad.lkr"}, "Unrecognized input in 'sub/bad.lkr:1': BOGUS"},
      {{"-ksub/", "bad.lkr"}, "Unrecognized input in 'sub/bad.lkr:1': BOGUS"},
      {{"-k", "x;" + t.path() + "/sub", "BAD.LKR"},
       "Could not find linker command file 'BAD.LKR'."},
      {{"-k", "x;" + t.path() + "/sub", "bad.lkr"},
       "Unrecognized input in '" + t.path() + "/sub/bad.lkr:1': BOGUS"},
  };
  for (const auto& c : cases) {
    RunResult r = runProgram(ZORVIK_EXE, c.args, t.path());
    EXPECT_EQ(r.out, errorRun(c.message)) << c.args.back();
    EXPECT_EQ(r.status, 1) << c.args.back();
  }
}

TEST(ZorvikCommandFile, IncludedFilesAreFoundAndNamedInTheirMessages) {
  TempDir t;
  ASSERT_EQ(mkdir(t.file("inc").c_str(), 0755), 0);
  ASSERT_EQ(mkdir(t.file("other").c_str(), 0755), 0);
  t.write("inc/inner.lkr", "FILES a.o\n\nSTACK\n");
  t.write("other/inner.lkr", "BOGUS\n");
  t.write("here.lkr", "FILES b.o\nINCLUDE inc\\inner.lkr\n");
  t.write("search.lkr", "LKRPATH inc;other\nINCLUDE inner.lkr\n");
  t.write("late.lkr", "INCLUDE inner.lkr\nLKRPATH inc\n");
  const struct {
    std::vector<std::string> args;
    std::string message;
  } cases[] = {
      {{"here.lkr"}, "Invalid attributes for STACK in 'inc\\inner.lkr:3'"},
      {{"search.lkr"}, "Invalid attributes for STACK in 'inc/inner.lkr:3'"},
      {{"-kother", "search.lkr"}, "Unrecognized input in 'other/inner.lkr:1': BOGUS"},
      {{"late.lkr"}, "Could not find linker command file 'inner.lkr'."},
  };
  for (const auto& c : cases) {
    RunResult r = runProgram(ZORVIK_EXE, c.args, t.path());
    EXPECT_EQ(r.out, errorRun(c.message)) << c.args.back();
    EXPECT_EQ(r.status, 1) << c.args.back();
  }
}

TEST(ZorvikCommandFile, EveryFileIsReadOnce) {
  TempDir t;
  t.write("self.lkr", "FILES a.o\nINCLUDE self.lkr\n");
  t.write("a.lkr", "INCLUDE b.lkr\n");
  t.write("b.lkr", "INCLUDE a.lkr\n");
  t.write("c.lkr", "INCLUDE d.lkr d.lkr\n");
  t.write("d.lkr", "// nothing\n");
  t.write("e.lkr", "INCLUDE ./d.lkr\n");
  const struct {
    std::vector<std::string> args;
    std::string message;
  } cases[] = {
      {{"self.lkr"}, "Multliple inclusion of linker command file './self.lkr' "},
      {{"a.lkr"}, "Multliple inclusion of linker command file './a.lkr' "},
      {{"c.lkr"}, "Multliple inclusion of linker command file './d.lkr' "},
      {{"d.lkr", "d.lkr"}, "Multliple inclusion of linker command file './d.lkr' "},
      {{"d.lkr", "e.lkr"}, "Multliple inclusion of linker command file './d.lkr' "},
  };
  for (const auto& c : cases) {
    RunResult r = runProgram(ZORVIK_EXE, c.args, t.path());
    EXPECT_EQ(r.out, errorRun(c.message)) << c.args.back();
    EXPECT_EQ(r.status, 1) << c.args.back();
  }
}

}  // namespace
