// The linker command file reader. A file is found, read line by line, and
// every keyword of a line becomes one declaration on the Linker:
//
//   LIBPATH lib FILES start.o    // LIBPATH takes one token, FILES the rest
//   CODEPAGE NAME=page0 START=0x0 END=0x7FF PROTECTED FILL=0x3FFF
//   SECTION NAME=text ROM=page0
//
// Every fault names its place as 'file:line' and ends the run.
#include <sys/stat.h>

#include <fstream>
#include <sstream>

#include "FileSpec.h"
#include "NameTests.h"
#include "OsPath.h"
#include "Parser.h"
#include "TextHelpers.h"
#include "linker.h"

namespace {

// Where the file is: as given when the name has a directory part, else the
// first of the current directory and the search directories that holds it.
// Empty when there is none.
std::string findCommandFile(const std::string& name, const std::list<std::string>& dirs) {
  const FileSpec given(name);
  if (given.hasPath()) return given.fileExists() ? name : std::string();
  const std::string here = inCurrentDir(name);
  if (FileSpec(here).fileExists()) return here;
  for (const std::string& dir : dirs) {
    const std::string candidate = joinPath(dir, name);
    if (FileSpec(candidate).fileExists()) return candidate;
  }
  return std::string();
}

// Only a regular file is read: a directory, a device or a pipe is not a
// command file, and opening it is the open failure.
bool openRegularFile(const std::string& name, std::ifstream& in) {
  struct stat st;
  const std::string path = osPath(name);
  if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  in.open(path, std::ios::in | std::ios::binary);
  return in.is_open();
}

// The next token of a file or directory operand ('"' quotes blanks). Ends the
// walk over the line's operands (false) at the line's end; a token that is
// empty or whose quote is left open is the operand's fault.
bool nextOperand(std::istream& words, std::string& token, const std::string& fault) {
  while (words.good() && isAsciiSpace(static_cast<char>(words.peek()))) words.get();
  if (words.peek() == std::char_traits<char>::eof()) return false;
  if (!readToken(words, token)) Parser::usage(fault);
  return true;
}

// The directories of LIBPATH and LKRPATH: exactly one token, split at ';'.
std::list<std::string> operandDirs(std::istream& words, const std::string& fault) {
  std::string token;
  if (!nextOperand(words, token, fault)) Parser::usage(fault);
  std::list<std::string> dirs = split(token, ';');
  if (dirs.empty()) Parser::usage(fault);
  for (const std::string& dir : dirs) {
    if (!isDirName(dir)) Parser::usage(fault);
  }
  return dirs;
}

// KEY=value with a non-empty value; false for a word without a usable '='.
bool attribute(const std::string& word, std::string& key, std::string& value) {
  const std::string::size_type eq = word.find('=');
  if (eq == std::string::npos || eq + 1 == word.size()) return false;
  key = word.substr(0, eq);
  value = word.substr(eq + 1);
  return true;
}

// One attribute that may be given once: false when it was given before.
bool takeOnce(bool& given, std::string& slot, const std::string& value) {
  if (given) return false;
  given = true;
  slot = value;
  return true;
}

// A hexadecimal fill pattern is widened with zeros after its "0x" to whole
// words of four digits: 0xFF gives 0x00FF.
std::string padFill(std::string fill) {
  if (fill.size() <= 2 || (fill[1] != 'x' && fill[1] != 'X')) return fill;
  while ((fill.size() - 2) % 4 != 0) fill = "0x0" + fill.substr(2);
  return fill;
}

}  // namespace

std::string Parser::stripComment(const std::string& line) {
  const std::string::size_type at = line.find("//");
  return at == std::string::npos ? line : line.substr(0, at);
}

std::string Parser::location(const std::string& file, uint64_t line) {
  return "'" + file + ":" + std::to_string(line) + "'";
}

void Parser::parseCommandFile(const std::string& name, Linker& linker) {
  const std::string file = findCommandFile(name, cLkrPaths);
  if (file.empty()) usage("Could not find linker command file '" + name + "'.");
  std::ifstream in;
  if (!openRegularFile(file, in)) usage("Could not open '" + file + "'");
  for (const std::string& read : cCommandFiles) {
    if (read == file) usage("Multliple inclusion of linker command file '" + file + "' ");
  }
  cCommandFiles.push_back(file);
  linker.cCommandFiles.push_back(file);  // an input, which no output may replace

  std::string text;
  for (uint64_t line = 1; std::getline(in, text); ++line) {
    if (!text.empty() && text.back() == '\r') text.pop_back();
    std::istringstream words(stripComment(text) + " ");
    parseLine(words, file, line, linker);
  }
}

void Parser::parseLine(std::istream& words, const std::string& file, uint64_t line,
                       Linker& linker) {
  std::string message;
  std::string keyword;
  while (words >> keyword) {
    if (keyword == "LIBPATH") {
      parseLibPath(words, file, line, linker);
    } else if (keyword == "LKRPATH") {
      parseLkrPath(words, file, line);
    } else if (keyword == "FILES") {
      parseFiles(words, file, line, linker);
    } else if (keyword == "INCLUDE") {
      parseInclude(words, file, line, linker);
    } else if (keyword == "DATABANK") {
      accepted(linker.addDataBank(parseMemory(words, keyword, file, line, ram), message), message);
    } else if (keyword == "CODEPAGE") {
      accepted(linker.addCodePage(parseMemory(words, keyword, file, line, rom), message), message);
    } else if (keyword == "SHAREBANK") {
      accepted(linker.addShareBank(parseMemory(words, keyword, file, line, ram), message), message);
    } else if (keyword == "ACCESSBANK") {
      accepted(linker.addAccessBank(parseMemory(words, keyword, file, line, ram), message),
               message);
    } else if (keyword == "SECTION") {
      accepted(linker.addSectionDesc(parseSection(words, file, line), message), message);
    } else if (keyword == "STACK") {
      accepted(linker.setStackDesc(parseStack(words, file, line), message), message);
    } else if (keyword == "HEAP") {
      accepted(linker.setMinHeapSize(parseHeap(words, file, line), message), message);
    } else {
      usage("Unrecognized input in " + location(file, line) + ": " + keyword);
    }
  }
}

