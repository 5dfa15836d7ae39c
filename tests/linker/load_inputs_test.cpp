#include <gtest/gtest.h>
#include <unistd.h>

#include <sys/stat.h>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "Reporter.h"
#include "RunProgram.h"
#include "Trace.h"
#include "link_fixture.h"

namespace {

// --- Locating and reading the inputs -----------------------------------------------

// Runs each test in a fresh temporary directory, so that "." is the test's own.
class LoadFixture : public LinkFixture {
 protected:
  void SetUp() override {
    char buf[4096];
    ASSERT_NE(getcwd(buf, sizeof buf), nullptr);
    cOldDir = buf;
    ASSERT_EQ(chdir(dir.path().c_str()), 0);
  }
  void TearDown() override { ASSERT_EQ(chdir(cOldDir.c_str()), 0); }

  void writeObject(const std::string& path, const std::string& symbol = "_main") {
    CoffBuilder b = objectWith(path, ".code", SCN_CODE, 4);
    b.symbol(symbol, 0, 1, C_EXT);
    ASSERT_TRUE(b.writeFile(path));
  }
  void writeLibrary(const std::string& path) {
    Archive archive(path);
    CoffBuilder b = objectWith("m.o", ".code", SCN_CODE, 4);
    b.symbol("_lib", 0, 1, C_EXT);
    archive.cMembers.push_back(std::make_unique<Coff>(b.image()));
    ASSERT_TRUE(archive.write());
  }
  void makeDir(const std::string& path) { ASSERT_EQ(mkdir(path.c_str(), 0755), 0); }

