// Whole links, one small program per core family: the output file (its time
// stamp aside) and the map file (its time line aside) compared with what they
// must hold, the patched words of a call and a data reference included. Every
// output reads back, verifies and converts to HEX.
#include <cstdio>
#include <string>
#include <vector>

#include "Coff.h"
#include "mgreloct.h"
#include "zorvik_link_support.h"

namespace {

// The file's bytes as little-endian 16-bit words, eight to a line, with the
// header's time stamp (bytes 4 to 7) zeroed.
std::string wordDump(std::string bytes) {
  for (size_t i = 4; i < 8 && i < bytes.size(); ++i) bytes[i] = 0;
  std::string out;
  for (size_t i = 0; i < bytes.size(); i += 2) {
    unsigned lo = static_cast<unsigned char>(bytes[i]);
    unsigned hi = i + 1 < bytes.size() ? static_cast<unsigned char>(bytes[i + 1]) : 0;
    char word[8];
    std::snprintf(word, sizeof word, "%04x", lo | hi << 8);
    out += word;
    out += (i / 2 % 8 == 7 || i + 2 >= bytes.size()) ? "\n" : " ";
  }
  return out;
}

// The map with its banner and time line made constant.
std::string timeless(std::string map) {
  const std::string banner = linkerBanner();
  if (map.compare(0, banner.size(), banner) == 0) map.replace(0, banner.size(), "(banner)");
  size_t at = map.find(" - Created ");
  if (at == std::string::npos) return map;
  size_t end = map.find('\n', at);
  return map.replace(at, end - at, " - Created (time)");
}

// The output reads back, verifies and converts to HEX.
void expectSound(const LinkDir& d, const std::string& output) {
  std::unique_ptr<Coff> coff = Coff::make(d.t.file(output));
  ASSERT_NE(coff, nullptr) << output;
  EXPECT_EQ(coff->verify(), 1) << output;
  RunResult hex = runProgram(PELLUND_EXE, {"/q", output}, d.t.path());
  EXPECT_EQ(hex.status, 0) << output << hex.out;
}

struct Family {
  const char* name;
  uint32_t procId;
  uint32_t romWidth;
  uint32_t unit;                // bytes per program word in r_vaddr
  std::vector<uint16_t> code;   // call fn, data reference to `count`
  const char* lkr;              // memories
  const char* map;              // expected map, time line aside
  const char* dump;             // expected output file, time stamp aside
};

// main.o calls fn in lib.o and refers to `count`, the second byte of vars.
void writeProgram(const LinkDir& d, const Family& f) {
  CoffBuilder m("main.o");
  m.optionalHeader(f.procId, f.romWidth);
  m.fileSymbol("main.asm");
  int code = m.section(".code", SCN_CODE);
  m.words(code, f.code);
  int vars = m.section("vars", SCN_UDATA);
  m.zeros(vars, 2);
  m.function("main", 0, static_cast<int16_t>(code), 2);
  uint32_t count = m.symbol("count", 1, static_cast<int16_t>(vars), C_EXT);
  uint32_t fn = m.symbol("fn", 0, N_UNDEF, C_EXT);
  m.reloc(code, 0, fn, 0, RELOCT_CALL);
  m.reloc(code, f.unit, count, 0, RELOCT_F);
  d.object("main.o", m);
  CoffBuilder l("lib.o");
  l.optionalHeader(f.procId, f.romWidth);
  l.fileSymbol("lib.asm");
  int lcode = l.section(".lib", SCN_CODE);
  l.words(lcode, {0x0000, 0x0000});
  l.function("fn", 0, static_cast<int16_t>(lcode), 2);
  d.object("lib.o", l);
}

// The patched words: Mirrow call 0x2004 (fn at 0x004), movwf 0x00a1 (count at
// 0x21); Quenby 0xe003 and 0x6a21; Tarsel 0x0904 and 0x0031 (five-bit field);
// Halvern 0xec03 (fn at byte 0x006) and 0x6e61. The empty ".cinit" table is
// RETLW 0 words where the family has them. Quenby's fill pattern is decimal.
const Family kFamilies[] = {
    {"Mirrow", kMirrow8, 14, 2, {0x2000, 0x0080},
     "CODEPAGE NAME=page START=0x0 END=0xF FILL=0x3FFF\nDATABANK NAME=bank START=0x20 END=0x3F\n",
     R"((banner)
Linker Map File - Created (time)

                                 Section Info
                  Section       Type    Address   Location Size(Bytes)
                ---------  ---------  ---------  ---------  ---------
                   .cinit    romdata   0x000000    program   0x000004
                    .code       code   0x000002    program   0x000004
                     .lib       code   0x000004    program   0x000004
                  .fill_1       code   0x000006    program   0x000014
                     vars      udata   0x000020       data   0x000002



                              Program Memory Usage 
                               Start         End      
                           ---------   ---------      
                            0x000000    0x00000f      
            16 out of 16 program addresses used, program memory utilization is 100%



                              Symbols - Sorted by Name
                     Name    Address   Location    Storage File                     
                ---------  ---------  ---------  --------- ---------                
                       fn   0x000004    program     extern lib.asm                  
                     main   0x000002    program     extern main.asm                 
                    count   0x000021       data     extern main.asm                 



                              Symbols - Sorted by Address
                     Name    Address   Location    Storage File                     
                ---------  ---------  ---------  --------- ---------                
                     main   0x000002    program     extern main.asm                 
                       fn   0x000004    program     extern lib.asm                  
                    count   0x000021       data     extern main.asm                 


)",
     R"(1234 0005 0000 0000 010c 0000 000a 0000
0010 0002 0000 0000 1008 0000 000e 0000
0008 0000 632e 646f 0065 0000 0002 0000
0000 0000 0004 0000 00ec 0000 0000 0000
0000 0000 0000 0000 0020 0000 6176 7372
0000 0000 0020 0000 0000 0000 0002 0000
0000 0000 0000 0000 0000 0000 0000 0000
0080 0000 6c2e 6269 0000 0000 0004 0000
0000 0000 0004 0000 00f0 0000 0000 0000
0000 0000 0000 0000 0020 0000 632e 6e69
7469 0000 0000 0000 0000 0000 0004 0000
00f4 0000 0000 0000 0000 0000 0000 0000
0100 0000 662e 6c69 5f6c 0031 0006 0000
0000 0000 0014 0000 00f8 0000 0000 0000
0000 0000 0000 0000 0020 0000 2004 00a1
0000 0000 3400 3400 3fff 3fff 3fff 3fff
3fff 3fff 3fff 3fff 3fff 3fff 662e 6c69
0065 0000 0000 0000 fffe 0000 0167 000c
0000 0000 0000 0000 0000 0000 0000 0000
616d 6e69 0000 0000 0002 0000 0001 0020
0102 0000 0000 0002 0000 0000 0000 0000
0000 0000 6f63 6e75 0074 0000 0021 0000
0002 0000 0002 6e66 0000 0000 0000 0004
0000 0000 0000 0002 662e 6c69 0065 0000
0000 0000 fffe 0000 0167 0004 0000 0000
0000 0000 0000 0000 0000 0000 6e66 0000
0000 0000 0004 0000 0003 0020 0102 0006
0000 0002 0000 0000 0000 0006 0000 0000
0015 0000 696c 2e62 7361 006d 616d 6e69
612e 6d73 0000
)"},
    {"Quenby", kQuenby122, 16, 2, {0xE000, 0x6A00},
     "CODEPAGE NAME=page START=0x0 END=0xF FILL=65535\nDATABANK NAME=bank START=0x20 END=0x3F\n",
     R"((banner)
Linker Map File - Created (time)

                                 Section Info
                  Section       Type    Address   Location Size(Bytes)
                ---------  ---------  ---------  ---------  ---------
                   .cinit    romdata   0x000000    program   0x000002
                    .code       code   0x000001    program   0x000004
                     .lib       code   0x000003    program   0x000004
                  .fill_1       code   0x000005    program   0x000016
                     vars      udata   0x000020       data   0x000002



                              Program Memory Usage 
                               Start         End      
                           ---------   ---------      
                            0x000000    0x00000f      
            16 out of 16 program addresses used, program memory utilization is 100%



                              Symbols - Sorted by Name
                     Name    Address   Location    Storage File                     
                ---------  ---------  ---------  --------- ---------                
                       fn   0x000003    program     extern lib.asm                  
                     main   0x000001    program     extern main.asm                 
                    count   0x000021       data     extern main.asm                 



                              Symbols - Sorted by Address
                     Name    Address   Location    Storage File                     
                ---------  ---------  ---------  --------- ---------                
                     main   0x000001    program     extern main.asm                 
                       fn   0x000003    program     extern lib.asm                  
                    count   0x000021       data     extern main.asm                 


)",
     R"(1234 0005 0000 0000 010c 0000 000a 0000
0010 0002 0000 0000 207a 0000 0010 0000
0008 0000 632e 646f 0065 0000 0001 0000
0000 0000 0004 0000 00ec 0000 0000 0000
0000 0000 0000 0000 0020 0000 6176 7372
0000 0000 0020 0000 0000 0000 0002 0000
0000 0000 0000 0000 0000 0000 0000 0000
0080 0000 6c2e 6269 0000 0000 0003 0000
0000 0000 0004 0000 00f0 0000 0000 0000
0000 0000 0000 0000 0020 0000 632e 6e69
7469 0000 0000 0000 0000 0000 0002 0000
00f4 0000 0000 0000 0000 0000 0000 0000
0100 0000 662e 6c69 5f6c 0031 0005 0000
0000 0000 0016 0000 00f6 0000 0000 0000
0000 0000 0000 0000 0020 0000 e003 6a21
0000 0000 0000 ffff ffff ffff ffff ffff
ffff ffff ffff ffff ffff ffff 662e 6c69
0065 0000 0000 0000 fffe 0000 0167 000c
0000 0000 0000 0000 0000 0000 0000 0000
616d 6e69 0000 0000 0001 0000 0001 0020
0102 0000 0000 0002 0000 0000 0000 0000
0000 0000 6f63 6e75 0074 0000 0021 0000
0002 0000 0002 6e66 0000 0000 0000 0003
0000 0000 0000 0002 662e 6c69 0065 0000
0000 0000 fffe 0000 0167 0004 0000 0000
0000 0000 0000 0000 0000 0000 6e66 0000
0000 0000 0003 0000 0003 0020 0102 0006
0000 0002 0000 0000 0000 0006 0000 0000
0015 0000 696c 2e62 7361 006d 616d 6e69
612e 6d73 0000
)"},
    {"Tarsel", kTarsel1, 12, 2, {0x0900, 0x0020},
     "CODEPAGE NAME=page START=0x0 END=0xF FILL=0xFFF\nDATABANK NAME=bank START=0x10 END=0x1F\n",
     R"((banner)
Linker Map File - Created (time)

                                 Section Info
                  Section       Type    Address   Location Size(Bytes)
                ---------  ---------  ---------  ---------  ---------
                   .cinit    romdata   0x000000    program   0x000004
                    .code       code   0x000002    program   0x000004
                     .lib       code   0x000004    program   0x000004
                  .fill_1       code   0x000006    program   0x000014
                     vars      udata   0x000010       data   0x000002



                              Program Memory Usage 
                               Start         End      
                           ---------   ---------      
                            0x000000    0x00000f      
            16 out of 16 program addresses used, program memory utilization is 100%



                              Symbols - Sorted by Name
                     Name    Address   Location    Storage File                     
                ---------  ---------  ---------  --------- ---------                
                       fn   0x000004    program     extern lib.asm                  
                     main   0x000002    program     extern main.asm                 
                    count   0x000011       data     extern main.asm                 



                              Symbols - Sorted by Address
                     Name    Address   Location    Storage File                     
                ---------  ---------  ---------  --------- ---------                
                     main   0x000002    program     extern main.asm                 
                       fn   0x000004    program     extern lib.asm                  
                    count   0x000011       data     extern main.asm                 


)",
     R"(1234 0005 0000 0000 010c 0000 000a 0000
