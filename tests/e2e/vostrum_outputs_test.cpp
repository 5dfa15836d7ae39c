// vostrum never writes over a source file that the executable names: a COD
// file or listing that is one of them (through a hard or symbolic link), or a
// listing that is the COD file, is refused before anything is created, and the
// sources stay as they were.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <utility>
#include <vector>

#include "vostrum_test_util.h"

using namespace vostrum_test;

namespace {

const char kSource[] = "start movlw 1\n";

// prog.cof, made from src/main.asm (recorded as "src\main.asm") and top.asm.
void writeProgram(const TempDir& t) {
  ASSERT_EQ(mkdir(t.file("src").c_str(), 0755), 0);
  t.write("src/main.asm", kSource);
  t.write("top.asm", kSource);
  CoffBuilder b = executable(kMirrow);
  const int scn = b.section(".code", SCN_CODE, 0);
  b.words(scn, {0x3001});
  b.line(scn, b.fileSymbol("top.asm"), 1, 0, 0, 0);
  b.line(scn, b.fileSymbol("src\\main.asm"), 1, 0, 0, 0);
  ASSERT_TRUE(b.writeFile(t.file("prog.cof")));
}

void hardLink(const TempDir& t, const char* target, const char* name) {
  ASSERT_EQ(link(t.file(target).c_str(), t.file(name).c_str()), 0);
}
void softLink(const TempDir& t, const char* target, const char* name) {
  ASSERT_EQ(symlink(target, t.file(name).c_str()), 0);
}

TEST(VostrumOutputs, AnOutputThatIsASourceOrTheCodFileIsRefusedBeforeAnythingIsCreated) {
  const struct {
    const char* target;
    const char* name;
    bool hard;
    std::vector<std::string> args;
    std::string message;
  } cases[] = {
      {"top.asm",
       "prog.lst",
       true,
       {"prog.cof"},
       "List file 'prog.lst' would replace the source file 'top.asm' of the Coff file 'prog.cof'."},
      {"src/main.asm",
       "prog.lst",
       false,
       {"prog.cof"},
       "List file 'prog.lst' would replace the source file 'src\\main.asm' of the Coff file "
       "'prog.cof'."},
      {"src/main.asm",
       "prog.cod",
       true,
       {"prog.cof"},
       "Cod file 'prog.cod' would replace the source file 'src\\main.asm' of the Coff file "
       "'prog.cof'."},
      {"top.asm",
       "prog.cod",
       false,
       {"/d", "prog.cof"},
       "Cod file 'prog.cod' would replace the source file 'top.asm' of the Coff file 'prog.cof'."},
      {"prog.cod",
       "prog.lst",
       false,
       {"prog.cof"},
       "List file 'prog.lst' would replace the Cod file 'prog.cod'."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.name) + (c.hard ? " = " : " -> ") + c.target);
    TempDir t;
    writeProgram(t);
    if (std::string(c.target) == "prog.cod") t.write("prog.cod", "old");
    if (c.hard) {
      hardLink(t, c.target, c.name);
    } else {
      softLink(t, c.target, c.name);
    }
    const std::vector<std::string> entries = t.list();
    RunResult r = vostrum(t, c.args);
    EXPECT_EQ(r.out, banner() + error(c.message) + summary(1));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(t.read("top.asm"), kSource);
    EXPECT_EQ(t.read("src/main.asm"), kSource);
    EXPECT_EQ(t.list(), entries);
  }
}

// A listing named by a symbolic link that leads to the COD file (directly,
// through another link or from another directory) is the COD file even before
// that exists.
TEST(VostrumOutputs, AListingLinkedToTheCodFileYetToBeMadeIsRefused) {
  const std::vector<std::vector<std::pair<const char*, const char*>>> cases = {
      {{"prog.lst", "prog.cod"}},
      {{"prog.lst", "mid.lst"}, {"mid.lst", "prog.cod"}},
      {{"prog.lst", "src/prog.lst"}, {"src/prog.lst", "../prog.cod"}},
  };
  for (const auto& links : cases) {
    SCOPED_TRACE(links.back().second);
    TempDir t;
    writeProgram(t);
    for (const auto& l : links) softLink(t, l.second, l.first);
    const std::vector<std::string> entries = t.list();
    RunResult r = vostrum(t, {"prog.cof"});
    EXPECT_EQ(r.out, banner() +
                         error("List file 'prog.lst' would replace the Cod file 'prog.cod'.") +
                         summary(1));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(t.list(), entries);
    EXPECT_FALSE(t.exists("prog.cod"));
  }
}

TEST(VostrumOutputs, WithoutLinksTheSameProgramConverts) {
  TempDir t;
  writeProgram(t);
  RunResult r = vostrum(t, {"prog.cof"});
  EXPECT_EQ(r.out, banner() + summary(0));
  EXPECT_EQ(r.status, 0);
  EXPECT_TRUE(t.exists("prog.cod"));
  EXPECT_TRUE(t.exists("prog.lst"));
}

}  // namespace