  TempDir dir;
  std::string cOldDir;
};

TEST_F(LoadFixture, NoObjectFileIsAFault) {
  std::string message;
  EXPECT_EQ(linker.loadObjectFiles(message), 0);
  EXPECT_EQ(message, "no input object files specified.");
}

TEST_F(LoadFixture, ObjectSearchRules) {
  makeDir("lib");
  makeDir("src");
  writeObject("here.o");
  writeObject("lib/there.o");
  writeObject("lib/both.o");
  writeObject("both.o");
  writeObject("src/main.o");
  struct Case {
    std::string name;
    std::list<std::string> libPath;
    std::string found;  // empty: not found
  } cases[] = {
      {"here.o", {}, "./here.o"},
      {"both.o", {"lib"}, "./both.o"},  // the current directory comes first
      {"there.o", {"nowhere", "lib"}, "lib/there.o"},
      {"there.o", {"lib/"}, "lib/there.o"},
      {"there.o", {}, ""},
      {"src/main.o", {"lib"}, "src/main.o"},  // a directory part is used as given
      {"lib2/there.o", {"lib"}, ""},          // and never searched for
  };
  for (const Case& c : cases) {
    Linker linker;
    linker.cObjectFile = {c.name};
    linker.cLibPath = c.libPath;
    std::string message;
    int ok = linker.loadObjectFiles(message);
    if (c.found.empty()) {
      EXPECT_EQ(ok, 0) << c.name;
      EXPECT_EQ(message, "could not find file '" + c.name + "'.");
      continue;
    }
    ASSERT_EQ(ok, 1) << c.name << ": " << message;
    EXPECT_EQ(linker.cObjectFile.front(), c.found);
    ASSERT_EQ(linker.cCoff.size(), 1u);
    EXPECT_EQ(linker.cCoff[0]->cCoffName, c.found);
  }
}

TEST_F(LoadFixture, LibrarySearchRules) {
  makeDir("lib");
  writeLibrary("math.lib");
  writeLibrary("lib/io.lib");
  struct Case {
    std::string name;
    std::list<std::string> libPath;
    std::string found;
  } cases[] = {
      {"math.lib", {}, ""},  // never looked for in the current directory
      {"math.lib", {"lib"}, ""},
      {"math.lib", {"."}, "./math.lib"},
      {"io.lib", {"lib"}, "lib/io.lib"},
      {"lib/io.lib", {}, "lib/io.lib"},
  };
  for (const Case& c : cases) {
    Linker linker;
    linker.cLibraryFile = {c.name};
    linker.cLibPath = c.libPath;
    std::string message;
    int ok = linker.loadLibraryFiles(message);
    if (c.found.empty()) {
      EXPECT_EQ(ok, 0) << c.name;
      EXPECT_EQ(message, "could not find file '" + c.name + "'.");
      continue;
    }
    ASSERT_EQ(ok, 1) << c.name << ": " << message;
    ASSERT_EQ(linker.cArchives.size(), 1u);
    EXPECT_EQ(linker.cArchives[0]->cName, c.found);
    EXPECT_EQ(linker.cLibraryFile.front(), c.found);
  }
  Linker none;
  std::string message;
  EXPECT_EQ(none.loadLibraryFiles(message), 1);
}

TEST_F(LoadFixture, EveryNameIsFoundBeforeAnyFileIsRead) {
  // The third file would fail to read; the missing second one is reported
  // first, and nothing has been read.
  writeObject("a.o");
  dir.write("c.o", "not an object");
  linker.cObjectFile = {"a.o", "b.o", "c.o"};
  std::string message;
  int errors = errorCount();
  EXPECT_EQ(linker.loadObjectFiles(message), 0);
  EXPECT_EQ(message, "could not find file 'b.o'.");
  EXPECT_TRUE(linker.cCoff.empty());
  EXPECT_EQ(errorCount(), errors);
}

TEST_F(LoadFixture, UnreadableOrUnsoundObjectsFailWithTheirOwnReport) {
  writeObject("a.o");
  dir.write("bad.o", "not an object");
  CoffBuilder lines = objectWith("lines.o", ".code", SCN_CODE, 4);
  lines.line(1, 0, 10, 0, 0, 0);  // line numbers, but no symbol table
  ASSERT_TRUE(lines.writeFile("lines.o"));
  CoffBuilder scnum = objectWith("scnum.o", ".code", SCN_CODE, 4);
  scnum.symbol("_x", 0, 7, C_EXT);  // no section 7
  ASSERT_TRUE(scnum.writeFile("scnum.o"));
  struct Case {
    std::string file;
    int reports;
  } cases[] = {{"bad.o", 1}, {"lines.o", 2}, {"scnum.o", 1}};
  setQuiet(1);
  for (const Case& c : cases) {
    Linker linker;
    linker.cObjectFile = {"a.o", c.file};
    std::string message;
    int errors = errorCount();
    EXPECT_EQ(linker.loadObjectFiles(message), 0) << c.file;
    EXPECT_EQ(message, "") << c.file;
    EXPECT_GE(errorCount() - errors, c.reports) << c.file;
    EXPECT_EQ(linker.cCoff.size(), 1u) << c.file;  // what was read before stays
  }
  setQuiet(0);
}

TEST_F(LoadFixture, LinesWithoutSymbolsAreReportedAsTheVerifierReportsBadIndices) {
  CoffBuilder lines = objectWith("lines.o", ".code", SCN_CODE, 4);
  lines.line(1, 0, 10, 0, 0, 0);
  ASSERT_TRUE(lines.writeFile("lines.o"));
  linker.cObjectFile = {"lines.o"};
  std::string message;
  testing::internal::CaptureStderr();
  EXPECT_EQ(linker.loadObjectFiles(message), 0);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "Error - Coff file './lines.o', section '.code' line[0] has an invalid l_srcndx.\n"
            "Error - Coff file './lines.o', section '.code' line[0] has an invalid l_fcnndx.\n");
}

// --- Library import ------------------------------------------------------------------

// A member that defines `defs` and refers to `refs` (all in one code section).
std::unique_ptr<Coff> member(const std::string& name, const std::vector<std::string>& defs,
                             const std::vector<std::string>& refs = {}) {
  CoffBuilder b = objectWith(name, ".code", SCN_CODE, 2);
  for (const std::string& d : defs) b.symbol(d, 0, 1, C_EXT);
  for (const std::string& r : refs) b.symbol(r, 0, N_UNDEF, C_EXT);
  return std::make_unique<Coff>(b.image());
}

