// The Intel HEX writer: record layout, splitting, address records, the three
// formats and its failures.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <deque>
#include <map>
#include <numeric>
#include <sstream>
#include <string>
#include <vector>

#include "Data.h"
#include "Hex.h"
#include "RunProgram.h"

namespace {

Data bytesFrom(uint8_t first, uint32_t n) {
  std::vector<uint8_t> v(n);
  std::iota(v.begin(), v.end(), first);
  return Data(n, v.data());
}

class HexWriter : public ::testing::Test {
 protected:
  void SetUp() override { cHex.cFileBaseName = cDir.file("img"); }
  // A run viewing a copy of the bytes that the fixture keeps.
  void add(uint32_t start, const Data& data, uint32_t padding = 0) {
    cStore.push_back(data);
    cHex.cRanges.emplace_back(start, cStore.back().bytes(), data.size(), padding);
  }

  std::deque<Data> cStore;
  TempDir cDir;
  Hex cHex;
};

const char kEnd[] = ":00000001FF\n";

TEST_F(HexWriter, Inhx32SampleCrossesTheFirst64KbWindow) {
  add(0xFFFC, bytesFrom(0x00, 20));
  ASSERT_TRUE(cHex.write(INHX32));
  EXPECT_EQ(cDir.read("img.hex"),
            ":020000040000FA\n"
            ":04FFFC0000010203FB\n"
            ":020000040001F9\n"
            ":100000000405060708090A0B0C0D0E0F1011121338\n" +
                std::string(kEnd));
}

TEST_F(HexWriter, RecordsStopAt16ByteBoundaries) {
  add(8, bytesFrom(0xA0, 20));
  ASSERT_TRUE(cHex.write(INHX8M));
  EXPECT_EQ(cDir.read("img.hex"),
            ":08000800A0A1A2A3A4A5A6A7D4\n"
            ":0C001000A8A9AAABACADAEAFB0B1B2B3C2\n" +
                std::string(kEnd));
}

TEST_F(HexWriter, Inhx32FullRecordsAroundTheWindowChange) {
  add(0xFFF0, bytesFrom(0x30, 32));
  ASSERT_TRUE(cHex.write(INHX32));
  EXPECT_EQ(cDir.read("img.hex"),
            ":020000040000FA\n"
            ":10FFF000303132333435363738393A3B3C3D3E3F89\n"
            ":020000040001F9\n"
            ":10000000404142434445464748494A4B4C4D4E4F78\n" +
                std::string(kEnd));
}

TEST_F(HexWriter, Inhx32AddressRecordOnlyWhereTheUpperBitsChange) {
  const uint8_t a[] = {1, 2}, b[] = {3, 4};
  add(0x20000, Data(2, b));
  add(0x20010, Data(2, a));
  add(0, Data(2, a));
  ASSERT_TRUE(cHex.write(INHX32));
  EXPECT_EQ(cDir.read("img.hex"),
            ":020000040000FA\n"
            ":020000000102FB\n"
            ":020000040002F8\n"
            ":020000000304F7\n"
            ":020010000102EB\n" +
                std::string(kEnd));
}

TEST_F(HexWriter, RangesAreWrittenInAscendingOrder) {
  const uint8_t a[] = {1, 2}, b[] = {3, 4};
  add(0x20, Data(2, a));
  add(0x00, Data(2, b));
  ASSERT_TRUE(cHex.write(INHX8M));
  EXPECT_EQ(cDir.read("img.hex"), ":020000000304F7\n:020020000102DB\n" + std::string(kEnd));
}

TEST_F(HexWriter, EmptyImageHoldsOnlyTheEndRecordInEveryFormat) {
  for (HexFormat f : {INHX8M, INHX32}) {
    ASSERT_TRUE(cHex.write(f));
    EXPECT_EQ(cDir.read("img.hex"), kEnd) << "format " << f;
  }
  ASSERT_TRUE(cHex.write(INHX8S));
  EXPECT_EQ(cDir.read("img.hxl"), kEnd);
  EXPECT_EQ(cDir.read("img.hxh"), kEnd);
}

TEST_F(HexWriter, Inhx8sSplitsWordsIntoLowAndHighFiles) {
  const uint8_t word[] = {0x34, 0x12};
  add(0, Data(2, word));
  ASSERT_TRUE(cHex.write(INHX8S));
  EXPECT_EQ(cDir.read("img.hxl"), ":0100000034CB\n" + std::string(kEnd));
  EXPECT_EQ(cDir.read("img.hxh"), ":0100000012ED\n" + std::string(kEnd));
  EXPECT_FALSE(cDir.exists("img.hex"));
}

TEST_F(HexWriter, Inhx8sRecordsStopAt16WordBoundaries) {
  add(0x1C, bytesFrom(0x01, 8));  // word address 0x0E, four words
  ASSERT_TRUE(cHex.write(INHX8S));
  EXPECT_EQ(cDir.read("img.hxl"), ":02000E000103EC\n:020010000507E2\n" + std::string(kEnd));
  EXPECT_EQ(cDir.read("img.hxh"), ":02000E000204EA\n:020010000608E0\n" + std::string(kEnd));
}

TEST_F(HexWriter, Inhx8sTakesByteAddressesUpTo0x1FFFF) {
  const uint8_t word[] = {0xAA, 0xBB};
  add(0x1FFFE, Data(2, word));
  ASSERT_TRUE(cHex.write(INHX8S));
  EXPECT_EQ(cDir.read("img.hxl"), ":01FFFF00AA57\n" + std::string(kEnd));
  EXPECT_EQ(cDir.read("img.hxh"), ":01FFFF00BB46\n" + std::string(kEnd));
}

TEST_F(HexWriter, PaddingCompletesTheLastWordAsItIsWritten) {
  const uint8_t odd[] = {0x11, 0x22, 0x33};
  add(0x0E, Data(3, odd), 1);  // the padding byte falls into the next record
  ASSERT_TRUE(cHex.write(INHX8M));
  EXPECT_EQ(cDir.read("img.hex"), ":02000E001122BD\n:020010003300BB\n" + std::string(kEnd));
  ASSERT_TRUE(cHex.write(INHX8S));
  EXPECT_EQ(cDir.read("img.hxl"), ":020007001133B3\n" + std::string(kEnd));
  EXPECT_EQ(cDir.read("img.hxh"), ":020007002200D5\n" + std::string(kEnd));
}

TEST_F(HexWriter, Inhx8sRunOfOddLengthLeavesItsLastHighByteOut) {
  // 33 bytes from word 0x0F: the records break at word 0x10, and the run ends
  // with a low byte whose high byte another run writes: 16 low bytes, 15 high.
  add(0x1E, bytesFrom(0x40, 33));
  ASSERT_TRUE(cHex.write(INHX8S));
  EXPECT_EQ(cDir.read("img.hxl"),
            ":01000F0040B0\n"
            ":10001000424446484A4C4E50525456585A5C5E60D0\n" +
                std::string(kEnd));
  EXPECT_EQ(cDir.read("img.hxh"),
            ":01000F0041AF\n"
            ":0F001000434547494B4D4F51535557595B5D5F22\n" +
                std::string(kEnd));
}

// Reads an INHX32 text back into memory (byte address -> value), checking every
// record's checksum; the file must end with the end record.
std::map<uint32_t, uint8_t> readInhx32(const std::string& text) {
  std::map<uint32_t, uint8_t> memory;
  std::istringstream in(text);
  std::string line;
  uint32_t upper = 0;
  bool ended = false;
  while (std::getline(in, line)) {
    EXPECT_FALSE(ended) << "record after the end record";
    EXPECT_EQ(line[0], ':');
    std::vector<uint8_t> b;
    for (size_t i = 1; i + 1 < line.size(); i += 2) {
      b.push_back(static_cast<uint8_t>(std::stoul(line.substr(i, 2), nullptr, 16)));
    }
    EXPECT_EQ(b.size(), b[0] + 5u) << line;
    EXPECT_EQ(std::accumulate(b.begin(), b.end(), 0u) % 256, 0u) << line;
    const uint32_t address = b[1] << 8 | b[2];
    if (b[3] == 0x04) upper = uint32_t(b[4] << 8 | b[5]) << 16;
    if (b[3] == 0x01) ended = true;
    if (b[3] != 0x00) continue;
    for (uint32_t k = 0; k < b[0]; ++k) memory[upper + address + k] = b[4 + k];
  }
  EXPECT_TRUE(ended);
  return memory;
}

TEST_F(HexWriter, LargeImageIsWrittenWhole) {
  // Over half a megabyte of text, past the writer's buffer, across four 64 KB windows.
  const uint32_t start = 0xF007, n = 0x30000;
  add(start, bytesFrom(0x5A, n));
  ASSERT_TRUE(cHex.write(INHX32));
  const std::map<uint32_t, uint8_t> memory = readInhx32(cDir.read("img.hex"));
  ASSERT_EQ(memory.size(), n);
  EXPECT_EQ(memory.begin()->first, start);
  EXPECT_EQ(memory.rbegin()->first, start + n - 1);
  for (const auto& m : memory) {
    if (m.second != static_cast<uint8_t>(0x5A + (m.first - start))) {
      ADD_FAILURE() << "wrong byte at " << std::hex << m.first;
      break;
    }
  }
}

TEST_F(HexWriter, UnknownFormatWritesNothing) {
  add(0, bytesFrom(0, 2));
  EXPECT_FALSE(cHex.write(3));
  EXPECT_TRUE(cDir.list().empty());
}

TEST_F(HexWriter, FileThatCannotBeCreatedIsReported) {
  add(0, bytesFrom(0, 2));
  cHex.cFileBaseName = cDir.file("missing/img");
  for (HexFormat f : {INHX8M, INHX32, INHX8S}) {
    testing::internal::CaptureStderr();
    EXPECT_FALSE(cHex.write(f));
    const char* ext = f == INHX8S ? ".hxl" : ".hex";
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Error - Could not open hex file '" + cHex.cFileBaseName + ext + "' for writing.\n");
  }
}

TEST_F(HexWriter, SecondInhx8sFileThatCannotBeCreatedLeavesAnEmptyLowFile) {
  add(0, bytesFrom(0, 2));
  ASSERT_EQ(mkdir(cDir.file("img.hxh").c_str(), 0700), 0);
  testing::internal::CaptureStderr();
  EXPECT_FALSE(cHex.write(INHX8S));
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "Error - Could not open hex file '" + cDir.file("img.hxh") + "' for writing.\n");
  EXPECT_EQ(cDir.read("img.hxl"), "");
}