0010 0002 0000 0000 3001 0000 000c 0000
0008 0000 632e 646f 0065 0000 0002 0000
0000 0000 0004 0000 00ec 0000 0000 0000
0000 0000 0000 0000 0020 0000 6176 7372
0000 0000 0010 0000 0000 0000 0002 0000
0000 0000 0000 0000 0000 0000 0000 0000
0080 0000 6c2e 6269 0000 0000 0004 0000
0000 0000 0004 0000 00f0 0000 0000 0000
0000 0000 0000 0000 0020 0000 632e 6e69
7469 0000 0000 0000 0000 0000 0004 0000
00f4 0000 0000 0000 0000 0000 0000 0000
0100 0000 662e 6c69 5f6c 0031 0006 0000
0000 0000 0014 0000 00f8 0000 0000 0000
0000 0000 0000 0000 0020 0000 0904 0031
0000 0000 0800 0800 0fff 0fff 0fff 0fff
0fff 0fff 0fff 0fff 0fff 0fff 662e 6c69
0065 0000 0000 0000 fffe 0000 0167 000c
0000 0000 0000 0000 0000 0000 0000 0000
616d 6e69 0000 0000 0002 0000 0001 0020
0102 0000 0000 0002 0000 0000 0000 0000
0000 0000 6f63 6e75 0074 0000 0011 0000
0002 0000 0002 6e66 0000 0000 0000 0004
0000 0000 0000 0002 662e 6c69 0065 0000
0000 0000 fffe 0000 0167 0004 0000 0000
0000 0000 0000 0000 0000 0000 6e66 0000
0000 0000 0004 0000 0003 0020 0102 0006
0000 0002 0000 0000 0000 0006 0000 0000
0015 0000 696c 2e62 7361 006d 616d 6e69
612e 6d73 0000
)"},
    {"Halvern", kHalvern133, 8, 2, {0xEC00, 0x6E00},
     "CODEPAGE NAME=page START=0x0 END=0x1F FILL=0xFFFF\nDATABANK NAME=bank START=0x60 END=0x7F\n",
     R"((banner)
Linker Map File - Created (time)

                                 Section Info
                  Section       Type    Address   Location Size(Bytes)
                ---------  ---------  ---------  ---------  ---------
                   .cinit    romdata   0x000000    program   0x000002
                    .code       code   0x000002    program   0x000004
                     .lib       code   0x000006    program   0x000004
                  .fill_1       code   0x00000a    program   0x000016
                     vars      udata   0x000060       data   0x000002



                              Program Memory Usage 
                               Start         End      
                           ---------   ---------      
                            0x000000    0x00001f      
            32 out of 32 program addresses used, program memory utilization is 100%



                              Symbols - Sorted by Name
                     Name    Address   Location    Storage File                     
                ---------  ---------  ---------  --------- ---------                
                       fn   0x000006    program     extern lib.asm                  
                     main   0x000002    program     extern main.asm                 
                    count   0x000061       data     extern main.asm                 



                              Symbols - Sorted by Address
                     Name    Address   Location    Storage File                     
                ---------  ---------  ---------  --------- ---------                
                     main   0x000002    program     extern main.asm                 
                       fn   0x000006    program     extern lib.asm                  
                    count   0x000061       data     extern main.asm                 


)",
     R"(1234 0005 0000 0000 010c 0000 000a 0000
