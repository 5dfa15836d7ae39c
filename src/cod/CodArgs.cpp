#include "CodArgs.h"

#include <climits>
#include <iostream>

#include "Args.h"
#include "Reporter.h"
#include "TextHelpers.h"

namespace {

bool usage() {
  if (!isQuiet()) std::cerr << codUsageText() << "\n";
  return false;
}

}  // namespace

std::string codUsageText() {
  return "Usage: vostrum [-n, /n <listingPageLength>] [-d, /d] [-q, /q] <coffFile>";
}

int pageLengthValue(const std::string& text) {
  size_t i = 0;
  while (i < text.size() && isAsciiSpace(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  long long value = 0;
  const long long limit = negative ? -static_cast<long long>(INT_MIN) : INT_MAX;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 + (text[i] - '0');
    if (value > limit) value = limit;
  }
  return static_cast<int>(negative ? -value : value);
}

bool parseCodArgs(int argc, char** argv, CodArgs& args) {
  for (int i = 1; i < argc; ++i) {
    const std::string word = argv[i];
    const std::string key = isSwitchWord(word) ? foldSwitch(word) : word;
    if (key == "-n" || key == "/n") {
      if (i + 1 >= argc) return usage();
      args.cPageLength = pageLengthValue(argv[++i]);
      args.cPageLengthGiven = true;
    } else if (key == "-q" || key == "/q") {
      // The pre-scan has set quiet mode.
    } else if (key == "-d" || key == "/d") {
      args.cNoListing = true;
    } else if (args.cCoffName.empty()) {
      args.cCoffName = word;
    } else {
      return usage();
    }
  }
  if (args.cCoffName.empty()) return usage();
  return true;
}
