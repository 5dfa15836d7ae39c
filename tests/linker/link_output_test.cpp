// Whole links through Linker::link on objects written to a temporary
// directory: the output read back, section by section, symbol by symbol.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "CoffBuilder.h"
#include "ProcessorIds.h"
#include "RunProgram.h"
#include "linker.h"

namespace {

const uint32_t kMirrow = procIdNamed("MRRW007");  // 14-bit words; RETLW k is 0x3400 | k

std::vector<uint8_t> bytesOf(const Data& d) {
  return std::vector<uint8_t>(d.bytes(), d.bytes() + d.size());
}

std::vector<uint8_t> words(std::initializer_list<uint16_t> ws) {
  std::vector<uint8_t> out;
  for (uint16_t w : ws) {
    out.push_back(static_cast<uint8_t>(w & 0xFF));
    out.push_back(static_cast<uint8_t>(w >> 8));
  }
  return out;
}

// a.o: code, initialised data and a function with its line; b.o: more code,
// uninitialised data and a reference to a.o's buffer.
void writeInputs(const TempDir& dir) {
  CoffBuilder a("a.o");
  a.optionalHeader(kMirrow, 14);
  int code = a.section(".code", SCN_CODE, 0);
  a.words(code, {0x0001, 0x0002});
  int data = a.section(".data", SCN_IDATA, 0);
  a.contents(data, {1, 2, 3});
  a.fileSymbol("a.c");
  a.function("main", 0, code);
  a.coff().cSymbols.back().fcn.x_endndx = 4;
  a.symbol("buffer", 0, data, C_EXT);
  a.line(code, 0, 3, 0, LINENO_FCNBEGIN, 2);
  ASSERT_TRUE(a.writeFile(dir.file("a.o")));

  CoffBuilder b("b.o");
  b.optionalHeader(kMirrow, 14);
  int bcode = b.section(".code", SCN_CODE, 0);
  b.words(bcode, {0x0003});
  int bss = b.section(".bss", SCN_UDATA, 0);
  b.zeros(bss, 2);
  b.fileSymbol("b.c");
  b.function("helper", 0, bcode);
  b.coff().cSymbols.back().fcn.x_endndx = 4;
  b.symbol("buffer", 0, 0, C_EXT);
  b.line(bcode, 0, 9, 0, LINENO_FCNBEGIN, 2);
  ASSERT_TRUE(b.writeFile(dir.file("b.o")));
}

struct Linked {
  std::unique_ptr<Coff> output;
  std::string message;
  int result = 0;
};

Linked linkInputs(const TempDir& dir, bool strip) {
  Linker L;
  std::string m;
  L.addObjectFile(dir.file("a.o"), m);
  L.addObjectFile(dir.file("b.o"), m);
  L.addCodePage(Memory("page0", 0, 0x7FF, rom, false, true, "0x3FFF"), m);
  L.addDataBank(Memory("gpr", 0x20, 0x6F, ram, false, false, ""), m);
  L.setStackDesc(StackDesc(0x10, ""), m);
  L.setOutputFile(dir.file("app.cof"), m);
  L.setMapFile(dir.file("app.map"), m);
  L.setStrip(strip ? 1 : 0, m);
  Linked r;
  r.result = L.link(r.message);
  if (r.result) r.output = Coff::make(dir.file("app.cof"));
  return r;
}

TEST(LinkOutputTest, SectionsSymbolsLinesImagesTableStackAndFill) {
  TempDir dir;
  writeInputs(dir);
  Linked r = linkInputs(dir, false);
  ASSERT_EQ(r.result, 1) << r.message;
  ASSERT_TRUE(r.output);
  const Coff& out = *r.output;
  EXPECT_EQ(out.verify(), 1);
  EXPECT_EQ(+out.cFileHdr.f_flags, 0x0002);
  EXPECT_EQ(+out.cOptHdr.proc_type, kMirrow);

  std::vector<std::string> names;
  for (const auto& [n, name] : out.cScnNum) names.push_back(name);
  EXPECT_EQ(names, (std::vector<std::string>{".code", ".data", ".data_i", ".bss", ".cinit",
                                             ".stack", ".fill_1"}));
  auto start = [&](const std::string& s) { return +out.cScnHdr.at(s).s_paddr; };
  EXPECT_EQ(start(".cinit"), 0x0u);
  EXPECT_EQ(start(".code"), 0x8u);
  EXPECT_EQ(start(".data_i"), 0xBu);
  EXPECT_EQ(start(".stack"), 0x20u);
  EXPECT_EQ(start(".data"), 0x30u);
  EXPECT_EQ(start(".bss"), 0x33u);
  EXPECT_EQ(start(".fill_1"), 0xEu);

  EXPECT_EQ(bytesOf(out.cRawData.at(".code")), words({0x0001, 0x0002, 0x0003}));
  EXPECT_EQ(bytesOf(out.cRawData.at(".data")), (std::vector<uint8_t>{1, 2, 3}));
  EXPECT_EQ(bytesOf(out.cRawData.at(".data_i")), words({0x3401, 0x3402, 0x3403}));
  EXPECT_EQ(bytesOf(out.cRawData.at(".cinit")),
            words({0x3401, 0x3400, 0x340B, 0x3400, 0x3430, 0x3400, 0x3403, 0x3400}));
  const Data& fill = out.cRawData.at(".fill_1");
  ASSERT_EQ(fill.size(), (0x7FFu - 0xE + 1) * 2);
  EXPECT_EQ(fill.bytes()[0], 0xFF);
  EXPECT_EQ(fill.bytes()[fill.size() - 1], 0x3F);
  EXPECT_EQ(+out.cScnHdr.at(".stack").s_size, 0x10u);

  ASSERT_EQ(out.cSymbols.size(), 10u);
  EXPECT_EQ(+out.cSymbols[2].sym.n_value, 0x8u);   // main
  EXPECT_EQ(+out.cSymbols[4].sym.n_value, 0x30u);  // buffer
  EXPECT_EQ(+out.cSymbols[4].sym.n_scnum, 2);
  EXPECT_EQ(+out.cSymbols[7].sym.n_value, 0xAu);   // helper, after a.o's two words
  EXPECT_EQ(+out.cSymbols[8].fcn.x_endndx, 9u);    // shifted by a.o's five entries
  EXPECT_EQ(+out.cSymbols[9].sym.n_value, 0x30u);  // the resolved reference
  const std::vector<coff_lineno>& lines = out.cLineNums.at(".code");
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(+lines.back().l_paddr, 0xAu);
  EXPECT_EQ(+lines.back().l_srcndx, 5u);
  EXPECT_EQ(+lines.back().l_fcnndx, 7u);

  std::string map = dir.read("app.map");
  EXPECT_EQ(map.find("*Warning*"), std::string::npos);
  EXPECT_NE(map.find("Symbols - Sorted by Address"), std::string::npos);
}

TEST(LinkOutputTest, StripLeavesNoSymbolsOrLines) {
  TempDir dir;
  writeInputs(dir);
  Linked r = linkInputs(dir, true);
  ASSERT_EQ(r.result, 1) << r.message;
  EXPECT_EQ(+r.output->cFileHdr.f_flags, 0x0086);
  EXPECT_TRUE(r.output->cSymbols.empty());
  EXPECT_TRUE(r.output->cLineNums.empty() || r.output->cLineNums.at(".code").empty());
}

// An input whose part of a section is empty has no contents to copy.
TEST(LinkOutputTest, AnEmptyPartOfASectionLinks) {
  TempDir dir;
  writeInputs(dir);
  CoffBuilder b("b.o");
  b.optionalHeader(kMirrow, 14);
  b.section(".code", SCN_CODE, 0);
  ASSERT_TRUE(b.writeFile(dir.file("b.o")));
  Linked r = linkInputs(dir, false);
  ASSERT_EQ(r.result, 1) << r.message;
  EXPECT_EQ(bytesOf(r.output->cRawData.at(".code")), words({0x0001, 0x0002}));
}

TEST(LinkOutputTest, AMapFileThatIsTheOutputIsRefusedBeforeAnythingIsWritten) {
  TempDir dir;
  writeInputs(dir);
  for (const std::string& mapName : {dir.file("app.cof"), dir.path() + "/./app.cof"}) {
    Linker L;
    std::string m;
    L.addObjectFile(dir.file("a.o"), m);
    L.setOutputFile(dir.file("app.cof"), m);
    L.setMapFile(mapName, m);
    if (mapName != dir.file("app.cof")) dir.write("app.cof", "old");  // same file by identity
    std::string message;
    EXPECT_EQ(L.link(message), 0);
    EXPECT_EQ(message,
              "the map file '" + mapName + "' is the output file '" + dir.file("app.cof") + "'.");
  }
  EXPECT_EQ(dir.read("app.cof"), "old");
}

}  // namespace
