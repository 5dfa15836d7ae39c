#include "InputGuard.h"

#include <sys/stat.h>

#include "OsPath.h"
#include "Reporter.h"
#include "SameFile.h"

bool outputsSpareInput(const std::string& coffName, const std::vector<std::string>& outputs) {
  struct stat input;
  if (::stat(osPath(coffName).c_str(), &input) != 0) return true;
  for (const std::string& name : outputs) {
    struct stat output;
    if (::stat(osPath(name).c_str(), &output) != 0) continue;
    if (!sameIdentity(output, input)) continue;
    reportError("main()", "Hex file '" + name + "' is the Coff file '" + coffName +
                              "'; the input would be overwritten.");
    return false;
  }
  return true;
}
