// The librarian's command line: which words select which command, and which
// lines end the process with which status.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ArParser.h"
#include "Archiver.h"
#include "Reporter.h"

namespace {

struct RecordingSink : ArCommandSink {
  bool setCommand(ArCommand cmd, const std::string& library,
                  const std::vector<std::string>& members) override {
    ++calls;
    cCmd = cmd;
    cLibrary = library;
    cMembers = members;
    return accept;
  }
  bool accept = true;
  int calls = 0;
  ArCommand cCmd = cmdCreate;
  std::string cLibrary;
  std::vector<std::string> cMembers;
};

// Runs the parser over "quandel" + words.
void parseWords(std::vector<std::string> words, ArCommandSink& sink) {
  words.insert(words.begin(), "quandel");
  std::vector<char*> argv;
  for (std::string& w : words) argv.push_back(&w[0]);
  argv.push_back(nullptr);
  ArParser::parse(static_cast<int>(words.size()), argv.data(), sink);
}

class ArParserTest : public ::testing::Test {
 protected:
  void TearDown() override { setQuiet(0); }
};

TEST_F(ArParserTest, CommandWordsSelectTheirCommand) {
  const struct {
    std::vector<std::string> words;
    ArCommand cmd;
  } cases[] = {
      {{"/c", "x.lib", "a.o"}, cmdCreate},  {{"-C", "x.lib", "a.o"}, cmdCreate},
      {{"/t", "x.lib"}, cmdList},           {{"-T", "x.lib"}, cmdList},
      {{"/d", "x.lib", "a.o"}, cmdDelete},  {{"/D", "x.lib", "a.o"}, cmdDelete},
      {{"-r", "x.lib", "a.o"}, cmdReplace}, {{"/R", "x.lib", "a.o"}, cmdReplace},
      {{"/x", "x.lib"}, cmdExtract},        {{"-X", "x.lib"}, cmdExtract},
  };
  for (const auto& c : cases) {
    RecordingSink sink;
    parseWords(c.words, sink);
    EXPECT_EQ(sink.calls, 1) << c.words[0];
    EXPECT_EQ(sink.cCmd, c.cmd) << c.words[0];
    EXPECT_EQ(sink.cLibrary, "x.lib") << c.words[0];
  }
}

TEST_F(ArParserTest, LibraryAndMembersArePassedAsTyped) {
  RecordingSink sink;
  parseWords({"/C", "LIB.LIB", "b.o", "obj/a.O", "A.o"}, sink);
  EXPECT_EQ(sink.cLibrary, "LIB.LIB");
  EXPECT_EQ(sink.cMembers, (std::vector<std::string>{"b.o", "obj/a.O", "A.o"}));
}

TEST_F(ArParserTest, QuietBeforeTheCommandSetsQuietMode) {
  RecordingSink sink;
  parseWords({"/Q", "/t", "x.lib"}, sink);
  EXPECT_TRUE(isQuiet());
  EXPECT_EQ(sink.cCmd, cmdList);
}

TEST_F(ArParserTest, WordsRunningOutInQuietModeReturnWithoutCommand) {
  RecordingSink sink;
  parseWords({"-q"}, sink);
  EXPECT_EQ(sink.calls, 0);
  Archiver archiver;
  EXPECT_FALSE(archiver.execute());
}

using ArParserDeathTest = ArParserTest;

TEST_F(ArParserDeathTest, HelpAndUnknownWordsShowTheHelpText) {
  const std::vector<std::vector<std::string>> lines = {
      {},        {"/h"},           {"-H"}, {"/?"},       {"-?"},
      {"x.lib"}, {"/ct", "x.lib"}, {"/z"}, {"/q", "/h"}, {"/c/x", "x.lib"},
  };
  for (const auto& words : lines) {
    RecordingSink sink;
    EXPECT_EXIT(parseWords(words, sink), ::testing::ExitedWithCode(255),
                "Syntax:   quandel \\[/q\\] /\\{ctdrxh\\} LIBRARY")
        << (words.empty() ? "(none)" : words[0]);
  }
}

TEST_F(ArParserDeathTest, BadLibraryNamesAreUsageErrors) {
  const std::vector<std::vector<std::string>> lines = {
      {"/c"},           {"/c", ""},       {"/c", "a.o"}, {"/t", ".lib"},
      {"/t", "_x.lib"}, {"/t", "x.libx"}, {"/t", "/q"},
  };
  for (const auto& words : lines) {
    RecordingSink sink;
    EXPECT_EXIT(parseWords(words, sink), ::testing::ExitedWithCode(1),
                "^Error - library filename is required\nErrors    : 1\n")
        << words.size();
  }
}

TEST_F(ArParserDeathTest, BadMemberNamesAreUsageErrors) {
  const std::vector<std::vector<std::string>> lines = {
      {"/c", "x.lib", "a.obj"},     {"/c", "x.lib", "a.o", ""}, {"/r", "x.lib", ".o"},
      {"/d", "x.lib", "a.o", "/q"}, {"/x", "x.lib", "_a.o"},    {"/c", "x.lib", "a.o", "/t"},
  };
  for (const auto& words : lines) {
    RecordingSink sink;
    EXPECT_EXIT(parseWords(words, sink), ::testing::ExitedWithCode(1),
                "^Error - invalid object filename\nErrors    : 1\n")
        << words.back();
  }
}

TEST_F(ArParserDeathTest, ARefusedCommandIsAUsageError) {
  RecordingSink sink;
  sink.accept = false;
  EXPECT_EXIT(parseWords({"/t", "x.lib"}, sink), ::testing::ExitedWithCode(1),
              "^Error - Usage:  quandel \\[/q\\] /\\{ctdrx\\} LIBRARY \\[MEMBER\\.\\.\\.\\] \n");
}

TEST(ArchiverTest, OnlyTheFirstCommandIsTaken) {
  Archiver archiver;
  EXPECT_TRUE(archiver.setCommand(cmdList, "a.lib", {}));
  EXPECT_FALSE(archiver.setCommand(cmdDelete, "b.lib", {"x.o"}));
  std::ostringstream os;
  archiver.print(os);
  EXPECT_EQ(os.str(), "Archiver:\n  cCmd=cmdList\n  cArchive=a.lib\n  cMembers=\n  cHasCmd=1\n");
}

TEST(ArchiverTest, DumpBeforeAnyCommand) {
  Archiver archiver;
  std::ostringstream os;
  archiver.print(os);
  EXPECT_EQ(os.str(), "Archiver:\n  cCmd=undefined\n  cArchive=\n  cMembers=\n  cHasCmd=0\n");
}

}  // namespace
