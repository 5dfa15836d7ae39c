#include "FileSpec.h"

#include <sys/stat.h>

#include "DirInfo.h"
#include "OsPath.h"

FileSpec::FileSpec(const std::string& path) {
  std::string rest = path;
  if (rest.size() >= 2 && rest[1] == ':') {
    cDrive = rest.substr(0, 2);
    rest = rest.substr(2);
  }
  std::string::size_type sep = rest.find_last_of("\\/");
  if (sep != std::string::npos) {
    cDir = rest.substr(0, sep + 1);
    rest = rest.substr(sep + 1);
  }
  std::string::size_type dot = rest.rfind('.');
  if (dot != std::string::npos) {
    cExt = rest.substr(dot);
    rest = rest.substr(0, dot);
  }
  cFname = rest;
}

bool FileSpec::pathExists() const { return hasPath() && DirInfo(path()).dirExists(); }

bool FileSpec::fileExists() const {
  if (!hasName()) return false;
  struct stat st;
  return ::stat(osPath(fullName()).c_str(), &st) == 0;
}

void FileSpec::print(std::ostream& os) const {
  os << "path()='" << path() << "' " << '\n'
     << "name()='" << name() << "' " << '\n'
     << "ext()='" << ext() << "' " << '\n'
     << "fullName()='" << fullName() << "' " << '\n'
     << "hasName()=" << hasName() << '\n'
     << "hasPath()=" << hasPath() << '\n'
     << "pathExists()=" << pathExists() << '\n'
     << "fileExists()=" << fileExists() << '\n';
}