class ImportFixture : public LinkFixture {
 protected:
  Archive& library(const std::string& name, std::vector<std::unique_ptr<Coff>> members) {
    auto archive = std::make_unique<Archive>(name);
    for (auto& m : members) archive->cMembers.push_back(std::move(m));
    archive->makeSymbols();
    linker.cArchives.push_back(std::move(archive));
    return *linker.cArchives.back();
  }
  // The names of the inputs after the import.
  std::vector<std::string> import() {
    std::string message;
    EXPECT_EQ(linker.importLibraryMembers(message), 1);
    EXPECT_EQ(message, "");
    std::vector<std::string> names;
    for (const auto& c : linker.cCoff) names.push_back(c->cCoffName);
    return names;
  }
  static std::vector<std::unique_ptr<Coff>> members(std::unique_ptr<Coff> a,
                                                    std::unique_ptr<Coff> b = nullptr,
                                                    std::unique_ptr<Coff> c = nullptr) {
    std::vector<std::unique_ptr<Coff>> list;
    for (auto* m : {&a, &b, &c})
      if (*m) list.push_back(std::move(*m));
    return list;
  }
};

using Names = std::vector<std::string>;

TEST_F(ImportFixture, SmallestUndefinedNameFirstOneMemberPerPass) {
  linker.cCoff.push_back(member("main.o", {"_main"}, {"_b", "_a"}));
  library("lib.lib",
          members(member("b.o", {"_b"}), member("a.o", {"_a"}, {"_0"}), member("zero.o", {"_0"})));
  // _a first; its reference _0 is smaller than _b and joins the next pass.
  EXPECT_EQ(import(), (Names{"main.o", "a.o", "zero.o", "b.o"}));
}

TEST_F(ImportFixture, FirstDeclaredLibraryWins) {
  linker.cCoff.push_back(member("main.o", {}, {"_x"}));
  library("one.lib", members(member("one.o", {"_x"})));
  library("two.lib", members(member("two.o", {"_x"})));
  EXPECT_EQ(import(), (Names{"main.o", "one.o"}));
}

TEST_F(ImportFixture, NothingIsImportedWhenEverythingIsDefined) {
  linker.cCoff.push_back(member("main.o", {"_x"}, {"_y"}));
  linker.cCoff.push_back(member("y.o", {"_y"}, {"_x"}));
  library("lib.lib", members(member("x.o", {"_x", "_y"})));
  EXPECT_EQ(import(), (Names{"main.o", "y.o"}));
}

TEST_F(ImportFixture, NamesNoLibraryDefinesStayUndefined) {
  linker.cCoff.push_back(member("main.o", {}, {"_a", "_missing"}));
  library("lib.lib", members(member("a.o", {"_a"}, {"_gone"})));
  EXPECT_EQ(import(), (Names{"main.o", "a.o"}));
}

TEST_F(ImportFixture, TheEntryAfterASymbolIsAuxiliaryOnlyWhenTheReaderTookItSo) {
  // _w claims an auxiliary entry, but the entry after it is the symbol _z; the
  // member thus defines _z, and two.lib's member is not wanted.
  CoffBuilder b = objectWith("wz.o", ".code", SCN_CODE, 2);
  b.symbol("_w", 0, 1, C_EXT);
  b.coff().cSymbols.back().sym.n_numaux = 1;
  b.symbol("_z", 0, 1, C_EXT);
  linker.cCoff.push_back(member("main.o", {}, {"_w", "_z"}));
  library("one.lib", members(std::make_unique<Coff>(b.image())));
  library("two.lib", members(member("z.o", {"_z"})));
  EXPECT_EQ(import(), (Names{"main.o", "wz.o"}));
}

TEST_F(ImportFixture, TheLibrariesAreIndexedFromTheMembersSymbolTables) {
  // The symbol map claims that x.o defines _y, which its table does not: _y
  // stays undefined, and x.o is imported once, for _x.
  linker.cCoff.push_back(member("main.o", {}, {"_x", "_y"}));
  Archive& lib = library("lib.lib", members(member("x.o", {"_x"})));
  lib.cSymbols["_y"] = lib.cMembers[0].get();
  EXPECT_EQ(import(), (Names{"main.o", "x.o"}));

  Linker again;
  again.cCoff.push_back(member("main.o", {}, {"_y"}));
  auto other = std::make_unique<Archive>("lib.lib");
  other->cMembers.push_back(member("x.o", {"_x"}));
  other->makeSymbols();
  other->cSymbols["_y"] = other->cMembers[0].get();
  again.cArchives.push_back(std::move(other));
  std::string message;
  EXPECT_EQ(again.importLibraryMembers(message), 1);
  EXPECT_EQ(again.cCoff.size(), 1u);
}

