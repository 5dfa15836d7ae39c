// A fuzz target's own temporary directory, TMPDIR/<tag>.XXXXXX (or under /tmp),
// removed with everything in it when the target ends. While a ScratchDir::Inside
// lives, the directory is the current one:
//
//   ScratchDir& scratch() { static ScratchDir dir("link_fuzz"); return dir; }
//   { ScratchDir::Inside here(scratch()); ... }  // back where the fuzzer runs
#ifndef ZV_FUZZ_SCRATCHDIR_H
#define ZV_FUZZ_SCRATCHDIR_H

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

class ScratchDir {
 public:
  explicit ScratchDir(const char* tag) : cHome(open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/" + tag + ".XXXXXX";
    if (cHome < 0 || !mkdtemp(&pattern[0])) std::abort();
    cPath = pattern;
  }
  ~ScratchDir() {
    std::error_code ec;
    std::filesystem::remove_all(cPath, ec);
    close(cHome);
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  const std::string& path() const { return cPath; }
  // The path of `name` inside the directory.
  std::string file(const std::string& name) const { return cPath + "/" + name; }

  class Inside {
   public:
    explicit Inside(const ScratchDir& dir) : cDir(dir) {
      if (chdir(dir.cPath.c_str()) != 0) std::abort();
    }
    ~Inside() {
      if (fchdir(cDir.cHome) != 0) std::abort();
    }
    Inside(const Inside&) = delete;
    Inside& operator=(const Inside&) = delete;

   private:
    const ScratchDir& cDir;
  };

 private:
  int cHome;  // the directory the fuzzer runs in
  std::string cPath;
};

#endif
