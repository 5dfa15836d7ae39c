#include "Console.h"

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <new>

#include "Banner.h"
#include "Reporter.h"

namespace {
void outOfMemory() {
  std::cerr << "out of memory" << std::endl;
  std::exit(1);
}
}  // namespace

void setUpConsole() {
  std::cerr.rdbuf(std::cout.rdbuf());
  std::cerr.tie(nullptr);
  std::cerr.unsetf(std::ios::unitbuf);
  std::set_new_handler(outOfMemory);
  // A write past the file-size limit fails and is reported like a full disk,
  // instead of killing the program with a temporary file left behind.
  std::signal(SIGXFSZ, SIG_IGN);
}

void preScanQuiet(int argc, char** argv, int first) {
  for (int i = first; i < argc; ++i) {
    const char* a = argv[i];
    if (!std::strcmp(a, "-q") || !std::strcmp(a, "/q") || !std::strcmp(a, "-Q") ||
        !std::strcmp(a, "/Q")) {
      setQuiet(1);
    }
  }
}

void printBanner(const char* banner) {
  if (isQuiet()) return;
  std::cout << banner << '\n' << noticeBanner() << '\n' << '\n';
}

void startProgram(int argc, char** argv, const char* banner) {
  setUpConsole();
  preScanQuiet(argc, argv);
  printBanner(banner);
}