TEST_F(ImportFixture, AnImportedMemberIsTakenFromTheLibraryNotCopied) {
  linker.cCoff.push_back(member("main.o", {}, {"_x"}));
  Archive& lib = library("lib.lib", members(member("w.o", {"_w"}), member("x.o", {"_x"})));
  const Coff* x = lib.cMembers[1].get();
  EXPECT_EQ(import(), (Names{"main.o", "x.o"}));
  EXPECT_EQ(linker.cCoff[1].get(), x);
  EXPECT_EQ(lib.cMembers[1], nullptr);
  EXPECT_NE(lib.cMembers[0], nullptr);
}

TEST_F(ImportFixture, ImportedMembersAreVerified) {
  CoffBuilder b = objectWith("bad.o", ".code", SCN_CODE, 2);
  b.symbol("_x", 0, 1, C_EXT);
  b.symbol("_y", 0, 9, C_EXT);  // no section 9
  linker.cCoff.push_back(member("main.o", {}, {"_x"}));
  library("lib.lib", members(std::make_unique<Coff>(b.image())));
  std::string message;
  int errors = errorCount();
  setQuiet(1);
  EXPECT_EQ(linker.importLibraryMembers(message), 0);
  setQuiet(0);
  EXPECT_EQ(message, "");
  EXPECT_EQ(errorCount(), errors + 1);
  EXPECT_EQ(linker.cCoff.size(), 1u);
}

TEST_F(ImportFixture, TraceLineNamesLibraryMemberAndSymbol) {
  linker.cCoff.push_back(member("main.o", {}, {"_x"}));
  library("lib.lib", members(member("x.o", {"_x"})));
  setTraceLevel("Linker::importLibraryMembers", 1);
  testing::internal::CaptureStdout();
  import();
  std::string out = testing::internal::GetCapturedStdout();
  setTraceLevel("Linker::importLibraryMembers", 0);
  EXPECT_EQ(out,
            "Linker::importLibraryMembers() - imported library 'lib.lib', member 'x.o' for "
            "symbol '_x'.\n");
}

TEST_F(ImportFixture, TwoThousandImportsFromFiveThousandMembers) {
  // Member i defines _fNNNN and refers to the next one, up to 1999.
  std::vector<std::unique_ptr<Coff>> list;
  for (int i = 0; i < 5000; ++i) {
    char def[16], ref[16];
    std::snprintf(def, sizeof def, "_f%04d", i);
    std::snprintf(ref, sizeof ref, "_f%04d", i + 1);
    list.push_back(i < 1999 ? member(def, {def}, {ref}) : member(def, {def}));
  }
  library("big.lib", std::move(list));
  linker.cCoff.push_back(member("main.o", {}, {"_f0000"}));
  auto begin = std::chrono::steady_clock::now();
  std::vector<std::string> names = import();
  auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                  begin);
  std::printf("imported %zu members from a library of 5000 in %lld ms\n", names.size() - 1,
              static_cast<long long>(ms.count()));
  ASSERT_EQ(names.size(), 2001u);
  EXPECT_EQ(names[1], "_f0000");
  EXPECT_EQ(names[2000], "_f1999");
}

// --- Processors ------------------------------------------------------------------

