#include "TextWriter.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <string>

#include "RunProgram.h"

namespace {

TEST(TextWriter, WritesPiecesAndFormatsOfAnyLength) {
  TempDir t;
  TextWriter out;
  ASSERT_TRUE(out.open(t.file("map.txt")));
  EXPECT_EQ(out.name(), t.file("map.txt"));
  std::string longName(1000, 'n');
  std::string block(100000, 'b');  // larger than the buffer
  out << "Section Info\n" << std::string_view("ab\0c", 4);
  out.print("%-6s|%#06x|%u\n", "code", 0x1f, 7u);
  out.print("<%s>\n", longName.c_str());
  out.write(block);
  out.write("");
  EXPECT_FALSE(out.failed());
  EXPECT_TRUE(out.close());
  EXPECT_EQ(t.read("map.txt"), std::string("Section Info\nab\0c", 17) + "code  |0x001f|7\n<" +
                                   longName + ">\n" + block);
}

TEST(TextWriter, OpenFailsForADirectoryOrAMissingFolder) {
  TempDir t;
  for (const std::string& name : {t.path(), t.file("no/such.map")})
    for (bool inPlace : {false, true}) {
      TextWriter out;
      EXPECT_FALSE(inPlace ? out.openInPlace(name) : out.open(name)) << name;
      EXPECT_TRUE(out.failed());
      EXPECT_FALSE(out.close());
    }
}

// Written in place, a file ends up holding the new text alone, whether it was
// missing, longer or shorter; a device has no length to cut.
TEST(TextWriter, InPlaceTheFileHoldsTheNewTextAlone) {
  TempDir t;
  const std::string block(100000, 'b');  // larger than the buffer
  for (const std::string& before : {std::string(), std::string(300000, 'x'), std::string("x")}) {
    if (!before.empty()) t.write("map.txt", before);
    TextWriter out;
    ASSERT_TRUE(out.openInPlace(t.file("map.txt")));
    out << "head\n";
    out.write(block);
    out.print("%s\n", "tail");
    EXPECT_TRUE(out.close()) << before.size();
    EXPECT_EQ(t.read("map.txt"), "head\n" + block + "tail\n") << before.size();
  }
  TextWriter device;
  ASSERT_TRUE(device.openInPlace("/dev/null"));
  device << "x\n";
  EXPECT_TRUE(device.close());
}

TEST(TextWriter, BackslashesReadAsSeparators) {
  TempDir t;
  runProgram("/bin/mkdir", {"sub"}, t.path());
  TextWriter out;
  ASSERT_TRUE(out.open(t.path() + "\\sub\\x.lst"));
  out << "x\n";
  EXPECT_TRUE(out.close());
  EXPECT_EQ(t.read("sub/x.lst"), "x\n");
}

// Writes `bytes` bytes in a child whose file-size limit is `limit` bytes, with
// SIGXFSZ ignored as the programs ignore it. The child's status is 0 when close()
// failed and failed() says so, 1 when the writer claimed success.
int writeUnderLimit(const std::string& path, rlim_t limit, size_t bytes) {
  pid_t child = fork();
  if (child == 0) {
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit r{limit, limit};
    if (setrlimit(RLIMIT_FSIZE, &r) != 0) _exit(2);
    TextWriter out;
    if (!out.open(path)) _exit(3);
    std::string line(99, 'x');
    line += '\n';
    for (size_t n = 0; n < bytes; n += line.size()) out << line;
    bool closed = out.close();
    _exit(!closed && out.failed() ? 0 : 1);
  }
  int status = -1;
  waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

TEST(TextWriter, AFullDiskIsReportedAsFailure) {
  TempDir t;
  // Past the limit while writing, and only at the final flush.
  EXPECT_EQ(writeUnderLimit(t.file("big.map"), 4096, 1000000), 0);
  EXPECT_EQ(writeUnderLimit(t.file("small.map"), 10, 500), 0);
  // The same writes under a limit they stay within succeed.
  EXPECT_EQ(writeUnderLimit(t.file("fits.map"), 1 << 20, 500), 1);
}

}  // namespace
