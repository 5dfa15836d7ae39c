// pellund on linked executables made by the test builder: the HEX files of each
// format compared byte for byte, then read back with objcopy, an outside reader
// of the format, and compared with the program memory they must hold.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <numeric>
#include <string>
#include <vector>

#include "Banner.h"
#include "CoffBuilder.h"
#include "ProcessorIds.h"
#include "RunProgram.h"

namespace {

// Processor ids of the three kinds of program memory.
const uint32_t kMirrow = procIdNamed("MRRW007");   // 14-bit words, two bytes each
const uint32_t kQuenby = procIdNamed("QNBY122");   // 16-bit words
const uint32_t kHalvern = procIdNamed("HLVN133");  // counted in bytes

using Bytes = std::vector<uint8_t>;

struct Scn {
  std::string name;
  uint32_t flags;
  uint32_t paddr;
  Bytes bytes;
};

// A stretch of memory that a HEX file must hold, at its address in that file.
struct Chunk {
  uint32_t address;
  Bytes bytes;
};

// One output file: its exact text and the memory it holds.
struct Output {
  std::string name;
  std::string text;
  std::vector<Chunk> memory;
};

Bytes counting(uint8_t first, size_t n) {
  Bytes b(n);
  std::iota(b.begin(), b.end(), first);
  return b;
}

// The low (half 0) or high (half 1) bytes of 16-bit words at word addresses, as
// INHX8S splits them.
std::vector<Chunk> half(const std::vector<Chunk>& memory, size_t which) {
  std::vector<Chunk> out;
  for (const Chunk& c : memory) {
    Chunk h{c.address / 2, {}};
    for (size_t i = which; i < c.bytes.size(); i += 2) h.bytes.push_back(c.bytes[i]);
    out.push_back(h);
  }
  return out;
}

std::string banner() {
  return std::string("PELLUND v2.31, COFF to HEX File Converter\n") + noticeBanner() + "\n\n";
}

std::string summary(int errors) {
  return "Errors    : " + std::to_string(errors) + "\nWarnings  : 0\n\n";
}

const char kEnd[] = ":00000001FF\n";

std::string objcopyPath() {
  const char* path = std::getenv("PATH");
  std::string dirs = path ? path : "/usr/bin:/bin";
  size_t from = 0;
  while (from <= dirs.size()) {
    size_t to = dirs.find(':', from);
    if (to == std::string::npos) to = dirs.size();
    std::string candidate = dirs.substr(from, to - from) + "/objcopy";
    if (to > from && access(candidate.c_str(), X_OK) == 0) return candidate;
    from = to + 1;
  }
  return "";
}

// The bytes objcopy lays out for the memory: from its lowest address, gaps zero.
std::string flatten(const std::vector<Chunk>& memory) {
  uint32_t low = UINT32_MAX, high = 0;
  for (const Chunk& c : memory) {
    low = std::min(low, c.address);
    high = std::max<uint32_t>(high, c.address + static_cast<uint32_t>(c.bytes.size()));
  }
  std::string flat(high - low, '\0');
  for (const Chunk& c : memory) {
    for (size_t i = 0; i < c.bytes.size(); ++i)
      flat[c.address - low + i] = static_cast<char>(c.bytes[i]);
  }
  return flat;
}

class Pellund : public ::testing::Test {
 protected:
  void image(uint32_t proc, uint32_t romBits, const std::vector<Scn>& scns,
             const std::string& path = "prog.cof") {
    cProc = proc;
    cRomBits = romBits;
    cScns = scns;
    cPath = path;
  }

  // A fresh working directory holding the executable.
  std::unique_ptr<TempDir> workDir() {
    auto dir = std::make_unique<TempDir>();
    if (cPath.find('/') != std::string::npos) {
      mkdir(dir->file(cPath.substr(0, cPath.rfind('/'))).c_str(), 0700);
    }
    CoffBuilder b(dir->file(cPath));
    b.optionalHeader(cProc, cRomBits).fileFlags(0x0002);
    for (const Scn& s : cScns) {
      const int n = b.section(s.name, s.flags, s.paddr);
      if (s.flags & SCN_UDATA) {
        b.zeros(n, static_cast<uint32_t>(s.bytes.size()));
      } else {
        b.contents(n, s.bytes);
      }
    }
    EXPECT_TRUE(b.writeFile(dir->file(cPath)));
    return dir;
  }