TEST_F(LinkFixture, ProcessorAgreement) {
  struct Input {
    uint32_t id;
    bool family;
  };
  struct Case {
    std::vector<Input> inputs;
    std::string message;  // empty: accepted
    uint8_t processor;
  } cases[] = {
      {{{kMirrow7, false}, {kMirrow7, false}}, "", 7},
      // A family object agrees in the family; the reference is the first
      // input built for one processor.
      {{{kMirrow7, true}, {kMirrow8, false}}, "", 8},
      {{{kMirrow7, true}, {kMirrow8, false}, {kMirrow11, false}},
       "processor types do not agree across all input files.",
       0},
      {{{kMirrow8, true}, {kMirrow11, true}}, "", 8},
      {{{kMirrow8, false}, {kTarsel1, true}},
       "processor types do not agree across all input files.",
       0},
      {{{kMirrow8, false}, {0x1234, false}}, "Unsupported processor type in file 'in1.o'", 0},
      {{{0x1100, true}, {kMirrow8, false}}, "Unsupported processor type in file 'in0.o'", 0},
  };
  for (const Case& c : cases) {
    Linker linker;
    for (size_t i = 0; i < c.inputs.size(); ++i) {
      CoffBuilder b = object("in" + std::to_string(i) + ".o", c.inputs[i].id);
      if (c.inputs[i].family) b.fileFlags(0x8000);
      linker.cCoff.push_back(std::make_unique<Coff>(b.image()));
    }
    std::string message;
    int ok = linker.checkProcessors(message);
    EXPECT_EQ(message, c.message);
    EXPECT_EQ(ok, c.message.empty() ? 1 : 0);
    if (ok) {
      EXPECT_EQ(linker.cProcessor, c.processor);
    }
  }
}

TEST_F(LinkFixture, ProcessorWidthsGoToEveryMemory) {
  codePage("page", 0, 0xFF);
  dataBank("bank", 0x20, 0x6F);
  shareBank("share", 0x70, 0x7F);
  accessBank("access", 0x80, 0x8F);
  add(object("a.o", kMirrow7));
  std::string message;
  ASSERT_EQ(linker.checkProcessors(message), 1);
  EXPECT_EQ(linker.cFamily, 1);
  EXPECT_EQ(linker.cRomWidthBits, 14);
  EXPECT_EQ(linker.cRamWidthBits, 8);
  EXPECT_EQ(linker.cCodePage.front().cUnallocated[0].cWidthBits, 14);
  for (auto* list : {&linker.cDataBanks, &linker.cShareBanks, &linker.cAccessBanks})
    EXPECT_EQ(list->front().cUnallocated[0].cWidthBits, 8);
}

// --- Section consistency -----------------------------------------------------------

struct Part {
  std::string section;
  uint32_t flags;
  uint32_t size;
  uint32_t paddr;
};

// Each part in its own input, named in0.o, in1.o, ...
std::string consistency(Linker& linker, const std::vector<Part>& parts,
                        uint32_t procType = kQuenby122) {
  for (size_t i = 0; i < parts.size(); ++i) {
    const Part& p = parts[i];
    CoffBuilder b = objectWith("in" + std::to_string(i) + ".o", p.section, p.flags, p.size, p.paddr,
                               procType);
    linker.cCoff.push_back(std::make_unique<Coff>(b.image()));
  }
  std::string message;
  if (!linker.checkProcessors(message)) return message;
  linker.checkSectionConsistency(message);
  return message;
}

TEST(SectionConsistency, Faults) {
  const uint32_t code = SCN_CODE, abs = SCN_ABS, ovr = SCN_OVERLAY;
  struct Case {
    std::vector<Part> parts;
    std::string message;
  } cases[] = {
      {{{".x", 0, 2, 0}}, "unknown section type for '.x' in file 'in0.o'."},
      {{{".x", code, 2, 0}, {".x", code | ovr, 2, 0}},
       "section overlay types for '.x' do not match across input files."},
      {{{".x", code | ovr, 2, 0}, {".x", code | ovr | abs, 2, 0}},
       "section absolute types for '.x' do not match across input files."},
      {{{".x", code | ovr | abs, 2, 0x10}, {".x", code | ovr | abs, 2, 0x12}},
       "starting addresses for absolute overlay section '.x' do not match across all input files."},
      {{{".x", code, 2, 0}, {".x", SCN_ROMDATA, 2, 0}},
       "section types for '.x' do not match across input files."},
      {{{".x", SCN_UDATA, 2, 0}, {".x", SCN_UDATA | SCN_SHARE, 2, 0}},
       "section share types for '.x' do not match across input files."},
      {{{".x", SCN_UDATA, 2, 0}, {".x", SCN_UDATA | SCN_ACCESS, 2, 0}},
       "section access types for '.x' do not match across input files."},
      {{{".x", code | abs, 2, 0x10}, {".x", code | abs, 2, 0x10}},
       "section '.x' type is non-overlay and absolute but occurs in more than one input file."},
      {{{".x", code, 2, 0}, {".x", code | abs, 2, 0x10}},
       "section '.x' type is non-overlay and absolute but occurs in more than one input file."},
      // A placed section without a name would look like a free stretch.
      {{{"", code, 2, 0}}, "a section of file 'in0.o' has an empty name."},
  };
  for (const Case& c : cases) {
    Linker linker;
    EXPECT_EQ(consistency(linker, c.parts), c.message);
  }
}

