// The processor table against the device groups, the family geometry and the
// lookups' invariants.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "mgproc.h"

struct DeviceGroup {
  CoreFamily family;
  std::vector<int> codes;
  uint32_t programSize, pages, dataSize, banks, gprFrom;
};

static const std::vector<DeviceGroup>& deviceGroups() {
  static const std::vector<DeviceGroup> groups = {
      {CORE_MIRROW, {105, 111}, 0x200, 1, 0x100, 2, 0x0C},
      {CORE_MIRROW, {25, 37, 38, 59, 86, 100}, 0x200, 1, 0x100, 2, 0x20},
      {CORE_MIRROW, {81, 106, 112, 113}, 0x400, 1, 0x100, 2, 0x0C},
      {CORE_MIRROW, {7, 11, 17, 26, 35, 39, 40, 58, 60, 61, 87}, 0x400, 1, 0x100, 2, 0x20},
      {CORE_MIRROW, {107}, 0x400, 1, 0x200, 4, 0x20},
      {CORE_MIRROW,
       {8, 12, 15, 16, 27, 36, 41, 42, 43, 44, 47, 48, 50, 55, 62, 63, 65, 66, 88, 99, 102, 104},
       0x800,
       1,
       0x100,
       2,
       0x20},
      {CORE_MIRROW, {64, 77, 108, 114, 115, 116}, 0x800, 1, 0x200, 4, 0x20},
      {CORE_MIRROW,
       {14, 45, 46, 49, 51, 52, 53, 56, 67, 68, 69, 70, 72, 73, 101, 103},
       0x1000,
       2,
       0x100,
       2,
       0x20},
      {CORE_MIRROW, {78, 79, 80, 82, 83, 84, 117, 118}, 0x1000, 2, 0x200, 4, 0x20},
      {CORE_MIRROW, {71, 75}, 0x1800, 3, 0x200, 4, 0x20},
      {CORE_MIRROW, {54, 57, 74, 76, 85, 109, 110, 119, 120}, 0x2000, 4, 0x200, 4, 0x20},
      {CORE_QUENBY, {122, 123, 131}, 0x800, 1, 0x400, 4, 0x20},
      {CORE_QUENBY, {124, 132}, 0x1000, 1, 0x400, 4, 0x20},
      {CORE_QUENBY, {125}, 0x2000, 1, 0x400, 4, 0x20},
      {CORE_QUENBY, {126}, 0x2000, 1, 0x800, 8, 0x20},
      {CORE_QUENBY, {127, 128, 129, 130}, 0x4000, 2, 0x800, 8, 0x20},
      {CORE_TARSEL, {19}, 0x180, 1, 0x20, 1, 0x08},
      {CORE_TARSEL, {3, 4, 9}, 0x200, 1, 0x20, 1, 0x07},
      {CORE_TARSEL, {20, 21, 22, 23, 24, 28, 89, 90, 91, 92, 121}, 0x200, 1, 0x20, 1, 0x08},
      {CORE_TARSEL, {29, 30, 93}, 0x400, 2, 0x20, 1, 0x08},
      {CORE_TARSEL, {5, 6, 10, 13}, 0x400, 2, 0x40, 2, 0x07},
      {CORE_TARSEL, {18}, 0x400, 2, 0x50, 3, 0x08},
      {CORE_TARSEL, {1, 2}, 0x400, 2, 0x80, 4, 0x08},
      {CORE_TARSEL, {33, 34, 97, 98}, 0x800, 4, 0x80, 4, 0x07},
      {CORE_TARSEL, {31, 32, 94, 95, 96}, 0x800, 4, 0x80, 4, 0x08},
      {CORE_HALVERN, {133, 135}, 0x4000, 1, 0x200, 2, 0x00},
      {CORE_HALVERN, {134, 136, 137, 138, 139}, 0x8000, 1, 0x600, 6, 0x00},
  };
  return groups;
}

struct FamilyGeometry {
  uint32_t romWidth, pageSize, bankSize, maxProgram, maxData, bankShift;
};

