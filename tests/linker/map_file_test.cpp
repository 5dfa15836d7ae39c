// The map file of a linked executable, written for executables made by the
// test builder and compared whole (the creation time aside).
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "Banner.h"
#include "CoffBuilder.h"
#include "MapFile.h"
#include "ProcessorIds.h"
#include "Reporter.h"
#include "RunProgram.h"
#include "TextHelpers.h"
#include "linker.h"

namespace {

const uint32_t kMirrow = procIdNamed("MRRW007");   // 14-bit program words: two bytes a location
const uint32_t kHalvern = procIdNamed("HLVN133");  // byte-addressed program memory
const uint8_t kOtherClass = 107;                   // a storage class the map leaves out

// The map's text with the creation time cut from its header line; the map is
// written over a file that holds `before`, when that is given.
std::string writeMap(const Coff& image, uint32_t total, const std::string& before = "") {
  TempDir dir;
  if (!before.empty()) dir.write("app.map", before);
  EXPECT_EQ(MapFile::write(dir.file("app.map"), image, total), 1);
  std::string text = dir.read("app.map");
  const std::string created = "Linker Map File - Created ";
  size_t at = text.find(created);
  EXPECT_NE(at, std::string::npos);
  if (at != std::string::npos)
    text.erase(at + created.size(), text.find('\n', at) - at - created.size());
  return text;
}
std::string writeMap(const CoffBuilder& b, uint32_t total) { return writeMap(b.image(), total); }

// The line of the text that contains `piece`.
std::string lineWith(const std::string& text, const std::string& piece) {
  size_t at = text.find(piece);
  if (at == std::string::npos) return "<none>";
  size_t begin = text.rfind('\n', at) + 1;
  return text.substr(begin, text.find('\n', at) - begin);
}

CoffBuilder mirrowProgram() {
  CoffBuilder b("app.cof");
  b.optionalHeader(kMirrow, 14);
  int code = b.section(".code", SCN_CODE, 0x0);
  b.contents(code, std::vector<uint8_t>(0x20));
  int bss = b.section(".bss", SCN_UDATA, 0x20);
  b.zeros(bss, 4);
  int lib = b.section(".lib", SCN_CODE, 0x100);
  b.contents(lib, {1, 2, 3});  // three bytes take two locations
  int cinit = b.section(".cinit", SCN_ROMDATA, 0x10);
  b.contents(cinit, std::vector<uint8_t>(0x0A));  // continues the run of .code
  int data = b.section(".data", SCN_IDATA | SCN_ABS, 0x30);
  b.contents(data, {7, 8});
  b.section(".empty", SCN_CODE, 0x50);  // no locations, no run
  b.fileSymbol("main.c");
  b.function("main", 0x0, code);
  b.symbol("a_name_longer_than_twenty_five", 0x4, code, C_STAT, 0);
  b.symbol("dup", 0x8, code, C_EXT, 0);
  b.fileSymbol("inc.h");
  b.symbol("inner", 0x100, lib, C_LABEL, 0);
  b.symbol(".eof", 0, -2, C_STAT, 0);
  b.symbol("counter", 0x20, bss, C_EXT, 0);
  b.symbol("dup", 0x21, bss, C_EXT, 0);
  b.symbol(".eof", 0, -2, C_STAT, 0);
  b.symbol("late", 0x30, data, C_STAT, 0);
  b.symbol("undefined", 0, 0, C_EXT, 0);       // no section: no row
  b.symbol("absolute", 5, -1, C_EXT, 0);       // absolute: no row
  b.symbol("other", 5, code, kOtherClass, 0);  // another class: no row
  return b;
}

TEST(MapFileTest, WholeMapOfAWordAddressedProgram) {
  std::string expected = std::string(linkerBanner()) + "\nLinker Map File - Created \n" + R"(
                                 Section Info
                  Section       Type    Address   Location Size(Bytes)
                ---------  ---------  ---------  ---------  ---------
                    .code       code   0x000000    program   0x000020
                   .cinit    romdata   0x000010    program   0x00000a
                   .empty       code   0x000050    program   0x000000
                     .lib       code   0x000100    program   0x000003
                     .bss      udata   0x000020       data   0x000004
                    .data      idata   0x000030       data   0x000002



                              Program Memory Usage 
                               Start         End      
                           ---------   ---------      
                            0x000000    0x000014      
                            0x000100    0x000101      
            23 out of 8192 program addresses used, program memory utilization is 0%



                              Symbols - Sorted by Name
                     Name    Address   Location    Storage File                     
                ---------  ---------  ---------  --------- ---------                
a_name_longer_than_twenty_five   0x000004    program     static main.c                   
                      dup   0x000008    program     extern main.c                   
                    inner   0x000100    program     static inc.h                    
                     main   0x000000    program     extern main.c                   
                  counter   0x000020       data     extern main.c                   
                      dup   0x000021       data     extern main.c                   
                     late   0x000030       data     static                          



                              Symbols - Sorted by Address
                     Name    Address   Location    Storage File                     
                ---------  ---------  ---------  --------- ---------                
                     main   0x000000    program     extern main.c                   
a_name_longer_than_twenty_five   0x000004    program     static main.c                   
                      dup   0x000008    program     extern main.c                   
                    inner   0x000100    program     static inc.h                    
                  counter   0x000020       data     extern main.c                   
                      dup   0x000021       data     extern main.c                   
                     late   0x000030       data     static                          


)";
  EXPECT_EQ(writeMap(mirrowProgram(), 0x2000), expected);
}

