// docs/processors.md publishes the processor table; its tables must say what
// the code does.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "mgproc.h"

#ifndef ZV_SOURCE_DIR
#error "ZV_SOURCE_DIR must name the source tree"
#endif

static std::vector<std::string> cellsOf(const std::string& line) {
  std::vector<std::string> cells;
  std::string::size_type start = 1;
  while (start < line.size()) {
    std::string::size_type end = line.find('|', start);
    if (end == std::string::npos) break;
    std::string cell = line.substr(start, end - start);
    cell.erase(0, cell.find_first_not_of(' '));
    cell.erase(cell.find_last_not_of(' ') + 1);
    cells.push_back(cell);
    start = end + 1;
  }
  return cells;
}

// The body rows of the table whose header row starts with `header`.
static std::vector<std::vector<std::string>> tableAfter(const std::string& header) {
  std::ifstream in(std::string(ZV_SOURCE_DIR) + "/docs/processors.md");
  EXPECT_TRUE(in.good());
  std::vector<std::vector<std::string>> rows;
  std::string line;
  bool inTable = false;
  while (std::getline(in, line)) {
    if (!inTable) {
      inTable = line.rfind(header, 0) == 0;
      if (inTable) std::getline(in, line);  // the |---| row
      continue;
    }
    if (line.empty() || line[0] != '|') break;
    rows.push_back(cellsOf(line));
  }
  return rows;
}

static uint32_t number(const std::string& text) {
  return static_cast<uint32_t>(std::strtoul(text.c_str(), nullptr, 0));
}

static const char* familyName(CoreFamily family) {
  static const char* const names[] = {"?", "Mirrow", "Quenby", "Tarsel", "Halvern"};
  return names[family];
}

static std::string hex(uint32_t value, int digits) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%0*X", digits, value);
  return text;
}

TEST(ProcessorDoc, DeviceTableMatchesTheCode) {
  std::vector<std::vector<std::string>> rows = tableAfter("| Code | Name |");
  ASSERT_EQ(rows.size(), 139u);
  for (size_t i = 0; i < rows.size(); ++i) {
    const std::vector<std::string>& r = rows[i];
    ASSERT_EQ(r.size(), 9u);
    ProcessorType p = static_cast<ProcessorType>(i + 1);
    SCOPED_TRACE(r[0]);
    EXPECT_EQ(number(r[0]), p);
    EXPECT_EQ(r[1], processorName(p));
    EXPECT_EQ(r[2], familyName(processorFamily(p)));
    EXPECT_EQ(r[3], hex(processorToProcType(p), 4));
    EXPECT_EQ(number(r[4]), programMemorySize(p));
    EXPECT_EQ(number(r[5]), numCodePages(p));
    EXPECT_EQ(number(r[6]), dataMemorySize(p));
    EXPECT_EQ(number(r[7]), numDataBanks(p));
    // The GPR start is the lowest offset of bank 0 that isGpr accepts.
    uint32_t gpr = number(r[8]);
    EXPECT_TRUE(isGpr(p, gpr));
    if (gpr > 0) {
      EXPECT_FALSE(isGpr(p, gpr - 1));
    }
  }
}

TEST(ProcessorDoc, FamilyTableMatchesTheCode) {
  std::vector<std::vector<std::string>> rows = tableAfter("| Family |");
  ASSERT_EQ(rows.size(), 4u);
  // A device of each family, in the document's order.
  const ProcessorType devices[] = {7, 122, 1, 133};
  const uint32_t wordBits[] = {14, 16, 12, 16};
  for (size_t i = 0; i < rows.size(); ++i) {
    const std::vector<std::string>& r = rows[i];
    ASSERT_EQ(r.size(), 7u);
    ProcessorType p = devices[i];
    EXPECT_EQ(r[0], familyName(processorFamily(p)));
    EXPECT_EQ(number(r[1]), wordBits[i]);
    EXPECT_EQ(number(r[2]), romWidthBits(p));
    EXPECT_EQ(number(r[3]), codePageSize(p));
    EXPECT_EQ(number(r[4]), dataBankSize(p));
    EXPECT_EQ(number(r[5]), maxProgramAddress(p));
    EXPECT_EQ(number(r[6]), maxDataAddress(p));
  }
}
