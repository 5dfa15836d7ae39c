// vostrum: turns a linked COFF executable into a COD symbol file (and, unless
// /d is given, a listing).
#include <memory>

#include "Banner.h"
#include "CodArgs.h"
#include "Coff.h"
#include "Coff2Cod.h"
#include "Console.h"
#include "Reporter.h"

int main(int argc, char** argv) {
  // Console, quiet switch, banner.
  startProgram(argc, argv, codConverterBanner());

  // The command line; a fault has printed the usage line and ends without a summary.
  CodArgs args;
  if (!parseCodArgs(argc, argv, args)) return 1;
  if (args.cNoListing && args.cPageLengthGiven)
    reportWarning("main()", "no listing file generated: /n switch ignored");

  // The linked COFF file, read and checked; the reader has reported any fault.
  std::unique_ptr<Coff> coff = Coff::makeMapped(args.cCoffName);
  if (!coff || !coff->verify()) exitWithSummary(1);

  // From here on every index in the file points at something that exists.
  // The converter views the Coff's sections: both live until the program
  // ends, which gives their memory back without a walk through it.
  Coff2Cod converter;
  if (!converter.convert(*coff, args.cPageLength, args.cNoListing)) exitWithSummary(1);

  // The Cod is complete: number its blocks, then write it.
  if (!converter.preWrite() || !converter.write()) exitWithSummary(1);
  exitWithSummary(0);
}
