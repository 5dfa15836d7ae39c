// pellund: turns a linked COFF executable into Intel HEX programming files.
#include <memory>

#include "Banner.h"
#include "Coff.h"
#include "Coff2Hex.h"
#include "Console.h"
#include "HexArgs.h"
#include "InputGuard.h"
#include "Reporter.h"

int main(int argc, char** argv) {
  // Console, quiet switch, banner.
  startProgram(argc, argv, hexConverterBanner());

  // The command line; a fault has printed its text and ends without a summary.
  HexArgs args;
  if (!parseHexArgs(argc, argv, args)) return 1;

  // The linked COFF file; the reader has reported why it could not be read.
  std::unique_ptr<Coff> coff = Coff::makeMapped(args.cCoffName);
  if (!coff) exitWithSummary(1);

  // The program-memory contents, whole or inside the /r ranges. The runs view
  // the Coff's section contents: both live until the program ends.
  Coff2Hex converter;
  Hex* hex = converter.convert(*coff, args.cRanges);
  if (!hex) exitWithSummary(1);

  // Checks that need no file yet: the format can take every run, and no HEX
  // file is the input itself. Nothing has been created so far.
  if (!converter.suitsFormat(*coff, args.cFormat)) exitWithSummary(1);
  if (!outputsSpareInput(args.cCoffName, hex->fileNames(args.cFormat))) exitWithSummary(1);

  // The HEX files; an address too high for the format ends the program here.
  if (!hex->write(args.cFormat)) exitWithSummary(1);
  exitWithSummary(0);
}
