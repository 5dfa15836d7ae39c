// Linker::link: one link, phase by phase. Each phase returns 0 on failure,
// which ends the link; main reports the message (empty when the phase's
// component already reported the fault).
#include "linker.h"

int Linker::link(std::string& message) {
  if (cOutputFile.empty()) cOutputFile = "a.out";

  // Inputs: objects, libraries, the members they must give, and the checks
  // that all of them belong to one link.
  if (!loadObjectFiles(message)) return 0;
  if (!loadLibraryFiles(message)) return 0;
  if (!importLibraryMembers(message)) return 0;
  if (!checkProcessors(message)) return 0;
  if (!checkSectionConsistency(message)) return 0;
  if (!checkMemoryAttributes(message)) return 0;
  // From here on cCoff is final, the memories know their widths and every
  // section name has one size, type and set of flags.

  // Allocation; the partial map shows what got placed, whatever the outcome.
  int mapped = mapSections(message);
  writeErrorMapFile();
  if (!mapped) return 0;
  // From here on the memory layout is fixed.

  if (!recordSectionAddresses()) return 0;
  // From here on each input's part of each section has its place.

  message = "linking past section allocation is not built yet.";
  return 0;
}
