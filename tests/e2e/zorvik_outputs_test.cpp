// zorvik never writes over a file that it reads: an output or map file that is
// an object, a library (as found on the library path) or a command file (also
// one reached by INCLUDE), by name or through a hard or symbolic link, is
// refused before anything is written, the error map of a failing link
// included; every input stays as it was.
#include <gtest/gtest.h>
#include <unistd.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "zorvik_link_support.h"

namespace {

const char kMemories[] =
    "CODEPAGE NAME=page START=0x0 END=0xFF\n"
    "DATABANK NAME=bank START=0x20 END=0x7F\n";
const char kLinks[] = "LIBPATH lib\nFILES main.o util.lib\nINCLUDE inc.lkr\n";

// main.o needs util from lib/util.lib; inc.lkr declares the memories (or
// none, so that allocation fails and an error map would be written).
void writeInputs(LinkDir& d, bool memories) {
  d.dir("lib");
  d.object("main.o", definer("main.o", {"_main"}, {"_util"}));
  d.library("lib/util.lib", {definer("util.o", {"_util"})});
  d.t.write("inc.lkr", memories ? kMemories : "HEAP MINSIZE=0x20\n");
  d.t.write("app.lkr", kLinks);
  ASSERT_EQ(symlink("main.o", d.t.file("sym.o").c_str()), 0);
  ASSERT_EQ(link(d.t.file("lib/util.lib").c_str(), d.t.file("hard.lib").c_str()), 0);
  ASSERT_EQ(symlink("inc.lkr", d.t.file("sym.lkr").c_str()), 0);
}

std::map<std::string, std::string> contents(const LinkDir& d) {
  std::map<std::string, std::string> files;
  for (const char* name : {"main.o", "lib/util.lib", "inc.lkr", "app.lkr"})
    files[name] = d.t.read(name);
  return files;
}

TEST(ZorvikOutputs, TheLinkSucceedsWithOutputsBesideTheInputs) {
  LinkDir d;
  writeInputs(d, true);
  RunResult r = d.run(kLinks, {"/o", "app.cof", "/m", "app.map"});
  EXPECT_EQ(r.out, linkedRun());
  EXPECT_EQ(r.status, 0);
}

TEST(ZorvikOutputs, AnOutputThatIsAnInputIsRefusedAndEveryInputStays) {
  const struct {
    bool memories;
    std::vector<std::string> args;
    std::string message;
  } cases[] = {
      {true, {"/o", "main.o"}, "the output file 'main.o' is the input file './main.o'."},
      {true,
       {"/o", "./lib/util.lib"},
       "the output file './lib/util.lib' is the input file 'lib/util.lib'."},
      {true, {"/o", "app.lkr"}, "the output file 'app.lkr' is the input file './app.lkr'."},
      {true, {"/o", "inc.lkr"}, "the output file 'inc.lkr' is the input file './inc.lkr'."},
      {true, {"/o", "sym.o"}, "the output file 'sym.o' is the input file './main.o'."},
      {true, {"/o", "hard.lib"}, "the output file 'hard.lib' is the input file 'lib/util.lib'."},
      {true, {"/m", "main.o"}, "the map file 'main.o' is the input file './main.o'."},
      {true,
       {"/o", "app.cof", "/m", "lib/util.lib"},
       "the map file 'lib/util.lib' is the input file 'lib/util.lib'."},
      {true, {"/m", "sym.lkr"}, "the map file 'sym.lkr' is the input file './inc.lkr'."},
      {true,
       {"/o", "main.o", "/m", "inc.lkr"},
       "the output file 'main.o' is the input file './main.o'."},
      // A failing link would write its error map over the object.
      {false, {"/m", "main.o"}, "the map file 'main.o' is the input file './main.o'."},
      {false, {"/m", "hard.lib"}, "the map file 'hard.lib' is the input file 'lib/util.lib'."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args.back());
    LinkDir d;
    writeInputs(d, c.memories);
    const std::map<std::string, std::string> before = contents(d);
    const std::vector<std::string> entries = d.t.list();
    RunResult r = d.run(kLinks, c.args);
    EXPECT_EQ(r.out, errorRun(c.message));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(contents(d), before);
    EXPECT_EQ(d.t.list(), entries);
  }
}

// A map named by a symbolic link that leads to the output (directly, through
// another link or from another directory) is the output even before the
// output exists: the link would be written through and the executable lost.
TEST(ZorvikOutputs, AMapLinkedToTheOutputYetToBeMadeIsRefused) {
  const struct {
    std::vector<std::pair<std::string, std::string>> links;  // name, target
    std::vector<std::string> args;
    std::string message;
  } cases[] = {
      {{{"y.cof", "x.cof"}},
       {"/o", "x.cof", "/m", "y.cof"},
       "the map file 'y.cof' is the output file 'x.cof'."},
      {{{"y.cof", "x.cof"}},
       {"/o", "y.cof", "/m", "x.cof"},
       "the map file 'x.cof' is the output file 'y.cof'."},
      {{{"y.map", "z.map"}, {"z.map", "x.cof"}},
       {"/o", "x.cof", "/m", "y.map"},
       "the map file 'y.map' is the output file 'x.cof'."},
      {{{"out.map", "lib/out.map"}, {"lib/out.map", "../x.cof"}},
       {"/o", "x.cof", "/m", "out.map"},
       "the map file 'out.map' is the output file 'x.cof'."},
      {{{"y.map", "x.cof"}, {"y.cof", "x.cof"}},
       {"/o", "y.cof", "/m", "y.map"},
       "the map file 'y.map' is the output file 'y.cof'."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args[1] + " " + c.args[3]);
    LinkDir d;
    writeInputs(d, true);
    for (const auto& l : c.links)
      ASSERT_EQ(symlink(l.second.c_str(), d.t.file(l.first).c_str()), 0);
    const std::vector<std::string> entries = d.t.list();
    RunResult r = d.run(kLinks, c.args);
    EXPECT_EQ(r.out, errorRun(c.message));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(d.t.list(), entries);
    EXPECT_FALSE(d.t.exists("x.cof"));
  }
}

}  // namespace
