// Output that cannot be written fails the run: a file-size limit fails the
// write that reaches it (the programs do not die of its signal), and standard
// output on a full device turns a success into status 1.
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "Banner.h"
#include "CoffBuilder.h"
#include "ProcessorIds.h"
#include "RunProgram.h"

namespace {

// An executable for pellund whose HEX file is far above a few KB.
void writeExecutable(const TempDir& t) {
  CoffBuilder b("prog.cof");
  b.optionalHeader(procIdNamed("MRRW007"), 14).fileFlags(0x0002);
  b.words(b.section(".code", SCN_CODE), std::vector<uint16_t>(3000, 0x1234));
  ASSERT_TRUE(b.writeFile(t.file("prog.cof")));
}

// A library of one small member.
void writeLibrary(const TempDir& t) {
  CoffBuilder b("a.o");
  b.optionalHeader(0x1234, 16);
  b.words(b.section(".code", SCN_CODE), {1, 2});
  ASSERT_TRUE(b.writeFile(t.file("a.o")));
  ASSERT_EQ(runProgram(QUANDEL_EXE, {"/q", "/c", "x.lib", "a.o"}, t.path()).status, 0);
}

// Runs the shell command in the directory, the programs' paths as $PELLUND,
// $QUANDEL and $ZORVIK.
RunResult shell(const TempDir& t, const std::string& command) {
  return runProgram("/bin/sh", {"-c", command}, t.path(),
                    {"PELLUND=" PELLUND_EXE, "QUANDEL=" QUANDEL_EXE, "ZORVIK=" ZORVIK_EXE});
}

// The files were created; their writing failed, which is not an open failure.
TEST(OutputFailures, AFileSizeLimitIsAWriteFailure) {
  const struct {
    const char* args;
    std::string errors;
  } cases[] = {
      {"prog.cof", "Error - Could not write hex file 'prog.hex'.\nErrors    : 1\n"},
      {"/a INHX8S prog.cof",
       "Error - Could not write hex file 'prog.hxl'.\nError - Could not write hex file "
       "'prog.hxh'.\n"
       "Errors    : 2\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args);
    TempDir t;
    writeExecutable(t);
    RunResult r = shell(t, std::string("ulimit -f 4; exec \"$PELLUND\" ") + c.args);
    EXPECT_EQ(r.out, std::string(hexConverterBanner()) + "\n" + noticeBanner() + "\n\n" + c.errors +
                         "Warnings  : 0\n\n");
    EXPECT_EQ(r.status, 1);
  }
}

TEST(OutputFailures, AFullStandardOutputFailsTheRun) {
  if (access("/dev/full", W_OK) != 0) GTEST_SKIP() << "no /dev/full";
  TempDir t;
  writeExecutable(t);
  writeLibrary(t);
  const struct {
    const char* command;
    int status;
  } cases[] = {
      {"\"$QUANDEL\" /t x.lib", 1},
      {"\"$PELLUND\" prog.cof", 1},
      {"\"$QUANDEL\" /t none.lib", 1},  // failed anyway: its status stays
      {"\"$QUANDEL\" /q /t x.lib", 0},  // quiet: nothing was lost
      {"\"$PELLUND\" /q prog.cof", 0},
      {"\"$ZORVIK\" /?", 255},  // a help text ends with its own status
      {"\"$QUANDEL\" /?", 255},
      {"\"$PELLUND\"", 1},  // so does a usage line
  };
  for (const auto& c : cases) {
    RunResult r = shell(t, std::string("exec ") + c.command + " > /dev/full");
    EXPECT_EQ(r.status, c.status) << c.command;
    EXPECT_EQ(r.out, "") << c.command;
  }
  EXPECT_EQ(shell(t, "exec \"$QUANDEL\" /t x.lib > out.txt").status,
            0);  // the same runs succeed elsewhere
}

}  // namespace