static FamilyGeometry familyGeometry(CoreFamily family) {
  switch (family) {
    case CORE_MIRROW: return {14, 0x800, 0x80, 0x1FFF, 0x1FF, 7};
    case CORE_QUENBY: return {16, 0x2000, 0x100, 0xFFFF, 0xFFF, 8};
    case CORE_TARSEL: return {12, 0x200, 0x20, 0x7FF, 0x7F, 5};
    default: return {8, 0x200000, 0x100, 0x1FFFFF, 0xFFF, 8};
  }
}

TEST(ProcessorTable, EveryCodeHasItsGroupsGeometry) {
  std::set<int> seen;
  int perFamily[5] = {};
  for (const DeviceGroup& group : deviceGroups()) {
    FamilyGeometry family = familyGeometry(group.family);
    for (int code : group.codes) {
      SCOPED_TRACE(code);
      ProcessorType p = static_cast<ProcessorType>(code);
      EXPECT_TRUE(seen.insert(code).second);
      ++perFamily[group.family];
      EXPECT_EQ(processorFamily(p), group.family);
      EXPECT_EQ(programMemorySize(p), group.programSize);
      EXPECT_EQ(numCodePages(p), group.pages);
      EXPECT_EQ(dataMemorySize(p), group.dataSize);
      EXPECT_EQ(numDataBanks(p), group.banks);
      EXPECT_EQ(romWidthBits(p), family.romWidth);
      EXPECT_EQ(ramWidthBits(p), 8u);
      EXPECT_EQ(codePageSize(p), family.pageSize);
      EXPECT_EQ(dataBankSize(p), family.bankSize);
      EXPECT_EQ(maxProgramAddress(p), family.maxProgram);
      EXPECT_EQ(maxDataAddress(p), family.maxData);
      // The page count is the program size over the page size, rounded up.
      EXPECT_EQ(numCodePages(p), (programMemorySize(p) + family.pageSize - 1) / family.pageSize);
      if (code != 18) {
        EXPECT_EQ(dataMemorySize(p), numDataBanks(p) * dataBankSize(p));
      }
      // GPR starts at the group's offset in every bank.
      for (uint32_t bank = 0; bank < group.banks; ++bank) {
        uint32_t base = bank * family.bankSize;
        EXPECT_TRUE(isGpr(p, base + group.gprFrom));
        EXPECT_TRUE(isGpr(p, base + family.bankSize - 1));
        if (group.gprFrom > 0) {
          EXPECT_FALSE(isGpr(p, base + group.gprFrom - 1));
        }
        EXPECT_EQ(bankOfAddress(p, base + group.gprFrom), bank);
        EXPECT_EQ(offsetInBank(p, base + group.gprFrom), group.gprFrom);
      }
    }
  }
  EXPECT_EQ(seen.size(), 139u);
  EXPECT_EQ(*seen.begin(), 1);
  EXPECT_EQ(*seen.rbegin(), 139);
  EXPECT_EQ(perFamily[CORE_MIRROW], 87);
  EXPECT_EQ(perFamily[CORE_QUENBY], 11);
  EXPECT_EQ(perFamily[CORE_TARSEL], 34);
  EXPECT_EQ(perFamily[CORE_HALVERN], 7);
}

TEST(ProcessorTable, UnevenGeometry) {
  EXPECT_EQ(numCodePages(71), 3u);
  EXPECT_EQ(numCodePages(75), 3u);
  EXPECT_EQ(numCodePages(19), 1u);  // 0x180 words in a page of 0x200
  EXPECT_EQ(numDataBanks(18), 3u);
  EXPECT_EQ(dataBankSize(18), 0x20u);
  EXPECT_EQ(dataMemorySize(18), 0x50u);
  EXPECT_EQ(numCodePages(134), 1u);  // a Halvern page holds 0x200000 bytes
}

