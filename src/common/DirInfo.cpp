#include "DirInfo.h"

#include <dirent.h>

#include "OsPath.h"

int DirInfo::dirExists() const {
  DIR* d = opendir(osPath(cName).c_str());
  if (d == nullptr) return 0;
  closedir(d);
  return 1;
}

void DirInfo::print(std::ostream& os) const {
  os << "name()='" << name() << "' " << '\n' << "dirExists()=" << dirExists() << '\n';
}