0010 0002 0000 0000 4085 0000 0008 0000
0008 0000 632e 646f 0065 0000 0002 0000
0000 0000 0004 0000 00ec 0000 0000 0000
0000 0000 0000 0000 0020 0000 6176 7372
0000 0000 0060 0000 0000 0000 0002 0000
0000 0000 0000 0000 0000 0000 0000 0000
0080 0000 6c2e 6269 0000 0000 0006 0000
0000 0000 0004 0000 00f0 0000 0000 0000
0000 0000 0000 0000 0020 0000 632e 6e69
7469 0000 0000 0000 0000 0000 0002 0000
00f4 0000 0000 0000 0000 0000 0000 0000
0100 0000 662e 6c69 5f6c 0031 000a 0000
0000 0000 0016 0000 00f6 0000 0000 0000
0000 0000 0000 0000 0020 0000 ec03 6e61
0000 0000 0000 ffff ffff ffff ffff ffff
ffff ffff ffff ffff ffff ffff 662e 6c69
0065 0000 0000 0000 fffe 0000 0167 000c
0000 0000 0000 0000 0000 0000 0000 0000
616d 6e69 0000 0000 0002 0000 0001 0020
0102 0000 0000 0002 0000 0000 0000 0000
0000 0000 6f63 6e75 0074 0000 0061 0000
0002 0000 0002 6e66 0000 0000 0000 0006
0000 0000 0000 0002 662e 6c69 0065 0000
0000 0000 fffe 0000 0167 0004 0000 0000
0000 0000 0000 0000 0000 0000 6e66 0000
0000 0000 0006 0000 0003 0020 0102 0006
0000 0002 0000 0000 0000 0006 0000 0000
0015 0000 696c 2e62 7361 006d 616d 6e69
612e 6d73 0000
)"},
};