TEST(MapFileTest, ByteAddressedSectionsCountEveryByteAsALocation) {
  CoffBuilder b("big.cof");
  b.optionalHeader(kHalvern, 8);
  int code = b.section(".code", SCN_CODE, 0x0);
  b.contents(code, std::vector<uint8_t>(70000));  // more locations than 16 bits count
  int tail = b.section(".tail", SCN_CODE, 70000);
  b.contents(tail, {1, 2, 3});
  std::string text = writeMap(b, 0x200000);
  EXPECT_EQ(lineWith(text, "0x000000    0x"),
            "                            0x000000    0x011172      ");
  EXPECT_EQ(lineWith(text, "program addresses used"),
            "            70003 out of 2097152 program addresses used, program memory "
            "utilization is 3%");
}

TEST(MapFileTest, UtilisationLine) {
  struct Case {
    uint32_t bytes;
    uint32_t total;
    std::string line;
  };
  const std::vector<Case> cases = {
      {2000, 3000, "1000 out of 3000 program addresses used, program memory utilization is 33%"},
      {2000, 0, "1000 out of 0 program addresses used, program memory utilization is 100%"},
      {2000, 900, "1000 out of 900 program addresses used, program memory utilization is 100%"},
      {0, 3000, "0 out of 3000 program addresses used, program memory utilization is 0%"},
      // The largest memories: used x 100 does not wrap.
      {0x4000000, 0xFFFFFFFF,
       "33554432 out of 4294967295 program addresses used, program memory utilization is 0%"},
  };
  for (const Case& c : cases) {
    CoffBuilder b("u.cof");
    b.optionalHeader(kMirrow, 14);
    b.section(".code", SCN_CODE, 0);
    Coff image = b.image();
    image.cScnHdr[".code"].s_size = c.bytes;  // the map reads the headers alone
    std::string text = writeMap(image, c.total);
    EXPECT_EQ(lineWith(text, "program addresses used"), "            " + c.line) << c.bytes;
  }
}

TEST(MapFileTest, NoProgramSectionGivesNoRunAndTheUsageLineFollowsTheHeader) {
  CoffBuilder b("d.cof");
  b.optionalHeader(kMirrow, 14);
  b.zeros(b.section(".bss", SCN_UDATA, 0x20), 4);
  std::string text = writeMap(b, 100);
  EXPECT_NE(text.find("   ---------   ---------      \n"
                      "            0 out of 100 program addresses used"),
            std::string::npos)
      << text;
}

TEST(MapFileTest, FileColumnIgnoresAnEofWithoutAnOpenFileAndAFileWithoutItsEntry) {
  CoffBuilder b("f.cof");
  b.optionalHeader(kMirrow, 14);
  int code = b.section(".code", SCN_CODE, 0);
  b.contents(code, {0, 0});
  b.symbol(".eof", 0, -2, C_STAT, 0);   // nothing open: ignored
  b.symbol(".file", 0, -2, C_FILE, 0);  // no auxiliary entry: pushes nothing
  b.symbol("first", 0, code, C_EXT, 0);
  b.fileSymbol("a.c");
  b.symbol("second", 1, code, C_EXT, 0);
  std::string text = writeMap(b, 100);
  EXPECT_EQ(lineWith(text, " first "),
            "                    first   0x000000    program     extern                          ");
  EXPECT_EQ(lineWith(text, " second "),
            "                   second   0x000001    program     extern a.c                      ");
}

