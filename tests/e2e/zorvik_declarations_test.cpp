// What zorvik does with the declarations of a well-formed command line: the
// refusals of the Linker's command operations reached from the command line and
// from command files, and a run that gets as far as the link.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Banner.h"
#include "RunProgram.h"

namespace {

std::string banner() { return std::string(linkerBanner()) + "\n" + noticeBanner() + "\n\n"; }

std::string errorRun(const std::string& message) {
  return banner() + "Error - " + message + "\nErrors    : 1\nWarnings  : 0\n\n";
}

const char* const kDevice =
    "// a small device\n"
    "LIBPATH lib;\"with blank\" LKRPATH more\n"
    "FILES start.o \"my util.lib\"\n"
    "CODEPAGE   NAME=page0 START=0x0    END=0x7FF FILL=0xFF\n"
    "CODEPAGE   NAME=cfg   START=0x2007 END=0x2007 PROTECTED\n"
    "DATABANK   NAME=gpr0  START=0x20   END=0x6F\n"
    "SHAREBANK  NAME=sh    START=0x70   END=0x7F\n"
    "SHAREBANK  NAME=sh    START=0xF0   END=0xFF\r\n"
    "ACCESSBANK NAME=acc   START=0x100  END=0x15F\n"
    "SECTION    NAME=text  ROM=page0\n"
    "SECTION    NAME=fast  RAM=acc\n"
    "SECTION    NAME=both  ROM=page0 RAM=gpr0\n"
    "STACK      SIZE=0x10  RAM=gpr0\n"
    "HEAP       MINSIZE=0x\n";

TEST(ZorvikDeclarations, AcceptedLineReachesTheLink) {
  TempDir t;
  t.write("app.lkr", kDevice);
  const struct {
    std::vector<std::string> args;
    std::string out;
  } cases[] = {
      // The link's first phase looks for the object files.
      {{"app.lkr"}, errorRun("could not find file 'start.o'.")},
      {{"-o", "x.cof", "/mx.map", "-s", "-l", "a;b", "main.o", "app.lkr", "-d", "/n0"},
       errorRun("could not find file 'main.o'.")},
      {{"app.lkr", "/q"}, ""},
  };
  for (const auto& c : cases) {
    RunResult r = runProgram(ZORVIK_EXE, c.args, t.path());
    EXPECT_EQ(r.out, c.out) << c.args[0];
    EXPECT_EQ(r.status, 1) << c.args[0];
    EXPECT_EQ(t.list(), std::vector<std::string>{"app.lkr"}) << c.args[0];
  }
}

TEST(ZorvikDeclarations, RefusalsFromCommandFiles) {
  const struct {
    std::string text;
    std::string message;
  } cases[] = {
      {"HEAP MINSIZE=0x40\nHEAP MINSIZE=0x40", "multiple min heap sizes declared: '64', '64'"},
      {"FILES a.o b.o a.o", "mutliple inclusion of object file 'a.o' "},
      {"FILES a.lib\nFILES a.lib", "mutliple inclusion of library file 'a.lib' "},
      {"CODEPAGE NAME=p START=0 END=9\nCODEPAGE NAME=p START=10 END=19",
       "duplicate definition of memory 'p' "},
      {"DATABANK NAME=p START=0 END=9\nCODEPAGE NAME=p START=0 END=9",
       "duplicate definition of memory 'p' "},
      {"DATABANK NAME=a START=0 END=9\nDATABANK NAME=b START=9 END=19",
       "memory 'b' overlaps memory 'a' "},
      {"SHAREBANK NAME=s START=0x70 END=0x7F\nSHAREBANK NAME=s START=0x170 END=0x177",
       "inconsistent length definitions of SHAREBANK 's' "},
      {"CODEPAGE NAME=p START=0 END=9\nSECTION NAME=s ROM=p\nSECTION NAME=s ROM=p",
       "duplicate definitions of SECTION 's' "},
      {"SECTION NAME=s ROM=p\nCODEPAGE NAME=p START=0 END=9",
       "undefined CODEPAGE 'p' for SECTION 's' "},
      {"CODEPAGE NAME=p START=0 END=9\nSECTION NAME=s ROM=p RAM=p",
       "undefined DATABANK/SHAREBANK 'p' for SECTION 's' "},
      {"STACK SIZE=1\nSTACK SIZE=2", "multiple STACK definitions "},
      {"STACK SIZE=1 RAM=d", "undefined DATABANK/SHAREBANK 'd' for STACK. "},
  };
  for (const auto& c : cases) {
    TempDir t;
    t.write("app.lkr", c.text);
    RunResult r = runProgram(ZORVIK_EXE, {"app.lkr"}, t.path());
    EXPECT_EQ(r.out, errorRun(c.message)) << c.text;
    EXPECT_EQ(r.status, 1) << c.text;
  }
}

// A memory that meets several earlier ones names the one declared first (data
// memories: the DATABANKs, then the SHAREBANKs, then the ACCESSBANKs); a name
// seen before is refused before any address is looked at; the first fault of
// a file ends it.
TEST(ZorvikDeclarations, OverlapsAndDuplicatesNameTheFirstDeclared) {
  std::string descending;  // 2,000 pages from the top down
  for (int i = 1999; i >= 0; --i)
    descending += "CODEPAGE NAME=p" + std::to_string(i) + " START=" + std::to_string(i * 16) +
                  " END=" + std::to_string(i * 16 + 15) + "\n";
  const struct {
    std::string text;
    std::string message;
  } cases[] = {
      {"CODEPAGE NAME=a START=0x100 END=0x1FF\nCODEPAGE NAME=b START=0 END=0xFF\n"
       "CODEPAGE NAME=c START=0x80 END=0x17F",
       "memory 'c' overlaps memory 'a' "},
      {"CODEPAGE NAME=a START=0x10 END=0x1F\nCODEPAGE NAME=b START=0x30 END=0x3F\n"
       "CODEPAGE NAME=c START=0 END=5\nCODEPAGE NAME=d START=0 END=0xFF",
       "memory 'd' overlaps memory 'a' "},
      {"CODEPAGE NAME=a START=0 END=9\nCODEPAGE NAME=b START=10 END=19\n"
       "CODEPAGE NAME=c START=20 END=29\nCODEPAGE NAME=d START=10 END=19",
       "memory 'd' overlaps memory 'b' "},
      {"SHAREBANK NAME=s START=0x70 END=0x7F\nDATABANK NAME=d START=0x20 END=0x6F\n"
       "ACCESSBANK NAME=a START=0x60 END=0x7F",
       "memory 'a' overlaps memory 'd' "},
      {"SHAREBANK NAME=s START=0x70 END=0x7F\nSHAREBANK NAME=s START=0xF0 END=0xFF\n"
       "DATABANK NAME=d START=0xE0 END=0x17F",
       "memory 'd' overlaps memory 's' "},
      {"SHAREBANK NAME=s START=0x70 END=0x7F\nSHAREBANK NAME=s START=0xF0 END=0xFF\n"
       "SHAREBANK NAME=s START=0x170 END=0x17E",
       "inconsistent length definitions of SHAREBANK 's' "},
      {"SHAREBANK NAME=s START=0x70 END=0x7F\nDATABANK NAME=s START=0xF0 END=0xFF",
       "duplicate definition of memory 's' "},
      {"CODEPAGE NAME=p START=0 END=9\nCODEPAGE NAME=p START=5 END=15",
       "duplicate definition of memory 'p' "},
      {"CODEPAGE NAME=p START=0 END=9\nCODEPAGE NAME=q START=5 END=15\n"
       "CODEPAGE NAME=p START=20 END=29",
       "memory 'q' overlaps memory 'p' "},
      {"CODEPAGE NAME=p START=0 END=9\nSECTION NAME=s ROM=p\nSECTION NAME=t ROM=p\n"
       "SECTION NAME=s ROM=p\nCODEPAGE NAME=q START=5 END=15",
       "duplicate definitions of SECTION 's' "},
      {descending + "CODEPAGE NAME=x START=16000 END=16031", "memory 'x' overlaps memory 'p1001' "},
      {descending + "CODEPAGE NAME=p1000 START=40000 END=40001",
       "duplicate definition of memory 'p1000' "},
  };
  for (const auto& c : cases) {
    TempDir t;
    t.write("app.lkr", c.text);
    RunResult r = runProgram(ZORVIK_EXE, {"app.lkr"}, t.path());
    EXPECT_EQ(r.out, errorRun(c.message)) << c.message;
    EXPECT_EQ(r.status, 1) << c.message;
  }
}

TEST(ZorvikDeclarations, RefusalsFromTheCommandLine) {
  TempDir t;
  t.write("app.lkr", "FILES a.o\n");
  const struct {
    std::vector<std::string> args;
    std::string message;
  } cases[] = {
      {{"-m", "a.map", "-mb.map", "app.lkr"}, "multiple map files declared: 'a.map', 'b.map'"},
      {{"/mx.map", "/M", "x.map"}, "multiple map files declared: 'x.map', 'x.map'"},
      {{"-ox.cof", "-o", "x.cof"}, "multiple output files declared: 'x.cof', 'x.cof'"},
      {{"a.o", "app.lkr"}, "mutliple inclusion of object file 'a.o' "},
      {{"app.lkr", "a.o"}, "mutliple inclusion of object file 'a.o' "},
      {{"b.lib", "B.lib", "b.lib"}, "mutliple inclusion of library file 'b.lib' "},
      // One file under two resolved names is read twice.
      {{"app.lkr", t.path() + "/app.lkr"}, "mutliple inclusion of object file 'a.o' "},
  };
  for (const auto& c : cases) {
    RunResult r = runProgram(ZORVIK_EXE, c.args, t.path());
    EXPECT_EQ(r.out, errorRun(c.message)) << c.args.back();
    EXPECT_EQ(r.status, 1) << c.args.back();
  }
}

}  // namespace
