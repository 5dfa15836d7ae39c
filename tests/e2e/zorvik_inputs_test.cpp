// zorvik's inputs as a user meets them: where object files and libraries are
// looked for, which library members are taken, and the checks that the inputs
// belong to one link, with exact output and exit status.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "zorvik_link_support.h"

namespace {

const std::string kMemories =
    "CODEPAGE NAME=page START=0x0 END=0xFF\n"
    "DATABANK NAME=bank START=0x20 END=0x7F\n";

struct Case {
  std::string lkr;  // after kMemories
  std::string out;  // the whole console text
};

void expectRuns(const LinkDir& d, const std::vector<Case>& cases) {
  for (const Case& c : cases) {
    RunResult r = d.run(kMemories + c.lkr);
    EXPECT_EQ(r.out, c.out) << c.lkr;
    EXPECT_EQ(r.status, statusOf(c.out)) << c.lkr;
  }
}

TEST(ZorvikInputs, SearchRules) {
  LinkDir d;
  d.dir("lib");
  d.dir("src");
  d.object("main.o", definer("main.o", {"_main"}));
  d.object("lib/util.o", definer("util.o", {"_util"}));
  d.object("src/start.o", definer("start.o", {"_start"}));
  d.object("bad.o", definer("bad.o", {"_bad"}, {}, kUnknownId));
  d.object("lib/libbad.o", definer("libbad.o", {"_lb"}, {}, kUnknownId));
  d.library("top.lib", {definer("t.o", {"_t"})});
  d.library("lib/math.lib", {definer("m.o", {"_m"})});
  expectRuns(d,
             {
                 {"", errorRun("no input object files specified.")},
                 {"FILES main.o", linkedRun()},
                 {"FILES util.o", errorRun("could not find file 'util.o'.")},
                 {"LIBPATH lib\nFILES util.o", linkedRun()},
                 {"LIBPATH nowhere;lib/\nFILES util.o", linkedRun()},
                 {"FILES lib/util.o", linkedRun()},
                 {"LIBPATH lib\nFILES src/util.o", errorRun("could not find file 'src/util.o'.")},
                 {"FILES src/start.o", linkedRun()},
                 // Libraries only on the library path.
                 {"FILES main.o top.lib", errorRun("could not find file 'top.lib'.")},
                 {"LIBPATH .\nFILES main.o top.lib", linkedRun()},
                 {"LIBPATH lib\nFILES main.o math.lib", linkedRun()},
                 {"FILES main.o math.lib", errorRun("could not find file 'math.lib'.")},
                 // Later messages name a file by the path it was found under.
                 {"FILES bad.o", errorRun("Unsupported processor type in file './bad.o'")},
                 {"LIBPATH lib\nFILES main.o libbad.o",
                  errorRun("Unsupported processor type in file 'lib/libbad.o'")},
             });
}

TEST(ZorvikInputs, EveryObjectIsFoundBeforeAnyIsRead) {
  LinkDir d;
  d.object("a.o", definer("a.o", {"_a"}));
  d.t.write("c.o", "not an object");
  expectRuns(d, {{"FILES a.o b.o c.o", errorRun("could not find file 'b.o'.")}});
}

TEST(ZorvikInputs, UnsoundObjects) {
  LinkDir d;
  CoffBuilder lines = objectWith("lines.o", ".code", SCN_CODE, 4);
  lines.line(1, 0, 10, 0, 0, 0);  // line numbers, but no symbol table
  d.object("lines.o", lines);
  CoffBuilder scnum = definer("scnum.o", {"_x"});
  scnum.symbol("_y", 0, 9, C_EXT);  // there is no section 9
  d.object("scnum.o", scnum);
  d.library("lib.lib", {scnum});
  d.object("main.o", definer("main.o", {"_main"}, {"_x"}));
  expectRuns(
      d, {
             {"FILES lines.o",
              errorRun(std::vector<std::string>{
                  "Coff file './lines.o', section '.code' line[0] has an invalid l_srcndx.",
                  "Coff file './lines.o', section '.code' line[0] has an invalid l_fcnndx."})},
             {"FILES scnum.o", errorRun("Coff file './scnum.o' symbol[1] has an invalid n_scnum.")},
             // Imported members are checked like objects.
             {"LIBPATH .\nFILES main.o lib.lib",
              errorRun("Coff file 'scnum.o' symbol[1] has an invalid n_scnum.")},
         });
}

TEST(ZorvikInputs, LibraryImport) {
  LinkDir d;
  d.dir("libs");
  // Members built for an unknown processor name themselves in the processor
  // check, which names the first of them in load order.
  d.library("libs/ab.lib",
            {definer("b.o", {"_b"}, {}, kUnknownId), definer("a.o", {"_a"}, {}, kUnknownId)});
  d.library("libs/one.lib", {definer("one.o", {"_x"}, {}, kUnknownId)});
  d.library("libs/two.lib", {definer("two.o", {"_x"}, {}, kUnknownId)});
  d.object("ba.o", definer("ba.o", {}, {"_b", "_a"}));
  d.object("x.o", definer("x.o", {}, {"_x"}));
  d.object("abx.o", definer("abx.o", {"_a", "_b", "_x"}));
  // _w claims an auxiliary entry, but the reader takes the entry after it as
  // the symbol _z: the member defines both, once imported.
  CoffBuilder wz = objectWith("wz.o", ".code", SCN_CODE, 2);
  wz.symbol("_w", 0, 1, C_EXT);
  wz.coff().cSymbols.back().sym.n_numaux = 1;
  wz.symbol("_z", 0, 1, C_EXT);
  d.library("libs/wz.lib", {wz});
  d.library("libs/z.lib", {definer("z.o", {"_z"}, {}, kUnknownId)});
  d.object("wz_user.o", definer("wz_user.o", {}, {"_w", "_z"}));
  expectRuns(d, {
                    {"LIBPATH libs\nFILES ba.o ab.lib",
                     errorRun("Unsupported processor type in file 'a.o'")},
                    {"LIBPATH libs\nFILES x.o one.lib two.lib",
                     errorRun("Unsupported processor type in file 'one.o'")},
                    {"LIBPATH libs\nFILES x.o two.lib one.lib",
                     errorRun("Unsupported processor type in file 'two.o'")},
                    {"LIBPATH libs\nFILES abx.o ab.lib one.lib", linkedRun()},  // nothing to import
                    {"LIBPATH libs\nFILES wz_user.o wz.lib z.lib", linkedRun()},
                });
}

TEST(ZorvikInputs, ProcessorAgreement) {
  struct Input {
    uint32_t id;
    bool family;
  };
  struct Row {
    std::vector<Input> inputs;
    std::string message;  // empty: the link succeeds
  } rows[] = {
      {{{kMirrow7, true}, {kMirrow8, false}}, ""},
      {{{kMirrow7, true}, {kMirrow8, false}, {kMirrow11, false}},
       "processor types do not agree across all input files."},
      {{{kMirrow8, false}, {kMirrow11, true}}, ""},
      {{{kMirrow8, true}, {kTarsel1, true}},
       "processor types do not agree across all input files."},
      {{{kMirrow8, false}, {kUnknownId, false}}, "Unsupported processor type in file './in1.o'"},
  };
  for (const Row& row : rows) {
    LinkDir d;
    std::string files = "FILES";
    for (size_t i = 0; i < row.inputs.size(); ++i) {
      std::string name = "in" + std::to_string(i) + ".o";
      CoffBuilder b = objectWith(name, ".c" + std::to_string(i), SCN_CODE, 2, 0, row.inputs[i].id);
      if (row.inputs[i].family) b.fileFlags(0x8000);
      d.object(name, b);
      files += " " + name;
    }
    expectRuns(d, {{files, row.message.empty() ? linkedRun() : errorRun(row.message)}});
  }
}

struct Part {
  std::string section;
  uint32_t flags;
  uint32_t size;
  uint32_t paddr;
};

// One input per part, in0.o, in1.o, ..., for `procType`.
void expectSections(const std::vector<Part>& parts, const std::string& lkr,
                    const std::string& message, uint32_t procType = kQuenby122) {
  LinkDir d;
  std::string files = "FILES";
  for (size_t i = 0; i < parts.size(); ++i) {
    std::string name = "in" + std::to_string(i) + ".o";
    d.object(name, objectWith(name, parts[i].section, parts[i].flags, parts[i].size, parts[i].paddr,
                              procType));
    files += " " + name;
  }
  RunResult r = d.run(kMemories + lkr + files + "\n");
  std::string out = message.empty() ? linkedRun() : errorRun(message);
  EXPECT_EQ(r.out, out) << parts[0].section << " " << lkr;
  EXPECT_EQ(r.status, statusOf(out));
}

TEST(ZorvikInputs, SectionConsistency) {
  const uint32_t code = SCN_CODE, abs = SCN_ABS, ovr = SCN_OVERLAY;
  const std::string reserved = "' has a name that the linker reserves for a section of its own.";
  struct Row {
    std::vector<Part> parts;
    std::string lkr;
    std::string message;  // empty: the link succeeds
  } rows[] = {
      {{{".x", 0, 2, 0}}, "", "unknown section type for '.x' in file './in0.o'."},
      {{{".x", code, 2, 0}, {".x", code | ovr, 2, 0}},
       "",
       "section overlay types for '.x' do not match across input files."},
      {{{".x", code | ovr, 2, 0}, {".x", code | ovr | abs, 2, 0}},
       "",
       "section absolute types for '.x' do not match across input files."},
      {{{".x", code | ovr | abs, 2, 0x10}, {".x", code | ovr | abs, 2, 0x12}},
       "",
       "starting addresses for absolute overlay section '.x' do not match across all input files."},
      {{{".x", code, 2, 0}, {".x", SCN_ROMDATA, 2, 0}},
       "",
       "section types for '.x' do not match across input files."},
      {{{".x", SCN_UDATA, 2, 0}, {".x", SCN_UDATA | SCN_SHARE, 2, 0}},
       "",
       "section share types for '.x' do not match across input files."},
      {{{".x", SCN_UDATA, 2, 0}, {".x", SCN_UDATA | SCN_ACCESS, 2, 0}},
       "",
       "section access types for '.x' do not match across input files."},
      {{{".x", code | abs, 2, 0x10}, {".x", code | abs, 2, 0x10}},
       "",
       "section '.x' type is non-overlay and absolute but occurs in more than one input file."},
      // Overlay parts share one place.
      {{{".x", code | ovr | abs, 2, 0x10}, {".x", code | ovr | abs, 8, 0x10}}, "", ""},
      {{{".x", code | ovr, 6, 0}, {".x", code | ovr, 2, 0}}, "", ""},
      // Names of the linker's own sections.
      {{{".cinit", SCN_ROMDATA, 2, 0}}, "", "section '.cinit' in file './in0.o" + reserved},
      {{{".stack", SCN_UDATA, 2, 0}},
       "STACK SIZE=0x10\n",
       "section '.stack' in file './in0.o" + reserved},
      {{{".stack", SCN_UDATA, 2, 0}}, "", ""},
      {{{"buf", SCN_IDATA, 2, 0}, {"buf_i", SCN_ROMDATA, 2, 0}},
       "",
       "section 'buf_i' in file './in1.o" + reserved},
      // A fill section's name only where this link fills a page, and only
      // as the linker writes it.
      {{{".fill_1", code, 2, 0}},
       "CODEPAGE NAME=f START=0x100 END=0x1FF FILL=0xFFFF\n",
       "section '.fill_1' in file './in0.o" + reserved},
      {{{".fill_1", code, 2, 0}}, "", ""},
      {{{".fill_007", code, 2, 0}}, "CODEPAGE NAME=f START=0x100 END=0x1FF FILL=0xFFFF\n", ""},
  };
  for (const Row& row : rows) expectSections(row.parts, row.lkr, row.message);
}

TEST(ZorvikInputs, OddPartsOfProgramMemorySectionsStartOnALocation) {
  // Three 3-byte parts of 14-bit words lie at locations 0, 2 and 4; the section
  // needs 11 bytes, which a page of 6 locations holds and one of 5 does not.
  const std::vector<Part> parts = {
      {".x", SCN_CODE, 3, 0}, {".x", SCN_CODE, 3, 0}, {".x", SCN_CODE, 3, 0}};
  const std::string table =
      "CODEPAGE NAME=tbl START=0x100 END=0x10F\nSECTION NAME=.cinit ROM=tbl\n";
  expectSections(parts,
                 table + "CODEPAGE NAME=six START=0x200 END=0x205\nSECTION NAME=.x ROM=six\n", "",
                 kMirrow7);
  expectSections(parts,
                 table + "CODEPAGE NAME=five START=0x200 END=0x204\nSECTION NAME=.x ROM=five\n",
                 "section '.x' has a memory 'five' which can not fit the section. Section '.x' "
                 "length=0x0000000b.",
                 kMirrow7);
}

TEST(ZorvikInputs, MemoryAttributes) {
  const std::string tail = " memory attribute specified in the linker command file.";
  struct Row {
    uint32_t flags;
    std::string declaration;
    std::string message;  // empty: the link succeeds
  } rows[] = {
      {SCN_CODE, "SECTION NAME=.s RAM=bank\n",
       "section '.s' contains code and can not have a 'RAM'" + tail},
      {SCN_IDATA, "SECTION NAME=.s ROM=page\n",
       "section '.s' contains initialized data and can not have a 'ROM'" + tail},
      {SCN_UDATA, "SECTION NAME=.s ROM=page RAM=bank\n",
       "section '.s' contains uninitialized data and can not have a 'ROM'" + tail},
      {SCN_ROMDATA, "SECTION NAME=.s RAM=bank\n",
       "section '.s' contains initialized rom data and can not have a 'RAM'" + tail},
      {SCN_CODE, "SECTION NAME=.absent RAM=bank\nSECTION NAME=.s ROM=page\n", ""},
  };
  for (const Row& row : rows)
    expectSections({{".s", row.flags, 2, 0}}, row.declaration, row.message);
}

}  // namespace
