// Linker::link: one link, phase by phase. Each phase returns 0 on failure,
// which ends the link; main reports the message (empty when the phase's
// component already reported the fault). Nothing written is removed: after a
// failure in or after allocation the partial map stays.
#include <string>

#include "MapFile.h"
#include "SameFile.h"
#include "linker.h"

int Linker::link(std::string& message) {
  if (cOutputFile.empty()) cOutputFile = "a.out";
  // The map would overwrite the executable it describes.
  if (!cMapFile.empty() && sameFile(cMapFile, cOutputFile)) {
    message = "the map file '" + cMapFile + "' is the output file '" + cOutputFile + "'.";
    return 0;
  }

  // Inputs: objects, libraries, the members they must give, and the checks
  // that all of them belong to one link.
  if (!loadObjectFiles(message)) return 0;
  if (!loadLibraryFiles(message)) return 0;
  // Neither the output nor the map may replace a file the link reads.
  if (!checkOutputsSpareInputs(message)) return 0;
  if (!importLibraryMembers(message)) return 0;
  // The members not taken are no longer needed.
  releaseLibraries();
  if (!checkProcessors(message)) return 0;
  if (!checkSectionConsistency(message)) return 0;
  if (!checkMemoryAttributes(message)) return 0;
  // From here on cCoff is final, the memories know their widths and every
  // section name has one size, type and set of flags.

  // Allocation; the partial map shows what got placed, whatever the outcome.
  // A map that cannot be written fails the link, as every reported error does.
  int mapped = mapSections(message);
  if (!writeErrorMapFile()) return 0;
  if (!mapped) return 0;
  // From here on every section has its address.

  if (!recordSectionAddresses()) return 0;
  if (!buildInitTable(message)) return 0;
  if (!relocateSymbols(message)) return 0;
  if (!relocateLineInfo(message)) return 0;
  // From here on each input's part of each section has its place, and every
  // symbol value and line address is final.

  mergeStringTbls();
  // From here on every name is read against the one merged string table.

  if (!buildExtSymDef(message)) return 0;
  if (!resolveExternals(message)) return 0;
  // From here on every reference is resolved, and the definitions' index is
  // no longer needed.
  cExtSymDef.clear();
  cInputNames.clear();

  if (!verifyRelocations(message)) return 0;
  if (!patchSections(message)) return 0;
  // From here on the inputs' contents are final.

  if (!buildOutputScnNum(message)) return 0;
  if (!buildOutputSymbolTbl(message)) return 0;
  if (!buildOutputRawData(message)) return 0;
  if (!buildOutputLineInfo(message)) return 0;
  if (!buildOutputInitImages(message)) return 0;
  if (!buildOutputScnHdrs(message)) return 0;
  if (!buildOutputFileHdr(message)) return 0;
  if (!buildOutputHoles()) return 0;
  // From here on every filled CODEPAGE is covered, and the output holds all
  // it takes from the inputs.
  releaseInputs();

  cOutput.preWrite();
  // From here on the output's layout is fixed.
  if (!cOutput.verify()) {
    message = "Internal Coff output file is corrupt.";
    return 0;
  }
  if (!cOutput.write()) return 0;

  if (cMapFile.empty()) return 1;
  return MapFile::write(cMapFile, cOutput, totalProgramMemory()) ? 1 : 0;
}
