#include "HexArgs.h"

#include <iostream>
#include <list>

#include "Args.h"
#include "Reporter.h"
#include "TextHelpers.h"

namespace {

bool usage() {
  if (!isQuiet()) std::cerr << hexUsageText() << std::endl;
  return false;
}

bool fault(const char* message) {
  if (!isQuiet()) std::cerr << message << std::endl;
  return false;
}

// "BBBB-EEEE": two numbers, the second not below the first.
bool readRange(const std::string& text, AddrRange& range) {
  std::list<std::string> pieces = split(text, '-');
  if (pieces.size() != 2) return false;
  uint32_t start = 0, end = 0;
  if (!readRangeNumber(pieces.front(), start) || !readRangeNumber(pieces.back(), end)) {
    return false;
  }
  if (end < start) return false;
  range = AddrRange(start, end);
  return true;
}

bool readFormat(const std::string& text, HexFormat& format) {
  if (text == "INHX8M")
    format = INHX8M;
  else if (text == "INHX8S")
    format = INHX8S;
  else if (text == "INHX32")
    format = INHX32;
  else
    return false;
  return true;
}

}  // namespace

std::string hexUsageText() {
  return "Usage: pellund [/a <hexformat>] [/r 0xBBBB-0xEEEE]... [/q] <coffFile>\n"
         "   where, <hexformat> is {INHX32, INHX8S, INHX8M} \n"
         "          0xBBBB is the beginning program memory address of a range to include\n"
         "          0xEEEE is the ending program memory address of a range to include\n"
         "   If no /r option is present, all rom sections will be included.\n";
}

bool readRangeNumber(const std::string& text, uint32_t& value) {
  std::string::size_type i = 0;
  unsigned base = 10;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    base = 16;
    i = 2;
  }
  if (i >= text.size()) return false;
  uint64_t v = 0;
  for (; i < text.size(); ++i) {
    int d = digitValue(text[i]);
    if (d >= static_cast<int>(base)) return false;
    v = v * base + static_cast<unsigned>(d);
    if (v > 0xFFFFFFFFull) return false;
  }
  value = static_cast<uint32_t>(v);
  return true;
}

bool parseHexArgs(int argc, char** argv, HexArgs& args) {
  for (int i = 1; i < argc; ++i) {
    const std::string word = argv[i];
    const std::string key = isSwitchWord(word) ? foldSwitch(word) : word;
    const bool hasNext = i + 1 < argc;
    if (key == "-r" || key == "/r") {
      if (!hasNext) return usage();
      AddrRange range;
      if (!readRange(argv[i + 1], range)) {
        return fault("/r requires 0xBBBB-0xEEEE where 0xEEEE >= 0xBBBB");
      }
      args.cRanges.push_back(range);
      ++i;
    } else if (key == "-q" || key == "/q") {
      // The pre-scan has set quiet mode.
    } else if (key == "-a" || key == "/a") {
      if (!readFormat(hasNext ? argv[i + 1] : "", args.cFormat)) {
        return fault("-a switch requires {INHX32, INHX8S, INHX8M}");
      }
      ++i;
    } else if (args.cCoffName.empty()) {
      args.cCoffName = word;
    } else {
      return usage();
    }
  }
  if (args.cCoffName.empty()) return usage();
  return true;
}
