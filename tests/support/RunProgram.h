// Helpers for end-to-end tests: a temporary working directory and a runner that
// starts one of the built programs in it and captures what it prints.
#ifndef ZV_TESTS_RUNPROGRAM_H
#define ZV_TESTS_RUNPROGRAM_H

#include <string>
#include <vector>

struct RunResult {
  std::string out;  // everything written to standard output
  std::string err;  // everything written to standard error
  int status = -1;  // exit status, or 128 + signal number
};

// Starts `exe` with `args` in directory `cwd`; `env` entries ("NAME=value") are
// added to the inherited environment. The signals a file-size limit and a
// closed pipe raise are at their defaults in the program.
RunResult runProgram(const std::string& exe, const std::vector<std::string>& args,
                     const std::string& cwd, const std::vector<std::string>& env = {});

// As runProgram, but the program is ended by SIGALRM once `seconds` have passed
// (an alarm outlives the exec), so that a program that would wait forever fails
// its test with status 142 instead of hanging it.
RunResult runProgramWithin(unsigned seconds, const std::string& exe,
                           const std::vector<std::string>& args, const std::string& cwd);

// A fresh directory under the system's temporary directory, removed with all its
// contents when the object goes.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return cPath; }
  std::string file(const std::string& name) const { return cPath + "/" + name; }
  void write(const std::string& name, const std::string& bytes) const;
  std::string read(const std::string& name) const;  // whole file; fails the test if absent
  bool exists(const std::string& name) const;
  std::vector<std::string> list() const;  // entry names, sorted

 private:
  std::string cPath;
};

#endif
