// A path split into drive, directory, name and extension. Both '\' and '/'
// separate directories; every part is kept whole.
#ifndef ZV_COMMON_FILESPEC_H
#define ZV_COMMON_FILESPEC_H

#include <ostream>
#include <string>

class FileSpec {
 public:
  explicit FileSpec(const std::string& path);

  std::string path() const { return cDrive + cDir; }
  std::string name() const { return cFname + cExt; }
  std::string baseName() const { return cFname; }
  std::string ext() const { return cExt; }
  bool hasPath() const { return !cDir.empty(); }
  bool hasName() const { return !cFname.empty(); }
  std::string fullName() const { return hasPath() ? path() + name() : name(); }
  bool pathExists() const;
  bool fileExists() const;  // any entry of that name, a directory too
  void print(std::ostream& os) const;

 private:
  std::string cDrive;  // a letter and a colon, or empty
  std::string cDir;    // with its trailing separator, or empty
  std::string cFname;  // without the extension
  std::string cExt;    // with its leading dot, or empty
};

#endif