TEST(ZorvikLink, EachFamilyLinksAProgram) {
  for (const Family& f : kFamilies) {
    SCOPED_TRACE(f.name);
    LinkDir d;
    writeProgram(d, f);
    RunResult r = d.run(std::string(f.lkr) + "FILES main.o lib.o\n", {"/o", "app.cof", "/m", "app.map"});
    EXPECT_EQ(r.out, linkedRun());
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(timeless(d.t.read("app.map")), f.map);
    EXPECT_EQ(wordDump(d.t.read("app.cof")), f.dump);
    expectSound(d, "app.cof");
  }
}

// zorvik app.lkr main.o lib.o [args...] for the Mirrow program.
RunResult linkMirrow(const LinkDir& d, const std::string& files, std::vector<std::string> args) {
  return d.run(std::string(kFamilies[0].lkr) + "FILES " + files + "\n", std::move(args));
}

TEST(ZorvikLink, TheOutputIsNamedAOutByDefault) {
  LinkDir d;
  writeProgram(d, kFamilies[0]);
  RunResult r = linkMirrow(d, "main.o lib.o", {"/m", "app.map"});
  EXPECT_EQ(r.out, linkedRun());
  EXPECT_EQ(wordDump(d.t.read("a.out")), kFamilies[0].dump);
  expectSound(d, "a.out");
}