TEST(SectionConsistency, NamesTheLinkerMakesAreRefused) {
  struct Case {
    std::vector<Part> parts;
    bool stack;
    std::string message;  // empty: accepted
    bool fill = false;    // a CODEPAGE with FILL is declared
  } cases[] = {
      {{{".cinit", SCN_ROMDATA, 2, 0}},
       false,
       "section '.cinit' in file 'in0.o' has a name that the linker reserves for a section of "
       "its own."},
      {{{".stack", SCN_UDATA, 2, 0}},
       true,
       "section '.stack' in file 'in0.o' has a name that the linker reserves for a section of "
       "its own."},
      {{{".stack", SCN_UDATA, 2, 0}}, false, ""},
      {{{"buf", SCN_IDATA, 2, 0}, {"buf_i", SCN_ROMDATA, 2, 0}},
       false,
       "section 'buf_i' in file 'in1.o' has a name that the linker reserves for a section of "
       "its own."},
      {{{"buf_i", SCN_CODE, 2, 0}, {"buf", SCN_IDATA, 2, 0}},
       false,
       "section 'buf_i' in file 'in0.o' has a name that the linker reserves for a section of "
       "its own."},
      {{{"buf", SCN_UDATA, 2, 0}, {"buf_i", SCN_ROMDATA, 2, 0}}, false, ""},
      // With one filled page and 6 input sections, the fill sections are at
      // most .fill_1 to .fill_14 (a stretch per page, one more per section
      // placed in it, counting a ROM image for each and the init table).
      {{{".fill_14", SCN_CODE, 2, 0},
        {"a", SCN_CODE, 2, 0},
        {"b", SCN_CODE, 2, 0},
        {"c", SCN_CODE, 2, 0},
        {"d", SCN_CODE, 2, 0},
        {"e", SCN_CODE, 2, 0}},
       false,
       "section '.fill_14' in file 'in0.o' has a name that the linker reserves for a section of "
       "its own.",
       true},
      {{{".fill_15", SCN_CODE, 2, 0},
        {"a", SCN_CODE, 2, 0},
        {"b", SCN_CODE, 2, 0},
        {"c", SCN_CODE, 2, 0},
        {"d", SCN_CODE, 2, 0},
        {"e", SCN_CODE, 2, 0}},
       false,
       "",
       true},
      {{{".fill_0", SCN_CODE, 2, 0},
        {".fill_01", SCN_CODE, 2, 0},
        {".fill_99999999999999999999", SCN_CODE, 2, 0}},
       false,
       "",
       true},
      {{{".fill_", SCN_CODE, 2, 0}, {".fill_1a", SCN_CODE, 2, 0}}, false, "", true},
      // Without a FILL the link makes no fill section.
      {{{".fill_1", SCN_CODE, 2, 0}}, false, ""},
  };
  for (const Case& c : cases) {
    Linker linker;
    if (c.stack) linker.cHasStackDesc = 1;
    if (c.fill) linker.cCodePage.emplace_back("page", 0, 0xFF, rom, false, true, "0xFFFF");
    EXPECT_EQ(consistency(linker, c.parts), c.message);
  }
}

TEST(SectionConsistency, Sizes) {
  const uint32_t code = SCN_CODE, ovr = SCN_OVERLAY;
  struct Case {
    std::vector<Part> parts;
    uint32_t procType;
    uint32_t size;
  } cases[] = {
      {{{".x", code, 0x10, 0}, {".x", code, 0x20, 0}}, kQuenby122, 0x30},
      {{{".x", code | ovr, 0x10, 0}, {".x", code | ovr, 0x20, 0}, {".x", code | ovr, 0x8, 0}},
       kQuenby122,
       0x20},
      // Odd parts on 2-byte program locations start on a location each.
      {{{".x", code, 3, 0}, {".x", code, 3, 0}, {".x", code, 3, 0}}, kMirrow7, 11},
      {{{".x", SCN_ROMDATA, 1, 0}, {".x", SCN_ROMDATA, 4, 0}}, kTarsel1, 6},
      {{{".x", code, 3, 0}, {".x", code, 3, 0}}, kHalvern133, 6},
      {{{".x", SCN_UDATA, 3, 0}, {".x", SCN_UDATA, 3, 0}}, kMirrow7, 6},
  };
  for (const Case& c : cases) {
    Linker linker;
    EXPECT_EQ(consistency(linker, c.parts, c.procType), "");
    EXPECT_EQ(linker.cScnSize[".x"], c.size);
  }
}

