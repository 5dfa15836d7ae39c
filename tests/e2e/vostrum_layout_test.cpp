// vostrum on linked executables made by the test builder: the COD file is
// checked at the byte offsets of its records, not only by reading it back.
#include <gtest/gtest.h>

#include <numeric>
#include <regex>
#include <string>
#include <vector>

#include "vostrum_test_util.h"

using namespace vostrum_test;

namespace {

using Bytes = std::vector<uint8_t>;

Bytes counting(uint8_t first, size_t n) {
  Bytes b(n);
  std::iota(b.begin(), b.end(), first);
  return b;
}

std::string str(const Bytes& b) { return std::string(b.begin(), b.end()); }

// Converts the executable in a fresh directory; the run must succeed and write
// exactly prog.cod beside it. Returns the COD file.
CodBytes convert(const CoffBuilder& b) {
  TempDir dir;
  EXPECT_TRUE(b.writeFile(dir.file("prog.cof")));
  RunResult r = vostrum(dir, {"/d", "prog.cof"});
  EXPECT_EQ(r.out, banner() + summary(0));
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(dir.list(), (std::vector<std::string>{"prog.cod", "prog.cof"}));
  return CodBytes(dir.exists("prog.cod") ? dir.read("prog.cod") : std::string(512, '\0'));
}

// A 16-byte symbol record at `at`.
void expectSymbol(const CodBytes& f, size_t at, const std::string& name, uint8_t type,
                  uint16_t value) {
  EXPECT_EQ(f.str(at), name);
  EXPECT_TRUE(f.zero(at + 1 + name.size(), 12 - name.size())) << name;
  EXPECT_EQ(f.u8(at + 13), type) << name;
  EXPECT_EQ(f.u16(at + 14), value) << name;
}

// A long symbol record at `at`; returns the offset after it.
size_t expectLongSymbol(const CodBytes& f, size_t at, const std::string& name, uint16_t type,
                        uint32_t value) {
  EXPECT_EQ(f.str(at), name);
  EXPECT_EQ(f.u16(at + 1 + name.size()), type) << name;
  EXPECT_EQ(f.be32(at + 3 + name.size()), value) << name;
  return at + name.size() + 7;
}

TEST(VostrumLayout, OneWindowProgramWithEveryDirectoryField) {
  CoffBuilder b = executable(kMirrow);
  const int code = b.section(".code", SCN_CODE, 0x10);
  b.words(code, {0x3001, 0x0008, 0x2800});
  const int data = b.section(".udata", SCN_UDATA, 0x20);
  b.zeros(data, 4);
  b.fileSymbol("main.asm");
  b.symbol("main", 0x10, static_cast<int16_t>(code), C_EXT);
  b.symbol("counter", 0x20, static_cast<int16_t>(data), C_STAT);
  const CodBytes f = convert(b);

  // Directory 0, code block 1, symbols 2, source names 3, memory map 4, long symbols 5.
  ASSERT_EQ(f.blocks(), 6u);
  EXPECT_EQ(f.u16(0), 1);
  EXPECT_TRUE(f.zero(2, 254));
  EXPECT_EQ(f.str(kSource), "prog.cod");
  EXPECT_EQ(f.u8(kDate), 7);
  EXPECT_TRUE(std::regex_match(
      f.raw(kDate + 1, 7),
      std::regex("[0-3][0-9](Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec)[0-9][0-9]")))
      << f.raw(kDate + 1, 7);
  EXPECT_LT(f.u16(kTime) / 100, 24);
  EXPECT_LT(f.u16(kTime) % 100, 60);
  EXPECT_EQ(f.str(kVersion), "VOSTRUM v2.31");
  EXPECT_TRUE(f.zero(kCompiler, 12));
  EXPECT_EQ(f.str(kNotice), std::string(noticeBanner()).substr(0, 63));
  EXPECT_EQ(f.u16(kSymTab), 2);
  EXPECT_EQ(f.u16(kSymEnd), 2);
  EXPECT_EQ(f.u16(kNamTab), 3);
  EXPECT_EQ(f.u16(kNamEnd), 3);
  EXPECT_EQ(f.u16(kLineTab), 0);
  EXPECT_EQ(f.u16(kLineEnd), 0);
  EXPECT_EQ(f.u8(kAddrSize), 0);
  EXPECT_EQ(f.u16(kHighAddr), 0);
  EXPECT_EQ(f.u16(kNextDir), 0);
  EXPECT_EQ(f.u16(kMemMapOfs), 4);
  EXPECT_EQ(f.u16(kMemMapEnd), 4);
  EXPECT_EQ(f.u16(kLocalVars), 0);
  EXPECT_EQ(f.u16(kLocalEnd), 0);
  EXPECT_EQ(f.u16(kCodType), 1);
  EXPECT_EQ(f.str(kProcessor), "MRRW007");
  EXPECT_EQ(f.u16(kLSymTab), 5);
  EXPECT_EQ(f.u16(kLSymEnd), 5);
  EXPECT_EQ(f.u16(kMessTab), 0);
  EXPECT_EQ(f.u16(kMessEnd), 0);
  EXPECT_TRUE(f.zero(kSpare, 42));

  // Word 0x10 is byte 0x20 of the window.
  EXPECT_TRUE(f.zero(512, 0x20));
  EXPECT_EQ(f.raw(512 + 0x20, 6), str({0x01, 0x30, 0x08, 0x00, 0x00, 0x28}));
  EXPECT_TRUE(f.zero(512 + 0x26, 512 - 0x26));

  expectSymbol(f, 1024, "main", 46, 0x10);
  expectSymbol(f, 1040, "counter", 47, 0x20);
  EXPECT_TRUE(f.zero(1056, 512 - 32));

  EXPECT_EQ(f.str(1536), "main.asm");
  EXPECT_TRUE(f.zero(1536 + 9, 512 - 9));

  EXPECT_EQ(f.u16(2048), 0x20);
  EXPECT_EQ(f.u16(2050), 0x25);
  EXPECT_TRUE(f.zero(2052, 512 - 4));

  size_t at = expectLongSymbol(f, 2560, "main", 46, 0x10);
  at = expectLongSymbol(f, at, "counter", 47, 0x20);
  EXPECT_TRUE(f.zero(at, 3072 - at));
}

TEST(VostrumLayout, SectionAcrossTwoWindowsChainsTwoDirectories) {
  // 64 bytes at word 0x7FF0: byte addresses 0xFFE0 to 0x1001F.
  CoffBuilder b = executable(kMirrow);
  b.contents(b.section(".code", SCN_CODE, 0x7FF0), counting(0, 64));
  const CodBytes f = convert(b);

  // Directories 0 and 1, code blocks 2 (window 0, slot 127) and 3 (window 1,
  // slot 0), memory maps 4 (directory 0) and 5 (directory 1).
  ASSERT_EQ(f.blocks(), 6u);
  EXPECT_EQ(f.dir16(0, kNextDir), 1);
  EXPECT_EQ(f.dir16(1, kNextDir), 0);
  EXPECT_EQ(f.dir16(0, kHighAddr), 0);
  EXPECT_EQ(f.dir16(1, kHighAddr), 1);
  EXPECT_EQ(f.dir16(0, 2 * 127), 2);
  EXPECT_EQ(f.dir16(1, 0), 3);
  EXPECT_TRUE(f.zero(0, 254));
  EXPECT_TRUE(f.zero(512 + 2, 254));
  EXPECT_EQ(f.raw(2 * 512 + 0x1E0, 32), str(counting(0, 32)));
  EXPECT_EQ(f.raw(3 * 512, 32), str(counting(32, 32)));
  EXPECT_TRUE(f.zero(3 * 512 + 32, 512 - 32));
  EXPECT_EQ(f.dir16(0, kMemMapOfs), 4);
  EXPECT_EQ(f.dir16(0, kMemMapEnd), 4);
  EXPECT_EQ(f.dir16(1, kMemMapOfs), 5);
  EXPECT_EQ(f.dir16(1, kMemMapEnd), 5);
  EXPECT_EQ(f.u16(4 * 512), 0xFFE0);
  EXPECT_EQ(f.u16(4 * 512 + 2), 0xFFFF);
  EXPECT_EQ(f.u16(5 * 512), 0x0000);
  EXPECT_EQ(f.u16(5 * 512 + 2), 0x001F);
  // Strings, date and time are directory 0's alone.
  EXPECT_EQ(f.str(kSource), "prog.cod");
  EXPECT_TRUE(f.zero(512 + kSource, kSymTab - kSource));
  EXPECT_EQ(f.dir16(1, kCodType), 1);
  EXPECT_TRUE(f.zero(512 + kProcessor, 9));
}

TEST(VostrumLayout, HalvernSectionHighUpGivesEveryDirectoryBelowIt) {
  CoffBuilder b = executable(kHalvern);
  b.contents(b.section(".code", SCN_CODE, 0xF00000), {0x12, 0x34, 0x56});
  const CodBytes f = convert(b);

  // Windows 0 to 0xF0: 241 directories, code block 241, memory map 242.
  ASSERT_EQ(f.blocks(), 243u);
  for (size_t n = 0; n < 241; ++n) {
    EXPECT_EQ(f.dir16(n, kHighAddr), n);
    EXPECT_EQ(f.dir16(n, kNextDir), n < 240 ? n + 1 : 0);
  }
  EXPECT_TRUE(f.zero(0, 256));
  EXPECT_EQ(f.dir16(0, kMemMapOfs), 0);
  EXPECT_EQ(f.str(kProcessor), "HLVN133");
  EXPECT_EQ(f.dir16(240, 0), 241);
  EXPECT_EQ(f.raw(241 * 512, 4), str({0x12, 0x34, 0x56, 0x00}));
  EXPECT_EQ(f.dir16(240, kMemMapOfs), 242);
  EXPECT_EQ(f.u16(242 * 512), 0);
  EXPECT_EQ(f.u16(242 * 512 + 2), 2);  // bytes: no word end to reach
}

TEST(VostrumLayout, MemoryMapEndsAtTheEndOfTheLastWord) {
  const struct {
    uint32_t proc, paddr;
    size_t bytes;
    uint16_t start, last;
  } cases[] = {
      {kMirrow, 0, 3, 0, 3},  // last byte at an even offset: moved to its word's end
      {kMirrow, 0, 4, 0, 3},  {kQuenby, 0x100, 1, 0x200, 0x201},
      {kHalvern, 0, 3, 0, 2},  // one byte a location
      {kHalvern, 1, 2, 1, 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.proc) + " " + std::to_string(c.bytes));
    CoffBuilder b = executable(c.proc);
    b.contents(b.section(".code", SCN_CODE, c.paddr), counting(1, c.bytes));
    const CodBytes f = convert(b);
    ASSERT_EQ(f.blocks(), 3u);
    EXPECT_EQ(f.u16(1024), c.start);
    EXPECT_EQ(f.u16(1026), c.last);
    const size_t at = c.start % 512;
    EXPECT_EQ(f.raw(512 + at, c.bytes), str(counting(1, c.bytes)));
    EXPECT_TRUE(f.zero(512 + at + c.bytes, 512 - at - c.bytes));
  }
}

