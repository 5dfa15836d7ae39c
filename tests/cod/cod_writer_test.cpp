// Cods filled by hand, numbered, written and read back with Cod::make: the
// line records, local groups and debug messages that a conversion without a
// listing never makes, and the block boundaries of every table.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "Cod.h"
#include "Reporter.h"
#include "RunProgram.h"

namespace {

// A Cod of `directories` windows, each with its empty lists and code map,
// written as `name`.
Cod emptyCod(size_t directories, const std::string& name) {
  Cod cod;
  for (size_t i = 0; i < directories; ++i) {
    cod.cDirectories.emplace_back();
    cod.cDirectories.back().HighAddr = static_cast<uint16_t>(i);
    cod.cLineInfoTables.emplace_back();
    cod.cMemoryMapLists.emplace_back();
    cod.cRawDataMaps.emplace_back();
  }
  setCodString(cod.cDirectories[0].SourceLen, cod.cDirectories[0].Source, 63, name);
  return cod;
}

std::string fileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

uint16_t u16(const std::string& b, size_t at) {
  return static_cast<uint16_t>(static_cast<uint8_t>(b[at]) | static_cast<uint8_t>(b[at + 1]) << 8);
}

// Writes the Cod in `dir` and reads it back.
std::unique_ptr<Cod> roundTrip(Cod& cod, const TempDir& dir, std::string& bytes) {
  const std::string path = dir.file(cod.fileName());
  cod.cFileName = path;
  EXPECT_TRUE(cod.preWrite());
  EXPECT_TRUE(cod.write());
  bytes = fileBytes(path);
  EXPECT_EQ(bytes.size() % 512, 0u);
  return Cod::make(path);
}

TEST(CodWriter, LineRecordsFill85ABlockAndDirectory0ComesFirst) {
  TempDir dir;
  Cod cod = emptyCod(2, "lines.cod");
  for (int i = 0; i < 86; ++i)
    cod.addLineInfo(cod.cLineInfoTables[0], LineInfo(1, 0x80, i + 1, 2 * i));
  for (int i = 0; i < 85; ++i) cod.addLineInfo(cod.cLineInfoTables[1], LineInfo(2, 0, i + 1, i));
  cod.addMemoryMap(cod.cMemoryMapLists[1], MemoryMap(0, 0x1F));
  std::string bytes;
  std::unique_ptr<Cod> back = roundTrip(cod, dir, bytes);
  ASSERT_TRUE(back);

  // Directories 0-1, line info 2-3 (directory 0) and 4 (directory 1), memory map 5.
  ASSERT_EQ(bytes.size(), 6u * 512);
  EXPECT_EQ(u16(bytes, 434), 2);
  EXPECT_EQ(u16(bytes, 436), 3);
  EXPECT_EQ(u16(bytes, 512 + 434), 4);
  EXPECT_EQ(u16(bytes, 512 + 436), 4);
  EXPECT_EQ(u16(bytes, 512 + 443), 5);
  EXPECT_EQ(u16(bytes, 443), 0);
  // The 85th record ends block 2 two bytes early; the 86th opens block 3.
  EXPECT_EQ(u16(bytes, 2 * 512 + 84 * 6 + 2), 85);
  EXPECT_EQ(bytes.substr(2 * 512 + 510, 2), std::string(2, '\0'));
  EXPECT_EQ(u16(bytes, 3 * 512 + 2), 86);
  EXPECT_EQ(u16(bytes, 4 * 512 + 510), 0);
  // Date and time are directory 0's alone.
  EXPECT_EQ(bytes[320], 7);
  EXPECT_EQ(bytes.substr(512 + 320, 10), std::string(10, '\0'));

  ASSERT_EQ(back->cLineInfoTables.size(), 2u);
  EXPECT_EQ(back->cLineInfoTables[0].size(), 86u);
  EXPECT_EQ(back->cLineInfoTables[1].size(), 85u);
  EXPECT_EQ(back->cLineInfoTables[0].back().CodeAddress, 170);
  EXPECT_EQ(back->cLineInfoTables[0].back().Flags, 0x80);
  EXPECT_EQ(back->cMemoryMapLists[1].front().Last, 0x1F);
}

TEST(CodWriter, EveryTableReadsBackAsWritten) {
  TempDir dir;
  Cod cod = emptyCod(1, "all.cod");
  Block code;
  code.bytes[0] = 0xAB;
  code.bytes[511] = 0xCD;
  cod.cRawDataMaps[0][5] = code;
  for (int i = 0; i < 33; ++i) cod.addSymbol(Symbol("s" + std::to_string(i), 46, i));
  cod.addSourceName(SourceName(std::string(63, 'f')));
  // Long symbols of 128 bytes: four fill a block exactly.
  for (uint32_t i = 0; i < 5; ++i)
    cod.addLongSymbol(LongSymbol(std::string(121, char('a' + i)), 47, 0x01020300 + i));
  cod.addLocalGroup(LocalGroup(0x10, 0x20, {Symbol("x", 1, 2), Symbol("y", 3, 4)}));
  std::list<Symbol> many;
  for (int i = 0; i < 31; ++i) many.push_back(Symbol("m" + std::to_string(i), 0, i));
  cod.addLocalGroup(LocalGroup(0x30, 0x40, many));  // runs on into a second block
  cod.addDebugMsg(DebugMsg(0x12345678, 'a', "hello"));
  cod.addDebugMsg(DebugMsg(0x9, 'e', std::string(255, 'z')));
  cod.addDebugMsg(DebugMsg(0xA, 'f', std::string(250, 'w')));  // opens the next block
  std::string bytes;
  std::unique_ptr<Cod> back = roundTrip(cod, dir, bytes);
  ASSERT_TRUE(back);

  // Directory 0, code 1, symbols 2-3, names 4, local groups 5-6, long symbols
  // 7-8, debug messages 9-10.
  ASSERT_EQ(bytes.size(), 11u * 512);
  EXPECT_EQ(u16(bytes, 2 * 5), 1);
  const size_t fields[][2] = {{426, 2}, {428, 3}, {430, 4}, {432, 4}, {447, 5},
                              {449, 6}, {462, 7}, {464, 8}, {466, 9}, {468, 10}};
  for (const auto& f : fields) EXPECT_EQ(u16(bytes, f[0]), f[1]) << f[0];
  EXPECT_EQ(bytes.substr(5 * 512, 8), std::string("\x07__LOCAL"));
  EXPECT_EQ(bytes.substr(7 * 512 + 384 + 124, 4), std::string("\x01\x02\x03\x03"));
  EXPECT_EQ(bytes.substr(9 * 512, 6), std::string("\x12\x34\x56\x78"
                                                  "a\x05"));

  EXPECT_EQ(back->cRawDataMaps[0].size(), 1u);
  EXPECT_EQ(back->cRawDataMaps[0].at(5).bytes[511], 0xCD);
  EXPECT_EQ(back->cSymbols.size(), 33u);
  EXPECT_EQ(back->cSymbols.back().SymbolValue, 32);
  EXPECT_EQ(std::string(back->cSourceNames.front().FileName, 63), std::string(63, 'f'));
  ASSERT_EQ(back->cLongSymbols.size(), 5u);
  EXPECT_EQ(back->cLongSymbols.back().Name, std::string(121, 'e'));
  EXPECT_EQ(back->cLongSymbols.back().Value, 0x01020304u);
  ASSERT_EQ(back->cLocalGroups.size(), 2u);
  EXPECT_EQ(back->cLocalGroups.front().Symbols.size(), 2u);
  EXPECT_EQ(back->cLocalGroups.back().StartAddr, 0x30u);
  EXPECT_EQ(back->cLocalGroups.back().Symbols.size(), 31u);
  ASSERT_EQ(back->cDebugMsgs.size(), 3u);
  EXPECT_EQ(back->cDebugMsgs.front().Address, 0x12345678u);
  EXPECT_EQ(back->cDebugMsgs.front().Msg, "hello");
  EXPECT_EQ(back->cDebugMsgs.back().Msg, std::string(250, 'w'));

  // The dump names every part.
  std::ostringstream dump;
  back->print(dump);
  for (const char* label :
       {"Directory[0]=", "SymbolType=46, address", "FileNameLen=63",
        "LongSymbol: ", "LocalGroup----{", "DebugMsg: ", "RawDataMap[0]=", "Code Index=5"})
    EXPECT_NE(dump.str().find(label), std::string::npos) << label;
}

TEST(CodWriter, EmptyTablesTakeNoBlockAndLeaveNoGap) {
  TempDir dir;
  Cod cod = emptyCod(1, "gaps.cod");
  cod.addSourceName(SourceName("a.asm"));
  cod.addMemoryMap(cod.cMemoryMapLists[0], MemoryMap(0, 1));
  std::string bytes;
  ASSERT_TRUE(roundTrip(cod, dir, bytes));
  ASSERT_EQ(bytes.size(), 3u * 512);
  EXPECT_EQ(u16(bytes, 426), 0);
  EXPECT_EQ(u16(bytes, 428), 0);
  EXPECT_EQ(u16(bytes, 430), 1);
  EXPECT_EQ(u16(bytes, 443), 2);
  EXPECT_EQ(u16(bytes, 462), 0);
}

TEST(CodWriter, RecordsHoldTheirFileLayout) {
  uint8_t b[300] = {};
  toBytes(Symbol("twelve_chars", 46, 0x12345), b);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(b), 16),
            std::string("\x0ctwelve_chars\x2e\x45\x23", 16));
  toBytes(Symbol("ab", 47, 1), b);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(b), 16),
            std::string("\x02"
                        "ab\0\0\0\0\0\0\0\0\0\0\x2f\x01\x00",
                        16));
  const LongSymbol twenty(std::string(20, 'L'), 46, 0x1234);
  EXPECT_EQ(twenty.size(), 27u);
  toBytes(twenty, b);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(b) + 21, 6),
            std::string("\x2e\x00\x00\x00\x12\x34", 6));
  EXPECT_DEATH(Symbol("thirteen_char", 46, 0), "len <= MAX_LENGTH");
}

