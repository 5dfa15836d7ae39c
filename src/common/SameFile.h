// Whether two names lead to one file, so that an output is never written over
// an input: the same name, the same file by identity (device and inode, so
// hard and symbolic links count), or, for names of files that do not exist
// yet, the same last part in the same directory ("app.cof" and "./app.cof").
#ifndef ZV_COMMON_SAMEFILE_H
#define ZV_COMMON_SAMEFILE_H

#include <string>

// Names as written; each is handed to the system through osPath.
bool sameFile(const std::string& a, const std::string& b);

#endif
