// The shipped example (examples/run.sh) as a user runs it: the files stay in
// the directory that the run names, a later run replaces that directory whole
// only while it holds an earlier run's files unchanged, a killed run leaves the
// last run's files, and the listings set every source line beside the words
// that the HEX files program at its addresses.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "RunProgram.h"

namespace {

const std::string kRun = std::string(ZV_SOURCE_DIR) + "/examples/run.sh";

// A path as the run names it: absolute, symbolic links resolved.
std::string realPath(const std::string& path) {
  return std::filesystem::weakly_canonical(path).string();
}

RunResult runExample(const TempDir& t, const std::string& out) {
  return runProgram(kRun, {ZV_BINARY_DIR, t.file(out)}, t.path());
}

// The bytes of an Intel HEX file by byte address: data records placed by the
// extended linear address records before them.
std::map<uint32_t, uint8_t> hexBytes(const std::string& text) {
  std::map<uint32_t, uint8_t> bytes;
  uint32_t upper = 0;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    EXPECT_EQ(line.substr(0, 1), ":") << line;
    auto field = [&](size_t at, size_t n) {
      return static_cast<uint32_t>(std::stoul(line.substr(at, n), nullptr, 16));
    };
    const uint32_t count = field(1, 2), address = field(3, 4), type = field(7, 2);
    if (type == 4) upper = field(9, 4) << 16;
    for (uint32_t i = 0; type == 0 && i < count; ++i)
      bytes[upper + address + i] = static_cast<uint8_t>(field(9 + 2 * i, 2));
  }
  return bytes;
}

// One listing line of a program word: its address, value, disassembly and source.
struct CodeLine {
  uint32_t address;
  uint16_t value;
  std::string disassembly;
  std::string source;
};

std::string trimmed(const std::string& text) {
  const size_t first = text.find_first_not_of(' ');
  return first == std::string::npos ? ""
                                    : text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// The lines of a listing that show a program word (the address column, from
// column 0, is not blank); the value starts at column 9, the disassembly at 18
// and the source at 43.
std::vector<CodeLine> codeLines(const std::string& listing) {
  std::vector<CodeLine> lines;
  std::istringstream in(listing);
  for (std::string line; std::getline(in, line);) {
    if (line.size() < 13 || line.find_first_not_of("0123456789abcdef") != 6) continue;
    lines.push_back({static_cast<uint32_t>(std::stoul(line.substr(0, 6), nullptr, 16)),
                     static_cast<uint16_t>(std::stoul(line.substr(9, 4), nullptr, 16)),
                     line.size() > 18 ? trimmed(line.substr(18, 24)) : "",
                     line.size() > 43 ? trimmed(line.substr(43, 80)) : ""});
  }
  return lines;
}

// The example once, into a directory of its own, for the tests that read its files.
class ShippedExample : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    sDir = new TempDir;
    sRun = new RunResult(runExample(*sDir, "out"));
  }
  static void TearDownTestSuite() {
    delete sRun;
    delete sDir;
  }
  static std::string read(const std::string& name) { return sDir->read("out/" + name); }

  static TempDir* sDir;
  static RunResult* sRun;
};

TempDir* ShippedExample::sDir = nullptr;
RunResult* ShippedExample::sRun = nullptr;

TEST_F(ShippedExample, KeepsItsFilesInTheDirectoryItNames) {
  ASSERT_EQ(sRun->status, 0) << sRun->err;
  const std::string named = "Files written in " + realPath(sDir->file("out")) + ":\n";
  EXPECT_NE(sRun->out.find(named), std::string::npos) << sRun->out;
  for (const char* name : {"blink.o", "delay.o", "math.o", "start.o", "led.o", "lib/util.lib",
                           "blink.cof", "blink.map", "blink.hex", "blink.cod", "blink.lst",
                           "led.cof", "led.map", "led.hex", "led.cod", "led.lst"})
    EXPECT_TRUE(sDir->exists("out/" + std::string(name))) << name;
  EXPECT_EQ(sDir->list(), std::vector<std::string>{"out"});  // nothing left beside it
}

// Every word the listing shows is the word that the HEX file programs at that
// address: two bytes at twice a word address on Mirrow, at a byte address on
// Halvern.
TEST_F(ShippedExample, ListingWordsAreTheWordsOfTheHexFile) {
  ASSERT_EQ(sRun->status, 0) << sRun->err;
  for (const auto& [program, bytesPerAddress] :
       {std::pair<std::string, uint32_t>{"blink", 2}, {"led", 1}}) {
    const std::map<uint32_t, uint8_t> hex = hexBytes(read(program + ".hex"));
    const std::vector<CodeLine> lines = codeLines(read(program + ".lst"));
    EXPECT_GE(lines.size(), 10u) << program;
    for (const CodeLine& l : lines) {
      const uint32_t at = l.address * bytesPerAddress;
      ASSERT_TRUE(hex.count(at) && hex.count(at + 1))
          << program << " has no word at 0x" << std::hex << l.address;
      EXPECT_EQ(l.value, hex.at(at) | hex.at(at + 1) << 8)
          << program << " at 0x" << std::hex << l.address;
    }
  }
}

