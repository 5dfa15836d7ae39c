// Where a name leads through symbolic links, and which names lead to one file
// although the file is not there yet.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <utility>
#include <vector>

#include "RunProgram.h"
#include "SameFile.h"

namespace {

// t holds plain (a file), sub/ and other/, and the links below.
void writeLinks(const TempDir& t) {
  t.write("plain", "x");
  ASSERT_EQ(mkdir(t.file("sub").c_str(), 0755), 0);
  ASSERT_EQ(mkdir(t.file("other").c_str(), 0755), 0);
  const std::vector<std::pair<std::string, std::string>> links = {
      {"dangling", "x.cof"},
      {"chain", "dangling"},
      {"down", "sub/up"},  // sub/up's target is taken from sub/
      {"sub/up", "../other/x.cof"},
      {"toplain", "plain"},
      {"absolute", t.file("other/y.cof")},
      {"loop1", "loop2"},
      {"loop2", "loop1"},
      {"self", "self"},
  };
  for (const auto& l : links) ASSERT_EQ(symlink(l.second.c_str(), t.file(l.first).c_str()), 0);
}

// The links of writeLinks in a fresh directory, whose path with a '/' is d.
class SameFile : public testing::Test {
 protected:
  void SetUp() override { writeLinks(t); }

  TempDir t;
  const std::string d = t.path() + "/";
};

TEST_F(SameFile, LinkedPathFollowsLinksToWhereAWriteWouldGo) {
  const struct {
    std::string name, reached;
  } cases[] = {
      {"plain", "plain"}, {"missing", "missing"},         {"dangling", "x.cof"},
      {"chain", "x.cof"}, {"down", "sub/../other/x.cof"}, {"toplain", "plain"},
      {"self", "self"},  // a loop: given up after the system's limit
  };
  for (const auto& c : cases) EXPECT_EQ(linkedPath(d + c.name), d + c.reached) << c.name;
  EXPECT_EQ(linkedPath(d + "absolute"), t.file("other/y.cof"));
  const std::string loop = linkedPath(d + "loop1");
  EXPECT_TRUE(loop == d + "loop1" || loop == d + "loop2") << loop;
}

TEST_F(SameFile, ALinkIsTheFileItWouldCreate) {
  const struct {
    std::string a, b;
    bool same;
  } cases[] = {
      {"dangling", "x.cof", true},        {"x.cof", "chain", true},
      {"chain", "dangling", true},        {"down", "other/x.cof", true},
      {"down", "sub/x.cof", false},       {"absolute", "other/y.cof", true},
      {"dangling", "other/x.cof", false}, {"toplain", "plain", true},
      {"loop1", "loop2", false},  // neither can be written
      {"self", "x.cof", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(sameFile(d + c.a, d + c.b), c.same) << c.a << " " << c.b;
    EXPECT_EQ(sameFile(d + c.b, d + c.a), c.same) << c.b << " " << c.a;
  }
}

}  // namespace
