#include "Descriptors.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

namespace {

template <typename T>
std::string printed(const T& value) {
  std::ostringstream os;
  value.print(os);
  return os.str();
}

TEST(Descriptors, SectionDescIsToldApartByNameOnly) {
  SectionDesc a(".text", "page0", ""), b(".text", "page1", "bank0"), c(".data", "", "bank0");
  EXPECT_TRUE(a == b);
  EXPECT_FALSE(a < b);
  EXPECT_FALSE(b < a);
  EXPECT_TRUE(c < a);
  EXPECT_FALSE(a == c);
  EXPECT_EQ(b.getLoadMemory(), "page1");
  EXPECT_EQ(b.getRunMemory(), "bank0");
  EXPECT_EQ(printed(b), "SectionDesc:  cName=.text, cLoadMemory=page1, cRunMemory=bank0\n");
  EXPECT_EQ(printed(SectionDesc()), "SectionDesc:  cName=, cLoadMemory=, cRunMemory=\n");
}

TEST(Descriptors, StackDescComparesSizesUnsigned) {
  StackDesc small(0x7FFFFFFF, "bank0"), large(0x80000000, "");
  EXPECT_TRUE(small < large);
  EXPECT_FALSE(large < small);
  EXPECT_TRUE(StackDesc(0x20, "a") == StackDesc(0x20, "b"));
  EXPECT_EQ(printed(StackDesc(0x40, "gpr")), "StackDesc:  cSize=0x00000040, cRunMemory=gpr\n");
  EXPECT_EQ(printed(large), "StackDesc:  cSize=0x80000000, cRunMemory=\n");
}

TEST(Descriptors, SectionInfoSortsByUnsignedAddress) {
  std::vector<SectionInfo> rows{SectionInfo("b", 0x8000, 2, 0, 1, 0, 0, 0),
                                SectionInfo("a", 0x7FFF, 2, 0, 1, 0, 0, 0),
                                SectionInfo("c", 0xFFFFFFFF, 0, 1, 3, 0, 0, 0)};
  std::sort(rows.begin(), rows.end());
  EXPECT_EQ(rows[0].cName, "a");
  EXPECT_EQ(rows[1].cName, "b");
  EXPECT_EQ(rows[2].cName, "c");
}

TEST(Descriptors, SectionInfoPrint) {
  EXPECT_EQ(printed(SectionInfo(".idata", 0x120, 0x10, 1, 2, 1, 1, 1)),
            "SectionInfo:\ncName=.idata\ncAddress=0x00000120\ncSize=0x00000010\n"
            "cLocation=dataMem\ncType=idata\ncAbs=absolute\ncShared=shared\ncAccess=access\n");
  EXPECT_EQ(printed(SectionInfo(".x", 0, 0, 7, 7, 0, 0, 0)),
            "SectionInfo:\ncName=.x\ncAddress=0x00000000\ncSize=0x00000000\n"
            "cLocation=error!\ncType=error!\ncAbs=relocated\ncShared=not shared\n"
            "cAccess=not access\n");
  const char* types[] = {"unknown", "code", "idata", "udata", "romdata"};
  for (uint8_t type = 0; type < 5; ++type) {
    std::string text = printed(SectionInfo("s", 0, 0, 0, type, 0, 0, 0));
    EXPECT_NE(text.find(std::string("cLocation=progMem\ncType=") + types[type] + "\n"),
              std::string::npos)
        << text;
  }
}

TEST(Descriptors, SymbolInfoOrders) {
  SymbolInfo lower("alpha", 0x10, 0, 0, 0, "a.asm"), upper("Beta", 0x80000000, 1, 1, 1, "b.asm");
  EXPECT_TRUE(lower < upper);
  EXPECT_TRUE(SymbolInfo::lessByName(upper, lower));  // byte-wise: 'B' before 'a'
  EXPECT_FALSE(SymbolInfo::lessByName(lower, upper));
  EXPECT_FALSE(SymbolInfo::lessByName(lower, lower));
}

TEST(Descriptors, SymbolInfoPrint) {
  EXPECT_EQ(printed(SymbolInfo("_main", 0x1FE, 0, 0, 0, "main.c")),
            "SymbolInfo: \ncName=_main\ncAddress=0x000001fe\ncLocation=progMem\n"
            "cStorageClass=ext\ncKind=function\ncFile=main.c\n");
  EXPECT_EQ(printed(SymbolInfo("count", 0x20, 1, 1, 1, "")),
            "SymbolInfo: \ncName=count\ncAddress=0x00000020\ncLocation=dataMem\n"
            "cStorageClass=stat\ncKind=variable\ncFile=\n");
  EXPECT_EQ(printed(SymbolInfo("bad", 0, 2, 2, 2, "x")),
            "SymbolInfo: \ncName=bad\ncAddress=0x00000000\ncLocation=error!\n"
            "cStorageClass=error!\ncKind=error!\ncFile=x\n");
}

}  // namespace