TEST(MapFileTest, ManyRowsWithEqualKeysKeepTheirOrder) {
  CoffBuilder b("s.cof");
  b.optionalHeader(kMirrow, 14);
  int code = b.section(".code", SCN_CODE, 0);
  b.contents(code, {0, 0});
  for (int i = 0; i < 40; ++i) b.symbol("s" + std::to_string(100 + i), 0, code, C_EXT, 0);
  std::string text = writeMap(b, 100);
  size_t byAddress = text.find("Symbols - Sorted by Address");
  size_t last = byAddress;
  for (int i = 0; i < 40; ++i) {
    size_t at = text.find(" s" + std::to_string(100 + i) + " ", byAddress);
    ASSERT_NE(at, std::string::npos);
    EXPECT_GT(at, last) << i;
    last = at;
  }
}

// "name address" of every row of the symbol table titled `title`.
std::vector<std::string> symbolRows(const std::string& text, const std::string& title) {
  std::vector<std::string> rows;
  size_t at = text.find(title);
  if (at == std::string::npos) return rows;
  for (int header = 0; header < 3; ++header) at = text.find('\n', at) + 1;
  for (size_t end; (end = text.find('\n', at)) != std::string::npos && end > at; at = end + 1) {
    std::istringstream line(text.substr(at, end - at));
    std::string name, address;
    line >> name >> address;
    rows.push_back(name + " " + address);
  }
  return rows;
}

TEST(MapFileTest, NamesSortByteWiseBeyondTheirFirstEightBytesAndAddressTiesKeepNameOrder) {
  CoffBuilder b("n.cof");
  b.optionalHeader(kMirrow, 14);
  int code = b.section(".code", SCN_CODE, 0);
  b.contents(code, {0, 0});
  for (const auto& [name, address] :
       std::vector<std::pair<std::string, uint32_t>>{{"shared_prefix_b", 3},
                                                     {"shared_prefix_a", 1},
                                                     {"shared_p", 2},
                                                     {"shared_prefix", 4},
                                                     {"shared_prefix_a", 0},
                                                     {"shared_pr", 4},
                                                     {"\xe9lan", 5},
                                                     {"shared_prefix_ab", 6}})
    b.symbol(name, address, code, C_EXT, 0);
  std::string text = writeMap(b, 100);
  EXPECT_EQ(symbolRows(text, "Symbols - Sorted by Name"),
            (std::vector<std::string>{"shared_p 0x000002", "shared_pr 0x000004",
                                      "shared_prefix 0x000004", "shared_prefix_a 0x000001",
                                      "shared_prefix_a 0x000000", "shared_prefix_ab 0x000006",
                                      "shared_prefix_b 0x000003", "\xe9lan 0x000005"}));
  EXPECT_EQ(symbolRows(text, "Symbols - Sorted by Address"),
            (std::vector<std::string>{"shared_prefix_a 0x000000", "shared_prefix_a 0x000001",
                                      "shared_p 0x000002", "shared_prefix_b 0x000003",
                                      "shared_pr 0x000004", "shared_prefix 0x000004",
                                      "\xe9lan 0x000005", "shared_prefix_ab 0x000006"}));
}

// Names read through the string table are ordered by their offsets when the
// table holds them in byte order (as a link's merged table does), and by their
// texts otherwise; names held in their entries fall in between either way. The
// tables must read alike whatever the order of the string table.
TEST(MapFileTest, NamesOrderAlikeWhateverTheOrderOfTheStringTable) {
  struct Sym {
    std::string name;
    uint32_t address;
    bool data;
    bool inTable;
  };
  const std::vector<Sym> symbols = {
      {"long_name_b", 5, false, true}, {"alpha", 4, false, false},
      {"long_name_b", 1, false, true}, {"long_name_a", 2, false, true},
      {"long_name_c", 7, true, true},  {"beta", 4, false, true},
      {"beta", 6, false, false},       {"long", 9, false, false},
      {"long_name_a", 0, true, true},  {"zz", 8, false, false},
      {"alpha", 3, true, false}};
  const std::vector<std::vector<std::string>> tableOrders = {
      {"beta", "long_name_a", "long_name_b", "long_name_c"},   // byte order
      {"long_name_c", "long_name_b", "long_name_a", "beta"},   // reversed
      {"beta", "long_name_b", "long_name_a", "long_name_c"}};  // one pair swapped
  for (const auto& texts : tableOrders) {
    CoffBuilder b("o.cof");
    b.optionalHeader(kMirrow, 14);
    int code = b.section(".code", SCN_CODE, 0);
    b.contents(code, {0, 0});
    int bss = b.section(".bss", SCN_UDATA, 0x20);
    b.zeros(bss, 4);
    for (const std::string& text : texts) b.addString(text);
    for (const Sym& s : symbols)
      b.symbol(s.name, s.address, s.data ? bss : code, C_EXT, 0, s.inTable);
    std::string text = writeMap(b, 100);
    EXPECT_EQ(symbolRows(text, "Symbols - Sorted by Name"),
              (std::vector<std::string>{
                  "alpha 0x000004", "beta 0x000004", "beta 0x000006", "long 0x000009",
                  "long_name_a 0x000002", "long_name_b 0x000005", "long_name_b 0x000001",
                  "zz 0x000008", "alpha 0x000003", "long_name_a 0x000000", "long_name_c 0x000007"}))
        << texts[0] << " " << texts[1];
    EXPECT_EQ(symbolRows(text, "Symbols - Sorted by Address"),
              (std::vector<std::string>{
                  "long_name_b 0x000001", "long_name_a 0x000002", "alpha 0x000004", "beta 0x000004",
                  "long_name_b 0x000005", "beta 0x000006", "zz 0x000008", "long 0x000009",
                  "long_name_a 0x000000", "alpha 0x000003", "long_name_c 0x000007"}))
        << texts[0] << " " << texts[1];
  }
}