TEST_F(HexWriter, FailedWriteIsReportedNotTakenForSuccess) {
  if (access("/dev/full", W_OK) != 0) GTEST_SKIP() << "no /dev/full";
  add(0, bytesFrom(0, 64));
  for (const char* ext : {".hex", ".hxh"}) {
    ASSERT_EQ(symlink("/dev/full", cDir.file(std::string("img") + ext).c_str()), 0);
  }
  for (HexFormat f : {INHX8M, INHX32, INHX8S}) {
    testing::internal::CaptureStderr();
    EXPECT_FALSE(cHex.write(f));
    const char* ext = f == INHX8S ? ".hxh" : ".hex";
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Error - Could not write hex file '" + cHex.cFileBaseName + ext + "'.\n");
  }
}

using HexWriterDeathTest = HexWriter;

TEST_F(HexWriterDeathTest, AddressAbove64KbIsFatalInTheSixteenBitFormats) {
  add(0xFFF8, bytesFrom(0, 16));
  EXPECT_EXIT(cHex.write(INHX8M), testing::ExitedWithCode(255),
              "Selected hex format does not support byte addresses above 64kb; use INHX32 "
              "format!");
  EXPECT_EQ(cDir.read("img.hex"), ":08FFF8000001020304050607E5\n");

  cHex.cRanges.clear();
  add(0x20000, bytesFrom(0, 2));
  EXPECT_EXIT(cHex.write(INHX8S), testing::ExitedWithCode(255), "use INHX32 format!");
  EXPECT_EQ(cDir.read("img.hxl"), "");
  EXPECT_EQ(cDir.read("img.hxh"), "");
}

}  // namespace
