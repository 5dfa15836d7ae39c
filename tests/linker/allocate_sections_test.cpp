#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "link_fixture.h"

namespace {

using AllocFixture = LinkFixture;

TEST_F(AllocFixture, LargestFirstAndEarliestAmongEquals) {
  codePage("page", 0, 0xFF);
  CoffBuilder b = object("a.o");
  b.zeros(b.section("a", SCN_CODE), 0x20);
  b.zeros(b.section("b", SCN_CODE), 0x40);
  b.zeros(b.section("c", SCN_CODE), 0x40);
  add(b);
  ASSERT_EQ(map(), "");
  // The 2-byte table goes first (one 16-bit location), then b, c and a.
  EXPECT_EQ(startOf(".cinit"), 0u);
  EXPECT_EQ(startOf("b"), 1u);
  EXPECT_EQ(startOf("c"), 0x21u);
  EXPECT_EQ(startOf("a"), 0x41u);
}

TEST(Allocation, BestFitBetweenMemoriesAndProtection) {
  struct Case {
    uint32_t size;
    bool protect;
    bool assign;
    std::string memory;
  } cases[] = {
      {0x60, false, false, "p2"},  // the smaller largest hole that takes it
      {0x90, false, false, "p1"},
      {0x60, true, false, "p1"},  // a protected memory takes no unassigned section
      {0x60, true, true, "p2"},   // but one that a SECTION declaration gives it
  };
  for (const Case& c : cases) {
    LinkSetUp s;
    s.codePage("p1", 0, 0x7F);                  // 0x100 bytes
    s.codePage("p2", 0x100, 0x13F, c.protect);  // 0x80 bytes
    s.codePage("table", 0x200, 0x200);
    s.section(".cinit", "table", "");
    if (c.assign) s.section("s", "p2", "");
    s.add(objectWith("a.o", "s", SCN_CODE, c.size));
    ASSERT_EQ(s.map(), "");
    EXPECT_EQ(s.memoryOf("s"), c.memory) << c.size;
  }
}

TEST_F(AllocFixture, WordRuleOnByteAddressedProgramMemory) {
  codePage("page", 0, 0xFF);
  codePage("table", 0x100, 0x1FF);
  section(".cinit", "table", "");
  CoffBuilder b = object("a.o", kHalvern133);
  b.zeros(b.section("r", SCN_ROMDATA | SCN_ABS, 3), 1);  // an odd start is fine for data
  b.zeros(b.section("c", SCN_CODE), 4);
  add(b);
  ASSERT_EQ(map(), "");
  EXPECT_EQ(startOf("r"), 3u);
  EXPECT_EQ(startOf("c"), 4u);  // the hole 0..2 is too small; 3 is odd

  LinkSetUp odd;
  odd.codePage("page", 0, 0xFF);
  odd.add(objectWith("a.o", "a", SCN_CODE | SCN_ABS, 4, 3, kHalvern133));
  EXPECT_EQ(odd.map(), "Absolute code section 'a' must start at a word-aligned address.");

  LinkSetUp words;  // locations of 16 bits: any start is a word
  words.codePage("page", 0, 0xFF);
  words.add(objectWith("a.o", "a", SCN_CODE | SCN_ABS, 4, 3, kQuenby122));
  EXPECT_EQ(words.map(), "");
}

TEST(Allocation, StackGoesToDataBanksUnlessItsMemoryIsNamed) {
  struct Case {
    std::string ram;
    std::string memory;
  } cases[] = {{"", "bank"}, {"share", "share"}, {"access", "access"}, {"bank", "bank"}};
  for (const Case& c : cases) {
    LinkSetUp s;
    s.codePage("page", 0, 0xFF);
    s.shareBank("share", 0x70, 0x7F);   // 16 bytes
    s.dataBank("bank", 0x20, 0x2F);     // 16 bytes
    s.accessBank("access", 0x0, 0x1F);  // 32 bytes
    s.stack(0x10, c.ram);
    s.add(object("a.o"));
    ASSERT_EQ(s.map(), "");
    EXPECT_EQ(s.memoryOf(".stack"), c.memory) << c.ram;
    EXPECT_EQ(s.sizeOf(".stack"), 0x10u);
  }
}

TEST(Allocation, TableSizeAndItsSymbol) {
  struct Case {
    uint32_t procType;
    int idataSections;
    uint64_t size;
  } cases[] = {
      {kQuenby122, 0, 2}, {kMirrow7, 0, 4},     {kTarsel1, 1, 16}, {kMirrow7, 2, 28},
      {kQuenby122, 1, 8}, {kHalvern133, 2, 26},  // wide entries: addresses past 0xFFFF
  };
  for (const Case& c : cases) {
    LinkSetUp s;
    s.codePage("page", 0x10, 0xFF);
    s.dataBank("bank", 0x20, 0x7F);
    CoffBuilder b = object("a.o", c.procType);
    for (int i = 0; i < c.idataSections; ++i)
      b.zeros(b.section("d" + std::to_string(i), SCN_IDATA), 1);
    s.add(b);
    ASSERT_EQ(s.map(), "");
    EXPECT_EQ(s.linker.cinitSize(), c.size);
    EXPECT_EQ(s.sizeOf(".cinit"), c.size);
    const syment& sym = s.linker.cCinitSym;
    EXPECT_EQ(Coff::getName(sym, s.linker.cOutput.cStringTbl), "_cinit");
    EXPECT_EQ(sym.n_value, s.startOf(".cinit"));
    EXPECT_EQ(sym.n_sclass, C_EXT);
    EXPECT_EQ(sym.n_scnum, 0);
    EXPECT_EQ(sym.n_numaux, 0);
  }
}

TEST(Allocation, RomImages) {
  struct Case {
    uint32_t procType;
    std::string imageDesc;  // ROM= of a SECTION for buf_i, or empty
    uint64_t size;
    std::string memory;
  } cases[] = {
      {kMirrow7, "", 20, "page0"},
      {kQuenby122, "", 10, "page0"},
      {kMirrow7, "page1", 20, "page1"},
  };
  for (const Case& c : cases) {
    LinkSetUp s;
    s.codePage("page0", 0, 0x3F);
    s.codePage("page1", 0x40, 0xFF);
    s.dataBank("bank", 0x20, 0x7F);
    if (!c.imageDesc.empty()) s.section("buf_i", c.imageDesc, "");
    s.add(objectWith("a.o", "buf", SCN_IDATA, 10, 0, c.procType));
    ASSERT_EQ(s.map(), "");
    EXPECT_EQ(s.sizeOf("buf_i"), c.size);
    EXPECT_EQ(s.memoryOf("buf_i"), c.memory);
    EXPECT_EQ(s.memoryOf("buf"), "bank");
  }
  EXPECT_EQ(Linker::romImageName("buf"), "buf_i");
  EXPECT_EQ(Linker::baseSectionName("buf_i"), "buf");
  EXPECT_EQ(Linker::baseSectionName("_i"), "_i");
  EXPECT_EQ(Linker::baseSectionName("a_i_i"), "a_i");
  EXPECT_EQ(Linker::baseSectionName("buf"), "buf");
}

TEST(Allocation, Faults) {
  const std::string tail = " memory attribute specified in the linker command file.";
  struct Case {
    std::string label;
    void (*setUp)(LinkSetUp&);
    std::string message;
  } cases[] = {
      {"absolute, named memory of another kind",
       [](LinkSetUp& s) {
         s.section("u", "", "bank");
         s.add(objectWith("a.o", "u", SCN_UDATA | SCN_SHARE | SCN_ABS, 2, 0x70));
       },
       "section 'u' has a memory 'bank' which is not defined in the linker command file."},
      {"absolute, named memory too small",
       [](LinkSetUp& s) {
         s.section("a", "page", "");
         s.add(objectWith("a.o", "a", SCN_CODE | SCN_ABS, 4, 0xFF));
       },
       "section 'a' has a memory 'page' which can not fit the absolute section. Section 'a' "
       "start=0x000000ff, length=0x00000004."},
      {"absolute, no memory",
       [](LinkSetUp& s) { s.add(objectWith("a.o", "a", SCN_CODE | SCN_ABS, 4, 0x200)); },
       "section 'a' can not fit the absolute section. Section 'a' start=0x00000200, "
       "length=0x00000004"},
      {"relocatable, named memory of another kind",
       [](LinkSetUp& s) {
         s.section("u", "", "bank");
         s.add(objectWith("a.o", "u", SCN_UDATA | SCN_ACCESS, 2));
       },
       "section 'u' has a memory 'bank' which is not defined in the linker command file."},
      {"relocatable, named memory too small",
       [](LinkSetUp& s) {
         s.section("c", "page", "");
         s.add(objectWith("a.o", "c", SCN_CODE, 0x400));
       },
       "section 'c' has a memory 'page' which can not fit the section. Section 'c' "
       "length=0x00000400."},
      {"relocatable, no memory",
       [](LinkSetUp& s) { s.add(objectWith("a.o", "c", SCN_CODE, 0x400)); },
       "section 'c' can not fit the section. Section 'c' length=0x00000400"},
      {"relocatable data, only a protected bank",
       [](LinkSetUp& s) { s.add(objectWith("a.o", "u", SCN_UDATA | SCN_ACCESS, 2)); },
       "section 'u' can not fit the section. Section 'u' length=0x00000002"},
      {"image with RAM=",
       [](LinkSetUp& s) {
         s.section("buf_i", "", "bank");
         s.add(objectWith("a.o", "buf", SCN_IDATA, 2));
       },
       "section 'buf_i' can not have a 'RAM' memory attribute specified in the linker command "
       "file."},
      {"table with RAM=",
       [](LinkSetUp& s) {
         s.section(".cinit", "", "bank");
         s.add(object("a.o"));
       },
       "section '.cinit' contains initialized rom data and can not have a 'RAM' memory "
       "attribute specified in the linker command file."},
      {"stack in a memory that is gone",
       [](LinkSetUp& s) {
         s.linker.cHasStackDesc = 1;
         s.linker.cStackDesc = StackDesc(2, "gone");
         s.add(object("a.o"));
       },
       "undefined DATABANK/SHAREBANK 'gone' for STACK. "},
      {"stack too large",
       [](LinkSetUp& s) {
         s.stack(0x100);
         s.add(object("a.o"));
       },
       "section '.stack' can not fit the section. Section '.stack' length=0x00000100"},
  };
  for (const Case& c : cases) {
    LinkSetUp s;
    s.codePage("page", 0, 0xFF);
    s.dataBank("bank", 0x20, 0x6F);
    s.shareBank("share", 0x70, 0x7F);
    std::string message;
    ASSERT_TRUE(
        s.linker.addAccessBank(Memory("access", 0x80, 0x8F, ram, true, false, ""), message));
    c.setUp(s);
    EXPECT_EQ(s.map(), c.message) << c.label;
  }
}

TEST_F(AllocFixture, FaultsThatNoCheckedInputReaches) {
  codePage("page", 0, 0xFF);
  dataBank("bank", 0x20, 0x7F);
  add(objectWith("a.o", "a", SCN_CODE | SCN_ABS, 2, 0x10));
  ASSERT_EQ(check(), "");
  linker.cScnType["a"] = 7;
  std::string message;
  EXPECT_EQ(linker.mapSections(message), 0);
  EXPECT_EQ(message, "unknown section type for section 'a'.");

  LinkSetUp huge;  // an image twice as large as a 32-bit section
  huge.codePage("page", 0, 0xFF);
  huge.dataBank("bank", 0x20, 0x7F);
  huge.add(objectWith("a.o", "buf", SCN_IDATA, 2, 0, kMirrow7));
  ASSERT_EQ(huge.check(), "");
  huge.linker.cScnSize["buf"] = 0xFFFFFFFF;
  EXPECT_EQ(huge.linker.mapSections(message), 0);
  EXPECT_EQ(message, "section 'buf_i' can not fit the section. Section 'buf_i' length=0x1fffffffe");
}

TEST_F(AllocFixture, AFailureLeavesWhatWasPlacedBeforeIt) {
  codePage("page", 0, 0xFF);
  codePage("other", 0x100, 0x1FF);
  section("assigned", "other", "");
  section("ghost", "page", "");  // no input has it: passed over
  CoffBuilder b = object("a.o");
  b.zeros(b.section("abs", SCN_CODE | SCN_ABS, 0x80), 4);
  b.zeros(b.section("assigned", SCN_CODE), 4);
  b.zeros(b.section("fits", SCN_CODE), 0x10);
  b.zeros(b.section("huge", SCN_CODE), 0x400);
  add(b);
  EXPECT_EQ(map(), "section 'huge' can not fit the section. Section 'huge' length=0x00000400");
  EXPECT_EQ(memoryOf("abs"), "page");
  EXPECT_EQ(memoryOf("assigned"), "other");
  EXPECT_EQ(memoryOf(".cinit"), "page");  // the smaller largest hole
  EXPECT_EQ(memoryOf("fits"), "");
  EXPECT_EQ(memoryOf("ghost"), "");
}

TEST(Allocation, EachInputsPartOfItsSections) {
  struct Case {
    uint32_t procType;
    uint32_t flags;
    uint32_t first, second;  // part sizes in bytes
    uint32_t secondAt;       // the second part's start, from the section's start
  } cases[] = {
      {kQuenby122, SCN_UDATA, 6, 4, 6},
      {kQuenby122, SCN_UDATA | SCN_OVERLAY, 6, 4, 0},
      {kQuenby122, SCN_CODE, 6, 4, 3},
      {kMirrow7, SCN_CODE, 3, 3, 2},  // odd parts start on a location each
      {kHalvern133, SCN_CODE, 3, 3, 3},
  };
  for (const Case& c : cases) {
    LinkSetUp s;
    s.codePage("page", 0, 0xFF);
    s.dataBank("bank", 0x20, 0x7F);
    s.add(objectWith("a.o", "x", c.flags, c.first, 0, c.procType));
    s.add(objectWith("b.o", "x", c.flags, c.second, 0, c.procType));
    s.add(objectWith("c.o", "abs", SCN_UDATA | SCN_ABS, 2, 0x70, c.procType));
    ASSERT_EQ(s.map(), "");
    ASSERT_EQ(s.linker.recordSectionAddresses(), 1);
    Memory& m = *s.linker.cScnMem.at("x");
    uint32_t start = m.getScnStart("x");
    EXPECT_EQ(m.getFileStart(0, "x"), start);
    EXPECT_EQ(m.getFileStart(1, "x"), start + c.secondAt);
    EXPECT_EQ(m.getFileSize(1, "x"), c.second);
    EXPECT_EQ(s.linker.cScnMem.at("abs")->getFileStart(2, "abs"), 0x70u);
  }
}

}  // namespace