TEST(ZorvikLink, AMapFileNamedLikeTheOutputIsRefusedBeforeAnythingIsWritten) {
  const std::vector<std::vector<std::string>> cases = {
      {"/m", "a.out"}, {"/o", "app.cof", "/m", "app.cof"}, {"/o", "app.cof", "/m", "./app.cof"}};
  for (const std::vector<std::string>& args : cases) {
    SCOPED_TRACE(args.back());
    LinkDir d;
    writeProgram(d, kFamilies[0]);
    RunResult r = linkMirrow(d, "main.o lib.o", args);
    std::string output = args.size() == 2 ? "a.out" : "app.cof";
    EXPECT_EQ(r.out, errorRun("the map file '" + args.back() + "' is the output file '" + output + "'."));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(d.t.list(), (std::vector<std::string>{"app.lkr", "lib.o", "main.o"}));
  }
}

TEST(ZorvikLink, ThePartialMapOfAFailedLinkIsReplacedByTheFullMap) {
  LinkDir d;
  writeProgram(d, kFamilies[0]);
  RunResult failed = linkMirrow(d, "main.o", {"/o", "app.cof", "/m", "app.map"});
  EXPECT_EQ(failed.out, errorRun("could not resolve symbol 'fn' in file './main.o'."));
  EXPECT_EQ(failed.status, 1);
  EXPECT_NE(d.t.read("app.map").find("This is only a partial map file"), std::string::npos);
  RunResult linked = linkMirrow(d, "main.o lib.o", {"/o", "app.cof", "/m", "app.map"});
  EXPECT_EQ(linked.out, linkedRun());
  EXPECT_EQ(timeless(d.t.read("app.map")), kFamilies[0].map);
  EXPECT_EQ(wordDump(d.t.read("app.cof")), kFamilies[0].dump);
}

