// A small program over the common library for the reporter's end-to-end test.
// Each argument that is not a quiet switch is one action:
//   e:TEXT  reports an error        w:TEXT  reports a warning
//   f:TEXT  reports a fatal error   o       sets the show-origin flag
//   x:N     ends through the exit summary with status N
//   m       asks for more memory than any machine has
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "Banner.h"
#include "Console.h"
#include "Reporter.h"

int main(int argc, char** argv) {
  startProgram(argc, argv, linkerBanner());
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    std::string text = a.size() > 2 ? a.substr(2) : std::string();
    if (a.rfind("e:", 0) == 0) report(0, "main()", text, 0);
    if (a.rfind("w:", 0) == 0) report(1, "main()", text, 0);
    if (a.rfind("f:", 0) == 0) report(0, "main()", text, 1);
    if (a == "o") setShowOrigin(1);
    if (a == "m") {
      std::vector<char> huge(static_cast<size_t>(1) << 60);
      report(1, "main()", std::to_string(huge.size()), 0);
    }
    if (a.rfind("x:", 0) == 0) exitWithSummary(std::atoi(text.c_str()));
  }
  return 0;
}
