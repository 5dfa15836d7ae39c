// quandel, the librarian: applies one command to one library.
//
//   quandel [/q] /{ctdrx} LIBRARY [MEMBER...]
#include "ArParser.h"
#include "Archiver.h"
#include "Banner.h"
#include "Console.h"
#include "Reporter.h"

int main(int argc, char** argv) {
  // Console set-up, quiet pre-scan, banner.
  startProgram(argc, argv, librarianBanner());

  // The command line gives the one command; a wrong line ends the run here.
  Archiver archiver;
  ArParser::parse(argc, argv, archiver);

  // Run it. From here every run ends through the summary.
  exitWithSummary(archiver.execute() ? 0 : 1);
}
