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

// Runs the shell command in the directory, the programs' paths as $PELLUND
// and $QUANDEL.
RunResult shell(const TempDir& t, const std::string& command) {
  return runProgram("/bin/sh", {"-c", command}, t.path(),
                    {"PELLUND=" PELLUND_EXE, "QUANDEL=" QUANDEL_EXE});
}

TEST(OutputFailures, AFileSizeLimitIsAWriteFailure) {
  TempDir t;
  writeExecutable(t);
  RunResult r = shell(t, "ulimit -f 4; exec \"$PELLUND\" prog.cof");
  EXPECT_EQ(r.out, std::string(hexConverterBanner()) + "\n" + noticeBanner() + "\n\n" +
                       "Error - Could not open hex file 'prog.hex' for writing.\n"
                       "Errors    : 1\nWarnings  : 0\n\n");
  EXPECT_EQ(r.status, 1);
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
  };
  for (const auto& c : cases) {
    RunResult r = shell(t, std::string("exec ") + c.command + " > /dev/full");
    EXPECT_EQ(r.status, c.status) << c.command;
    EXPECT_EQ(r.out, "") << c.command;
  }
  EXPECT_EQ(shell(t, "exec \"$QUANDEL\" /t x.lib > out.txt").status, 0);  // the same runs succeed elsewhere
}

}  // namespace