// The line numbers that make_example writes point at the sources' lines: each
// listed instruction stands beside the source line that names it, and the
// second word of a Halvern GOTO and CALL has a line of its own.
TEST_F(ShippedExample, ListingSetsEachInstructionBesideItsSourceLine) {
  ASSERT_EQ(sRun->status, 0) << sRun->err;
  for (const std::string program : {"blink", "led"}) {
    for (const CodeLine& l : codeLines(read(program + ".lst"))) {
      if (l.disassembly.empty()) continue;  // the second word of a two-word instruction
      std::string mnemonic = l.disassembly.substr(0, l.disassembly.find(' '));
      for (char& c : mnemonic) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      EXPECT_NE((" " + l.source + " ").find(" " + mnemonic + " "), std::string::npos)
          << program << " at 0x" << std::hex << l.address << ": " << l.disassembly << " beside '"
          << l.source << "'";
    }
  }
  const std::string led = read("led.lst");
  EXPECT_NE(led.find("000002   f000   "), std::string::npos) << led;
  EXPECT_NE(led.find("00001c   f000   "), std::string::npos) << led;
  EXPECT_NE(led.find("; board.inc - how the HLVN133 example board is wired."), std::string::npos)
      << led;
}

// The README's excerpts of the example's files (the indented lines of its set-up
// section, the commands aside) are lines of those files as this run wrote them.
TEST_F(ShippedExample, ReadmeExcerptsAreTheFilesText) {
  ASSERT_EQ(sRun->status, 0) << sRun->err;
  std::string files;
  for (const char* name : {"blink.map", "blink.hex", "led.lst"}) files += "\n" + read(name);
  files += "\n";
  std::ifstream in(std::string(ZV_SOURCE_DIR) + "/README.md");
  bool inSetUp = false;
  int excerpts = 0;
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("## ", 0) == 0) inSetUp = line == "## Set-up on a fresh machine";
    if (!inSetUp || line.rfind("    ", 0) != 0 || line.find("cmake ") != std::string::npos)
      continue;
    ++excerpts;
    EXPECT_NE(files.find("\n" + line.substr(4) + "\n"), std::string::npos)
        << "not in the example's files: " << line;
  }
  EXPECT_GE(excerpts, 20);
}

// Every entry under `dir` with its bytes, a directory as "<dir>".
std::map<std::string, std::string> contents(const TempDir& t, const std::string& dir) {
  std::map<std::string, std::string> entries;
  for (const auto& e : std::filesystem::recursive_directory_iterator(t.file(dir))) {
    const std::string name = std::filesystem::relative(e.path(), t.file(dir)).string();
    entries[name] = e.is_directory() ? "<dir>" : t.read(dir + "/" + name);
  }
  return entries;
}

void copyRun(const TempDir& t, const std::string& from, const std::string& to) {
  std::filesystem::copy(t.file(from), t.file(to), std::filesystem::copy_options::recursive);
}

// A later run replaces the directory of an earlier one whole while it holds
// that run's files unchanged, all of them or some; a directory that no run made
// is refused and left as it was.
TEST(ShippedExampleDirectory, IsReplacedWholeOnlyWhenAnEarlierRunLeftItAsItWas) {
  TempDir t;
  ASSERT_EQ(runExample(t, "out").status, 0);
  RunResult again = runExample(t, "out");
  ASSERT_EQ(again.status, 0) << again.err;
  std::filesystem::remove(t.file("out/blink.hex"));
  again = runExample(t, "out");
  ASSERT_EQ(again.status, 0) << again.err;
  EXPECT_TRUE(t.exists("out/blink.hex"));
  EXPECT_EQ(t.list(), std::vector<std::string>{"out"});

  t.write("mine.txt", "keep");
  RunResult refused = runProgram(kRun, {ZV_BINARY_DIR, t.path()}, t.path());
  EXPECT_EQ(refused.status, 1);
  EXPECT_EQ(refused.err,
            "run.sh: " + realPath(t.path()) +
                " holds files that this example did not write; give another directory\n");
  EXPECT_EQ(t.list(), (std::vector<std::string>{"mine.txt", "out"}));
  EXPECT_EQ(t.read("mine.txt"), "keep");
}

