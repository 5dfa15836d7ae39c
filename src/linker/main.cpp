// zorvik, the linker: object files and libraries, under linker command files,
// into one absolute executable.
//
//   zorvik { cmdfile | [objfile] | [libfile] | [option] } ...
#include <iostream>
#include <string>

#include "Banner.h"
#include "Console.h"
#include "Parser.h"
#include "Reporter.h"
#include "Trace.h"
#include "linker.h"

namespace {

// The internal dumps that a non-zero "debug" would switch on.
const char* const kTraceNames[] = {
    "Coff::preWrite",
    "Linker::mapSections",
    "Linker::allocateAbsAssigned",
    "Linker::allocateAbsUnassigned",
    "Linker::allocateRelUnassigned",
    "Linker::allocateRelAssigned",
    "Linker::relocateSymbols",
    "Linker::relocateLineInfo",
    "Coff::fixupAuxFcns",
    "Linker::mergeStringTbls",
    "Linker::replaceStringTbl",
    "Linker::importLibraryMembers",
    "Linker::buildExtSymDef",
    "Linker::resolveExternals",
    "Linker::print",
    "Linker::patchSections",
    "Linker::doPatchHalvern",
    "Linker::doPatchQuenby",
    "Linker::doPatchTarsel",
    "Linker::doPatchMirrow",
    "Linker::doPatch",
    "Linker::buildOutputScnNum",
    "Linker::buildOutputSymbolTbl",
    "Linker::buildRawData",
    "Linker::buildOutputLineInfo",
    "Linker::buildOutputHole",
    "MapFile::write",
};

bool debugging() { return traceLevel(registerTrace("debug")) != 0; }

void printArguments(int argc, char** argv) {
  for (int i = 0; i < argc; ++i) std::cout << "_zorvik: argv[" << i << "]='" << argv[i] << "'\n";
}

}  // namespace

int main(int argc, char** argv) {
  // Debug tracing is present and off.
  setTraceLevel("debug", 0);

  // Every message goes to standard output, in order with the banner.
  setUpConsole();
  if (debugging()) {
    for (const char* name : kTraceNames) setTraceLevel(name, 1);
  }

  Linker linker;
  Parser parser;

  // Quiet switch (the program name counts too), then the banner.
  preScanQuiet(argc, argv, 0);
  printBanner(linkerBanner());
  if (debugging()) printArguments(argc, argv);

  // Every declaration of the command line and the command files is made;
  // a fault has ended the run.
  parser.parse(argc, argv, linker);

  // The link; its phases have reported their own faults, or left one text.
  std::string error;
  const int linked = linker.link(error);
  if (debugging()) linker.print(std::cout);
  if (!linked && !error.empty()) reportError("main()", error);
  exitWithSummary(linked ? 0 : 1);
}