TEST(SectionConsistency, AbsoluteSectionsRecordStartAndSize) {
  Linker linker;
  EXPECT_EQ(consistency(linker, {{".a", SCN_UDATA | SCN_ABS | SCN_SHARE, 5, 0x70},
                                 {".o", SCN_CODE | SCN_ABS | SCN_OVERLAY, 4, 0x10},
                                 {".o", SCN_CODE | SCN_ABS | SCN_OVERLAY, 8, 0x10}}),
            "");
  EXPECT_EQ(linker.cScnAbsStart[".a"], 0x70u);
  EXPECT_EQ(linker.cScnAbsSize[".a"], 5u);
  EXPECT_EQ(linker.cScnShare[".a"], 1);
  EXPECT_EQ(linker.cScnType[".a"], SCNTYPE_UDATA);
  EXPECT_EQ(linker.cScnAbsSize[".o"], 8u);
  EXPECT_EQ(linker.cScnOverlay[".o"], 1);
}

TEST(SectionConsistency, TotalsDoNotWrapAt32Bits) {
  // 1,024 parts of 4 MiB add up to 2^32 bytes; headers alone, no contents.
  Linker linker;
  Coff part = object("part.o", kQuenby122).image();
  scnhdr h;
  setScnFlags(h, SCNTYPE_UDATA, false, false, false);
  h.s_size = 0x400000;
  Coff::setName(h, ".big", part.cStringTbl);
  part.cScnNum[1] = ".big";
  part.cScnHdr[".big"] = h;
  for (int i = 0; i < 1024; ++i) {
    linker.cCoff.push_back(std::make_unique<Coff>(part));
    linker.cCoff.back()->cCoffName = "part" + std::to_string(i) + ".o";
  }
  std::string message;
  ASSERT_EQ(linker.checkProcessors(message), 1);
  EXPECT_EQ(linker.checkSectionConsistency(message), 0);
  EXPECT_EQ(message, "total size of section '.big' exceeds 0xffffffff bytes in file 'part1023.o'.");
}

// --- Memory attributes ---------------------------------------------------------------

TEST(MemoryAttributes, ForbiddenAttributes) {
  const std::string tail = " memory attribute specified in the linker command file.";
  struct Case {
    uint32_t flags;
    std::string rom, ram;
    std::string message;
  } cases[] = {
      {SCN_CODE, "", "bank", "section '.s' contains code and can not have a 'RAM'" + tail},
      {SCN_IDATA, "page", "",
       "section '.s' contains initialized data and can not have a 'ROM'" + tail},
      {SCN_UDATA, "page", "",
       "section '.s' contains uninitialized data and can not have a 'ROM'" + tail},
      {SCN_ROMDATA, "", "bank",
       "section '.s' contains initialized rom data and can not have a 'RAM'" + tail},
      {SCN_CODE, "page", "", ""},
      {SCN_IDATA, "", "bank", ""},
      {SCN_UDATA, "", "bank", ""},
      {SCN_ROMDATA, "page", "", ""},
  };
  for (const Case& c : cases) {
    Linker linker;
    linker.cSectionDesc.push_back(SectionDesc(".absent", "page", "bank"));  // no such section
    linker.cSectionDesc.push_back(SectionDesc(".s", c.rom, c.ram));
    EXPECT_EQ(consistency(linker, {{".s", c.flags, 2, 0}}), "");
    std::string message;
    EXPECT_EQ(linker.checkMemoryAttributes(message), c.message.empty() ? 1 : 0);
    EXPECT_EQ(message, c.message);
  }
}

}  // namespace
