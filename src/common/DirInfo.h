// A directory name that can tell whether the directory exists.
#ifndef ZV_COMMON_DIRINFO_H
#define ZV_COMMON_DIRINFO_H

#include <ostream>
#include <string>

class DirInfo {
 public:
  explicit DirInfo(const std::string& name) : cName(name) {}
  std::string name() const { return cName; }
  int dirExists() const;  // 1 when the name opens as a directory
  void print(std::ostream& os) const;

 private:
  std::string cName;
};

#endif