TEST(VostrumLayout, SymbolsOfSectionsWithTheirTypesAndCutNames) {
  CoffBuilder b = executable(kQuenby);
  const int16_t code = static_cast<int16_t>(b.section(".code", SCN_CODE, 0));
  b.words(code, {0x0000});
  const int16_t rom = static_cast<int16_t>(b.section(".rom", SCN_ROMDATA, 0x40));
  b.words(rom, {0x1234});
  const int16_t udata = static_cast<int16_t>(b.section(".udata", SCN_UDATA, 0x60));
  b.zeros(udata, 2);
  const int16_t idata = static_cast<int16_t>(b.section(".idata", SCN_IDATA, 0x70));
  b.contents(idata, {1, 2});
  const std::string huge(300, 'h');
  b.fileSymbol("prog.asm");
  b.symbol("very_long_symbol_name", 0x12345, code, C_EXT);
  b.symbol("tbl", 0x40, rom, C_STAT);
  b.symbol("buf", 0x60, udata, C_LABEL);
  b.symbol("init", 0x70, idata, C_EXT);
  b.symbol("undef", 0, N_UNDEF, C_EXT);
  b.symbol("abs", 5, N_ABS, C_STAT);
  b.symbol("blk", 0, code, C_BLOCK);
  // An empty name (inline, stopped by its first zero) gives no records: a long
  // record of length 0 would end its block for every reader.
  const uint32_t empty = b.symbol("", 3, code, C_EXT);
  b.coff().cSymbols[empty].sym.n_name[1] = 'x';
  b.symbol(huge, 7, code, C_EXT);
  b.function("fn", 0x10, code, 2);
  const CodBytes f = convert(b);

  const size_t symbols = 512 * f.u16(kSymTab);
  ASSERT_EQ(f.u16(kSymEnd), f.u16(kSymTab));
  expectSymbol(f, symbols, "very_long_sy", 46, 0x2345);
  expectSymbol(f, symbols + 16, "tbl", 46, 0x40);
  expectSymbol(f, symbols + 32, "buf", 47, 0x60);
  expectSymbol(f, symbols + 48, "init", 47, 0x70);
  expectSymbol(f, symbols + 64, huge.substr(0, 12), 46, 7);
  expectSymbol(f, symbols + 80, "fn", 46, 0x10);
  EXPECT_TRUE(f.zero(symbols + 96, 512 - 96));

  size_t at = 512 * f.u16(kLSymTab);
  const size_t end = at + 512;
  ASSERT_EQ(f.u16(kLSymEnd), f.u16(kLSymTab));
  at = expectLongSymbol(f, at, "very_long_symbol_name", 46, 0x12345);
  EXPECT_EQ(f.raw(at - 4, 4), str({0x00, 0x01, 0x23, 0x45}));  // big-endian
  at = expectLongSymbol(f, at, "tbl", 46, 0x40);
  at = expectLongSymbol(f, at, "buf", 47, 0x60);
  at = expectLongSymbol(f, at, "init", 47, 0x70);
  at = expectLongSymbol(f, at, huge.substr(0, 255), 46, 7);
  at = expectLongSymbol(f, at, "fn", 46, 0x10);
  EXPECT_TRUE(f.zero(at, end - at));
}

