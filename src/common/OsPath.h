// Paths as the operating system takes them. Names from command lines, command
// files and object files may use '\' as a directory separator; it becomes '/' at
// the moment a path is handed to the system, and nowhere else.
#ifndef ZV_COMMON_OSPATH_H
#define ZV_COMMON_OSPATH_H

#include <string>

// The path with every '\' turned into '/'.
std::string osPath(const std::string& path);

// A directory and a name joined with '/', unless the directory already ends in
// a separator ('/' or '\').
std::string joinPath(const std::string& dir, const std::string& name);

// The name as found in the current directory: "./" + name.
std::string inCurrentDir(const std::string& name);

#endif
