// Inputs that are no regular file: a FIFO without a writer would hold an open
// for reading forever, so every program opens its inputs without waiting and
// takes only a regular file. A FIFO, a directory or a device named as an input
// is that input's open failure. Each run is bounded, so a program that waits
// fails its case (status 142) instead of hanging the test.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "Banner.h"
#include "CoffBuilder.h"
#include "RunProgram.h"

namespace {

constexpr unsigned kBound = 10;  // seconds; each run takes milliseconds

std::string failedRun(const char* banner, const std::string& message) {
  return std::string(banner) + "\n" + noticeBanner() + "\n\nError - " + message +
         "\nErrors    : 1\nWarnings  : 0\n\n";
}

// A command file for a small device; FILES names the input under test.
const char kLkr[] =
    "LIBPATH lib\n"
    "CODEPAGE NAME=page START=0x0 END=0xFF\n"
    "DATABANK NAME=bank START=0x20 END=0x7F\n";

TEST(InputsNeverBlock, AFifoDirectoryOrDeviceIsTheInputsOpenFailure) {
  TempDir t;
  ASSERT_EQ(mkdir(t.file("lib").c_str(), 0755), 0);
  for (const char* name : {"pipe.o", "pipe.cof", "lib/pipe.lib", "pipe.lib"})
    ASSERT_EQ(mkfifo(t.file(name).c_str(), 0644), 0) << name;
  ASSERT_EQ(mkdir(t.file("dir.o").c_str(), 0755), 0);
  ASSERT_EQ(mkdir(t.file("lib/dir.lib").c_str(), 0755), 0);
  ASSERT_EQ(symlink("/dev/null", t.file("null.cof").c_str()), 0);
  t.write("app.lkr", kLkr);
  CoffBuilder x("x.o");
  x.optionalHeader(0x207A, 16);
  x.zeros(x.section(".code", SCN_CODE), 2);
  ASSERT_TRUE(x.writeFile(t.file("x.o")));
  const struct {
    const char* exe;
    const char* banner;
    std::vector<std::string> args;
    std::string message;
  } cases[] = {
      {ZORVIK_EXE,
       linkerBanner(),
       {"app.lkr", "pipe.o"},
       "Could not open Coff file './pipe.o' for reading."},
      {ZORVIK_EXE,
       linkerBanner(),
       {"app.lkr", "dir.o"},
       "Could not open Coff file './dir.o' for reading."},
      {ZORVIK_EXE,
       linkerBanner(),
       {"app.lkr", "x.o", "pipe.lib"},
       "Could not open library file 'lib/pipe.lib' for reading."},
      {ZORVIK_EXE,
       linkerBanner(),
       {"app.lkr", "x.o", "dir.lib"},
       "Could not open library file 'lib/dir.lib' for reading."},
      {PELLUND_EXE,
       hexConverterBanner(),
       {"pipe.cof"},
       "Could not open Coff file 'pipe.cof' for reading."},
      {PELLUND_EXE,
       hexConverterBanner(),
       {"null.cof"},
       "Could not open Coff file 'null.cof' for reading."},
      {VOSTRUM_EXE,
       codConverterBanner(),
       {"pipe.cof"},
       "Could not open Coff file 'pipe.cof' for reading."},
      {VOSTRUM_EXE,
       codConverterBanner(),
       {"null.cof"},
       "Could not open Coff file 'null.cof' for reading."},
      {QUANDEL_EXE,
       librarianBanner(),
       {"/c", "new.lib", "pipe.o"},
       "Could not open Coff file 'pipe.o' for reading."},
      {QUANDEL_EXE,
       librarianBanner(),
       {"/t", "pipe.lib"},
       "Could not open library file 'pipe.lib' for reading."},
  };
  for (const auto& c : cases) {
    std::string line;
    for (const std::string& a : c.args) line += " " + a;
    SCOPED_TRACE(std::string(c.exe) + line);
    RunResult r = runProgramWithin(kBound, c.exe, c.args, t.path());
    EXPECT_EQ(r.out, failedRun(c.banner, c.message));
    EXPECT_EQ(r.status, 1);
  }
  // Nothing was made from them.
  EXPECT_FALSE(t.exists("a.out"));
  EXPECT_FALSE(t.exists("new.lib"));
  EXPECT_FALSE(t.exists("pipe.cod"));
  EXPECT_FALSE(t.exists("pipe.hex"));
}

}  // namespace
