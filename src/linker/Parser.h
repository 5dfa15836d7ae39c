// zorvik's command line and linker command files, turned into calls on the
// Linker's command operations:
//
//   zorvik { cmdfile | [objfile] | [libfile] | [option] } ...
//
//   // app.lkr
//   LIBPATH lib;../common
//   FILES start.o util.lib
//   CODEPAGE   NAME=page0 START=0x0    END=0x7FF  FILL=0x3FFF
//   DATABANK   NAME=gpr0  START=0x20   END=0x6F
//   SHAREBANK  NAME=gprs  START=0x70   END=0x7F
//   SECTION    NAME=main  ROM=page0
//   STACK      SIZE=0x10  RAM=gpr0
//   INCLUDE    extra.lkr
//
// Every fault ends the run: usage reports it and exits with status 1, the help
// text exits with status 255.
#ifndef ZV_LINKER_PARSER_H
#define ZV_LINKER_PARSER_H

#include <cstdint>
#include <istream>
#include <list>
#include <string>

#include "Descriptors.h"
#include "memtarg.h"

class Linker;

class Parser {
 public:
  // Walks the arguments from the first after the program name; returns only
  // when the whole line was accepted.
  void parse(int argc, char** argv, Linker& linker);

  // Finds the command file (the name as given when it has a directory part,
  // else the current directory, then the command-file directories), reads it
  // to its end and declares what it says; INCLUDE reads further files at once.
  void parseCommandFile(const std::string& name, Linker& linker);

  // Reports the text as an error, then ends the run through the summary with 1.
  [[noreturn]] static void usage(const std::string& text);
  // The help text, then the end of the run with 255 and no summary.
  [[noreturn]] static void printSyntax();

  // The line up to its first "//".
  static std::string stripComment(const std::string& line);

 private:
  // A command operation's answer: a refusal ends the run with its message.
  static void accepted(int ok, const std::string& message);

  // One switch word (with its value, which may be the next argument) and one
  // input name; `commandFile` is set when the name was a command file.
  void parseSwitch(const std::string& word, int& i, int argc, char** argv, Linker& linker);
  void parseInput(const std::string& word, bool& commandFile, Linker& linker);

  // One command-file line, keyword after keyword.
  void parseLine(std::istream& words, const std::string& file, uint64_t line, Linker& linker);
  void parseLibPath(std::istream& words, const std::string& file, uint64_t line, Linker& linker);
  void parseLkrPath(std::istream& words, const std::string& file, uint64_t line);
  void parseFiles(std::istream& words, const std::string& file, uint64_t line, Linker& linker);
  void parseInclude(std::istream& words, const std::string& file, uint64_t line, Linker& linker);

  // The attribute readers: the rest of the line into one declaration.
  static Memory parseMemory(std::istream& words, const std::string& keyword,
                            const std::string& file, uint64_t line, uint8_t kind);
  static SectionDesc parseSection(std::istream& words, const std::string& file, uint64_t line);
  static StackDesc parseStack(std::istream& words, const std::string& file, uint64_t line);
  static uint32_t parseHeap(std::istream& words, const std::string& file, uint64_t line);

  // Where a command-file message points: 'file:line'.
  static std::string location(const std::string& file, uint64_t line);

  std::list<std::string> cCommandFiles;  // resolved names, in reading order
  std::list<std::string> cLkrPaths;      // command-file directories (/k, LKRPATH)
};

// A name whose file part has more than 4 characters, starts with a letter or
// digit and ends in ".lkr" (any case).
bool isCommandFileName(const std::string& word);

// A non-empty text; the directory is not looked at.
bool isDirName(const std::string& word);

#endif