TEST(CodWriter, WriteFailureOfABlockListIsReported) {
  std::FILE* full = std::fopen("/dev/full", "wb");
  if (!full) GTEST_SKIP() << "no /dev/full";
  Cod cod;
  std::list<Block> blocks(1);
  testing::internal::CaptureStderr();
  const bool ok = cod.writeBlockList(full, "x.cod", blocks, "symbol");
  const std::string out = testing::internal::GetCapturedStderr();
  std::fclose(full);
  EXPECT_FALSE(ok);
  EXPECT_EQ(out, "Error - Could not write symbol block in Cod file 'x.cod'.\n");
}

TEST(CodWriter, TooManyBlocksAreRefusedBeforeNumbering) {
  Cod cod = emptyCod(1, "big.cod");
  // A 255-character long symbol takes a block of its own.
  for (int i = 0; i < 65536; ++i) cod.addLongSymbol(LongSymbol(std::string(255, 'n'), 46, 0));
  testing::internal::CaptureStderr();
  EXPECT_FALSE(cod.preWrite());
  EXPECT_EQ(
      testing::internal::GetCapturedStderr(),
      "Error - Cod file 'big.cod' would need 65537 blocks; block numbers reach only 65536.\n");
  EXPECT_EQ(cod.cDirectories[0].LSymTab, 0);
}

}  // namespace
