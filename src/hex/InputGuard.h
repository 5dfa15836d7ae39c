// The HEX files must never replace the COFF file they are made from: a name
// such as fw.hex for the input, or a link to it, would otherwise have the
// input written over with its own HEX text.
#ifndef ZV_HEX_INPUTGUARD_H
#define ZV_HEX_INPUTGUARD_H

#include <string>
#include <vector>

// False, after reporting it, when one of the outputs is the input file itself
// (the same file, whatever the name it is reached by).
bool outputsSpareInput(const std::string& coffName, const std::vector<std::string>& outputs);

#endif
