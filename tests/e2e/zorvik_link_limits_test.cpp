// Links that reach a limit: a fill that no executable can hold, an error map
// that cannot be written, a stack of almost 4 GiB. A run that reports an
// error fails and writes no executable; memory follows what is written.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "zorvik_link_support.h"

namespace {

const std::string kData = "DATABANK NAME=d START=0x20 END=0x7F\n";

RunResult inShell(const LinkDir& d, const std::string& lkr, const std::string& limit,
                  const std::string& args) {
  d.t.write("app.lkr", lkr);
  return runProgram("/bin/sh", {"-c", limit + "; exec '" ZORVIK_EXE "' app.lkr " + args},
                    d.t.path());
}

// The s_size field of the section header named `name` (eight characters at
// most) in a COFF image; 0 when there is none.
uint32_t sectionSize(const std::string& image, const std::string& name) {
  const size_t first = 20 + getU16(image, 16);
  for (size_t at = first, n = 0; n < getU16(image, 2); ++n, at += 40) {
    std::string field = image.substr(at, 8);
    if (field.substr(0, field.find('\0')) == name) return getU32(image, at + 16);
  }
  return 0;
}

TEST(ZorvikLinkLimits, AFillNoExecutableCanHoldFailsTheLink) {
  LinkDir d;
  d.object("a.o", definer("a.o", {"main"}));  // 16-bit words: two bytes a location
  RunResult r = d.run(
      "CODEPAGE NAME=p START=1 END=0xFFFFFFFF FILL=0x1234\n" + kData + "FILES a.o\n",
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

// The stack has no contents, so it gets no buffer: a stack of almost 4 GiB
// links within 1 GiB of address space.
TEST(ZorvikLinkLimits, AStackTakesNoMemoryForContents) {
  LinkDir d;
  d.object("a.o", definer("a.o", {"main"}));
  const std::string lkr =
      "CODEPAGE NAME=p START=0 END=0x7FF\n"
      "DATABANK NAME=big START=0 END=0xFFFFFFFF\n"
      "STACK SIZE=0xFFFFFF00 RAM=big\nFILES a.o\n";
#ifdef ZV_SANITIZED
  // The sanitizer reserves its shadow memory at start, which no address-space
  // limit allows; its allocator refuses the large block instead.
  const char* inherited = std::getenv("ASAN_OPTIONS");
  d.t.write("app.lkr", lkr);
  RunResult r = runProgram(ZORVIK_EXE, {"app.lkr", "/o", "app.cof"}, d.t.path(),
                           {"ASAN_OPTIONS=" + std::string(inherited ? inherited : "") +
                            ":max_allocation_size_mb=1024:allocator_may_return_null=1"});
#else
  RunResult r = inShell(d, lkr, "ulimit -v 1048576", "/o app.cof");
#endif
  EXPECT_EQ(r.out, linkedRun());
  EXPECT_EQ(r.status, 0);
  ASSERT_TRUE(d.t.exists("app.cof"));
  EXPECT_EQ(sectionSize(d.t.read("app.cof"), ".stack"), 0xFFFFFF00u);
}

}  // namespace
