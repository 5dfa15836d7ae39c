// Whether two names lead to one file, so that an output is never written over
// an input or over another output: the same name, the same file by identity
// (device and inode, so hard and symbolic links count), or, for names of files
// that do not exist yet, the same last part in the same directory ("app.cof"
// and "./app.cof"). A symbolic link whose target does not exist yet leads to
// that target, which writing through the link creates.
#ifndef ZV_COMMON_SAMEFILE_H
#define ZV_COMMON_SAMEFILE_H

#include <sys/stat.h>

#include <string>

// Names as written; each is handed to the system through osPath.
bool sameFile(const std::string& a, const std::string& b);

// Whether two files' status describes one file: the same device and inode.
inline bool sameIdentity(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// The path that opening `path` (as the system takes it) reaches: while the
// path is a symbolic link, its target, a relative one taken from the link's
// directory. The walk ends at a path that is no link, whether or not it
// exists, and after as many links as the system follows, so that a loop of
// links ends it too.
std::string linkedPath(const std::string& path);

#endif
