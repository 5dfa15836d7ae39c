// The command line and the command-file reader, seen through the declarations
// they make: a Linker double records every command operation it receives.
// Faults end the process; the end-to-end tests show them.
#include <gtest/gtest.h>
#include <unistd.h>

#include <climits>
#include <sstream>
#include <string>
#include <vector>

#include "Parser.h"
#include "RunProgram.h"
#include "linker.h"

namespace {

class RecordingLinker : public Linker {
 public:
  std::vector<std::string> calls;

  int setMinHeapSize(uint32_t size, std::string&) override {
    return record("heap " + std::to_string(size));
  }
  int setMapFile(const std::string& name, std::string&) override { return record("map " + name); }
  int setOutputFile(const std::string& name, std::string&) override {
    return record("output " + name);
  }
  int addObjectFile(const std::string& name, std::string&) override {
    return record("object " + name);
  }
  int addLibraryFile(const std::string& name, std::string&) override {
    return record("library " + name);
  }
  int addCodePage(const Memory& m, std::string&) override { return record("CODEPAGE " + text(m)); }
  int addDataBank(const Memory& m, std::string&) override { return record("DATABANK " + text(m)); }
  int addShareBank(const Memory& m, std::string&) override {
    return record("SHAREBANK " + text(m));
  }
  int addAccessBank(const Memory& m, std::string&) override {
    return record("ACCESSBANK " + text(m));
  }
  int addSectionDesc(const SectionDesc& d, std::string&) override {
    return record("section " + d.getName() + " rom=" + d.getLoadMemory() +
                  " ram=" + d.getRunMemory());
  }
  int setStackDesc(const StackDesc& d, std::string&) override {
    return record("stack " + std::to_string(d.getSize()) + " ram=" + d.getRunMemory());
  }
  int addLibPath(const std::string& dir, std::string&) override { return record("libpath " + dir); }
  int setStrip(int value, std::string&) override {
    return record("strip " + std::to_string(value));
  }

 private:
  int record(const std::string& call) {
    calls.push_back(call);
    return 1;
  }
  static std::string text(const Memory& m) {
    std::ostringstream os;
    os << m.getName() << ' ' << m.getStart() << '-' << m.getEnd()
       << (m.getType() == rom ? " rom" : " ram") << (m.isProtected() ? " protected" : "");
    if (m.hasFill()) os << " fill=" << m.getFill();
    return os.str();
  }
};

// Runs each test in a fresh directory, the current one while it runs.
class ParserTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(getcwd(cOldDir, sizeof cOldDir), nullptr);
    ASSERT_EQ(chdir(cDir.path().c_str()), 0);
  }
  void TearDown() override { ASSERT_EQ(chdir(cOldDir), 0); }

  std::vector<std::string> read(const std::string& text) {
    cDir.write("t.lkr", text);
    Parser parser;
    RecordingLinker linker;
    parser.parseCommandFile("t.lkr", linker);
    return linker.calls;
  }

  std::vector<std::string> parse(std::vector<std::string> words) {
    words.insert(words.begin(), "zorvik");
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(&w[0]);
    Parser parser;
    RecordingLinker linker;
    parser.parse(static_cast<int>(argv.size()), argv.data(), linker);
    return linker.calls;
  }

  TempDir cDir;
  char cOldDir[PATH_MAX] = {};
};

using Calls = std::vector<std::string>;

TEST(ParserNames, CommandFileNames) {
  const struct {
    const char* word;
    bool expected;
  } cases[] = {
      {"app.lkr", true},    {"X.LKR", true},     {"a.Lkr", true},   {"dir/app.lkr", true},
      {"dir\\9.lkr", true}, {".lkr", false},     {"_a.lkr", false}, {"app.lkr.o", false},
      {"app.lk", false},    {"app.lkrx", false}, {"", false},       {"dir.lkr/", false},
  };
  for (const auto& c : cases) EXPECT_EQ(isCommandFileName(c.word), c.expected) << c.word;
  EXPECT_TRUE(isDirName("no/such/dir"));
  EXPECT_FALSE(isDirName(""));
}

TEST(ParserNames, StripComment) {
  EXPECT_EQ(Parser::stripComment("FILES a.o // b.o"), "FILES a.o ");
  EXPECT_EQ(Parser::stripComment("// all"), "");
  EXPECT_EQ(Parser::stripComment("FILES \"x//y.o\""), "FILES \"x");
  EXPECT_EQ(Parser::stripComment("LIBPATH a/b"), "LIBPATH a/b");
}

TEST_F(ParserTest, EveryKeywordMakesItsDeclaration) {
  EXPECT_EQ(read("LIBPATH lib;../common\n"
                 "LKRPATH more\n"
                 "FILES a.o b.LIB \"with blank.o\"\n"
                 "CODEPAGE NAME=page0 START=0 END=0x7FF PROTECTED\n"
                 "DATABANK NAME=gpr0 START=0x20 END=0x6F\n"
                 "SHAREBANK NAME=sh START=112 END=127 PROTECTED\n"
                 "ACCESSBANK NAME=acc START=0x0 END=0x5F\n"
                 "SECTION NAME=text ROM=page0\n"
                 "SECTION RAM=gpr0 NAME=data ROM=page0\n"
                 "STACK SIZE=0x10 RAM=gpr0\n"
                 "HEAP MINSIZE=64\n"),
            (Calls{"libpath lib", "libpath ../common", "object a.o", "library b.LIB",
                   "object with blank.o", "CODEPAGE page0 0-2047 rom protected",
                   "DATABANK gpr0 32-111 ram", "SHAREBANK sh 112-127 ram protected",
                   "ACCESSBANK acc 0-95 ram", "section text rom=page0 ram=",
                   "section data rom=page0 ram=gpr0", "stack 16 ram=gpr0", "heap 64"}));
}

