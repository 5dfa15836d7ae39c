// Member names of a library. A member header's name field ends at the first
// '/', so the directory separators of a member name are stored as '\'; names
// typed on the command line are compared after the same mapping.
#ifndef ZV_LIBRARIAN_MEMBERNAME_H
#define ZV_LIBRARIAN_MEMBERNAME_H

#include <string>

// The typed name as a member name: every '/' becomes '\'.
std::string memberName(const std::string& typed);

// True when extracting the member stays below the current directory: the name
// is not absolute (no leading '/' or '\', no drive) and no component is "..".
bool isExtractableName(const std::string& name);

#endif
