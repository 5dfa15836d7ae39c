#include "ArParser.h"

#include <iomanip>
#include <iostream>
#include <vector>

#include "Args.h"
#include "NameTests.h"
#include "Reporter.h"

namespace {

// The word as a switch is compared: its second character lower-cased when it
// is a switch word, else unchanged (a path such as /home/u/a.lib).
std::string switchText(const std::string& word) {
  return isSwitchWord(word) ? foldSwitch(word) : word;
}

bool isCommandWord(const std::string& sw, ArCommand& cmd) {
  static const struct {
    char letter;
    ArCommand cmd;
  } kCommands[] = {
      {'c', cmdCreate}, {'t', cmdList}, {'d', cmdDelete}, {'r', cmdReplace}, {'x', cmdExtract}};
  if (sw.size() != 2 || (sw[0] != '-' && sw[0] != '/')) return false;
  for (const auto& c : kCommands) {
    if (sw[1] == c.letter) {
      cmd = c.cmd;
      return true;
    }
  }
  return false;
}

// The words after a command word: the library name, then the member names.
void takeCommand(ArCommand cmd, int first, int argc, char** argv, ArCommandSink& sink) {
  std::string library = first < argc ? argv[first] : "";
  if (library.empty() || !isLibraryFileName(library)) {
    ArParser::usage("library filename is required");
  }
  std::vector<std::string> members;
  for (int i = first + 1; i < argc; ++i) {
    std::string member = argv[i];
    if (member.empty() || !isObjectFileName(member)) ArParser::usage("invalid object filename");
    members.push_back(member);
  }
  if (!sink.setCommand(cmd, library, members)) ArParser::usage("");
}

}  // namespace

void ArParser::parse(int argc, char** argv, ArCommandSink& sink) {
  for (int i = 1; i < argc; ++i) {
    std::string sw = switchText(argv[i]);
    ArCommand cmd = cmdCreate;
    if (isCommandWord(sw, cmd)) {
      takeCommand(cmd, i + 1, argc, argv, sink);
      return;  // one command per run
    }
    if (sw == "-h" || sw == "/h" || sw == "/?") syntax();
    if (sw == "-q" || sw == "/q") {
      setQuiet(1);
      continue;
    }
    syntax();  // any other word before the command
  }
  if (!isQuiet()) syntax();
}

void ArParser::usage(const std::string& message) {
  std::string text = message.empty() ? "Usage:  quandel [/q] /{ctdrx} LIBRARY [MEMBER...] "
                                     : message;
  reportError("ArParser::usage()", text);
  exitWithSummary(1);
}

void ArParser::syntax() {
  static const char* const kLines[] = {
      "  /q      : quiet mode",
      "  /c      : create library LIBRARY",
      "  /t      : list library LIBRARY",
      "  /d      : delete MEMBER from LIBRARY",
      "  /r      : add or replace MEMBER in LIBRARY",
      "  /x      : extract MEMBER from LIBRARY",
      "  /h, /?  : show this help screen",
  };
  std::cout.flush();
  std::cerr << "Syntax:   quandel [/q] /{ctdrxh} LIBRARY [MEMBER...]  " << '\n';
  for (const char* line : kLines) std::cerr << std::left << std::setw(45) << line << '\n';
  std::cerr << '\n';
  exitWithoutSummary(255);
}