TEST(VostrumLayout, TablesOpenANewBlockWhenTheNextRecordWouldNotFit) {
  // 33 symbols: 32 fill one block. Long records of 128 bytes: four share one.
  // Nine source names: eight fill one block.
  CoffBuilder b = executable(kMirrow);
  const int16_t code = static_cast<int16_t>(b.section(".code", SCN_CODE, 0));
  b.words(code, {0x0000});
  for (int i = 0; i < 9; ++i) b.fileSymbol("src" + std::to_string(i) + ".asm");
  for (int i = 0; i < 33; ++i) {
    std::string name = std::string(118, 'a') + std::to_string(100 + i);  // 121 characters
    b.symbol(name, static_cast<uint32_t>(i), code, C_EXT);
  }
  const CodBytes f = convert(b);

  // Directory, code, symbols 2-3, names 4-5, memory map 6, long symbols 7-15.
  EXPECT_EQ(f.u16(kSymTab), 2);
  EXPECT_EQ(f.u16(kSymEnd), 3);
  EXPECT_EQ(f.u16(kNamTab), 4);
  EXPECT_EQ(f.u16(kNamEnd), 5);
  EXPECT_EQ(f.u16(kMemMapOfs), 6);
  EXPECT_EQ(f.u16(kLSymTab), 7);
  EXPECT_EQ(f.u16(kLSymEnd), 15);
  ASSERT_EQ(f.blocks(), 16u);
  EXPECT_EQ(f.u8(3 * 512), 12);  // the 33rd symbol opens block 3
  EXPECT_TRUE(f.zero(3 * 512 + 16, 512 - 16));
  EXPECT_EQ(f.str(4 * 512 + 7 * 64), "src7.asm");
  EXPECT_EQ(f.str(5 * 512), "src8.asm");
  EXPECT_TRUE(f.zero(5 * 512 + 64, 512 - 64));
  EXPECT_EQ(f.u8(7 * 512 + 3 * 128), 121);  // the fourth long record ends block 7 exactly
  EXPECT_EQ(f.be32(8 * 512 + 124), 4u);     // the fifth starts block 8
  EXPECT_EQ(f.be32(15 * 512 + 124), 32u);
  EXPECT_TRUE(f.zero(15 * 512 + 128, 512 - 128));
}