TEST_F(ParserTest, LineForms) {
  // A word after LIBPATH's one token is the next keyword; comments, blank
  // lines, carriage returns and white space of any kind are passed over.
  EXPECT_EQ(read("LIBPATH dir1 FILES a.o\r\n"
                 "\n"
                 "   // a comment line\n"
                 "\tSTACK\tSIZE=4 // RAM=gpr0\r\n"
                 "LKRPATH a; LIBPATH \"x y\";z\n"
                 "FILES last.o"),
            (Calls{"libpath dir1", "object a.o", "stack 4 ram=", "libpath x y", "libpath z",
                   "object last.o"}));
}

TEST_F(ParserTest, NumbersConvertAsThirtyTwoBitValues) {
  EXPECT_EQ(read("CODEPAGE NAME=a START=0x END=0x1\n"
                 "CODEPAGE NAME=b START=0X10 END=0x1FFFFFFFF\n"
                 "CODEPAGE NAME=c START=12abc END=99999999999\n"
                 "STACK SIZE=-1\n"
                 "HEAP MINSIZE=0x\n"),
            (Calls{"CODEPAGE a 0-1 rom", "CODEPAGE b 16-4294967295 rom",
                   "CODEPAGE c 12-4294967295 rom", "stack 4294967295 ram=", "heap 0"}));
}

TEST_F(ParserTest, FillPatternsArePaddedToWholeWords) {
  const struct {
    const char* fill;
    const char* kept;
  } cases[] = {
      {"0x3FFF", "0x3FFF"},      {"0xFF", "0x00FF"}, {"0X1", "0x0001"}, {"0x123", "0x0123"},
      {"0x12345", "0x00012345"}, {"0x", "0x"},       {"255", "255"},    {"1x2", "0x0002"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(read(std::string("CODEPAGE NAME=p START=0 END=9 FILL=") + c.fill),
              Calls{std::string("CODEPAGE p 0-9 rom fill=") + c.kept})
        << c.fill;
  }
}

TEST_F(ParserTest, LongLinesAreReadWhole) {
  std::string files = "FILES";
  Calls expected;
  for (int i = 0; i < 300; ++i) {
    files += " obj" + std::to_string(i) + ".o";
    expected.push_back("object obj" + std::to_string(i) + ".o");
  }
  ASSERT_GT(files.size(), 2000u);
  EXPECT_EQ(read(files + "\nHEAP MINSIZE=1\n").size(), 301u);
  expected.push_back("heap 1");
  EXPECT_EQ(read(files + "\nHEAP MINSIZE=1\n"), expected);
}

TEST_F(ParserTest, IncludedDeclarationsComeAtTheirPlace) {
  cDir.write("inner.lkr", "FILES inner.o\n");
  ASSERT_EQ(mkdir("sub", 0755), 0);
  cDir.write("sub/deep.lkr", "FILES deep.o\n");
  EXPECT_EQ(read("FILES first.o\n"
                 "INCLUDE inner.lkr sub/deep.lkr\n"
                 "FILES last.o\n"),
            (Calls{"object first.o", "object inner.o", "object deep.o", "object last.o"}));
}

TEST_F(ParserTest, SearchTakesTheCurrentDirectoryFirst) {
  ASSERT_EQ(mkdir("one", 0755), 0);
  ASSERT_EQ(mkdir("two", 0755), 0);
  cDir.write("one/x.lkr", "FILES one.o\n");
  cDir.write("two/x.lkr", "FILES two.o\n");
  cDir.write("two/y.lkr", "FILES y.o\n");
  EXPECT_EQ(read("LKRPATH one;two\nINCLUDE x.lkr y.lkr\n"), (Calls{"object one.o", "object y.o"}));
  cDir.write("x.lkr", "FILES here.o\n");
  EXPECT_EQ(read("LKRPATH two\nINCLUDE x.lkr\n"), Calls{"object here.o"});
}

TEST_F(ParserTest, CommandLineDeclarationsInArgumentOrder) {
  cDir.write("app.lkr", "FILES b.o\n");
  ASSERT_EQ(mkdir("k", 0755), 0);
  cDir.write("k/far.lkr", "FILES far.o\n");
  EXPECT_EQ(
      parse({"a.o", "-l", "x;y", "/Omain.out", "app.lkr", "-mmap.txt", "one.lib", "-s", "/kk",
             "far.lkr", "-d", "/aINHX32", "-n", "60", "-quiet", cDir.path() + "/c.o"}),
      (Calls{"object a.o", "libpath x", "libpath y", "output main.out", "object b.o", "map map.txt",
             "library one.lib", "strip 1", "object far.o", "object " + cDir.path() + "/c.o"}));
}

}  // namespace
