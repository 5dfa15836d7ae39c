#include "Parser.h"

#include <iostream>

#include "Args.h"
#include "DirInfo.h"
#include "FileSpec.h"
#include "NameTests.h"
#include "Reporter.h"
#include "TextHelpers.h"
#include "linker.h"

namespace {

// The value of a switch that takes one: the rest of the word, else the next
// argument (which the walk then skips, whatever it looks like), else empty.
std::string switchValue(const std::string& word, int& i, int argc, char** argv) {
  if (word.size() > 2) return word.substr(2);
  if (i + 1 < argc) return argv[++i];
  return "";
}

// The directories of a ';'-separated list; false when there is none or one
// of them is empty.
bool dirList(const std::string& value, std::list<std::string>& dirs) {
  dirs = split(value, ';');
  if (dirs.empty()) return false;
  for (const std::string& dir : dirs) {
    if (!isDirName(dir)) return false;
  }
  return true;
}

bool isHexFormat(const std::string& value) {
  return value == "INHX8M" || value == "INHX8S" || value == "INHX32";
}

}  // namespace

void Parser::parse(int argc, char** argv, Linker& linker) {
  bool seen = false;
  bool commandFile = false;
  for (int i = 1; i < argc; ++i) {
    seen = true;
    std::string word = argv[i];
    if (isSwitchWord(word)) {
      parseSwitch(word, i, argc, argv, linker);
    } else {
      parseInput(word, commandFile, linker);
    }
  }
  if (!seen) printSyntax();
  if (!commandFile) usage("linker command file required.");
}

void Parser::parseSwitch(const std::string& word, int& i, int argc, char** argv, Linker& linker) {
  const std::string sw = foldSwitch(word);
  const char letter = sw.size() >= 2 ? sw[1] : '\0';
  std::string message;
  std::list<std::string> dirs;
  switch (letter) {
    case 'h':
    case '?': printSyntax();
    case 'a':
      if (!isHexFormat(switchValue(word, i, argc, argv))) usage("-a switch requires <hexformat>");
      return;  // accepted; the linker writes no HEX file
    case 'd': return;
    case 'k':
      if (!dirList(switchValue(word, i, argc, argv), dirs)) usage("-k switch requires <pathlist>");
      cLkrPaths.insert(cLkrPaths.end(), dirs.begin(), dirs.end());
      return;
    case 'l':
      if (!dirList(switchValue(word, i, argc, argv), dirs)) usage("-l switch requires <pathlist>");
      for (const std::string& dir : dirs) accepted(linker.addLibPath(dir, message), message);
      return;
    case 'm': {
      const std::string value = switchValue(word, i, argc, argv);
      if (value.empty() || !isFileName(value)) usage("-m switch requires <filename>");
      accepted(linker.setMapFile(value, message), message);
      return;
    }
    case 'n': {
      const std::string value = switchValue(word, i, argc, argv);
      if (!isNumber(value)) usage("-n switch requires <length>");
      return;  // accepted; the linker writes no listing
    }
    case 'o': {
      const std::string value = switchValue(word, i, argc, argv);
      if (value.empty() || !isFileName(value)) usage("-o switch requires <filename>");
      accepted(linker.setOutputFile(value, message), message);
      return;
    }
    case 'q': setQuiet(1); return;
    case 's': accepted(linker.setStrip(1, message), message); return;
    default: usage("unknown switch: " + sw);
  }
}

void Parser::parseInput(const std::string& word, bool& commandFile, Linker& linker) {
  std::string message;
  if (isObjectFileName(word)) {
    accepted(linker.addObjectFile(word, message), message);
  } else if (isLibraryFileName(word)) {
    accepted(linker.addLibraryFile(word, message), message);
  } else if (isCommandFileName(word)) {
    parseCommandFile(word, linker);
    commandFile = true;
  } else {
    usage("unrecognized input: " + word);
  }
}

void Parser::accepted(int ok, const std::string& message) {
  if (!ok) usage(message);
}

void Parser::usage(const std::string& text) {
  reportError("Parser::usage()", text);
  exitWithSummary(1);
}

void Parser::printSyntax() {
  static const char* const kLines[] = {
      "Syntax:   zorvik { cmdfile | [objfile] | [libfile] | [option] } ...  ",
      "  'cmdfile' is the name of a linker command file.              ",
      "       All linker command files must have the extension '.lkr' ",
      "  'objfile' is the name of an assembler or compiler generated object file. ",
      "       All object files must have the extension '.o'.          ",
      "  'libfile' is the name of a librarian created library file.   ",
      "       All library files must have the extension '.lib'.       ",
      "  'option'  is a linker command line option described below.   ",
      "",
      "Linker command line options:                                   ",
      "   /o <filename>   : specify output file 'filename', default is 'a.out'  ",
      "   /m <filename>   : create map file 'filename'                          ",
      "   /l <pathlist>   : list of directories to search for library/object files",
      "   /k <pathlist>   : list of directories to search for linker command files",
      "   /n <length>     : number of lines per listing page (0 = no pagination)",
      "   /h, /?          : show this help screen                   ",
      "   /a <hexformat>  : specify format of hex programming file  ",
      "                     valid formats are INHX8M, INHX8S, INHX32",
      "   /d              : don't create listing file               ",
      "   /q              : quiet mode operation                    ",
  };
  std::cout.flush();
  for (const char* line : kLines) std::cerr << line << '\n';
  exitWithoutSummary(255);
}

bool isCommandFileName(const std::string& word) {
  const FileSpec spec(word);
  const std::string name = spec.name();
  return name.size() > 4 && isAsciiAlnum(name[0]) && equalsIgnoringAsciiCase(spec.ext(), ".lkr");
}

bool isDirName(const std::string& word) { return !DirInfo(word).name().empty(); }