// Every bit of an address counts in the order by address, though the map
// shows the low 24; rows at one address keep their order by name, and equal
// names their table order, in both tables.
TEST(MapFileTest, AddressesSortOnAllTheirBitsAndTiesKeepTheirOrderInBothTables) {
  CoffBuilder b("t.cof");
  b.optionalHeader(kMirrow, 14);
  int code = b.section(".code", SCN_CODE, 0);
  b.contents(code, {0, 0});
  b.symbol("high", 0x01000002, code, C_EXT, 0);
  b.symbol("mid", 0x00800001, code, C_EXT, 0);
  b.symbol("zero", 0x10, code, C_EXT, 0);
  b.symbol("low", 0x801, code, C_EXT, 0);
  for (const char* file : {"one.c", "two.c"}) {
    b.fileSymbol(file);
    b.symbol("dup", 0x10, code, C_EXT, 0);
    b.symbol(".eof", 0, -2, C_STAT, 0);
  }
  std::string text = writeMap(b, 100);
  EXPECT_EQ(symbolRows(text, "Symbols - Sorted by Name"),
            (std::vector<std::string>{"dup 0x000010", "dup 0x000010", "high 0x000002",
                                      "low 0x000801", "mid 0x800001", "zero 0x000010"}));
  EXPECT_EQ(symbolRows(text, "Symbols - Sorted by Address"),
            (std::vector<std::string>{"dup 0x000010", "dup 0x000010", "zero 0x000010",
                                      "low 0x000801", "mid 0x800001", "high 0x000002"}));
  for (const char* title : {"Symbols - Sorted by Name", "Symbols - Sorted by Address"}) {
    size_t table = text.find(title);
    size_t one = text.find("one.c", table);
    EXPECT_LT(one, text.find("two.c", table)) << title;
  }
}

TEST(MapFileTest, FileEntriesNamedThroughTheStringTableOpenAndCloseFiles) {
  CoffBuilder b("l.cof");
  b.optionalHeader(kMirrow, 14);
  int code = b.section(".code", SCN_CODE, 0);
  b.contents(code, {0, 0});
  b.symbol(".file", 0, N_DEBUG, C_FILE, 0, true);
  SymEntry file;
  file.file = aux_file();
  file.file.x_offset = b.addString("long.c");
  b.aux(file);
  b.symbol("inside", 0, code, C_EXT, 0);
  b.symbol(".eof", 0, N_DEBUG, C_STAT, 0, true);
  b.symbol("after", 1, code, C_EXT, 0);
  std::string text = writeMap(b, 100);
  EXPECT_EQ(lineWith(text, " inside "),
            "                   inside   0x000000    program     extern long.c                   ");
  EXPECT_EQ(lineWith(text, " after "),
            "                    after   0x000001    program     extern                          ");
}

