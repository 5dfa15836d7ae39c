#include "FileSpec.h"
#include "DirInfo.h"
#include "OsPath.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "RunProgram.h"

namespace {

TEST(FileSpec, SplitsDriveDirectoryNameAndExtension) {
  struct Case {
    const char* input;
    const char* path;
    const char* name;
    const char* base;
    const char* ext;
    const char* full;
    bool hasPath, hasName;
  } cases[] = {
      {"C:foo.o", "C:", "foo.o", "foo", ".o", "foo.o", false, true},
      {"src\\main.o", "src\\", "main.o", "main", ".o", "src\\main.o", true, true},
      {"src/main.o", "src/", "main.o", "main", ".o", "src/main.o", true, true},
      {"a/b\\c.lkr", "a/b\\", "c.lkr", "c", ".lkr", "a/b\\c.lkr", true, true},
      {"archive.tar.lib", "", "archive.tar.lib", "archive.tar", ".lib", "archive.tar.lib", false,
       true},
      {".lkr", "", ".lkr", "", ".lkr", ".lkr", false, false},
      {"dir/", "dir/", "", "", "", "dir/", true, false},
      {"dir.d/name", "dir.d/", "name", "name", "", "dir.d/name", true, true},
      {"C:\\x\\y.o", "C:\\x\\", "y.o", "y", ".o", "C:\\x\\y.o", true, true},
      {"", "", "", "", "", "", false, false},
  };
  for (const Case& c : cases) {
    FileSpec f(c.input);
    SCOPED_TRACE(c.input);
    EXPECT_EQ(f.path(), c.path);
    EXPECT_EQ(f.name(), c.name);
    EXPECT_EQ(f.baseName(), c.base);
    EXPECT_EQ(f.ext(), c.ext);
    EXPECT_EQ(f.fullName(), c.full);
    EXPECT_EQ(f.hasPath(), c.hasPath);
    EXPECT_EQ(f.hasName(), c.hasName);
  }
}

TEST(FileSpec, KeepsLongPartsWhole) {
  std::string dir(300, 'd');
  std::string name(300, 'n');
  FileSpec f(dir + "/" + name + ".o");
  EXPECT_EQ(f.path(), dir + "/");
  EXPECT_EQ(f.baseName(), name);
}

TEST(FileSpec, ExistenceTestsUseTheFileSystemWithBackslashesAsSeparators) {
  TempDir t;
  t.write("x.o", "abc");
  std::string back = t.path() + "\\x.o";
  EXPECT_TRUE(FileSpec(t.file("x.o")).fileExists());
  EXPECT_TRUE(FileSpec(back).fileExists());
  EXPECT_TRUE(FileSpec(back).pathExists());
  EXPECT_FALSE(FileSpec(t.file("y.o")).fileExists());
  EXPECT_FALSE(FileSpec(t.file("nodir/y.o")).pathExists());
  EXPECT_FALSE(FileSpec("x.o").pathExists());    // no directory part
  EXPECT_TRUE(FileSpec(t.path()).fileExists());  // a directory passes the existence test

  EXPECT_EQ(DirInfo(t.path()).dirExists(), 1);
  EXPECT_EQ(DirInfo(t.file("x.o")).dirExists(), 0);  // a file is not a directory
}

TEST(FileSpec, PrintShowsEveryProperty) {
  std::ostringstream os;
  FileSpec("C:foo.o").print(os);
  EXPECT_EQ(os.str(),
            "path()='C:' \nname()='foo.o' \next()='.o' \nfullName()='foo.o' \n"
            "hasName()=1\nhasPath()=0\npathExists()=0\nfileExists()=0\n");
  std::ostringstream ds;
  DirInfo("/nonexistent-dir-zv").print(ds);
  EXPECT_EQ(ds.str(), "name()='/nonexistent-dir-zv' \ndirExists()=0\n");
}

TEST(OsPath, TurnsBackslashesIntoSlashesAndJoins) {
  EXPECT_EQ(osPath("lib\\sub\\a.lib"), "lib/sub/a.lib");
  EXPECT_EQ(osPath("/abs/x.o"), "/abs/x.o");
  EXPECT_EQ(joinPath("lib", "a.lib"), "lib/a.lib");
  EXPECT_EQ(joinPath("lib/", "a.lib"), "lib/a.lib");
  EXPECT_EQ(joinPath("lib\\", "a.lib"), "lib\\a.lib");
  EXPECT_EQ(inCurrentDir("a.o"), "./a.o");
}

}  // namespace