TEST(ZorvikLink, StrippedOutputWithAStack) {
  LinkDir d;
  writeProgram(d, kFamilies[0]);
  RunResult r = linkMirrow(d, "main.o lib.o\nSTACK SIZE=0x4 RAM=bank", {"/s", "/o", "app.cof"});
  EXPECT_EQ(r.out, linkedRun());
  // f_flags 0x0086, no symbol table; ".stack" takes 0x20 to 0x23, so `count`
  // moves to 0x25 (movwf 0x00a5).
  EXPECT_EQ(wordDump(d.t.read("app.cof")), R"(1234 0006 0000 0000 0000 0000 0000 0000
0010 0086 0000 0000 1008 0000 000e 0000
0008 0000 632e 646f 0065 0000 0002 0000
0000 0000 0004 0000 0114 0000 0000 0000
0000 0000 0000 0000 0020 0000 6176 7372
0000 0000 0024 0000 0000 0000 0002 0000
0000 0000 0000 0000 0000 0000 0000 0000
0080 0000 6c2e 6269 0000 0000 0004 0000
0000 0000 0004 0000 0118 0000 0000 0000
0000 0000 0000 0000 0020 0000 632e 6e69
7469 0000 0000 0000 0000 0000 0004 0000
011c 0000 0000 0000 0000 0000 0000 0000
0100 0000 732e 6174 6b63 0000 0020 0000
0000 0000 0004 0000 0000 0000 0000 0000
0000 0000 0000 0000 0080 0000 662e 6c69
5f6c 0031 0006 0000 0000 0000 0014 0000
0120 0000 0000 0000 0000 0000 0000 0000
0020 0000 2004 00a5 0000 0000 3400 3400
3fff 3fff 3fff 3fff 3fff 3fff 3fff 3fff
3fff 3fff 0015 0000 696c 2e62 7361 006d
616d 6e69 612e 6d73 0000
)");
  expectSound(d, "app.cof");
}

