// Cod::make on damaged files: every block number is checked, no block is read
// twice, and each fault gives the message of the step that meets it.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "Cod.h"
#include "RunProgram.h"

namespace {

// Blocks: directories 0-1, code 2 (directory 1, slot 0), symbols 3, names 4,
// line info 5 (directory 0), local groups 6, memory map 7 (directory 0), long
// symbols 8, debug messages 9.
std::string soundFile(const TempDir& dir) {
  Cod cod;
  for (int i = 0; i < 2; ++i) {
    cod.cDirectories.emplace_back();
    cod.cLineInfoTables.emplace_back();
    cod.cMemoryMapLists.emplace_back();
    cod.cRawDataMaps.emplace_back();
  }
  cod.cFileName = dir.file("sound.cod");
  cod.cRawDataMaps[1][0].bytes[0] = 1;
  cod.addSymbol(Symbol("sym", 46, 1));
  cod.addSourceName(SourceName("a.asm"));
  cod.addLineInfo(cod.cLineInfoTables[0], LineInfo(0, 2, 1, 0));
  cod.addLocalGroup(LocalGroup(0, 4, {Symbol("loc", 46, 2)}));
  cod.addMemoryMap(cod.cMemoryMapLists[0], MemoryMap(0, 3));
  cod.addLongSymbol(LongSymbol("sym", 46, 1));
  cod.addDebugMsg(DebugMsg(0, 'a', "m"));
  EXPECT_TRUE(cod.preWrite() && cod.write());
  return dir.read("sound.cod");
}

std::unique_ptr<Cod> readCapturing(const std::string& path, std::string& out) {
  testing::internal::CaptureStderr();
  std::unique_ptr<Cod> cod = Cod::make(path);
  out = testing::internal::GetCapturedStderr();
  return cod;
}

TEST(CodReader, SoundFileReadsWhole) {
  TempDir dir;
  soundFile(dir);
  std::string out;
  std::unique_ptr<Cod> cod = readCapturing(dir.file("sound.cod"), out);
  ASSERT_TRUE(cod);
  EXPECT_EQ(out, "");
  EXPECT_EQ(cod->cDirectories.size(), 2u);
  EXPECT_EQ(cod->cRawDataMaps[1].count(0), 1u);
  EXPECT_EQ(cod->cSymbols.size(), 1u);
  EXPECT_EQ(cod->cSourceNames.size(), 1u);
  EXPECT_EQ(cod->cLineInfoTables[0].size(), 1u);  // line 1: taken, though file and address are 0
  EXPECT_EQ(cod->cLocalGroups.size(), 1u);
  EXPECT_EQ(cod->cMemoryMapLists[0].size(), 1u);
  EXPECT_EQ(cod->cLongSymbols.size(), 1u);
  EXPECT_EQ(cod->cDebugMsgs.size(), 1u);
}

TEST(CodReader, DamagedFilesAreRefusedByTheStepThatMeetsThem) {
  TempDir dir;
  const std::string sound = soundFile(dir);
  const struct {
    const char* label;
    size_t at;
    uint16_t value;
    int width;  // bytes patched: 1 or 2; 0 cuts the file at `at`
    const char* fault;
  } cases[] = {
      {"empty file", 0, 0, 0, "a properly formed first directory"},
      {"NextDir at itself", 512 + 441, 1, 2, "a properly formed linked directory"},
      {"NextDir outside the file", 441, 40, 2, "a properly formed linked directory"},
      {"last symbol block below the first", 428, 2, 2, "a proper symbol table"},
      {"symbol name of 13 characters", 3 * 512, 13, 1, "a proper symbol table"},
      {"name table over the symbol table", 430, 3, 2, "a proper name table"},
      {"line info in a directory", 434, 1, 2, "a proper line info table"},
      {"memory map end below its start", 445, 6, 2, "a proper memory map table"},
      {"long symbols outside the file", 464, 20, 2, "a proper long symbol table"},
      {"local group over line info", 447, 5, 2, "a proper local vars table"},
      {"local symbol without its group", 6 * 512, 0, 1, "a proper local vars table"},
      {"debug messages cut short", 9 * 512 + 100, 0, 0, "a proper debug message table"},
      {"code block read before as symbols", 512, 3, 2, "a proper Index"},
      {"code block outside the file", 10, 50, 2, "a proper Index"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    std::string bytes = c.width == 0 ? sound.substr(0, c.at) : sound;
    if (c.width >= 1) bytes[c.at] = static_cast<char>(c.value);
    if (c.width == 2) bytes[c.at + 1] = static_cast<char>(c.value >> 8);
    dir.write("bad.cod", bytes);
    std::string out;
    EXPECT_FALSE(readCapturing(dir.file("bad.cod"), out));
    EXPECT_EQ(out,
              "Error - Cod file '" + dir.file("bad.cod") + "' does not have " + c.fault + ".\n");
  }
}

TEST(CodReader, DirectoryChainThatPointsBackIsRefused) {
  TempDir dir;
  std::string bytes = soundFile(dir);
  bytes[441] = 5;            // directory 0 -> block 5
  bytes[5 * 512 + 441] = 1;  // block 5 -> block 1, behind it
  bytes[5 * 512 + 442] = 0;
  dir.write("back.cod", bytes);
  std::string out;
  EXPECT_FALSE(readCapturing(dir.file("back.cod"), out));
  EXPECT_EQ(out, "Error - Cod file '" + dir.file("back.cod") +
                     "' does not have a properly formed linked directory.\n");
}

TEST(CodReader, MissingFileOrDirectoryCannotBeOpened) {
  TempDir dir;
  for (const std::string& name : {dir.file("none.cod"), dir.path()}) {
    std::string out;
    EXPECT_FALSE(readCapturing(name, out));
    EXPECT_EQ(out, "Error - Could not open Cod file '" + name + "' for reading.\n");
  }
}

TEST(CodReader, LongSymbolBlockEndsAtALengthOfZero) {
  TempDir dir;
  std::string bytes = soundFile(dir);
  // After the one record (10 bytes) a 0, then what would read as a record.
  bytes[8 * 512 + 11] = 3;
  bytes.replace(8 * 512 + 12, 3, "abc");
  dir.write("more.cod", bytes);
  std::string out;
  std::unique_ptr<Cod> cod = readCapturing(dir.file("more.cod"), out);
  ASSERT_TRUE(cod);
  EXPECT_EQ(cod->cLongSymbols.size(), 1u);
}

TEST(CodReader, EveryIndexSlotAtOneBlockReadsItOnce) {
  // A 4 MB file whose index points all 128 slots at block 1: refused at the
  // second claim instead of reading the block again and again.
  TempDir dir;
  std::string bytes(4 << 20, '\0');
  bytes[451] = 1;
  for (int k = 0; k < 128; ++k) bytes[2 * k] = 1;
  dir.write("big.cod", bytes);
  std::string out;
  EXPECT_FALSE(readCapturing(dir.file("big.cod"), out));
  EXPECT_EQ(out, "Error - Cod file '" + dir.file("big.cod") + "' does not have a proper Index.\n");
}

}  // namespace