void Parser::parseLibPath(std::istream& words, const std::string& file, uint64_t line,
                          Linker& linker) {
  const std::string fault = "Illegal <libpath> for LIBPATH in " + location(file, line);
  std::string message;
  for (const std::string& dir : operandDirs(words, fault)) {
    accepted(linker.addLibPath(dir, message), message);
  }
}

void Parser::parseLkrPath(std::istream& words, const std::string& file, uint64_t line) {
  const std::string fault = "Illegal <lkrpath> for LKRPATH in " + location(file, line);
  for (const std::string& dir : operandDirs(words, fault)) cLkrPaths.push_back(dir);
}

void Parser::parseFiles(std::istream& words, const std::string& file, uint64_t line,
                        Linker& linker) {
  const std::string fault = "Illegal <filename> for FILES in " + location(file, line);
  std::string message;
  std::string name;
  bool any = false;
  while (nextOperand(words, name, fault)) {
    any = true;
    if (isObjectFileName(name)) {
      accepted(linker.addObjectFile(name, message), message);
    } else if (isLibraryFileName(name)) {
      accepted(linker.addLibraryFile(name, message), message);
    } else {
      usage(fault);
    }
  }
  if (!any) usage(fault);
}

void Parser::parseInclude(std::istream& words, const std::string& file, uint64_t line,
                          Linker& linker) {
  const std::string fault = "Illegal <filename> for INCLUDE in " + location(file, line);
  std::string name;
  bool any = false;
  while (nextOperand(words, name, fault)) {
    any = true;
    if (!isCommandFileName(name)) usage(fault);
    parseCommandFile(name, linker);
  }
  if (!any) usage(fault);
}

Memory Parser::parseMemory(std::istream& words, const std::string& keyword, const std::string& file,
                           uint64_t line, uint8_t kind) {
  const std::string fault = "Invalid attributes for " + keyword + " in " + location(file, line);
  bool hasName = false, hasStart = false, hasEnd = false, hasFill = false, isProtected = false;
  std::string name, start, end, fill;
  std::string word, key, value;
  while (words >> word) {
    if (word == "PROTECTED") {
      if (isProtected) usage(fault);
      isProtected = true;
      continue;
    }
    bool ok = attribute(word, key, value);
    if (ok && key == "NAME")
      ok = takeOnce(hasName, name, value);
    else if (ok && key == "START")
      ok = takeOnce(hasStart, start, value);
    else if (ok && key == "END")
      ok = takeOnce(hasEnd, end, value);
    else if (ok && key == "FILL")
      ok = kind == rom && takeOnce(hasFill, fill, value);
    else
      ok = false;
    if (!ok) usage(fault);
  }
  if (!hasName || !hasStart || !hasEnd) usage(fault);
  // A memory ends at or after its start.
  const uint32_t first = toNumber(start), last = toNumber(end);
  if (last < first) usage(fault);
  return Memory(name, first, last, kind, isProtected, hasFill, hasFill ? padFill(fill) : "");
}

SectionDesc Parser::parseSection(std::istream& words, const std::string& file, uint64_t line) {
  const std::string fault = "Invalid attributes for SECTION in " + location(file, line);
  bool hasName = false, hasRom = false, hasRam = false;
  std::string name, rom, ram;
  std::string word, key, value;
  while (words >> word) {
    bool ok = attribute(word, key, value);
    if (ok && key == "NAME")
      ok = takeOnce(hasName, name, value);
    else if (ok && key == "ROM")
      ok = takeOnce(hasRom, rom, value);
    else if (ok && key == "RAM")
      ok = takeOnce(hasRam, ram, value);
    else
      ok = false;
    if (!ok) usage(fault);
  }
  if (!hasName || (!hasRom && !hasRam)) usage(fault);
  return SectionDesc(name, rom, ram);
}

StackDesc Parser::parseStack(std::istream& words, const std::string& file, uint64_t line) {
  const std::string fault = "Invalid attributes for STACK in " + location(file, line);
  bool hasSize = false, hasRam = false;
  std::string size, ram;
  std::string word, key, value;
  while (words >> word) {
    bool ok = attribute(word, key, value);
    if (ok && key == "SIZE")
      ok = takeOnce(hasSize, size, value);
    else if (ok && key == "RAM")
      ok = takeOnce(hasRam, ram, value);
    else
      ok = false;
    if (!ok) usage(fault);
  }
  if (!hasSize) usage(fault);
  return StackDesc(toNumber(size), ram);
}

uint32_t Parser::parseHeap(std::istream& words, const std::string& file, uint64_t line) {
  const std::string fault = "Invalid attributes for HEAP in " + location(file, line);
  bool hasMinSize = false;
  std::string minSize;
  std::string word, key, value;
  while (words >> word) {
    bool ok = attribute(word, key, value);
    if (ok && key == "MINSIZE")
      ok = takeOnce(hasMinSize, minSize, value);
    else
      ok = false;
    if (!ok) usage(fault);
  }
  if (!hasMinSize) usage(fault);
  return toNumber(minSize);
}
