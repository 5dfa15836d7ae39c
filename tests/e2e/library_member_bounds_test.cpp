// A library member is read inside the bytes that its header gives it: a member
// whose string table runs on into the next member's header is refused with the
// reader's message, by the librarian and by the linker alike.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "zorvik_link_support.h"

namespace {

const std::string kLongName = "a_definition_with_a_long_name";

std::string memberHeader(const std::string& name, size_t size) {
  std::string h = name + "/";
  h.resize(256, ' ');
  std::string length = std::to_string(size);
  length.resize(10, '\0');
  return h + "0" + std::string(11, '\0') + length + "`\n";
}

// a.o and b.o, where a.o's string table claims 20 bytes more than a.o has:
// they would come from b.o's header.
std::string overlongStringTable() {
  std::string a = definer("a.o", {kLongName}).bytes(), b = definer("b.o", {"other"}).bytes();
  const size_t table = getU32(a, 8) + 18 * getU32(a, 12);
  putU32(a, table, getU32(a, table) + 20);
  return "!<arch>\n" + memberHeader("a.o", a.size()) + a + memberHeader("b.o", b.size()) + b;
}

// The reader's message for the part that runs out, then the library's.
std::vector<std::string> refusal(const std::string& library) {
  return {"Coff file 'a.o' could not read string table.",
          "Could not build member 'a.o' in library file '" + library + "'. "};
}

std::string librarianRun(const std::vector<std::string>& messages) {
  std::string out = std::string(librarianBanner()) + "\n" + noticeBanner() + "\n\n";
  for (const std::string& m : messages) out += "Error - " + m + "\n";
  return out + "Errors    : " + std::to_string(messages.size()) + "\nWarnings  : 0\n\n";
}

TEST(LibraryMemberBounds, TheLibrarianRefusesToListOrExtractIt) {
  for (const char* command : {"/t", "/x"}) {
    TempDir t;
    t.write("bad.lib", overlongStringTable());
    RunResult r = runProgram(QUANDEL_EXE, {command, "bad.lib"}, t.path());
    EXPECT_EQ(r.out, librarianRun(refusal("bad.lib"))) << command;
    EXPECT_EQ(r.status, 1) << command;
    EXPECT_EQ(t.list(), std::vector<std::string>{"bad.lib"}) << command;
  }
}

TEST(LibraryMemberBounds, TheLinkerRefusesToLinkIt) {
  LinkDir d;
  d.object("main.o", definer("main.o", {"main"}, {kLongName}));
  d.t.write("bad.lib", overlongStringTable());
  RunResult r = d.run(
      "CODEPAGE NAME=p START=0 END=0x7FF\nDATABANK NAME=d START=0x20 END=0x7F\n"
      "LIBPATH .\nFILES main.o bad.lib\n",
      {"/o", "app.cof"});
  EXPECT_EQ(r.out, errorRun(refusal("./bad.lib")));
  EXPECT_EQ(r.status, 1);
  EXPECT_FALSE(d.t.exists("app.cof"));
}

}  // namespace
