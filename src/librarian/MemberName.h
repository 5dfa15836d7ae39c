// Member names of a library. A member header's name field ends at the first
// '/' and holds at most 255 characters, so the directory separators of a
// member name are stored as '\' and a longer name is cut; names typed on the
// command line are compared after the same mapping and the same cut.
#ifndef ZV_LIBRARIAN_MEMBERNAME_H
#define ZV_LIBRARIAN_MEMBERNAME_H

#include <string>

// The longest member name a header holds.
constexpr std::string::size_type kMaxMemberName = 255;

// The typed name as a member name: every '/' becomes '\', and only the first
// kMaxMemberName characters are kept.
std::string memberName(const std::string& typed);

// True when extracting the member stays below the current directory: the name
// is not absolute (no leading '/' or '\', no drive) and no component is "..".
bool isExtractableName(const std::string& name);

// True when a directory on the member's path (the name up to its last
// separator) is a symbolic link, which extraction would write through.
bool passesThroughLink(const std::string& name);

#endif
