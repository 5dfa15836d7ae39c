// zorvik's command line as a user sees it: the help text, every switch fault,
// quiet mode, with exact output and exit status.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Banner.h"
#include "RunProgram.h"

namespace {

std::string banner() { return std::string(linkerBanner()) + "\n" + noticeBanner() + "\n\n"; }

const char* const kHelp =
    "Syntax:   zorvik { cmdfile | [objfile] | [libfile] | [option] } ...  \n"
    "  'cmdfile' is the name of a linker command file.              \n"
    "       All linker command files must have the extension '.lkr' \n"
    "  'objfile' is the name of an assembler or compiler generated object file. \n"
    "       All object files must have the extension '.o'.          \n"
    "  'libfile' is the name of a librarian created library file.   \n"
    "       All library files must have the extension '.lib'.       \n"
    "  'option'  is a linker command line option described below.   \n"
    "\n"
    "Linker command line options:                                   \n"
    "   /o <filename>   : specify output file 'filename', default is 'a.out'  \n"
    "   /m <filename>   : create map file 'filename'                          \n"
    "   /l <pathlist>   : list of directories to search for library/object files\n"
    "   /k <pathlist>   : list of directories to search for linker command files\n"
    "   /n <length>     : number of lines per listing page (0 = no pagination)\n"
    "   /h, /?          : show this help screen                   \n"
    "   /a <hexformat>  : specify format of hex programming file  \n"
    "                     valid formats are INHX8M, INHX8S, INHX32\n"
    "   /d              : don't create listing file               \n"
    "   /q              : quiet mode operation                    \n";

std::string errorRun(const std::string& message) {
  return banner() + "Error - " + message + "\nErrors    : 1\nWarnings  : 0\n\n";
}

std::string describe(const std::vector<std::string>& args) {
  std::string text;
  for (const std::string& a : args) text += "[" + a + "]";
  return text;
}

TEST(ZorvikCli, HelpTextLinesHaveTheirLengths) {
  const size_t lengths[] = {69, 63, 63, 75, 63, 63, 63, 63, 0,  63,
                            73, 73, 75, 75, 73, 61, 61, 61, 61, 61};
  std::string help = kHelp;
  size_t i = 0;
  for (size_t at = 0, end; (end = help.find('\n', at)) != std::string::npos; at = end + 1) {
    ASSERT_LT(i, std::size(lengths));
    EXPECT_EQ(end - at, lengths[i]) << "line " << i + 1;
    ++i;
  }
  EXPECT_EQ(i, std::size(lengths));
}

TEST(ZorvikCli, HelpTextEndsWithStatus255) {
  TempDir t;
  const std::vector<std::vector<std::string>> lines = {
      {},
      {"/h"},
      {"-H"},
      {"/?"},
      {"-help"},
      {"a.o", "b.lib", "-l", "x;y", "/?"},
      {"-d", "-h", "x.txt"},
  };
  for (const auto& args : lines) {
    RunResult r = runProgram(ZORVIK_EXE, args, t.path());
    EXPECT_EQ(r.out, banner() + kHelp) << describe(args);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.status, 255) << describe(args);
  }
  EXPECT_TRUE(t.list().empty());
}

TEST(ZorvikCli, QuietRuns) {
  TempDir t;
  const struct {
    std::vector<std::string> args;
    std::string out;
    int status;
  } cases[] = {
      {{"-q"}, "", 1},                     // no command file: the fault is only counted
      {{"/Q", "/?"}, kHelp, 255},          // the help text is shown even when quiet
      {{"-o", "-q"}, "", 1},               // the pre-scan sees every word, values too
      {{"-quiet", "x.txt"}, banner(), 1},  // only the exact forms silence the banner
      {{"-d", "x.txt", "/q"}, "", 1},
  };
  for (const auto& c : cases) {
    RunResult r = runProgram(ZORVIK_EXE, c.args, t.path());
    EXPECT_EQ(r.out, c.out) << describe(c.args);
    EXPECT_EQ(r.status, c.status) << describe(c.args);
  }
}

TEST(ZorvikCli, ProgramNameCountsForTheQuietSwitch) {
  TempDir t;
  RunResult r = runProgram("/bin/bash", {"-c", "exec -a -q \"$0\" x.txt", ZORVIK_EXE}, t.path());
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.status, 1);
}

TEST(ZorvikCli, UsageFaults) {
  TempDir t;
  const std::string path = t.path() + "/x.txt";  // a path, not a switch
  const struct {
    std::vector<std::string> args;
    std::string message;
  } cases[] = {
      {{"-a"}, "-a switch requires <hexformat>"},
      {{"-ainhx8m"}, "-a switch requires <hexformat>"},
      {{"/a", "INHX8X", "a.o"}, "-a switch requires <hexformat>"},
      {{"-k"}, "-k switch requires <pathlist>"},
      {{"-k", "a;;b"}, "-k switch requires <pathlist>"},
      {{"-k;a"}, "-k switch requires <pathlist>"},
      {{"/K", ";"}, "-k switch requires <pathlist>"},
      {{"-l"}, "-l switch requires <pathlist>"},
      {{"-la;;b"}, "-l switch requires <pathlist>"},
      {{"-m"}, "-m switch requires <filename>"},
      {{"-m", "_x.map"}, "-m switch requires <filename>"},
      {{"-n"}, "-n switch requires <length>"},
      {{"-n", "6O"}, "-n switch requires <length>"},
      {{"-n-1"}, "-n switch requires <length>"},
      {{"a.o", "/o"}, "-o switch requires <filename>"},
      {{"-O", "dir/"}, "-o switch requires <filename>"},
      {{"-X"}, "unknown switch: -x"},
      {{"-zap", "/h"}, "unknown switch: -zap"},
      {{"-"}, "unknown switch: -"},
      {{"/"}, "unknown switch: /"},
      {{"x.txt"}, "unrecognized input: x.txt"},
      {{"a.o", ""}, "unrecognized input: "},
      {{path}, "unrecognized input: " + path},
      {{"a.o", "b.lib", "-d", "-n", "60", "/aINHX32", "-s"}, "linker command file required."},
      {{"-k", "-x", "a.o"}, "linker command file required."},  // a value is never a switch
  };
  for (const auto& c : cases) {
    RunResult r = runProgram(ZORVIK_EXE, c.args, t.path());
    EXPECT_EQ(r.out, errorRun(c.message)) << describe(c.args);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.status, 1) << describe(c.args);
  }
  EXPECT_TRUE(t.list().empty());
}

}  // namespace
