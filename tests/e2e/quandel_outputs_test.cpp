// quandel never writes over a file that it reads: /x does not extract a member
// whose file is the library itself, and /c does not take an object file that
// is the library (a library reached through a symbolic link is replaced where
// the link points, which would replace the object).
#include <gtest/gtest.h>
#include <unistd.h>

#include <memory>
#include <string>
#include <vector>

#include "Archive.h"
#include "Banner.h"
#include "CoffBuilder.h"
#include "RunProgram.h"

namespace {

std::string failedRun(const std::string& message) {
  return std::string(librarianBanner()) + "\n" + noticeBanner() + "\n\nError - " + message +
         "\nErrors    : 1\nWarnings  : 0\n\n";
}

CoffBuilder object(const std::string& name) {
  CoffBuilder b(name);
  b.optionalHeader(0x1234, 16);
  b.words(b.section(".code", SCN_CODE), {1, 2});
  return b;
}

// x.lib holding a.o and a member named like the library.
void writeLibrary(const TempDir& t) {
  Archive archive(t.file("x.lib"));
  for (const char* name : {"a.o", "x.lib"})
    archive.cMembers.push_back(std::make_unique<Coff>(object(name).image()));
  ASSERT_TRUE(archive.write());
}

TEST(QuandelOutputs, AMemberWhoseFileIsTheLibraryIsNotExtracted) {
  for (const std::string library : {"x.lib", "./x.lib"}) {
    SCOPED_TRACE(library);
    TempDir t;
    writeLibrary(t);
    const std::string before = t.read("x.lib");
    RunResult r = runProgram(QUANDEL_EXE, {"/x", library}, t.path());
    EXPECT_EQ(r.out, failedRun("Member 'x.lib' of library '" + library +
                               "' is not extracted: it would replace the library."));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(t.read("x.lib"), before);
    EXPECT_EQ(t.list(), std::vector<std::string>{"x.lib"});  // nothing extracted
  }
}

TEST(QuandelOutputs, AnObjectFileThatIsTheLibraryIsRefused) {
  TempDir t;
  ASSERT_TRUE(object("m.o").writeFile(t.file("m.o")));
  ASSERT_EQ(symlink("m.o", t.file("x.lib").c_str()), 0);
  const std::string before = t.read("m.o");
  RunResult r = runProgram(QUANDEL_EXE, {"/c", "x.lib", "m.o"}, t.path());
  EXPECT_EQ(
      r.out,
      failedRun("Object file 'm.o' is the library file 'x.lib'; the input would be overwritten."));
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(t.read("m.o"), before);
  EXPECT_EQ(t.list(), (std::vector<std::string>{"m.o", "x.lib"}));
}

}  // namespace