TEST(MapFileTest, TablesLongerThanOneWriteKeepEveryRow) {
  CoffBuilder b("m.cof");
  b.optionalHeader(kMirrow, 14);
  int code = b.section(".code", SCN_CODE, 0);
  b.contents(code, {0, 0});
  const uint32_t count = 5000;  // some 450 kB of rows a table
  for (uint32_t i = 0; i < count; ++i)
    b.symbol("sym" + std::to_string(100000 + i), count - i, code, C_EXT, 0);
  std::string text = writeMap(b, 100);
  std::vector<std::string> byName = symbolRows(text, "Symbols - Sorted by Name");
  std::vector<std::string> byAddress = symbolRows(text, "Symbols - Sorted by Address");
  ASSERT_EQ(byName.size(), count);
  ASSERT_EQ(byAddress.size(), count);
  for (uint32_t i = 0; i < count; ++i) {
    EXPECT_EQ(byName[i], "sym" + std::to_string(100000 + i) + " " + toHex(count - i, 3)) << i;
    EXPECT_EQ(byAddress[i], byName[count - 1 - i]) << i;
  }
  EXPECT_EQ(text.substr(text.size() - 6), "   \n\n\n");
}

// A map replaces what its file held, longer or shorter, whole.
TEST(MapFileTest, AMapReplacesTheFileItIsWrittenTo) {
  const Coff image = mirrowProgram().image();
  const std::string fresh = writeMap(image, 100);
  for (const std::string& before : {std::string(300000, 'x'), std::string("x")})
    EXPECT_EQ(writeMap(image, 100, before), fresh) << before.size();
}

TEST(MapFileTest, FailuresToOpenAndToWriteAreReported) {
  TempDir dir;
  CoffBuilder b("x.cof");
  b.optionalHeader(kMirrow, 14);
  Coff image = b.image();
  int errors = errorCount();
  EXPECT_EQ(MapFile::write(dir.path(), image, 100), 0);  // a directory
  EXPECT_EQ(MapFile::write("/dev/full", image, 100), 0);
  EXPECT_EQ(errorCount(), errors + 2);
}

TEST(MapFileTest, CodeWords) {
  EXPECT_EQ(scnTypeName(4), "romdata");
  EXPECT_EQ(scnTypeName(5), "");
  EXPECT_EQ(locationName(1), "data");
  EXPECT_EQ(locationName(2), "");
  EXPECT_EQ(storageName(0), "extern");
  EXPECT_EQ(kindName(1), "variable");
  EXPECT_EQ(kindName(2), "");
}

}  // namespace

namespace {

TEST(ErrorMapFileTest, EveryMemoryGroupWithTheSectionsPlacedSoFar) {
  TempDir dir;
  Linker linker;
  std::string message;
  linker.cMapFile = dir.file("app.map");
  ASSERT_TRUE(linker.addCodePage(Memory("page0", 0, 0x7FF, rom, false, false, ""), message));
  ASSERT_TRUE(linker.addCodePage(Memory("page1", 0x800, 0xFFF, rom, false, false, ""), message));
  ASSERT_TRUE(linker.addDataBank(Memory("gpr0", 0x20, 0x6F, ram, false, false, ""), message));
  for (Memory& m : linker.cCodePage) m.setWidthBits(14);
  for (Memory& m : linker.cDataBanks) m.setWidthBits(8);
  linker.cCodePage.front().allocateAbs(".code", 0x10, 0x20, false);
  linker.cCodePage.front().allocateRel(".cinit", 2, false, 1);
  dir.write("app.map", std::string(300000, 'x'));  // the map of an earlier link
  linker.writeErrorMapFile();
  std::string text = dir.read("app.map");
  const std::string created = "Linker Error Map File - Created ";
  size_t at = text.find(created) + created.size();
  text.erase(at, text.find('\n', at) - at);
  EXPECT_EQ(text, std::string(linkerBanner()) + "\n" + created + R"(

*Warning* - This is only a partial map file due to a link time error.
   Only sections which were allocated prior to the error are shown below.

CODEPAGES:
    Memory      Start        End              Section    Address Size(Bytes)
 ---------  ---------  ---------            ---------  ---------  ---------
     page0     0x0000     0x07ff               .cinit     0x0000     0x0002
                                                .code     0x0010     0x0020

     page1     0x0800     0x0fff                                           


SHAREBANKS:

DATABANKS:
    Memory      Start        End              Section    Address Size(Bytes)
 ---------  ---------  ---------            ---------  ---------  ---------
      gpr0     0x0020     0x006f                                           


ACCESSBANKS:

)");
}

TEST(ErrorMapFileTest, NothingWithoutAMapFileAndAnErrorWhenItCannotBeOpened) {
  TempDir dir;
  Linker linker;
  linker.writeErrorMapFile();
  EXPECT_TRUE(dir.list().empty());
  int errors = errorCount();
  linker.cMapFile = dir.path();  // a directory
  linker.writeErrorMapFile();
  EXPECT_EQ(errorCount(), errors + 1);
}

}  // namespace