TEST(VostrumLayout, StrippedExecutableHasOnlyCodeAndMemoryMap) {
  CoffBuilder b = executable(kMirrow);
  b.fileFlags(0x0086);
  b.words(b.section(".code", SCN_CODE, 0), {0x3FFF});
  const CodBytes f = convert(b);
  ASSERT_EQ(f.blocks(), 3u);
  for (size_t field :
       {kSymTab, kSymEnd, kNamTab, kNamEnd, kLineTab, kLocalVars, kLSymTab, kMessTab})
    EXPECT_EQ(f.u16(field), 0) << field;
  EXPECT_EQ(f.u16(kMemMapOfs), 2);
  EXPECT_EQ(f.raw(512, 2), str({0xFF, 0x3F}));
}

TEST(VostrumLayout, EqualAddressesKeepTheFileOrderSoTheLaterSectionWins) {
  // Section "b" comes first in the file, "a" second: "a" overwrites.
  CoffBuilder b = executable(kMirrow);
  b.contents(b.section("b", SCN_CODE, 0), {0xBB, 0xBB, 0xBB, 0xBB});
  b.contents(b.section("a", SCN_ROMDATA, 0), {0xAA, 0xAA});
  const CodBytes f = convert(b);
  EXPECT_EQ(f.raw(512, 4), str({0xAA, 0xAA, 0xBB, 0xBB}));
  EXPECT_EQ(f.u16(1024), 0);  // memory maps in address order, then file order
  EXPECT_EQ(f.u16(1026), 3);
  EXPECT_EQ(f.u16(1028), 0);
  EXPECT_EQ(f.u16(1030), 1);
}

