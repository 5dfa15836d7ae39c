// Links that reach a limit: a fill that no executable can hold, an error map
// that cannot be written. A run that reports an error fails and writes no
// executable.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "zorvik_link_support.h"

namespace {

const std::string kData = "DATABANK NAME=d START=0x20 END=0x7F\n";

RunResult inShell(const LinkDir& d, const std::string& lkr, const std::string& limit,
                  const std::string& args) {
  d.t.write("app.lkr", lkr);
  return runProgram("/bin/sh", {"-c", limit + "; exec '" ZORVIK_EXE "' app.lkr " + args}, d.t.path());
}

TEST(ZorvikLinkLimits, AFillNoExecutableCanHoldFailsTheLink) {
  LinkDir d;
  d.object("a.o", definer("a.o", {"main"}));  // 16-bit words: two bytes a location
  RunResult r = d.run("CODEPAGE NAME=p START=1 END=0xFFFFFFFF FILL=0x1234\n" + kData + "FILES a.o\n",
                      {"/o", "app.cof"});
  EXPECT_EQ(r.out, errorRun("Fill section for memory 'p' would hold 8589934586 bytes, more than an "
                            "executable can hold; the memory is not filled."));
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(d.t.list(), (std::vector<std::string>{"a.o", "app.lkr"}));
}

// The error map of 300 memories passes a 4 KB file-size limit; the full map
// and the executable of this link would not.
TEST(ZorvikLinkLimits, AnErrorMapThatCannotBeWrittenFailsTheLink) {
  LinkDir d;
  d.object("a.o", definer("a.o", {"main"}));
  std::string lkr = kData + "FILES a.o\n";
  for (int i = 0; i < 300; ++i)
    lkr += "CODEPAGE NAME=page" + std::to_string(i) + " START=" + std::to_string(i * 16) +
           " END=" + std::to_string(i * 16 + 15) + "\n";
  RunResult r = inShell(d, lkr, "ulimit -f 8", "/o app.cof /m app.map");
  EXPECT_EQ(r.out, errorRun("Could not write map file 'app.map'."));
  EXPECT_EQ(r.status, 1);
  EXPECT_FALSE(d.t.exists("app.cof"));
}

}  // namespace
