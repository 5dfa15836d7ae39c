// Where zorvik places sections, seen in the map file's section table, and the
// faults of the allocation with exact output, exit status and the partial map.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "zorvik_link_support.h"

namespace {

using Rows = std::vector<std::string>;

// The rows of the map's "Section Info" table, blanks between columns
// squeezed to one.
Rows sectionRows(const std::string& map) {
  Rows rows;
  std::istringstream in(map);
  std::string line;
  bool inTable = false;
  while (std::getline(in, line)) {
    if (line.find("---------") != std::string::npos) {
      inTable = true;
      continue;
    }
    if (!inTable) continue;
    if (line.empty()) break;
    std::istringstream words(line);
    std::string word, row;
    while (words >> word) row += (row.empty() ? "" : " ") + word;
    rows.push_back(row);
  }
  return rows;
}

struct Placement {
  std::string label;
  std::vector<CoffBuilder> objects;
  std::string lkr;
  Rows rows;  // of the map's section table: program rows, then data rows, by address
};

void expectPlacements(const std::vector<Placement>& cases) {
  for (const Placement& c : cases) {
    LinkDir d;
    std::string files = "FILES";
    for (const CoffBuilder& b : c.objects) {
      std::string name = b.image().cCoffName;
      d.object(name, b);
      files += " " + name;
    }
    RunResult r = d.run(c.lkr + files + "\n", {"/mapp.map"});
    EXPECT_EQ(r.out, linkedRun()) << c.label;
    EXPECT_EQ(r.status, 0) << c.label;
    if (r.status == 0) {
      EXPECT_EQ(sectionRows(d.t.read("app.map")), c.rows) << c.label;
    }
  }
}

CoffBuilder threeCodeSections() {
  CoffBuilder b("abc.o");
  b.optionalHeader(kQuenby122, 16);
  b.zeros(b.section("a", SCN_CODE), 0x20);
  b.zeros(b.section("b", SCN_CODE), 0x40);
  b.zeros(b.section("c", SCN_CODE), 0x40);
  return b;
}

CoffBuilder wordRuleObject() {
  CoffBuilder b("w.o");
  b.optionalHeader(kHalvern133, 8);
  b.zeros(b.section("r", SCN_ROMDATA | SCN_ABS, 3), 1);  // an odd start is fine for data
  b.zeros(b.section("c", SCN_CODE), 4);
  return b;
}

const std::string kPage = "CODEPAGE NAME=page START=0x0 END=0xFF\n";
const std::string kBank = "DATABANK NAME=bank START=0x20 END=0x2F\n";
// Two code pages with holes of 0x100 and 0x80 bytes, the table elsewhere.
const std::string kTwoPages =
    "CODEPAGE NAME=p1 START=0x0 END=0x7F\n"
    "CODEPAGE NAME=tbl START=0x200 END=0x200\nSECTION NAME=.cinit ROM=tbl\n";

TEST(ZorvikAllocation, Placements) {
  expectPlacements({
      {"largest first, name order among equals",
       {threeCodeSections()},
       kPage,
       {".cinit romdata 0x000000 program 0x000002", "b code 0x000001 program 0x000040",
        "c code 0x000021 program 0x000040", "a code 0x000041 program 0x000020"}},
      {"best fit: the smaller largest hole that takes it",
       {objectWith("s.o", "s", SCN_CODE, 0x60)},
       kTwoPages + "CODEPAGE NAME=p2 START=0x100 END=0x13F\n",
       {"s code 0x000100 program 0x000060", ".cinit romdata 0x000200 program 0x000002"}},
      {"best fit: too large for the smaller hole",
       {objectWith("s.o", "s", SCN_CODE, 0x90)},
       kTwoPages + "CODEPAGE NAME=p2 START=0x100 END=0x13F\n",
       {"s code 0x000000 program 0x000090", ".cinit romdata 0x000200 program 0x000002"}},
      {"a protected page takes no unassigned section",
       {objectWith("s.o", "s", SCN_CODE, 0x60)},
       kTwoPages + "CODEPAGE NAME=p2 START=0x100 END=0x13F PROTECTED\n",
       {"s code 0x000000 program 0x000060", ".cinit romdata 0x000200 program 0x000002"}},
      {"but one its SECTION names",
       {objectWith("s.o", "s", SCN_CODE, 0x60)},
       kTwoPages + "CODEPAGE NAME=p2 START=0x100 END=0x13F PROTECTED\nSECTION NAME=s ROM=p2\n",
       {"s code 0x000100 program 0x000060", ".cinit romdata 0x000200 program 0x000002"}},
      {"code on byte-addressed program memory starts on a word",
       {wordRuleObject()},
       kPage + "CODEPAGE NAME=tbl START=0x100 END=0x1FF\nSECTION NAME=.cinit ROM=tbl\n",
       {"r romdata 0x000003 program 0x000001", "c code 0x000004 program 0x000004",
        ".cinit romdata 0x000100 program 0x000002"}},
      {"the table on 14-bit words",
       {objectWith("m.o", "c", SCN_CODE, 2, 0, kMirrow7)},
       kPage,
       {".cinit romdata 0x000000 program 0x000004", "c code 0x000002 program 0x000002"}},
      // The table (one entry) is placed before the images.
      {"a ROM image on 14-bit words is twice the data",
       {objectWith("m.o", "buf", SCN_IDATA, 10, 0, kMirrow7)},
       kPage + kBank,
       {".cinit romdata 0x000000 program 0x000010", "buf_i romdata 0x000008 program 0x000014",
        "buf idata 0x000020 data 0x00000a"}},
      {"a ROM image on 16-bit words is as large as the data",
       {objectWith("q.o", "buf", SCN_IDATA, 10)},
       kPage + kBank,
       {".cinit romdata 0x000000 program 0x000008", "buf_i romdata 0x000004 program 0x00000a",
        "buf idata 0x000020 data 0x00000a"}},
      {"a ROM image placed by its own SECTION",
       {objectWith("q.o", "buf", SCN_IDATA, 10)},
       kPage + kBank + "CODEPAGE NAME=img START=0x300 END=0x3FF\nSECTION NAME=buf_i ROM=img\n",
       // The table follows into the page with the smaller largest hole.
       {"buf_i romdata 0x000300 program 0x00000a", ".cinit romdata 0x000305 program 0x000008",
        "buf idata 0x000020 data 0x00000a"}},
  });
}

TEST(ZorvikAllocation, StackGoesToADataBankUnlessItsMemoryIsNamed) {
  const std::string banks = kPage + kBank +
                            "SHAREBANK NAME=share START=0x70 END=0x7F\n"
                            "ACCESSBANK NAME=acc START=0x80 END=0x8F\n";
  const Rows table = {".cinit romdata 0x000000 program 0x000002",
                      "c code 0x000001 program 0x000002"};
  auto with = [&](const std::string& stackRow) {
    Rows rows = table;
    rows.push_back(stackRow);
    return rows;
  };
  CoffBuilder c = objectWith("c.o", "c", SCN_CODE, 2);
  expectPlacements({
      {"no RAM=", {c}, banks + "STACK SIZE=0x10\n", with(".stack udata 0x000020 data 0x000010")},
      {"RAM=share",
       {c},
       banks + "STACK SIZE=0x10 RAM=share\n",
       with(".stack udata 0x000070 data 0x000010")},
      {"RAM=acc",
       {c},
       banks + "STACK SIZE=0x10 RAM=acc\n",
       with(".stack udata 0x000080 data 0x000010")},
  });
  // Without RAM= a full data bank is not helped out by the shared one.
  LinkDir d;
  d.object("c.o", c);
  RunResult r = d.run(banks + "STACK SIZE=0x11\nFILES c.o\n");
  EXPECT_EQ(
      r.out,
      errorRun("section '.stack' can not fit the section. Section '.stack' length=0x00000011"));
  EXPECT_EQ(r.status, 1);
}

TEST(ZorvikAllocation, Faults) {
  struct Case {
    std::vector<CoffBuilder> objects;
    std::string lkr;  // after the page and the bank
    std::string message;
  } cases[] = {
      {{objectWith("u.o", "u", SCN_UDATA | SCN_SHARE, 2)},
       "SHAREBANK NAME=share START=0x70 END=0x7F\nSECTION NAME=u RAM=bank\n",
       "section 'u' has a memory 'bank' which is not defined in the linker command file."},
      {{objectWith("c.o", "c", SCN_CODE, 0x400)},
       "SECTION NAME=c ROM=page\n",
       "section 'c' has a memory 'page' which can not fit the section. Section 'c' "
       "length=0x00000400."},
      {{objectWith("c.o", "c", SCN_CODE, 0x400)},
       "",
       "section 'c' can not fit the section. Section 'c' length=0x00000400"},
      {{objectWith("a.o", "a", SCN_CODE | SCN_ABS, 4, 0xFF)},
       "SECTION NAME=a ROM=page\n",
       "section 'a' has a memory 'page' which can not fit the absolute section. Section 'a' "
       "start=0x000000ff, length=0x00000004."},
      {{objectWith("a.o", "a", SCN_CODE | SCN_ABS, 4, 0x200)},
       "",
       "section 'a' can not fit the absolute section. Section 'a' start=0x00000200, "
       "length=0x00000004"},
      {{objectWith("a.o", "a", SCN_CODE | SCN_ABS, 4, 3, kHalvern133)},
       "",
       "Absolute code section 'a' must start at a word-aligned address."},
      {{objectWith("d.o", "buf", SCN_IDATA, 2)},
       "SECTION NAME=buf_i RAM=bank\n",
       "section 'buf_i' can not have a 'RAM' memory attribute specified in the linker command "
       "file."},
      {{objectWith("c.o", "c", SCN_CODE, 2)},
       "SECTION NAME=.cinit RAM=bank\n",
       "section '.cinit' contains initialized rom data and can not have a 'RAM' memory attribute "
       "specified in the linker command file."},
  };
  for (const Case& c : cases) {
    LinkDir d;
    std::string files = "FILES";
    for (const CoffBuilder& b : c.objects) {
      std::string name = b.image().cCoffName;
      d.object(name, b);
      files += " " + name;
    }
    RunResult r = d.run(kPage + kBank + c.lkr + files + "\n");
    EXPECT_EQ(r.out, errorRun(c.message)) << c.lkr;
    EXPECT_EQ(r.status, 1);
    // Without a map file asked for, nothing is written.
    Rows expected = {"app.lkr"};
    for (const CoffBuilder& b : c.objects) expected.push_back(b.image().cCoffName);
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(d.t.list(), expected) << c.lkr;
  }
}

TEST(ZorvikAllocation, PartialMapAfterAFailure) {
  LinkDir d;
  CoffBuilder b("main.o");
  b.optionalHeader(kQuenby122, 16);
  b.zeros(b.section("abs", SCN_CODE | SCN_ABS, 0x80), 4);
  b.zeros(b.section("assigned", SCN_CODE), 4);
  b.zeros(b.section("vars", SCN_UDATA | SCN_ACCESS | SCN_ABS, 0x90), 3);
  b.zeros(b.section("small", SCN_CODE), 0x10);
  b.zeros(b.section("huge", SCN_CODE), 0x400);
  d.object("main.o", b);
  RunResult r = d.run(
      "CODEPAGE NAME=page START=0x0 END=0xFF\n"
      "CODEPAGE NAME=other START=0x10000 END=0x100FF\n"
      "DATABANK NAME=bank START=0x20 END=0x6F\n"
      "SHAREBANK NAME=share START=0x70 END=0x7F\n"
      "ACCESSBANK NAME=acc START=0x80 END=0x9F\n"
      "SECTION NAME=assigned ROM=other\n"
      "STACK SIZE=0x8\n"
      "FILES main.o\n",
      {"/mapp.map"});
  EXPECT_EQ(r.out,
            errorRun("section 'huge' can not fit the section. Section 'huge' length=0x00000400"));
  EXPECT_EQ(r.status, 1);
  std::string map = d.t.read("app.map");
  const std::string created = "Linker Error Map File - Created ";
  size_t at = map.find(created);
  ASSERT_NE(at, std::string::npos);
  size_t end = map.find('\n', at);
  map.replace(at, end - at, created + "(time)");
  const std::string header =
      "    Memory      Start        End              Section    Address Size(Bytes)\n"
      " ---------  ---------  ---------            ---------  ---------  ---------\n";
  EXPECT_EQ(map, std::string(linkerBanner()) +
                     "\nLinker Error Map File - Created (time)\n"
                     "\n"
                     "*Warning* - This is only a partial map file due to a link time error.\n"
                     "   Only sections which were allocated prior to the error are shown below.\n"
                     "\n"
                     "CODEPAGES:\n" +
                     header +
                     // The table takes the smaller hole, after the absolute section.
                     "      page     0x0000     0x00ff                  abs     0x0080     0x0004\n"
                     "                                               .cinit     0x0082     0x0002\n"
                     "\n"
                     "     other     0x0000     0x00ff             assigned     0x0000     0x0004\n"
                     "\n"
                     "\n"
                     "SHAREBANKS:\n" +
                     header +
                     "     share     0x0070     0x007f                                           \n"
                     "\n"
                     "\n"
                     "DATABANKS:\n" +
                     header +
                     "      bank     0x0020     0x006f               .stack     0x0020     0x0008\n"
                     "\n"
                     "\n"
                     "ACCESSBANKS:\n" +
                     header +
                     "       acc     0x0080     0x009f                 vars     0x0090     0x0003\n"
                     "\n"
                     "\n");
}

}  // namespace