// Two Quenby objects, the second with an initialised variable (its ROM image
// and the ".cinit" entry for it), line numbers and a function whose aux entry
// points at its line: the second object's symbol and line indexes move up
// behind the first's.
TEST(ZorvikLink, RomImagesAndIndexShifts) {
  LinkDir d;
  writeProgram(d, kFamilies[1]);
  CoffBuilder b("data.o");
  b.optionalHeader(kQuenby122, 16);
  uint32_t file = b.fileSymbol("data.asm");
  int code = b.section(".data_code", SCN_CODE);
  b.words(code, {0x0012, 0x0012});
  b.line(code, file, 7, 0, 0, 0);
  b.line(code, file, 8, 2, 0, 0);
  int init = b.section("init", SCN_IDATA);
  b.contents(init, {0x12, 0x34, 0x56});
  b.function("get", 0, static_cast<int16_t>(code), 4);
  b.symbol("value", 0, static_cast<int16_t>(init), C_EXT);
  d.object("data.o", b);
  RunResult r = d.run(std::string(kFamilies[1].lkr) + "FILES main.o lib.o data.o\n",
                      {"/o", "app.cof", "/m", "app.map"});
  EXPECT_EQ(r.out, linkedRun());
  EXPECT_EQ(timeless(d.t.read("app.map")), R"((banner)
Linker Map File - Created (time)

                                 Section Info
                  Section       Type    Address   Location Size(Bytes)
                ---------  ---------  ---------  ---------  ---------
                   .cinit    romdata   0x000000    program   0x000008
                    .code       code   0x000004    program   0x000004
               .data_code       code   0x000006    program   0x000004
                     .lib       code   0x000008    program   0x000004
                   init_i    romdata   0x00000a    program   0x000003
                  .fill_1       code   0x00000c    program   0x000008
                     init      idata   0x000020       data   0x000003
                     vars      udata   0x000023       data   0x000002



                              Program Memory Usage 
                               Start         End      
                           ---------   ---------      
                            0x000000    0x00000f      
            16 out of 16 program addresses used, program memory utilization is 100%



                              Symbols - Sorted by Name
                     Name    Address   Location    Storage File                     
                ---------  ---------  ---------  --------- ---------                
                       fn   0x000008    program     extern lib.asm                  
                      get   0x000006    program     extern data.asm                 
                     main   0x000004    program     extern main.asm                 
                    count   0x000024       data     extern main.asm                 
                    value   0x000020       data     extern data.asm                 



                              Symbols - Sorted by Address
                     Name    Address   Location    Storage File                     
                ---------  ---------  ---------  --------- ---------                
                     main   0x000004    program     extern main.asm                 
                      get   0x000006    program     extern data.asm                 
                       fn   0x000008    program     extern lib.asm                  
                    value   0x000020       data     extern data.asm                 
                    count   0x000024       data     extern main.asm                 


)");
  // ".cinit" holds one entry: 0001, then ROM 0x000a, RAM 0x0020, 3 bytes. The
  // ROM image init_i copies init's bytes 12 34 56. Both line entries name the
  // ".file" of data.o at its new index 0x000a, at addresses 6 and 8.
  EXPECT_EQ(wordDump(d.t.read("app.cof")), R"(1234 0008 0000 0000 01a6 0000 000f 0000
0010 0002 0000 0000 207a 0000 0010 0000
0008 0000 632e 646f 0065 0000 0004 0000
0000 0000 0004 0000 0164 0000 0000 0000
0000 0000 0000 0000 0020 0000 6176 7372
0000 0000 0023 0000 0000 0000 0002 0000
0000 0000 0000 0000 0000 0000 0000 0000
0080 0000 6c2e 6269 0000 0000 0008 0000
0000 0000 0004 0000 0168 0000 0000 0000
0000 0000 0000 0000 0020 0000 0000 0000
0004 0000 0006 0000 0000 0000 0004 0000
016c 0000 0000 0000 0186 0000 0000 0002
0020 0000 6e69 7469 0000 0000 0020 0000
0000 0000 0003 0000 0170 0000 0000 0000
0000 0000 0000 0000 0040 0000 6e69 7469
695f 0000 000a 0000 0000 0000 0003 0000
0173 0000 0000 0000 0000 0000 0000 0000
0100 0000 632e 6e69 7469 0000 0000 0000
0000 0000 0008 0000 0176 0000 0000 0000
0000 0000 0000 0000 0100 0000 662e 6c69
5f6c 0031 000c 0000 0000 0000 0008 0000
017e 0000 0000 0000 0000 0000 0000 0000
0020 0000 e008 6a24 0000 0000 0012 0012
3412 1256 5634 0001 000a 0020 0003 ffff
ffff ffff ffff 000a 0000 0007 0006 0000
0000 000a 0000 000a 0000 0008 0008 0000
0000 000a 0000 662e 6c69 0065 0000 0000
0000 fffe 0000 0167 0020 0000 0000 0000
0000 0000 0000 0000 0000 616d 6e69 0000
0000 0004 0000 0001 0020 0102 0000 0000
0002 0000 0000 0000 0000 0000 0000 6f63
6e75 0074 0000 0024 0000 0002 0000 0002
6e66 0000 0000 0000 0008 0000 0000 0000
0002 662e 6c69 0065 0000 0000 0000 fffe
0000 0167 0018 0000 0000 0000 0000 0000
0000 0000 0000 6e66 0000 0000 0000 0008
0000 0003 0020 0102 0006 0000 0002 0000
0000 0000 0006 0000 0000 662e 6c69 0065
0000 0000 0000 fffe 0000 0167 000f 0000
0000 0000 0000 0000 0000 0000 0000 6567
0074 0000 0000 0006 0000 0004 0020 0102
000a 0000 0004 0000 0000 0000 000a 0000
0000 6176 756c 0065 0000 0020 0000 0005
0000 0002 0029 0000 642e 7461 5f61 6f63
6564 6400 7461 2e61 7361 006d 696c 2e62
7361 006d 616d 6e69 612e 6d73 0000
)");
  expectSound(d, "app.cof");
}

}  // namespace
