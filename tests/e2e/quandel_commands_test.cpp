// quandel's five commands as a user runs them: exact output, library bytes,
// extracted files and exit status, and the failures of each command.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Banner.h"
#include "CoffBuilder.h"
#include "RunProgram.h"

namespace {

std::string banner() { return std::string(librarianBanner()) + "\n" + noticeBanner() + "\n\n"; }

std::string summary(int errors) {
  return "Errors    : " + std::to_string(errors) + "\nWarnings  : 0\n\n";
}

// What a run prints around its own lines.
std::string run(const std::string& lines, int errors = 0) {
  return banner() + lines + summary(errors);
}

// Writes an object with one code section holding `fill` and an external
// definition of each name; gives its bytes.
std::string writeObject(const TempDir& t, const std::string& file,
                        const std::vector<std::string>& defs, uint16_t fill = 1,
                        uint32_t stamp = 1000000000) {
  CoffBuilder b(file);
  b.optionalHeader(0x1234, 16).timeStamp(stamp);
  int code = b.section(".code", SCN_CODE);
  b.words(code, std::vector<uint16_t>(8, fill));
  for (const std::string& d : defs) b.symbol(d, 0, static_cast<int16_t>(code), C_EXT);
  EXPECT_TRUE(b.writeFile(t.file(file)));
  return b.bytes();
}

std::string header(const std::string& name, uint32_t stamp, size_t size) {
  std::string h = name + "/";
  h.resize(256, ' ');
  std::string d = std::to_string(stamp);
  d.resize(12, '\0');
  std::string s = std::to_string(size);
  s.resize(10, '\0');
  return h + d + s + "`\n";
}

std::string entry(const std::string& name, const std::string& image, uint32_t stamp = 1000000000) {
  return header(name, stamp, image.size()) + image;
}

const std::string kMagic = "!<arch>\n";

RunResult quandel(const TempDir& t, const std::vector<std::string>& args) {
  return runProgram(QUANDEL_EXE, args, t.path(), {"TZ=UTC"});
}

TEST(QuandelCommands, CreateListReplaceDeleteExtractRoundTrip) {
  TempDir t;
  std::string a = writeObject(t, "a.o", {"main"});
  std::string b = writeObject(t, "b.o", {"helper"}, 2, 1234567890);

  RunResult r = quandel(t, {"/C", "LIB.LIB", "a.o", "b.o"});
  EXPECT_EQ(r.out, run(""));
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(t.read("LIB.LIB"), kMagic + entry("a.o", a) + entry("b.o", b, 1234567890));

  r = quandel(t, {"/t", "LIB.LIB"});
  EXPECT_EQ(r.out, run("Member: 'a.o'                      Size: " + std::to_string(a.size()) +
                       "    Date: Sun Sep  9 01:46:40 2001 \n"
                       "Member: 'b.o'                      Size: " +
                       std::to_string(b.size()) + "    Date: Fri Feb 13 23:31:30 2009 \n"));
  EXPECT_EQ(r.status, 0);

  // A new a.o keeps its place; c.o goes last.
  std::string a2 = writeObject(t, "a.o", {"main", "other"}, 3);
  std::string c = writeObject(t, "c.o", {"third"}, 4);
  r = quandel(t, {"-r", "LIB.LIB", "c.o", "a.o"});
  EXPECT_EQ(r.out, run(""));
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(t.read("LIB.LIB"),
            kMagic + entry("a.o", a2) + entry("b.o", b, 1234567890) + entry("c.o", c));

  r = quandel(t, {"/d", "LIB.LIB", "b.o"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(t.read("LIB.LIB"), kMagic + entry("a.o", a2) + entry("c.o", c));

  // Extracted images are the input files byte for byte.
  t.write("a.o", "stale");
  t.write("c.o", "stale");
  r = quandel(t, {"/x", "LIB.LIB"});
  EXPECT_EQ(r.out, run("Extracting member 'a.o'.\nExtracting member 'c.o'.\n"));
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(t.read("a.o"), a2);
  EXPECT_EQ(t.read("c.o"), c);
  EXPECT_EQ(t.list(), (std::vector<std::string>{"LIB.LIB", "a.o", "b.o", "c.o"}));
}

TEST(QuandelCommands, NamedExtractionFollowsTheCommandLine) {
  TempDir t;
  std::string a = writeObject(t, "a.o", {"f"});
  std::string b = writeObject(t, "b.o", {"g"}, 2);
  t.write("x.lib", kMagic + entry("a.o", a) + entry("b.o", b));
  std::string before = t.read("x.lib");
  t.write("a.o", "");
  t.write("b.o", "");
  RunResult r = quandel(t, {"/x", "x.lib", "b.o", "a.o"});
  EXPECT_EQ(r.out, run("Extracting member 'b.o'.\nExtracting member 'a.o'.\n"));
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(t.read("a.o"), a);
  EXPECT_EQ(t.read("b.o"), b);
  EXPECT_EQ(t.read("x.lib"), before);
}

TEST(QuandelCommands, CreateWithoutMembersAndOverAnyOldFile) {
  TempDir t;
  t.write("x.lib", "not a library at all");
  RunResult r = quandel(t, {"/c", "x.lib"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(t.read("x.lib"), kMagic);
  r = quandel(t, {"/t", "x.lib"});
  EXPECT_EQ(r.out, run(""));
  EXPECT_EQ(r.status, 0);
}

TEST(QuandelCommands, QuietCommandsPrintNothing) {
  TempDir t;
  std::string a = writeObject(t, "a.o", {"f"});
  const std::vector<std::vector<std::string>> lines = {
      {"/q", "/c", "x.lib", "a.o"}, {"/q", "/t", "x.lib"}, {"-Q", "/x", "x.lib"}};
  for (const auto& args : lines) {
    RunResult r = quandel(t, args);
    EXPECT_EQ(r.out, "") << args[1];
    EXPECT_EQ(r.status, 0) << args[1];
  }
  EXPECT_EQ(t.read("a.o"), a);
  RunResult r = quandel(t, {"/q", "/t", "missing.lib"});
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.status, 1);
}

// Each failing command: its messages, status 1, and files as they were.
TEST(QuandelCommands, FailuresReportAndChangeNothing) {
  TempDir t;
  std::string a = writeObject(t, "a.o", {"main"});
  std::string b = writeObject(t, "b.o", {"helper"}, 2);
  writeObject(t, "c.o", {"c"}, 3);
  writeObject(t, "dup.o", {"main"}, 4);
  std::string lib = kMagic + entry("a.o", a) + entry("obj\\b.o", b);
  std::string corrupt = kMagic + header("a.o", 0, a.size()) + a;
  corrupt[8 + 280 + 12] = '\x7F';  // f_nsyms far beyond the file
  const struct {
    std::vector<std::string> args;
    std::string messages;
  } cases[] = {
      {{"/d", "x.lib", "a.o", "zz.o", "b.o"},
       "Error - 'zz.o' is not a member of library 'x.lib'.\n"
       "Error - 'b.o' is not a member of library 'x.lib'.\n"},
      {{"/x", "x.lib", "zz.o", "a.o"}, "Error - 'zz.o' is not a member of library 'x.lib'.\n"},
      {{"/t", "none.lib"}, "Error - Could not open library file 'none.lib' for reading.\n"},
      {{"/r", "none.lib", "a.o"}, "Error - Could not open library file 'none.lib' for reading.\n"},
      {{"/t", "bad.lib"}, "Error - File 'bad.lib' is not a valid library file.\n"},
      {{"/d", "corrupt.lib", "a.o"},
       "Error - Coff file 'a.o' could not read string table length.\n"
       "Error - Could not build member 'a.o' in library file 'corrupt.lib'. \n"},
      {{"/c", "new.lib", "a.o", "nope.o"},
       "Error - Could not open Coff file 'nope.o' for reading.\n"},
      {{"/c", "new.lib", "a.o", "dup.o"},
       "Error - Symbol 'main' has multiple external definitions.\n"},
      {{"/r", "x.lib", "c.o", "nope.o"},
       "Error - Could not open Coff file 'nope.o' for reading.\n"},
      {{"/x", "x.lib", "obj/b.o"},
       "Extracting member 'obj\\b.o'.\n"
       "Error - Could not open Coff file 'obj\\b.o' for writing.\n"},
  };
  for (const auto& c : cases) {
    t.write("x.lib", lib);
    t.write("bad.lib", "!<arch>x");
    t.write("corrupt.lib", corrupt);
    RunResult r = quandel(t, c.args);
    int errors = 0;
    for (size_t at = 0; (at = c.messages.find("Error - ", at)) != std::string::npos; ++at) ++errors;
    EXPECT_EQ(r.out, run(c.messages, errors)) << c.args[0] << " " << c.args.back();
    EXPECT_EQ(r.status, 1) << c.args[0] << " " << c.args.back();
    EXPECT_EQ(t.read("x.lib"), lib) << c.args[0] << " " << c.args.back();
    EXPECT_EQ(t.list(), (std::vector<std::string>{"a.o", "b.o", "bad.lib", "c.o", "corrupt.lib",
                                                  "dup.o", "x.lib"}))
        << c.args[0] << " " << c.args.back();
  }
}

TEST(QuandelCommands, DuplicateDefinitionsInAnExistingLibraryBlockItsRewrite) {
  TempDir t;
  std::string a = writeObject(t, "a.o", {"main"});
  std::string b = writeObject(t, "b.o", {"main"}, 2);
  std::string c = writeObject(t, "c.o", {"c"}, 3);
  const std::string lib = kMagic + entry("a.o", a) + entry("b.o", b) + entry("c.o", c);
  t.write("x.lib", lib);
  const std::string twice = "Error - Symbol 'main' has multiple external definitions.\n";
  // Listing reports the duplicate on reading but succeeds.
  RunResult r = quandel(t, {"/q", "/t", "x.lib"});
  EXPECT_EQ(r.status, 0);
  // Deleting another member leaves the duplicate: reported twice, not written.
  r = quandel(t, {"/d", "x.lib", "c.o"});
  EXPECT_EQ(r.out, run(twice + twice, 2));
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(t.read("x.lib"), lib);
  // Deleting one of the pair clears it.
  r = quandel(t, {"/d", "x.lib", "b.o"});
  EXPECT_EQ(r.out, run(twice, 1));
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(t.read("x.lib"), kMagic + entry("a.o", a) + entry("c.o", c));
}

}  // namespace