TEST(VostrumLayout, FileSymbolWithoutItsAuxEntryNamesNoSource) {
  CoffBuilder b = executable(kMirrow);
  const int16_t code = static_cast<int16_t>(b.section(".code", SCN_CODE, 0));
  b.words(code, {0});
  const std::string longest(63, 's');
  b.symbol(".file", 0, N_DEBUG, C_FILE);  // no aux_file after it
  b.fileSymbol(longest);
  b.symbol("main", 0, code, C_EXT);
  b.symbol(".file", 0, N_DEBUG, C_FILE);  // the table's last entry
  const CodBytes f = convert(b);
  ASSERT_EQ(f.u16(kNamTab), f.u16(kNamEnd));
  const size_t names = 512 * f.u16(kNamTab);
  EXPECT_EQ(f.u8(names), 63);
  EXPECT_EQ(f.raw(names + 1, 63), longest);
  EXPECT_TRUE(f.zero(names + 64, 512 - 64));
}

TEST(VostrumLayout, LongBaseNameIsCutInTheFieldButNotInTheFileName) {
  const std::string base(70, 'p');
  TempDir dir;
  CoffBuilder b = executable(kMirrow, base + ".cof");
  b.words(b.section(".code", SCN_CODE, 0), {0x1234});
  ASSERT_TRUE(b.writeFile(dir.file(base + ".cof")));
  RunResult r = vostrum(dir, {"-D", base + ".cof"});
  EXPECT_EQ(r.out, banner() + summary(0));
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(dir.list(), (std::vector<std::string>{base + ".cod", base + ".cof"}));
  const CodBytes f(dir.read(base + ".cod"));
  EXPECT_EQ(f.str(kSource), (base + ".cod").substr(0, 63));
}

}  // namespace
