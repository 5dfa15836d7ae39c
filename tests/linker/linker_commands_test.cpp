#include "linker.h"

#include "Trace.h"

#include <gtest/gtest.h>

#include <functional>
#include <sstream>
#include <string>

namespace {

Memory code(const std::string& name, uint32_t start, uint32_t end) {
  return Memory(name, start, end, rom, false, false, "");
}

Memory data(const std::string& name, uint32_t start, uint32_t end) {
  return Memory(name, start, end, ram, false, false, "");
}

std::string dump(const Linker& linker) {
  std::ostringstream os;
  linker.print(os);
  return os.str();
}

// Runs one declaration that must be accepted.
void accept(const std::function<int(std::string&)>& declaration) {
  std::string message;
  ASSERT_NE(declaration(message), 0) << message;
  EXPECT_EQ(message, "");
}

using Step = std::function<int(Linker&, std::string&)>;

Step heap(uint32_t size) {
  return [=](Linker& l, std::string& m) { return l.setMinHeapSize(size, m); };
}
Step map(const std::string& name) {
  return [=](Linker& l, std::string& m) { return l.setMapFile(name, m); };
}
Step output(const std::string& name) {
  return [=](Linker& l, std::string& m) { return l.setOutputFile(name, m); };
}
Step object(const std::string& name) {
  return [=](Linker& l, std::string& m) { return l.addObjectFile(name, m); };
}
Step library(const std::string& name) {
  return [=](Linker& l, std::string& m) { return l.addLibraryFile(name, m); };
}
Step codePage(const std::string& name, uint32_t start, uint32_t end) {
  return [=](Linker& l, std::string& m) { return l.addCodePage(code(name, start, end), m); };
}
Step dataBank(const std::string& name, uint32_t start, uint32_t end) {
  return [=](Linker& l, std::string& m) { return l.addDataBank(data(name, start, end), m); };
}
Step shareBank(const std::string& name, uint32_t start, uint32_t end) {
  return [=](Linker& l, std::string& m) { return l.addShareBank(data(name, start, end), m); };
}
Step accessBank(const std::string& name, uint32_t start, uint32_t end) {
  return [=](Linker& l, std::string& m) { return l.addAccessBank(data(name, start, end), m); };
}
Step section(const std::string& name, const std::string& rom, const std::string& ram) {
  return
      [=](Linker& l, std::string& m) { return l.addSectionDesc(SectionDesc(name, rom, ram), m); };
}
Step stack(uint32_t size, const std::string& ram) {
  return [=](Linker& l, std::string& m) { return l.setStackDesc(StackDesc(size, ram), m); };
}

struct Refusal {
  const char* what;
  std::vector<Step> before;  // all accepted
  Step refused;
  const char* message;
};

TEST(LinkerCommands, RefusalsLeaveTheLinkerAsItWas) {
  const Refusal cases[] = {
      {"heap twice", {heap(0x40)}, heap(0x40), "multiple min heap sizes declared: '64', '64'"},
      {"map twice", {map("a.map")}, map("b.map"), "multiple map files declared: 'a.map', 'b.map'"},
      {"output twice",
       {output("a.out")},
       output("b.cof"),
       "multiple output files declared: 'a.out', 'b.cof'"},
      {"object twice",
       {object("a.o"), object("b.o")},
       object("a.o"),
       "mutliple inclusion of object file 'a.o' "},
      {"library twice",
       {library("m.lib")},
       library("m.lib"),
       "mutliple inclusion of library file 'm.lib' "},
      {"codepage named like a databank",
       {dataBank("bank0", 0x20, 0x7F)},
       codePage("bank0", 0x000, 0x7FF),
       "duplicate definition of memory 'bank0' "},
      {"codepage twice, apart",
       {codePage("page", 0x000, 0x7FF)},
       codePage("page", 0x800, 0xFFF),
       "duplicate definition of memory 'page' "},
      {"codepages overlap",
       {codePage("p0", 0x000, 0x7FF), codePage("p1", 0x800, 0xFFF)},
       codePage("p2", 0x7FF, 0x900),
       "memory 'p2' overlaps memory 'p0' "},
      {"databanks share one address",
       {dataBank("b0", 0x20, 0x7F)},
       dataBank("b1", 0x7F, 0xFF),
       "memory 'b1' overlaps memory 'b0' "},
      {"databank named like a sharebank",
       {shareBank("gpr", 0x70, 0x7F)},
       dataBank("gpr", 0x100, 0x17F),
       "duplicate definition of memory 'gpr' "},
      {"sharebank named like an accessbank",
       {accessBank("acc", 0x00, 0x5F)},
       shareBank("acc", 0x70, 0x7F),
       "duplicate definition of memory 'acc' "},
      {"accessbank over a sharebank and a databank",
       {shareBank("gpr", 0x70, 0x7F), dataBank("b0", 0x60, 0x6F)},
       accessBank("acc", 0x00, 0x7F),
       "memory 'acc' overlaps memory 'b0' "},
      {"databank over an accessbank",
       {accessBank("acc", 0x00, 0x5F)},
       dataBank("b0", 0x50, 0x6F),
       "memory 'b0' overlaps memory 'acc' "},
      {"sharebank of another length",
       {shareBank("gpr", 0x70, 0x7F), shareBank("gpr", 0xF0, 0xFF)},
       shareBank("gpr", 0x170, 0x177),
       "inconsistent length definitions of SHAREBANK 'gpr' "},
      {"sharebank over its own name",
       {shareBank("gpr", 0x70, 0x7F)},
       shareBank("gpr", 0x78, 0x87),
       "memory 'gpr' overlaps memory 'gpr' "},
      {"memory ending before its start",
       {},
       dataBank("b0", 0x80, 0x7F),
       "memory 'b0' ends before it starts "},
      {"section twice",
       {codePage("page", 0, 0xFF), section(".text", "page", "")},
       section(".text", "", ""),
       "duplicate definitions of SECTION '.text' "},
      {"section before its codepage",
       {},
       section(".text", "page", ""),
       "undefined CODEPAGE 'page' for SECTION '.text' "},
      {"section RAM naming a codepage",
       {codePage("page", 0, 0xFF)},
       section(".udata", "", "page"),
       "undefined DATABANK/SHAREBANK 'page' for SECTION '.udata' "},
      {"section ROM good, RAM unknown",
       {codePage("page", 0, 0xFF)},
       section(".idata", "page", "nobank"),
       "undefined DATABANK/SHAREBANK 'nobank' for SECTION '.idata' "},
      {"stack twice", {stack(0x20, "")}, stack(0x40, ""), "multiple STACK definitions "},
      {"stack in an unknown bank",
       {dataBank("b0", 0x20, 0x7F)},
       stack(0x20, "b1"),
       "undefined DATABANK/SHAREBANK 'b1' for STACK. "},
  };
  for (const Refusal& c : cases) {
    SCOPED_TRACE(c.what);
    Linker linker;
    for (const Step& step : c.before) accept([&](std::string& m) { return step(linker, m); });
    std::string before = dump(linker);
    std::string message;
    EXPECT_EQ(c.refused(linker, message), 0);
    EXPECT_EQ(message, c.message);
    EXPECT_EQ(dump(linker), before);
  }
}

TEST(LinkerCommands, AcceptedDeclarations) {
  Linker linker;
  std::string m;
  EXPECT_NE(linker.addCodePage(code("page", 0x20, 0x7F), m), 0);
  EXPECT_NE(linker.addDataBank(data("bank", 0x20, 0x7F), m), 0);  // another address space
  EXPECT_NE(linker.addShareBank(data("gpr", 0x70 + 0x100, 0x7F + 0x100), m), 0);
  EXPECT_NE(linker.addShareBank(data("gpr", 0xF0 + 0x100, 0xFF + 0x100), m), 0);
  EXPECT_NE(linker.addAccessBank(data("acc", 0x00, 0x1F), m), 0);
  EXPECT_NE(linker.addSectionDesc(SectionDesc(".a", "", "acc"), m), 0);
  EXPECT_NE(linker.addSectionDesc(SectionDesc(".b", "page", "gpr"), m), 0);
  EXPECT_NE(linker.setStackDesc(StackDesc(0x30, "gpr"), m), 0);
  EXPECT_NE(linker.addLibPath("lib", m), 0);
  EXPECT_NE(linker.addLibPath("lib", m), 0);
  EXPECT_NE(linker.setStrip(1, m), 0);
  EXPECT_NE(linker.addObjectFile("a.o", m), 0);
  EXPECT_NE(linker.addObjectFile("./a.o", m), 0);  // names are compared as written
  EXPECT_NE(linker.setMinHeapSize(0x40, m), 0);
  EXPECT_EQ(m, "");
  EXPECT_EQ(linker.cShareBanks.size(), 2u);
  EXPECT_EQ(linker.cLibPath.size(), 2u);
  EXPECT_EQ(linker.cObjectFile, (std::list<std::string>{"a.o", "./a.o"}));
  EXPECT_EQ(linker.cStackDesc.cRunMemory, "gpr");
  EXPECT_EQ(linker.cMinHeapSize, 0x40u);
  EXPECT_EQ(linker.cStrip, 1);
}

TEST(LinkerCommands, ListSearchesFindTheFirstMatch) {
  std::list<Memory> memories{data("gpr", 0x70, 0x7F), data("b0", 0x20, 0x6F),
                             data("gpr", 0xF0, 0xFF)};
  std::list<Memory>::iterator it;
  EXPECT_EQ(findMemory(memories, "gpr", it), 1);
  EXPECT_EQ(it->getStart(), 0x70u);
  EXPECT_EQ(findMemory(memories, "b1", it), 0);
  EXPECT_TRUE(it == memories.end());

  std::list<SectionDesc> descs{SectionDesc(".a", "p", ""), SectionDesc(".b", "", "b")};
  std::list<SectionDesc>::iterator d;
  EXPECT_EQ(findSectionDesc(descs, ".b", d), 1);
  EXPECT_EQ(d->getRunMemory(), "b");
  EXPECT_EQ(findSectionDesc(descs, ".c", d), 0);
  EXPECT_TRUE(d == descs.end());
}

TEST(LinkerCommands, ConstructionLaysOutTheEmptyOutput) {
  Linker linker;
  EXPECT_EQ(linker.cOutput.cFileHdr.f_magic, 0x1234);
  EXPECT_NE(linker.cOutput.cFileHdr.f_timdat, 0u);
  EXPECT_EQ(linker.cMinHeapSize, 0x20u);
  EXPECT_EQ(linker.cStackScnName, ".stack");
  EXPECT_EQ(linker.cCinitScnName, ".cinit");
}

TEST(LinkerCommands, LinkNamesTheDefaultOutputBeforeItsFirstPhase) {
  Linker linker;
  std::string message;
  EXPECT_EQ(linker.link(message), 0);
  EXPECT_EQ(message, "no input object files specified.");
  EXPECT_EQ(linker.cOutputFile, "a.out");
}

TEST(LinkerPrint, FreshLinker) {
  Linker linker;
  EXPECT_EQ(dump(linker),
            "Linker:\n"
            "  cMinHeapSize=0x00000020\n"
            "  cStackDesc=StackDesc:  cSize=0x00000000, cRunMemory=\n"
            "\n"
            "  cMapFile=\n"
            "  cOutputFile=\n"
            "\n"
            "\n\n\n\n\n\n\n\n"
            "  cStrip=0\n"
            "------- Linker Internals: \n");
}

TEST(LinkerPrint, DeclaredLinker) {
  Linker linker;
  accept([&](std::string& msg) { return linker.setMinHeapSize(0x40, msg); });
  accept([&](std::string& msg) { return linker.setMapFile("app.map", msg); });
  accept([&](std::string& msg) { return linker.setOutputFile("app.cof", msg); });
  accept([&](std::string& msg) { return linker.addObjectFile("a.o", msg); });
  accept([&](std::string& msg) { return linker.addObjectFile("b.o", msg); });
  accept([&](std::string& msg) { return linker.addLibraryFile("m.lib", msg); });
  accept([&](std::string& msg) {
    return linker.addCodePage(Memory("page", 0, 0x7FF, rom, true, true, "0x3FFF"), msg);
  });
  accept([&](std::string& msg) { return linker.addDataBank(data("bank", 0x20, 0x7F), msg); });
  accept(
      [&](std::string& msg) { return linker.addShareBank(data("gpr", 0x70 + 0x80, 0xFF), msg); });
  accept([&](std::string& msg) { return linker.addAccessBank(data("acc", 0, 0x1F), msg); });
  accept([&](std::string& msg) {
    return linker.addSectionDesc(SectionDesc(".code", "page", ""), msg);
  });
  accept([&](std::string& msg) { return linker.setStackDesc(StackDesc(0x30, "bank"), msg); });
  accept([&](std::string& msg) { return linker.addLibPath("/usr/lib", msg); });
  accept([&](std::string& msg) { return linker.setStrip(1, msg); });
  // Per-section facts as the input phases record them.
  linker.cScnSize[".code"] = 12;
  linker.cScnType[".code"] = 1;
  linker.cScnAbs[".code"] = 1;
  linker.cScnAbsStart[".code"] = 0x100;
  linker.cScnAbsSize[".code"] = 12;
  linker.cScnMem[".code"] = &linker.cCodePage.front();
  linker.cScnSize[".udata"] = 4;
  linker.cScnType[".udata"] = 3;
  linker.cScnShare[".udata"] = 1;

  const std::string ranges =
      "          ---Allocated Ranges--- \n"
      "          ---Unallocated Ranges--- \n";
  EXPECT_EQ(dump(linker),
            "Linker:\n"
            "  cMinHeapSize=0x00000040\n"
            "  cStackDesc=StackDesc:  cSize=0x00000030, cRunMemory=bank\n"
            "\n"
            "  cMapFile=app.map\n"
            "  cOutputFile=app.cof\n"
            "\n"
            "  cObjectFile[0]=a.o\n"
            "  cObjectFile[1]=b.o\n"
            "\n"
            "  cLibraryFile[0]=m.lib\n"
            "\n"
            "  cCodePage[0]=\n"
            "   Memory: name=page start=0x00000000 end=0x000007ff type=rom protected=1 hasFill=1 "
            "fill=0x3FFF\n" +
                ranges +
                "          Range:   allocName= start=0x00000000 size=0x00000000 end=0x000007ff "
                "pc=0x00000000 type=rom isOverlay=0\n"
                "\n"
                "  cDataBanks[0]=\n"
                "   Memory: name=bank start=0x00000020 end=0x0000007f type=ram protected=0 "
                "hasFill=0 fill=\n" +
                ranges +
                "          Range:   allocName= start=0x00000020 size=0x00000000 end=0x0000007f "
                "pc=0x00000020 type=ram isOverlay=0\n"
                "\n"
                "  cShareBanks[0]=\n"
                "   Memory: name=gpr start=0x000000f0 end=0x000000ff type=ram protected=0 "
                "hasFill=0 fill=\n" +
                ranges +
                "          Range:   allocName= start=0x000000f0 size=0x00000000 end=0x000000ff "
                "pc=0x000000f0 type=ram isOverlay=0\n"
                "\n"
                "  cAccessBanks[0]=\n"
                "   Memory: name=acc start=0x00000000 end=0x0000001f type=ram protected=0 "
                "hasFill=0 fill=\n" +
                ranges +
                "          Range:   allocName= start=0x00000000 size=0x00000000 end=0x0000001f "
                "pc=0x00000000 type=ram isOverlay=0\n"
                "\n"
                "  cSectionDesc[0]=\n"
                "   SectionDesc:  cName=.code, cLoadMemory=page, cRunMemory=\n"
                "\n"
                "  cLibPath[0]=/usr/lib\n"
                "\n"
                "  cStrip=1\n"
                "------- Linker Internals: \n"
                "cScnSize[.code]=12\n"
                "cScnType[.code]=1\n"
                "cScnAbs[.code]=1\n"
                "cScnShare[.code]=0\n"
                "cScnAccess[.code]=0\n"
                "cScnAbsStart[.code]=0x00000100\n"
                "cScnAbsSize[.code]=0x0000000c\n"
                "cScnMem[.code]=page\n"
                "\n"
                "cScnSize[.udata]=4\n"
                "cScnType[.udata]=3\n"
                "cScnAbs[.udata]=0\n"
                "cScnShare[.udata]=1\n"
                "cScnAccess[.udata]=0\n"
                "\n");
}

TEST(LinkerPrint, TraceAddsTheInputsAndTheOutput) {
  Linker linker;
  linker.cCoff.push_back(std::make_unique<Coff>());
  linker.cCoff.back()->cCoffName = "lib.lib(util.o)";
  setTraceLevel("Linker::print", 1);
  std::string traced = dump(linker);
  setTraceLevel("Linker::print", 0);
  EXPECT_NE(traced.find("  cStrip=0\n  cCoff[lib.lib(util.o)]=\n"), std::string::npos);
  EXPECT_NE(traced.find("\n  cOutput=\n"), std::string::npos);
  EXPECT_EQ(dump(linker).find("cCoff["), std::string::npos);
}

}  // namespace