TEST(ProcessorTable, BanksAndGprByFamily) {
  // One device of each family: Mirrow 7, Quenby 122, Tarsel 1, Halvern 133.
  EXPECT_EQ(bankOfAddress(7, 0x1234), 0x24u);
  EXPECT_EQ(bankOfAddress(122, 0x1234), 0x12u);
  EXPECT_EQ(bankOfAddress(133, 0x1234), 0x12u);
  EXPECT_EQ(bankOfAddress(1, 0x1234), 0x91u);
  EXPECT_EQ(offsetInBank(7, 0x1234), 0x34u);
  EXPECT_EQ(offsetInBank(122, 0x1234), 0x34u);
  EXPECT_EQ(offsetInBank(1, 0x1234), 0x14u);

  EXPECT_TRUE(isGpr(105, 0x8C));  // limit 0x0C, bank 1
  EXPECT_FALSE(isGpr(105, 0x8B));
  EXPECT_FALSE(isGpr(7, 0x8C));  // limit 0x20
  EXPECT_TRUE(isGpr(7, 0xA0));
  EXPECT_TRUE(isGpr(122, 0x90));  // Quenby: low 8 bits
  EXPECT_FALSE(isGpr(122, 0x10A));
  EXPECT_TRUE(isGpr(1, 0x2A));  // Tarsel: offset 0x0A at limit 8
  EXPECT_FALSE(isGpr(1, 0x27));
  EXPECT_TRUE(isGpr(133, 0x00));  // Halvern: everything
  EXPECT_TRUE(isGpr(134, 0x5FF));
}

TEST(ProcessorTable, IdsAndNamesRoundTrip) {
  std::set<uint16_t> ids;
  std::set<std::string> names;
  for (int code = 1; code <= 139; ++code) {
    SCOPED_TRACE(code);
    ProcessorType p = static_cast<ProcessorType>(code);
    uint16_t id = processorToProcType(p);
    EXPECT_TRUE(ids.insert(id).second);
    EXPECT_TRUE(isKnownProcType(id));
    EXPECT_EQ(procTypeToProcessor(id), p);
    EXPECT_EQ(procTypeToProcessor(0xABCD0000u | id), p);  // bits 16..31 ignored
    EXPECT_TRUE(isKnownProcType(0xFFFF0000u | id));
    EXPECT_EQ(id >> 12, processorFamily(p));  // the family shows in the id

    std::string name = processorName(p);
    EXPECT_TRUE(names.insert(name).second);
    EXPECT_GE(name.size(), 5u);
    EXPECT_LE(name.size(), 8u);
    for (char c : name) EXPECT_TRUE((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) << name;
    ProcessorType found = 0;
    EXPECT_EQ(processorFromName(name, found), 1);
    EXPECT_EQ(found, p);
  }
  // Exactly the 139 ids are known.
  int known = 0;
  for (uint32_t id = 0; id <= 0xFFFF; ++id) known += isKnownProcType(id) ? 1 : 0;
  EXPECT_EQ(known, 139);
}

TEST(ProcessorTable, NameLookupFoldsOnlyAsciiLetters) {
  std::string name = processorName(18);
  std::string mixed = name;
  for (size_t i = 0; i < mixed.size(); i += 2) {
    if (mixed[i] >= 'A' && mixed[i] <= 'Z') mixed[i] = static_cast<char>(mixed[i] - 'A' + 'a');
  }
  struct Case {
    std::string text;
    int result;
  };
  const Case cases[] = {
      {name, 1},       {mixed, 1},
      {"", 0},         {" " + name, 0},
      {name + " ", 0}, {name.substr(0, name.size() - 1), 0},
      {name + "0", 0}, {std::string(name.c_str(), 3), 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    ProcessorType out = 77;
    EXPECT_EQ(processorFromName(c.text, out), c.result);
    EXPECT_EQ(out, c.result ? 18 : 77);  // untouched on failure
  }
}

TEST(ProcessorTable, UnknownIdsAreRejected) {
  const uint32_t unknown[] = {0x0000, 0x0001, 0x1000, 0x3000, 0x108C,
                              0x3101, 0x2001, 0x5001, 0xFFFF};
  for (uint32_t id : unknown) EXPECT_FALSE(isKnownProcType(id)) << std::hex << id;
}

using ProcessorTableDeathTest = ::testing::Test;

TEST(ProcessorTableDeathTest, ContractViolationsEndTheProgram) {
  EXPECT_DEATH(processorFamily(0), "mgproc");
  EXPECT_DEATH(programMemorySize(140), "mgproc");
  EXPECT_DEATH(isGpr(255, 0), "mgproc");
  EXPECT_DEATH(procTypeToProcessor(0x1000), "mgproc");
}
