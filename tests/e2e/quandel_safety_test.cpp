// quandel keeps the user's files safe: the library is replaced only by a
// complete new one, extraction never leaves the current directory, member names
// with directories survive, and only sound objects go into a library.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "Banner.h"
#include "CoffBuilder.h"
#include "RunProgram.h"

namespace {

std::string run(const std::string& lines, int errors) {
  return std::string(librarianBanner()) + "\n" + noticeBanner() + "\n\n" + lines +
         "Errors    : " + std::to_string(errors) + "\nWarnings  : 0\n\n";
}

// An object whose code section holds `words` words of `fill`.
CoffBuilder object(const std::string& name, const std::vector<std::string>& defs, uint16_t fill = 1,
                   size_t words = 8) {
  CoffBuilder b(name);
  b.optionalHeader(0x1234, 16);
  int code = b.section(".code", SCN_CODE);
  b.words(code, std::vector<uint16_t>(words, fill));
  for (const std::string& d : defs) b.symbol(d, 0, static_cast<int16_t>(code), C_EXT);
  return b;
}

std::string writeObject(const TempDir& t, const std::string& file,
                        const std::vector<std::string>& defs, uint16_t fill = 1, size_t words = 8) {
  CoffBuilder b = object(file, defs, fill, words);
  EXPECT_TRUE(b.writeFile(t.file(file)));
  return b.bytes();
}

// An image whose two section headers carry one name.
std::string twoSectionsOfOneName() {
  CoffBuilder b("dup.o");
  b.optionalHeader(0x1234, 16);
  b.words(b.section(".code", SCN_CODE), {1, 2});
  b.words(b.section(".other", SCN_CODE), {3, 4});
  std::string image = b.bytes();
  image.replace(20 + 16 + 40, 8, std::string(".code\0\0\0", 8));
  return image;
}

// A library holding the images under the given member names, built by hand.
std::string library(const std::vector<std::pair<std::string, std::string>>& members) {
  std::string lib = "!<arch>\n";
  for (const auto& m : members) {
    std::string h = m.first + "/";
    h.resize(256, ' ');
    std::string size = std::to_string(m.second.size());
    size.resize(10, '\0');
    lib += h + std::string("0", 1) + std::string(11, '\0') + size + "`\n" + m.second;
  }
  return lib;
}

RunResult quandel(const TempDir& t, const std::vector<std::string>& args) {
  return runProgram(QUANDEL_EXE, args, t.path());
}

// Runs quandel with a file-size limit of a few KB, so that writing more fails
// as on a full disk. The limit's signal is left at its default, which would
// end a program that does not ignore it.
RunResult quandelWithSmallDisk(const TempDir& t, const std::string& args) {
  return runProgram("/bin/sh", {"-c", "ulimit -f 4; exec " QUANDEL_EXE " " + args}, t.path());
}

TEST(QuandelSafety, AFailedWriteLeavesTheOldLibraryIntact) {
  TempDir t;
  std::string big = writeObject(t, "big.o", {"big"}, 7, 3000);  // larger than the limit
  std::string small = writeObject(t, "small.o", {"small"});
  std::string other = writeObject(t, "other.o", {"other"}, 2);
  const std::string bigFailed =
      "Error - Coff file 'big.o' could not write raw data.\n"
      "Error - Could not write library file 'x.lib'.\n";
  const struct {
    const char* args;
    std::string lib;
  } cases[] = {
      {"/r x.lib big.o", library({{"small.o", small}, {"other.o", other}})},
      {"/c x.lib small.o big.o", library({{"small.o", small}, {"other.o", other}})},
      {"/d x.lib small.o", library({{"small.o", small}, {"big.o", big}})},
  };
  for (const auto& c : cases) {
    t.write("x.lib", c.lib);
    RunResult r = quandelWithSmallDisk(t, c.args);
    EXPECT_EQ(r.out, run(bigFailed, 2)) << c.args;
    EXPECT_EQ(r.status, 1) << c.args;
    EXPECT_EQ(t.read("x.lib"), c.lib) << c.args;
    EXPECT_EQ(t.list(), (std::vector<std::string>{"big.o", "other.o", "small.o", "x.lib"}))
        << c.args;
  }
}

TEST(QuandelSafety, TheLibraryIsReplacedByANewFile) {
  TempDir t;
  std::string a = writeObject(t, "a.o", {"f"});
  const std::string old = library({{"a.o", a}});
  t.write("x.lib", old);
  ASSERT_EQ(link(t.file("x.lib").c_str(), t.file("old.lib").c_str()), 0);
  writeObject(t, "b.o", {"g"}, 2);
  for (const char* cmd : {"/r", "/d"}) {
    RunResult r = quandel(t, {cmd, "x.lib", "b.o"});
    EXPECT_EQ(r.status, 0) << cmd;
    EXPECT_EQ(t.read("old.lib"), old) << cmd;  // the old file was never written to
  }
  EXPECT_EQ(t.read("x.lib"), old);
  EXPECT_EQ(t.list(), (std::vector<std::string>{"a.o", "b.o", "old.lib", "x.lib"}));
}

TEST(QuandelSafety, AMemberThatCannotBeWrittenFailsTheCommand) {
  TempDir t;
  std::string a = writeObject(t, "a.o", {"f"});
  // The faulty member comes last: its image reads, but cannot be written back.
  std::string b = object("b.o", {"g"}, 2).bytes();
  const std::string lib = library({{"a.o", a}, {"b.o", b}, {"dup.o", twoSectionsOfOneName()}});
  t.write("x.lib", lib);
  RunResult r = quandel(t, {"/d", "x.lib", "b.o"});
  EXPECT_EQ(
      r.out,
      run("Error - Coff file 'dup.o' has section numbers and section headers that do not match.\n"
          "Error - Could not write library file 'x.lib'.\n",
          2));
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(t.read("x.lib"), lib);
  EXPECT_EQ(t.list(), (std::vector<std::string>{"a.o", "x.lib"}));
}

TEST(QuandelSafety, ExtractionRefusesNamesThatLeaveTheCurrentDirectory) {
  TempDir t;
  std::string a = object("a.o", {}).bytes();
  t.write("x.lib", library({{"a.o", a},
                            {"..\\up.o", a},
                            {"\\abs.o", a},
                            {"c:drive.o", a},
                            {"sub\\..\\..\\deep.o", a}}));
  const std::string refused =
      "' of library 'x.lib' is not extracted: its name leaves the current directory.\n";
  const struct {
    std::vector<std::string> args;
    std::string messages;
  } cases[] = {
      {{"/x", "x.lib"},
       "Error - Member '..\\up.o" + refused + "Error - Member '\\abs.o" + refused +
           "Error - Member 'c:drive.o" + refused + "Error - Member 'sub\\..\\..\\deep.o" + refused},
      {{"/x", "x.lib", "a.o", "../up.o"}, "Error - Member '..\\up.o" + refused},
  };
  for (const auto& c : cases) {
    RunResult r = quandel(t, c.args);
    int errors = c.args.size() == 2 ? 4 : 1;
    EXPECT_EQ(r.out, run(c.messages, errors)) << c.args.size();
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(t.list(), std::vector<std::string>{"x.lib"});
  }
}

TEST(QuandelSafety, MemberNamesKeepTheirDirectories) {
  TempDir t;
  ASSERT_EQ(mkdir(t.file("obj").c_str(), 0755), 0);
  std::string a = writeObject(t, "obj/a.o", {"f"});
  RunResult r = quandel(t, {"/c", "x.lib", "obj/a.o"});
  ASSERT_EQ(r.status, 0);
  EXPECT_EQ(t.read("x.lib").substr(8, 9), "obj\\a.o/ ");

  r = quandel(t, {"/t", "x.lib"});
  EXPECT_NE(r.out.find("Member: 'obj\\a.o'  "), std::string::npos) << r.out;
  r = quandel(t, {"/d", "x.lib", "a.o"});
  EXPECT_EQ(r.out, run("Error - 'a.o' is not a member of library 'x.lib'.\n", 1));
  EXPECT_EQ(r.status, 1);

  // Typed with either separator it is the same member; it extracts into obj/.
  ASSERT_EQ(unlink(t.file("obj/a.o").c_str()), 0);
  r = quandel(t, {"/x", "x.lib", "obj/a.o"});
  EXPECT_EQ(r.out, run("Extracting member 'obj\\a.o'.\n", 0));
  EXPECT_EQ(t.read("obj/a.o"), a);
  r = quandel(t, {"/d", "x.lib", "obj\\a.o"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(t.read("x.lib"), "!<arch>\n");
}

TEST(QuandelSafety, OnlySoundObjectsGoIn) {
  TempDir t;
  std::string a = writeObject(t, "a.o", {"f"});
  t.write("dup.o", twoSectionsOfOneName());
  // The same object without the optional header.
  CoffBuilder plain("foreign.o");
  plain.symbol("abs", 5, N_ABS, C_EXT);
  std::string foreign = plain.bytes();
  foreign.erase(20, 16);
  putU16(foreign, 16, 0);  // f_opthdr
  putU32(foreign, 8, 20);  // f_symptr
  t.write("foreign.o", foreign);
  const std::string lib = library({{"a.o", a}});
  const std::string dupMessage = "Error - Coff file 'dup.o', cScnHdr.size() != cScnNum.size() . \n";
  const std::string foreignMessage =
      "Error - Coff file 'foreign.o' missing optional file header.\n";
  const struct {
    std::vector<std::string> args;
    std::string messages;
  } cases[] = {
      {{"/c", "new.lib", "a.o", "dup.o"}, dupMessage},
      {{"/r", "x.lib", "dup.o"}, dupMessage},
      {{"/c", "new.lib", "foreign.o"}, foreignMessage},
      {{"/r", "x.lib", "foreign.o"}, foreignMessage},
  };
  for (const auto& c : cases) {
    t.write("x.lib", lib);
    RunResult r = quandel(t, c.args);
    EXPECT_EQ(r.out, run(c.messages, 1)) << c.args[0] << " " << c.args.back();
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(t.read("x.lib"), lib);
    EXPECT_FALSE(t.exists("new.lib"));
  }
}

}  // namespace

namespace {

// A library name that leads to something other than a regular file (here a
// FIFO; a device behind a symbolic link would be the harmful case) is never
// replaced by a new file.
TEST(QuandelSafety, OnlyARegularFileIsReplaced) {
  TempDir t;
  writeObject(t, "a.o", {"f"});
  ASSERT_EQ(mkfifo(t.file("x.lib").c_str(), 0644), 0);
  RunResult r = quandel(t, {"/c", "x.lib", "a.o"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, run("Error - Could not open library file 'x.lib' for writing.\n", 1));
  struct stat st;
  ASSERT_EQ(lstat(t.file("x.lib").c_str(), &st), 0);
  EXPECT_TRUE(S_ISFIFO(st.st_mode));
  EXPECT_EQ(t.list(), (std::vector<std::string>{"a.o", "x.lib"}));
}

}  // namespace

namespace {

bool isLink(const std::string& path) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

// A link named like a member is replaced by the member's file, never written
// through; a member reached through a linked directory is refused.
TEST(QuandelSafety, ExtractionNeverWritesThroughALink) {
  TempDir t;
  ASSERT_EQ(mkdir(t.file("outside").c_str(), 0755), 0);
  ASSERT_EQ(mkdir(t.file("work").c_str(), 0755), 0);
  t.write("outside/target.txt", "keep");
  const std::string a = object("c.o", {}).bytes();
  const std::string lib = library({{"c.o", a}, {"sub\\c.o", a}});
  t.write("work/my.lib", lib);
  const std::string refused =
      "Error - Member 'sub\\c.o' of library 'my.lib' is not extracted: its name leaves the current "
      "directory.\n";
  const struct {
    std::vector<std::string> args;
    std::string messages;
    int errors;
  } cases[] = {
      {{"/x", "my.lib", "c.o"}, "Extracting member 'c.o'.\n", 0},
      {{"/x", "my.lib", "sub/c.o"}, refused, 1},
      {{"/x", "my.lib"}, refused, 1},  // all or nothing: c.o stays a link
  };
  for (const auto& c : cases) {
    std::string what = c.args.size() == 3 ? c.args[2] : "all";
    unlink(t.file("work/c.o").c_str());
    ASSERT_EQ(symlink("../outside/target.txt", t.file("work/c.o").c_str()), 0);
    unlink(t.file("work/sub").c_str());
    ASSERT_EQ(symlink("../outside", t.file("work/sub").c_str()), 0);
    RunResult r = runProgram(QUANDEL_EXE, c.args, t.file("work"));
    EXPECT_EQ(r.out, run(c.messages, c.errors)) << what;
    EXPECT_EQ(r.status, c.errors ? 1 : 0) << what;
    EXPECT_EQ(t.read("outside/target.txt"), "keep") << what;
    EXPECT_EQ(t.list(), (std::vector<std::string>{"outside", "work"})) << what;
    EXPECT_EQ(isLink(t.file("work/c.o")), c.errors != 0) << what;
    EXPECT_EQ(t.read("work/c.o"), c.errors ? "keep" : a) << what;
    EXPECT_FALSE(t.exists("outside/c.o")) << what;
  }
  // A link that leads nowhere is replaced as well, not followed to create
  // its target.
  unlink(t.file("work/c.o").c_str());
  ASSERT_EQ(symlink("../outside/new.o", t.file("work/c.o").c_str()), 0);
  RunResult r = runProgram(QUANDEL_EXE, {"/x", "my.lib", "c.o"}, t.file("work"));
  EXPECT_EQ(r.status, 0);
  EXPECT_FALSE(isLink(t.file("work/c.o")));
  EXPECT_FALSE(t.exists("outside/new.o"));
  EXPECT_EQ(t.read("work/my.lib"), lib);
}

// A name longer than a header holds is stored cut; typed in full it still
// names that member.
TEST(QuandelSafety, LongMemberNamesAreFoundByTheirFullName) {
  TempDir t;
  const std::string dirs = std::string(100, 'd') + "/" + std::string(100, 'e');
  ASSERT_EQ(mkdir(t.file(dirs.substr(0, 100)).c_str(), 0755), 0);
  ASSERT_EQ(mkdir(t.file(dirs).c_str(), 0755), 0);
  const std::string name = dirs + "/" + std::string(100, 'f') + ".o";  // 305 characters
  std::string stored = name.substr(0, 255);
  std::replace(stored.begin(), stored.end(), '/', '\\');
  writeObject(t, name, {"f"});
  writeObject(t, "a.o", {"g"}, 2);

  ASSERT_EQ(quandel(t, {"/c", "x.lib", name, "a.o"}).status, 0);
  RunResult r = quandel(t, {"/r", "x.lib", name});  // replaced, not added again
  EXPECT_EQ(r.out, run("", 0));
  EXPECT_EQ(r.status, 0);
  const std::string lib = t.read("x.lib");
  EXPECT_EQ(lib.substr(8, 256), stored + "/");
  EXPECT_EQ(lib.find("a.o/"), lib.rfind("a.o/"));
  EXPECT_EQ(lib.find(stored), lib.rfind(stored));  // one copy

  r = quandel(t, {"/d", "x.lib", name});
  EXPECT_EQ(r.out, run("", 0));
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(t.read("x.lib").substr(8, 4), "a.o/");
}

// Two runs that add different members to one library at the same time: both
// additions survive, every time.
TEST(QuandelSafety, ConcurrentReplacementsLoseNothing) {
  TempDir t;
  const std::string a = writeObject(t, "a.o", {"fa"});
  writeObject(t, "b.o", {"fb"}, 2);
  writeObject(t, "c.o", {"fc"}, 3);
  const std::string script = std::string("(" QUANDEL_EXE " /q /r x.lib b.o; echo $? > b.st) & (") +
                             QUANDEL_EXE " /q /r x.lib c.o; echo $? > c.st) & wait";
  for (int round = 0; round < 20; ++round) {
    t.write("x.lib", library({{"a.o", a}}));
    RunResult r = runProgram("/bin/sh", {"-c", script}, t.path());
    ASSERT_EQ(r.status, 0);
    EXPECT_EQ(t.read("b.st"), "0\n") << round;
    EXPECT_EQ(t.read("c.st"), "0\n") << round;
    RunResult list = quandel(t, {"/t", "x.lib"});
    for (const char* m : {"'a.o'", "'b.o'", "'c.o'"})
      EXPECT_NE(list.out.find(m), std::string::npos) << round << " " << m << "\n" << list.out;
    EXPECT_EQ(t.list(), (std::vector<std::string>{"a.o", "b.o", "b.st", "c.o", "c.st", "x.lib"}));
  }
}

}  // namespace

namespace {

// strace, to watch the system calls of a program: its path, or why it cannot
// be used here.
struct Tracer {
  std::string path;
  std::string whyNot;
};

// The first strace on PATH (then in /usr/bin and /bin) that can trace a
// program here: tracing needs ptrace, which a container may forbid.
Tracer findTracer(const TempDir& t) {
  std::vector<std::string> dirs;
  std::istringstream path(std::getenv("PATH") ? std::getenv("PATH") : "");
  for (std::string dir; std::getline(path, dir, ':');)
    if (!dir.empty()) dirs.push_back(dir);
  dirs.insert(dirs.end(), {"/usr/bin", "/bin"});
  std::string whyNot = "strace is not installed (not on PATH, in /usr/bin or in /bin)";
  for (const std::string& dir : dirs) {
    const std::string strace = dir + "/strace";
    if (access(strace.c_str(), X_OK) != 0) continue;
    RunResult probe = runProgram(strace, {"-o", "/dev/null", "/bin/true"}, t.path());
    if (probe.status == 0) return {strace, ""};
    whyNot = strace + " cannot trace here (status " + std::to_string(probe.status) +
             "): " + probe.err;
  }
  return {"", whyNot};
}

// The environment of a traced program: the leak checker of a sanitizer build
// stops the process with ptrace at its exit, which fails under strace and ends
// the run with the sanitizer's status, so it is switched off; nothing else is.
std::vector<std::string> tracedEnvironment() {
  const char* asan = std::getenv("ASAN_OPTIONS");
  return {std::string("ASAN_OPTIONS=") + (asan && *asan ? std::string(asan) + ":" : "") +
          "detect_leaks=0"};
}

// The fsync and rename calls of a traced run, in order; each line of the
// trace starts with the process id.
std::vector<std::string> replacementCalls(const std::string& trace) {
  std::vector<std::string> calls;
  std::istringstream lines(trace);
  for (std::string line; std::getline(lines, line);) {
    std::string::size_type at = line.find_first_not_of("0123456789 ");
    std::string call = at == std::string::npos ? "" : line.substr(at);
    if (call.rfind("fsync(", 0) == 0) calls.push_back("fsync");
    if (call.rfind("rename(", 0) == 0) calls.push_back("rename");
  }
  return calls;
}

bool inCi() {
  const char* ci = std::getenv("CI");
  return ci && std::string(ci) == "true";
}

TEST(QuandelSafety, TheNewLibraryIsOnDiskBeforeItTakesTheOldOnesPlace) {
  TempDir t;
  const Tracer tracer = findTracer(t);
  if (!tracer.whyNot.empty()) {
    // Continuous integration installs strace: there its absence is a fault.
    if (inCi()) FAIL() << tracer.whyNot << " (CI=true: the test must run)";
    GTEST_SKIP() << tracer.whyNot;
  }
  writeObject(t, "a.o", {"f"});
  RunResult r = runProgram(tracer.path,
                           {"-f", "-o", "trace.txt", "-e", "trace=fsync,rename", QUANDEL_EXE, "/q",
                            "/c", "x.lib", "a.o"},
                           t.path(), tracedEnvironment());
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  // The new file, the rename, then the directory that holds the new name.
  EXPECT_EQ(replacementCalls(t.read("trace.txt")),
            (std::vector<std::string>{"fsync", "rename", "fsync"}))
      << t.read("trace.txt");
}

}  // namespace
