// vostrum's command line and its refusals as a user sees them: exact text,
// exit status, and which files exist afterwards.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "vostrum_test_util.h"

using namespace vostrum_test;

namespace {

const std::string kUsage =
    "Usage: vostrum [-n, /n <listingPageLength>] [-d, /d] [-q, /q] <coffFile>\n";

std::string joined(const std::vector<std::string>& args) {
  std::string line;
  for (const std::string& a : args) line += " " + a;
  return line.empty() ? "(none)" : line;
}

// A small sound executable named `name` in `dir`.
void writeProgram(const TempDir& dir, const std::string& name, uint32_t proc = kMirrow) {
  CoffBuilder b = executable(proc, name);
  const int code = b.section(".code", SCN_CODE, 0);
  b.words(code, {0x3001});
  b.symbol("main", 0, static_cast<int16_t>(code), C_EXT);
  ASSERT_TRUE(b.writeFile(dir.file(name)));
}

TEST(VostrumCli, UsageFaultsPrintTheUsageLineWithoutSummary) {
  TempDir t;
  const std::vector<std::string> cases[] = {
      {}, {"a.cof", "b.cof"}, {"a.cof", "/n"}, {"-N"}, {"/d"}, {"/q", "x", "y"},
  };
  for (const auto& args : cases) {
    RunResult r = vostrum(t, args);
    const bool quiet = !args.empty() && args[0] == "/q";
    EXPECT_EQ(r.out, quiet ? "" : banner() + kUsage) << joined(args);
    EXPECT_EQ(r.err, "") << joined(args);
    EXPECT_EQ(r.status, 1) << joined(args);
  }
  EXPECT_TRUE(t.list().empty());
}

TEST(VostrumCli, SwitchesInEitherCaseAndPathsStartingWithSlash) {
  TempDir t;
  mkdir(t.file("sub").c_str(), 0700);
  writeProgram(t, "sub/prog.cof");
  const struct {
    std::vector<std::string> args;
    std::string out;
  } cases[] = {
      {{"/D", "sub/prog.cof"}, banner() + summary(0)},
      {{"-d", "-N", "60", "sub/prog.cof"},
       banner() + "Warning - no listing file generated: /n switch ignored\n" + summary(0, 1)},
      {{"/d", "/n", "99999999999999999999", "sub/prog.cof"},
       banner() + "Warning - no listing file generated: /n switch ignored\n" + summary(0, 1)},
      {{"/Q", "/d", "/n", "x", t.file("sub/prog.cof")}, ""},
      {{"-q", "/n", "12", "sub\\prog.cof"}, ""},  // a backslash reads as '/'
  };
  for (const auto& c : cases) {
    unlink(t.file("prog.cod").c_str());
    RunResult r = vostrum(t, c.args);
    EXPECT_EQ(r.out, c.out) << joined(c.args);
    EXPECT_EQ(r.status, 0) << joined(c.args);
    EXPECT_TRUE(t.exists("prog.cod")) << joined(c.args);
  }
}

TEST(VostrumCli, RefusalsEndWithStatus1AndCreateNothing) {
  const struct {
    const char* label;
    uint32_t proc;
    std::string text;
  } cases[] = {
      {"unknown processor", 0x1FFF, error("Unsupported processor type in file 'prog.cof'")},
      {"no program memory", kMirrow,
       error("Coff file 'prog.cof' must contain at least one 'code' or 'romdata' section.")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    TempDir t;
    CoffBuilder b = executable(c.proc);
    const int scn = b.section(".code", c.proc == kMirrow ? SCN_UDATA : SCN_CODE, 0);
    b.zeros(scn, 4);
    ASSERT_TRUE(b.writeFile(t.file("prog.cof")));
    RunResult r = vostrum(t, {"prog.cof"});
    EXPECT_EQ(r.out, banner() + c.text + summary(1));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(t.list(), std::vector<std::string>{"prog.cof"});
  }
}

TEST(VostrumCli, UnreadableOrInconsistentCoffFileEndsWithStatus1) {
  TempDir t;
  RunResult r = vostrum(t, {"missing.cof"});
  EXPECT_EQ(r.out,
            banner() + error("Could not open Coff file 'missing.cof' for reading.") + summary(1));
  EXPECT_EQ(r.status, 1);

  CoffBuilder b = executable(kMirrow);
  b.words(b.section(".code", SCN_CODE, 0), {0});
  b.symbol("lost", 0, 7, C_EXT);  // section 7 does not exist
  ASSERT_TRUE(b.writeFile(t.file("prog.cof")));
  r = vostrum(t, {"prog.cof"});
  EXPECT_EQ(r.out, banner() + error("Coff file 'prog.cof' symbol[0] has an invalid n_scnum.") +
                       summary(1));
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(t.list(), std::vector<std::string>{"prog.cof"});
}

TEST(VostrumCli, SourceNameOf64CharactersIsRefused) {
  TempDir t;
  CoffBuilder b = executable(kMirrow);
  b.words(b.section(".code", SCN_CODE, 0), {0});
  const std::string name(64, 'n');
  b.fileSymbol(name);
  ASSERT_TRUE(b.writeFile(t.file("prog.cof")));
  RunResult r = vostrum(t, {"prog.cof"});
  EXPECT_EQ(r.out, banner() +
                       error("Source file '" + name +
                             "' name exceeds file format maximum of 63 characters.") +
                       summary(1));
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(t.list(), std::vector<std::string>{"prog.cof"});
}

TEST(VostrumCli, OutputThatWouldReplaceTheInputIsRefused) {
  TempDir t;
  writeProgram(t, "prog.cod");
  const std::string before = t.read("prog.cod");
  for (const std::string& name :
       {std::string("prog.cod"), std::string("./prog.cod"), t.file("prog.cod")}) {
    RunResult r = vostrum(t, {"/d", name});
    EXPECT_EQ(r.out, banner() +
                         error("Cod file 'prog.cod' would replace the Coff file '" + name +
                               "' it is made from.") +
                         summary(1));
    EXPECT_EQ(r.status, 1);
  }
  EXPECT_EQ(t.read("prog.cod"), before);

  // The listing goes next to the COFF file under its base name.
  writeProgram(t, "prog.lst");
  RunResult r = vostrum(t, {"prog.lst"});
  EXPECT_EQ(
      r.out,
      banner() +
          error("List file 'prog.lst' would replace the Coff file 'prog.lst' it is made from.") +
          summary(1));
  EXPECT_EQ(r.status, 1);
  r = vostrum(t, {"/d", "prog.lst"});
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(t.read("prog.cod"), before);
}

TEST(VostrumCli, ImagesBeyond16BitBlockNumbersAreRefused) {
  const struct {
    const char* label;
    uint32_t proc, paddr;
    int symbols;
    std::string text;
  } cases[] = {
      // Word 0xFFFFFF00 is byte 0x1FFFFFE00: window 0x1FFFF, so 131072
      // directories and a code block.
      {"windows", kMirrow, 0xFFFFFF00, 0,
       "Cod file 'prog.cod' would need 131073 blocks; block numbers reach only 65536."},
      // 65535 directories and a code block fit; a block of symbols does not.
      {"tables", kHalvern, 0xFFFE0000, 1,
       "Cod file 'prog.cod' would need 65539 blocks; block numbers reach only 65536."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    TempDir t;
    CoffBuilder b = executable(c.proc);
    const int code = b.section(".code", SCN_CODE, c.paddr);
    b.words(code, {0x1234});
    for (int i = 0; i < c.symbols; ++i) b.symbol("s", 0, static_cast<int16_t>(code), C_EXT);
    ASSERT_TRUE(b.writeFile(t.file("prog.cof")));
    RunResult r = vostrum(t, {"/d", "prog.cof"});
    EXPECT_EQ(r.out, banner() + error(c.text) + summary(1));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(t.list(), std::vector<std::string>{"prog.cof"});
  }
}

TEST(VostrumCli, CodFileThatCannotBeCreatedOrWrittenFails) {
  TempDir t;
  writeProgram(t, "prog.cof");
  mkdir(t.file("prog.cod").c_str(), 0700);
  RunResult r = vostrum(t, {"/d", "prog.cof"});
  EXPECT_EQ(r.out,
            banner() + error("Could not open Cod file 'prog.cod' for writing.") + summary(1));
  EXPECT_EQ(r.status, 1);

  rmdir(t.file("prog.cod").c_str());
  if (access("/dev/full", W_OK) != 0) GTEST_SKIP() << "no /dev/full";
  ASSERT_EQ(symlink("/dev/full", t.file("prog.cod").c_str()), 0);
  r = vostrum(t, {"/d", "prog.cof"});
  EXPECT_EQ(r.out,
            banner() + error("Could not write directory in Cod file 'prog.cod'.") + summary(1));
  EXPECT_EQ(r.status, 1);
}

}  // namespace
