// A small program over the common library for the reporter's end-to-end test.
// Each argument that is not a quiet switch is one action:
//   e:TEXT  reports an error        w:TEXT  reports a warning
//   f:TEXT  reports a fatal error   o       sets the show-origin flag
//   x:N     ends through the exit summary with status N
//   m       asks for more memory than any machine has
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "Banner.h"
#include "Console.h"
#include "Reporter.h"

namespace {
char* volatile gKept = nullptr;
}  // namespace

int main(int argc, char** argv) {
  startProgram(argc, argv, linkerBanner());
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    std::string text = a.size() > 2 ? a.substr(2) : std::string();
    if (a.rfind("e:", 0) == 0) reportError("main()", text);
    if (a.rfind("w:", 0) == 0) reportWarning("main()", text);
    if (a.rfind("f:", 0) == 0) reportFatal("main()", text);
    if (a == "o") setShowOrigin(1);
    if (a == "m") {
      // Kept in a volatile, so that no compiler may leave the allocation out.
      std::unique_ptr<char[]> huge(new char[static_cast<size_t>(1) << 60]);
      gKept = huge.get();
      reportWarning("main()", "allocated");
    }
    if (a.rfind("x:", 0) == 0) exitWithSummary(std::atoi(text.c_str()));
  }
  return 0;
}
