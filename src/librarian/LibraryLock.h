// An advisory lock on a library for one read, change and replace, so that two
// runs that change the same library take turns and neither loses the other's
// change.
//
// The lock lies on the library file itself. A change puts a new file in the
// old one's place, so a run that waited for the lock then checks that the name
// still leads to the file it locked, and locks the new one when it does not.
#ifndef ZV_LIBRARIAN_LIBRARYLOCK_H
#define ZV_LIBRARIAN_LIBRARYLOCK_H

#include <string>

class LibraryLock {
 public:
  // `path` is handed to the system as it stands.
  explicit LibraryLock(const std::string& path);
  ~LibraryLock();
  LibraryLock(const LibraryLock&) = delete;
  LibraryLock& operator=(const LibraryLock&) = delete;

  // Waits until no other run holds the library. A name that leads to no
  // regular file needs no lock (reading or replacing it reports the fault);
  // false only when the library exists but cannot be locked.
  bool acquire();

 private:
  enum class Step { held, absent, again, failed };
  Step lockCurrentFile();

  std::string cPath;
  int cFd = -1;
};

#endif