  // Runs pellund on the executable; it must succeed and write exactly `outputs`
  // besides the executable, which objcopy must read back as their memory.
  void expectConverts(const std::vector<std::string>& switches,
                      const std::vector<Output>& outputs) {
    std::unique_ptr<TempDir> dir = workDir();
    std::vector<std::string> args = switches;
    args.push_back(cPath);
    std::string label;
    for (const std::string& a : args) label += " " + a;
    SCOPED_TRACE(label);

    RunResult r = runProgram(PELLUND_EXE, args, dir->path());
    EXPECT_EQ(r.out, banner() + summary(0));
    EXPECT_EQ(r.status, 0);
    std::vector<std::string> expected = {cPath.substr(0, cPath.find('/'))};
    for (const Output& o : outputs) expected.push_back(o.name);
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(dir->list(), expected);
    for (const Output& o : outputs) {
      EXPECT_EQ(dir->read(o.name), o.text) << o.name;
      if (!o.memory.empty()) expectReadsBack(*dir, o.name, o.memory);
    }
  }

  void expectReadsBack(const TempDir& dir, const std::string& name,
                       const std::vector<Chunk>& memory) {
    const std::string objcopy = objcopyPath();
    if (objcopy.empty()) GTEST_SKIP() << "objcopy not found: HEX files not read back";
    RunResult r = runProgram(objcopy, {"-I", "ihex", "-O", "binary", name, name + ".bin"},
                             dir.path());
    ASSERT_EQ(r.status, 0) << name << ": " << r.err;
    EXPECT_EQ(dir.read(name + ".bin"), flatten(memory)) << name << " read back";
  }