// A directory that a run made but that now holds a file of the user's, added or
// edited, is refused and left exactly as it is, its mark too; so is one that an
// older version of the run made, whose mark records no files.
TEST(ShippedExampleDirectory, IsRefusedAndKeptWhenAFileInItIsTheUsers) {
  TempDir t;
  ASSERT_EQ(runExample(t, "run").status, 0);
  struct Case {
    std::string dir;
    std::function<void(const TempDir&, const std::string&)> change;
    std::string why;
  };
  const std::vector<Case> cases = {
      {"added",
       [](const TempDir& d, const std::string& dir) { d.write(dir + "/notes.txt", "mine"); },
       " holds notes.txt, which this example did not write;"},
      {"nested", [](const TempDir& d, const std::string& dir) { d.write(dir + "/lib/my.lib", ""); },
       " holds lib/my.lib, which this example did not write;"},
      {"edited",
       [](const TempDir& d, const std::string& dir) {
         d.write(dir + "/blink.lkr", d.read(dir + "/blink.lkr") + "// mine\n");
       },
       " holds blink.lkr, which was changed since this example wrote it;"},
      {"older",
       [](const TempDir& d, const std::string& dir) { d.write(dir + "/.example-run", ""); },
       " was written by an older version of this example, whose files cannot be "
       "checked; remove it or"},
  };
  for (const Case& c : cases) {
    copyRun(t, "run", c.dir);
    c.change(t, c.dir);
    const std::map<std::string, std::string> before = contents(t, c.dir);
    RunResult refused = runExample(t, c.dir);
    EXPECT_EQ(refused.status, 1) << c.dir;
    EXPECT_TRUE(refused.out.empty()) << c.dir;
    EXPECT_EQ(refused.err,
              "run.sh: " + realPath(t.file(c.dir)) + c.why + " give another directory\n");
    EXPECT_TRUE(contents(t, c.dir) == before) << c.dir << " was changed";
  }
  EXPECT_EQ(t.list(), (std::vector<std::string>{"added", "edited", "nested", "older", "run"}));
}

// What killed runs leave beside the directory: an old run renamed aside whose
// removal was cut short, one emptied but not removed, a work directory that
// never finished. The next run removes them and leaves one complete run; the
// directories of the same names that hold a file of the user's stay as they are.
TEST(ShippedExampleDirectory, LeftoversOfKilledRunsAreRemovedAndOnlyThey) {
  TempDir t;
  ASSERT_EQ(runExample(t, "out").status, 0);
  copyRun(t, "out", "out.old.Ab3dEf");
  for (const char* gone : {"blink.o", "led.lst", "lib/util.lib"})
    std::filesystem::remove(t.file("out.old.Ab3dEf/" + std::string(gone)));
  std::filesystem::create_directory(t.file("out.old.Xy9zQw"));
  std::filesystem::create_directory(t.file("out.new.Qr5tUv"));
  t.write("out.new.Qr5tUv/.example-run", "unfinished\n");
  t.write("out.new.Qr5tUv/blink.lkr", t.read("out/blink.lkr"));
  copyRun(t, "out", "out.old.backup");
  t.write("out.old.backup/notes.txt", "mine");
  std::filesystem::create_directory(t.file("out.new.mine12"));
  t.write("out.new.mine12/notes.txt", "mine");
  const std::map<std::string, std::string> backup = contents(t, "out.old.backup");

  RunResult next = runExample(t, "out");
  ASSERT_EQ(next.status, 0) << next.err;
  EXPECT_EQ(t.list(), (std::vector<std::string>{"out", "out.new.mine12", "out.old.backup"}));
  EXPECT_TRUE(contents(t, "out.old.backup") == backup);
  EXPECT_EQ(t.read("out.new.mine12/notes.txt"), "mine");
  for (const char* name : {"blink.o", "led.lst", "lib/util.lib", ".example-run"})
    EXPECT_TRUE(t.exists("out/" + std::string(name))) << name;
  EXPECT_EQ(runExample(t, "out").status, 0);  // what it left is a run's, unchanged
}

// A run killed between renaming the directory aside and renaming its own in
// leaves both complete runs beside a missing directory; the next run puts one
// back, so that it stays even when that run fails (here its build lacks
// make_example).
TEST(ShippedExampleDirectory, AKilledSwapIsMendedByTheNextRunEvenWhenItFails) {
  TempDir t;
  ASSERT_EQ(runExample(t, "run").status, 0);
  copyRun(t, "run", "out.old.Ab3dEf");
  copyRun(t, "run", "out.new.Qr5tUv");
  std::filesystem::create_directory(t.file("build"));
  std::filesystem::create_directory_symlink(std::string(ZV_BINARY_DIR) + "/src",
                                            t.file("build/src"));

  RunResult failed = runProgram(kRun, {t.file("build"), t.file("out")}, t.path());
  EXPECT_NE(failed.status, 0);
  EXPECT_EQ(t.list(), (std::vector<std::string>{"build", "out", "run"}));
  EXPECT_TRUE(contents(t, "out") == contents(t, "run"));
}

}  // namespace
