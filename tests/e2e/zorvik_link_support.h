// A link in a temporary directory for zorvik's end-to-end tests: objects and
// libraries built with CoffBuilder, a command file app.lkr, and the expected
// console text of a run.
#ifndef ZV_TESTS_E2E_ZORVIK_LINK_SUPPORT_H
#define ZV_TESTS_E2E_ZORVIK_LINK_SUPPORT_H

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <memory>
#include <string>
#include <vector>

#include "Archive.h"
#include "Banner.h"
#include "CoffBuilder.h"
#include "ProcessorIds.h"
#include "RunProgram.h"

constexpr uint32_t kUnknownId = 0x1234;

inline std::string banner() { return std::string(linkerBanner()) + "\n" + noticeBanner() + "\n\n"; }

// The console text of a run that ends with these errors.
inline std::string errorRun(const std::vector<std::string>& messages) {
  std::string out = banner();
  for (const std::string& m : messages) out += "Error - " + m + "\n";
  return out + "Errors    : " + std::to_string(messages.size()) + "\nWarnings  : 0\n\n";
}
inline std::string errorRun(const std::string& message) {
  return errorRun(std::vector<std::string>{message});
}
// The console text of a link that succeeds.
inline std::string linkedRun() { return errorRun(std::vector<std::string>{}); }

// The exit status that goes with a console text.
inline int statusOf(const std::string& out) { return out == linkedRun() ? 0 : 1; }

// An object with one section of `size` zero bytes, and optionally a symbol
// that it defines there and ones it refers to.
inline CoffBuilder objectWith(const std::string& name, const std::string& section, uint32_t flags,
                              uint32_t size, uint32_t paddr = 0, uint32_t procType = kQuenby122) {
  CoffBuilder b(name);
  b.optionalHeader(procType, 16);
  b.zeros(b.section(section, flags, paddr), size);
  return b;
}

inline CoffBuilder definer(const std::string& name, const std::vector<std::string>& defs,
                           const std::vector<std::string>& refs = {},
                           uint32_t procType = kQuenby122) {
  CoffBuilder b = objectWith(name, ".code", SCN_CODE, 2, 0, procType);
  for (const std::string& d : defs) b.symbol(d, 0, 1, C_EXT);
  for (const std::string& r : refs) b.symbol(r, 0, N_UNDEF, C_EXT);
  return b;
}

class LinkDir {
 public:
  void object(const std::string& path, const CoffBuilder& b) const {
    ASSERT_TRUE(b.writeFile(t.file(path))) << path;
  }
  void library(const std::string& path, const std::vector<CoffBuilder>& members) const {
    Archive archive(t.file(path));
    for (const CoffBuilder& m : members)
      archive.cMembers.push_back(std::make_unique<Coff>(m.image()));
    ASSERT_TRUE(archive.write()) << path;
  }
  void dir(const std::string& path) const { ASSERT_EQ(mkdir(t.file(path).c_str(), 0755), 0); }

  // zorvik app.lkr args..., with app.lkr holding `lkr`.
  RunResult run(const std::string& lkr, std::vector<std::string> args = {}) const {
    t.write("app.lkr", lkr);
    args.insert(args.begin(), "app.lkr");
    return runProgram(ZORVIK_EXE, args, t.path());
  }

  TempDir t;
};

#endif