  uint32_t cProc = kMirrow;
  uint32_t cRomBits = 14;
  std::vector<Scn> cScns;
  std::string cPath = "prog.cof";
};

TEST_F(Pellund, RecordsStopAt16ByteBoundariesInEveryFormat) {
  // Ten words from word address 0x0C: byte addresses 0x18 to 0x2B.
  image(kMirrow, 14, {{".code", SCN_CODE, 0x0C, counting(0x00, 20)}});
  const std::vector<Chunk> memory = {{0x18, counting(0x00, 20)}};
  const std::string records =
      ":080018000001020304050607C4\n"
      ":0C00200008090A0B0C0D0E0F1011121332\n";
  expectConverts({"/a", "INHX8M"}, {{"prog.hex", records + kEnd, memory}});
  expectConverts({}, {{"prog.hex", ":020000040000FA\n" + records + kEnd, memory}});
  expectConverts({"/a", "INHX8S"}, {{"prog.hxh",
                                     ":04000C0001030507E0\n"
                                     ":06001000090B0D0F111396\n" +
                                         std::string(kEnd),
                                     half(memory, 1)},
                                    {"prog.hxl",
                                     ":04000C0000020406E4\n"
                                     ":06001000080A0C0E10129C\n" +
                                         std::string(kEnd),
                                     half(memory, 0)}});
}

TEST_F(Pellund, AddressesAround64Kb) {
  // Sixteen words from byte address 0xFFF0 to 0x1000F.
  image(kQuenby, 16, {{".code", SCN_CODE, 0x7FF8, counting(0x30, 32)}});
  const std::vector<Chunk> memory = {{0xFFF0, counting(0x30, 32)}};
  expectConverts({"/a", "INHX32"}, {{"prog.hex",
                                     ":020000040000FA\n"
                                     ":10FFF000303132333435363738393A3B3C3D3E3F89\n"
                                     ":020000040001F9\n"
                                     ":10000000404142434445464748494A4B4C4D4E4F78\n" +
                                         std::string(kEnd),
                                     memory}});
  // INHX8S addresses words, so these bytes still fit.
  expectConverts({"/a", "INHX8S"}, {{"prog.hxh",
                                     ":087FF80031333537393B3D3FC1\n"
                                     ":0880000041434547494B4D4F38\n" +
                                         std::string(kEnd),
                                     half(memory, 1)},
                                    {"prog.hxl",
                                     ":087FF80030323436383A3C3EC9\n"
                                     ":0880000040424446484A4C4E40\n" +
                                         std::string(kEnd),
                                     half(memory, 0)}});
}

TEST_F(Pellund, AddressAbove64KbIsFatalInTheSixteenBitFormats) {
  const std::string fatal =
      "Error - Selected hex format does not support byte addresses above 64kb; use INHX32 "
      "format!\n";
  {
    image(kQuenby, 16, {{".code", SCN_CODE, 0x7FF8, counting(0x30, 32)}});
    std::unique_ptr<TempDir> dir = workDir();
    RunResult r = runProgram(PELLUND_EXE, {"/a", "INHX8M", "prog.cof"}, dir->path());
    EXPECT_EQ(r.out, banner() + fatal + summary(1));
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(dir->read("prog.hex"), ":10FFF000303132333435363738393A3B3C3D3E3F89\n");
  }
  {
    // Byte addresses 0x1FFF0 to 0x2000F: word addresses 0xFFF8 to 0x10007.
    image(kHalvern, 8, {{".code", SCN_CODE, 0x1FFF0, counting(0x60, 32)}});
    std::unique_ptr<TempDir> dir = workDir();
    RunResult r = runProgram(PELLUND_EXE, {"/a", "INHX8S", "prog.cof"}, dir->path());
    EXPECT_EQ(r.out, banner() + fatal + summary(1));
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(dir->read("prog.hxl"), ":08FFF80060626466686A6C6EC9\n");
    EXPECT_EQ(dir->read("prog.hxh"), ":08FFF80061636567696B6D6FC1\n");
  }
}

TEST_F(Pellund, CodeAndRomdataInAscendingAddressOrderIntoTheCurrentDirectory) {
  // Name order puts the higher address first; the odd romdata section is
  // completed with a byte 0; data sections are not program memory.
  image(kMirrow, 14,
        {{"a_code", SCN_CODE, 0x200, {1, 2}},
         {"b_rom", SCN_ROMDATA, 0x10, {3, 4, 5}},
         {".data", SCN_IDATA, 0x0, {9, 9}},
         {".stack", SCN_UDATA, 0x20, {0, 0, 0, 0}}},
        "out/prog.cof");
  expectConverts({}, {{"prog.hex",
                       ":020000040000FA\n"
                       ":0400200003040500D0\n"
                       ":020400000102F7\n" +
                           std::string(kEnd),
                       {{0x20, {3, 4, 5, 0}}, {0x400, {1, 2}}}}});
}

TEST_F(Pellund, ImageWithoutProgramMemoryGivesOnlyTheEndRecord) {
  image(kMirrow, 14, {{".data", SCN_IDATA, 0x20, {1, 2}}, {"empty", SCN_CODE, 0x0, {}}});
  expectConverts({"/a", "INHX8M"}, {{"prog.hex", kEnd, {}}});
  expectConverts({"/a", "INHX32"}, {{"prog.hex", kEnd, {}}});
  expectConverts({"/a", "INHX8S"}, {{"prog.hxh", kEnd, {}}, {"prog.hxl", kEnd, {}}});
}

TEST_F(Pellund, RangesSelectWordsIntoRunsThatNeverSpanSections) {
  // Words 0x100 to 0x105 (bytes 0x10 to 0x1B), then the odd romdata section of
  // words 0x106 and 0x107 (bytes A0 A1 A2, completed with 0).
  image(kMirrow, 14,
        {{".code", SCN_CODE, 0x100, counting(0x10, 12)},
         {".next", SCN_ROMDATA, 0x106, {0xA0, 0xA1, 0xA2}}});
  const struct {
    const char* what;
    std::vector<std::string> switches;
    std::string records;
    std::vector<Chunk> memory;
  } cases[] = {
      {"one word", {"/r", "0x102-0x102"}, ":020204001415CF\n", {{0x204, {0x14, 0x15}}}},
      {"touching ranges make one run",
       {"/r", "0x101-0x102", "-r", "259-0x104"},
       ":08020200121314151617181948\n",
       {{0x202, counting(0x12, 8)}}},
      {"selected, not, selected: two runs",
       {"/r", "0x100-0x100", "/R", "0x103-0x103"},
       ":020200001011DB\n:020206001617C9\n",
       {{0x200, {0x10, 0x11}}, {0x206, {0x16, 0x17}}}},
      {"a run ends with its section",
       {"/r", "0x104-0x106"},
       ":0402080018191A1B8C\n:02020C00A0A1AF\n",
       {{0x208, {0x18, 0x19, 0x1A, 0x1B}}, {0x20C, {0xA0, 0xA1}}}},
      {"odd length: last byte and 0",
       {"/r", "0x107-0x200"},
       ":02020E00A2004C\n",
       {{0x20E, {0xA2, 0}}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    expectConverts(c.switches, {{"prog.hex", ":020000040000FA\n" + c.records + kEnd, c.memory}});
  }
}

TEST_F(Pellund, RangesThatSelectNothingFailWithOnlyTheSummary) {
  image(kMirrow, 14, {{".code", SCN_CODE, 0x100, {1, 2, 3, 4}}, {".data", SCN_IDATA, 0x0, {1, 2}}});
  std::unique_ptr<TempDir> dir = workDir();
  RunResult r = runProgram(PELLUND_EXE, {"/r", "0x0-0xFF", "/r", "0x102-0xFFFF", "prog.cof"},
                           dir->path());
  EXPECT_EQ(r.out, banner() + summary(0));
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(dir->list(), std::vector<std::string>{"prog.cof"});
}

TEST_F(Pellund, RangesOnByteAddressedMemoryCountBytes) {
  // Pairs at byte addresses 0x200, 0x202, 0x204 and 0x206 (0x56 and a byte 0).
  image(kHalvern, 8, {{".code", SCN_CODE, 0x200, counting(0x50, 7)}});
  const struct {
    const char* range;
    std::string record;
    Chunk memory;
  } cases[] = {
      {"0x203-0x204", ":0202040054554F\n", {0x204, {0x54, 0x55}}},  // 0x203 is a second byte
      {"0x206-0x206", ":020206005600A0\n", {0x206, {0x56, 0}}},
  };
  for (const auto& c : cases) {
    expectConverts({"/r", c.range},
                   {{"prog.hex", ":020000040000FA\n" + c.record + kEnd, {c.memory}}});
  }
}

TEST_F(Pellund, OddSectionIsPaddedOnlyWhereNoOtherSectionLies) {
  // .ra ends at 0x202: its padding would land on .rb's first byte at 0x203.
  // .rc ends at 0x208 with nothing after it: completed with a byte 0.
  image(kHalvern, 8,
        {{".ra", SCN_CODE, 0x200, {0xA0, 0xA1, 0xA2}},
         {".rb", SCN_ROMDATA, 0x203, {0xB0, 0xB1}},
         {".rc", SCN_CODE, 0x206, {0xC0, 0xC1, 0xC2}}});
  const std::string records =
      ":03020000A0A1A218\n"
      ":02020300B0B198\n"
      ":04020600C0C1C200B1\n";
  const std::vector<Chunk> memory = {{0x200, {0xA0, 0xA1, 0xA2, 0xB0, 0xB1}},
                                     {0x206, {0xC0, 0xC1, 0xC2, 0}}};
  expectConverts({}, {{"prog.hex", ":020000040000FA\n" + records + kEnd, memory}});
  expectConverts({"/a", "INHX8M"}, {{"prog.hex", records + kEnd, memory}});
  // With /r the last pair of .ra is its last byte alone.
  expectConverts({"/r", "0x202-0x20F"},
                 {{"prog.hex",
                   ":020000040000FA\n:01020200A259\n" + records.substr(18) + kEnd,
                   {{0x202, {0xA2, 0xB0, 0xB1}}, {0x206, {0xC0, 0xC1, 0xC2, 0}}}}});
}

TEST_F(Pellund, Inhx8sRefusesHalvernSectionsAtOddAddresses) {
  image(kHalvern, 8,
        {{".ra", SCN_CODE, 0x200, {0xA0, 0xA1, 0xA2}},
         {".rb", SCN_ROMDATA, 0x203, {0xB0, 0xB1, 0xB2, 0xB3}}});
  for (const std::vector<std::string>& switches :
       {std::vector<std::string>{"/a", "INHX8S", "prog.cof"},
        std::vector<std::string>{"/a", "INHX8S", "/r", "0x205-0x205", "prog.cof"}}) {
    std::unique_ptr<TempDir> dir = workDir();
    RunResult r = runProgram(PELLUND_EXE, switches, dir->path());
    EXPECT_EQ(r.out, banner() +
                         "Error - Coff file 'prog.cof', section '.rb' starts at the odd byte "
                         "address 0x" +
                         std::string(switches.size() == 3 ? "00000203" : "00000205") +
                         ", which INHX8S cannot split into 16-bit words; use INHX32 or INHX8M "
                         "format!\n" +
                         summary(1));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(dir->list(), std::vector<std::string>{"prog.cof"});
  }
  // A selection that leaves the odd section out converts.
  expectConverts({"/a", "INHX8S", "/r", "0x200-0x201"},
                 {{"prog.hxh", ":01010000A15D\n" + std::string(kEnd), {{0x100, {0xA1}}}},
                  {"prog.hxl", ":01010000A05E\n" + std::string(kEnd), {{0x100, {0xA0}}}}});
}

TEST_F(Pellund, HexFileThatIsTheInputIsRefused) {
  image(kMirrow, 14, {{".code", SCN_CODE, 0x0, {0x34, 0x12}}});
  const std::string original = ":this is the input";
  const struct {
    const char* what;
    std::string input;
    std::string format;
    std::string link;  // an output name made a link to the input, or empty
    bool hard;
    std::string output;
  } cases[] = {
      {"same name", "fw.hex", "INHX32", "", false, "fw.hex"},
      {"same name, split", "fw.hxh", "INHX8S", "", false, "fw.hxh"},
      {"hard link", "prog.cof", "INHX8M", "prog.hex", true, "prog.hex"},
      {"symbolic link", "prog.cof", "INHX8S", "prog.hxh", false, "prog.hxh"},
      {"backslash path", "sub\\..\\fw.hex", "INHX32", "", false, "fw.hex"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::unique_ptr<TempDir> dir = workDir();
    mkdir(dir->file("sub").c_str(), 0700);
    const std::string inputPath = dir->file(c.input.find('\\') == std::string::npos ? c.input
                                                                                    : "fw.hex");
    ASSERT_EQ(rename(dir->file("prog.cof").c_str(), inputPath.c_str()), 0);
    const std::string before = dir->read(inputPath.substr(dir->path().size() + 1));
    if (!c.link.empty()) {
      const int made = c.hard ? link(inputPath.c_str(), dir->file(c.link).c_str())
                              : symlink(c.input.c_str(), dir->file(c.link).c_str());
      ASSERT_EQ(made, 0);
    }
    const std::vector<std::string> entries = dir->list();
    RunResult r = runProgram(PELLUND_EXE, {"/a", c.format, c.input}, dir->path());
    EXPECT_EQ(r.out, banner() + "Error - Hex file '" + c.output + "' is the Coff file '" + c.input +
                         "'; the input would be overwritten.\n" + summary(1));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(dir->list(), entries);  // nothing created
    EXPECT_EQ(dir->read(inputPath.substr(dir->path().size() + 1)), before);
  }
}

TEST_F(Pellund, InputNamedLikeItsOutputInAnotherDirectoryConverts) {
  image(kMirrow, 14, {{".code", SCN_CODE, 0x0, {0x34, 0x12}}}, "sub/prog.hex");
  expectConverts({"/a", "INHX8M"},
                 {{"prog.hex", ":020000003412B8\n" + std::string(kEnd), {{0, {0x34, 0x12}}}}});
}

TEST_F(Pellund, SwitchLettersFoldAndQuietRunsSilently) {
  image(kMirrow, 14, {{".code", SCN_CODE, 0x0, {0x34, 0x12}}});
  expectConverts({"/A", "INHX32", "-a", "INHX8M"},
                 {{"prog.hex", ":020000003412B8\n" + std::string(kEnd), {{0, {0x34, 0x12}}}}});

  std::unique_ptr<TempDir> dir = workDir();
  RunResult r = runProgram(PELLUND_EXE, {"-Q", "/a", "INHX8S", "prog.cof"}, dir->path());
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(dir->read("prog.hxl"), ":0100000034CB\n" + std::string(kEnd));
  EXPECT_EQ(dir->read("prog.hxh"), ":0100000012ED\n" + std::string(kEnd));
}

TEST_F(Pellund, UnusableProgramMemoryWidthIsAnError) {
  for (uint32_t bits : {0u, 17u}) {
    image(kMirrow, bits, {{".code", SCN_CODE, 0x0, {1, 2}}});
    std::unique_ptr<TempDir> dir = workDir();
    RunResult r = runProgram(PELLUND_EXE, {"prog.cof"}, dir->path());
    EXPECT_EQ(r.out, banner() +
                         "Error - Coff file 'prog.cof' has an unsupported program memory "
                         "width of " +
                         std::to_string(bits) + " bits.\n" + summary(1));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(dir->list(), std::vector<std::string>{"prog.cof"});
  }
}

TEST_F(Pellund, HexFileThatCannotBeWrittenFailsWithStatus1) {
  image(kMirrow, 14, {{".code", SCN_CODE, 0x0, counting(0, 64)}});
  const bool haveFull = access("/dev/full", W_OK) == 0;
  const struct {
    const char* format;
    const char* blocked;  // the output name taken by a directory, or /dev/full
    bool full;
  } cases[] = {
      {"INHX32", "prog.hex", false},
      {"INHX8M", "prog.hex", true},
      {"INHX8S", "prog.hxh", false},
      {"INHX8S", "prog.hxh", true},
  };
  for (const auto& c : cases) {
    if (c.full && !haveFull) continue;
    SCOPED_TRACE(std::string(c.format) + (c.full ? " on a full device" : " over a directory"));
    std::unique_ptr<TempDir> dir = workDir();
    if (c.full) {
      ASSERT_EQ(symlink("/dev/full", dir->file(c.blocked).c_str()), 0);
    } else {
      ASSERT_EQ(mkdir(dir->file(c.blocked).c_str(), 0700), 0);
    }
    RunResult r = runProgram(PELLUND_EXE, {"/a", c.format, "prog.cof"}, dir->path());
    // A directory cannot be opened; /dev/full opens, and its write fails.
    const std::string error = c.full ? "Could not write hex file '" + std::string(c.blocked) + "'."
                                     : "Could not open hex file '" + std::string(c.blocked) +
                                           "' for writing.";
    EXPECT_EQ(r.out, banner() + "Error - " + error + "\n" + summary(1));
    EXPECT_EQ(r.status, 1);
    if (std::string(c.format) == "INHX8S") {
      // The low file was created first; it is complete only when the high file
      // could be opened.
      EXPECT_EQ(dir->read("prog.hxl").empty(), !c.full);
    }
  }
}

}  // namespace
