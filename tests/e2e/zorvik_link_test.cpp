// Whole links, one small program per core family: the output file, as the
// Coff dump prints it field by field (its time stamp aside), and the map file
// (its time line aside) compared with what they must hold, the patched words of
// a call and a data reference included. Every
// output reads back, verifies and converts to HEX.
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "Coff.h"
#include "CoffPrint.h"
#include "mgreloct.h"
#include "zorvik_link_support.h"

namespace {

// The bytes that the dump of a record does not show: flipping such a byte
// leaves the printed text as it is. Each one that is not zero is named.
template <class Record, class Print>
std::string unshownBytes(const Record& record, Print print, const std::string& what) {
  auto text = [&](const Record& r) {
    std::ostringstream os;
    print(r, os);
    return os.str();
  };
  const std::string shown = text(record);
  std::string out;
  for (size_t k = 0; k < sizeof(Record); ++k) {
    Record flipped = record;
    reinterpret_cast<unsigned char*>(&flipped)[k] ^= 0xFF;
    const unsigned value = reinterpret_cast<const unsigned char*>(&record)[k];
    if (value != 0 && text(flipped) == shown) {
      out += "unshown byte " + std::to_string(k) + " of " + what + ": " + std::to_string(value) +
             "\n";
    }
  }
  return out;
}

// The executable as the project's Coff dump prints it: the file and optional
// headers field by field, then per section its header, line numbers,
// relocations and contents, the symbol table entry by entry and the string
// table. The time stamp line is made constant. The dump covers every byte of
// the file: the text ends with a note when the image, written again from what
// was read, is not the same bytes, or when a section header or symbol-table
// entry holds a byte that the dump does not show (a name's bytes after its NUL,
// the unused bytes of an auxiliary entry) and that is not zero.
std::string coffText(const std::string& bytes) {
  std::istringstream in(bytes);
  std::unique_ptr<Coff> coff = Coff::make(in, 0, "output");
  if (!coff) return "(the output does not read)\n";
  std::ostringstream dump;
  coff->print(dump);
  std::string text = dump.str();
  const size_t at = text.find("f_timdat=");
  if (at != std::string::npos) text.replace(at, text.find('\n', at) - at, "f_timdat=(time)");
  std::ostringstream again;
  if (!coff->write(again, 0) || again.str() != bytes)
    text += "(written again, the image differs)\n";
  for (const auto& [number, name] : coff->cScnNum) {
    text += unshownBytes(coff->cScnHdr.at(name), printScnhdr,
                         "section header " + std::to_string(number));
  }
  for (size_t i = 0; i < coff->cSymbols.size(); ++i) {
    const unsigned kind = coff->cAuxKinds[i];
    text += unshownBytes(
        coff->cSymbols[i],
        [kind](const SymEntry& e, std::ostream& os) { printSymEntry(e, kind, os); },
        "symbol-table entry " + std::to_string(i));
  }
  return text;
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
  uint32_t unit;               // bytes per program word in r_vaddr
  std::vector<uint16_t> code;  // call fn, data reference to `count`
  const char* lkr;             // memories
  const char* map;             // expected map, time line aside
  const char* dump;            // expected output file as coffText gives it
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
// Section contents print byte by byte, the low byte of each word first.
const Family kFamilies[] = {
    {"Mirrow",
     kMirrow8,
     14,
     2,
     {0x2000, 0x0080},
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
     R"(CoffFile: 

File Header: 
f_magic=4660
f_nscns=5
f_timdat=(time)
f_symptr=0x0000010c
f_nsyms=10
f_opthdr=16
f_flags=0x0002

Optional Header: 
magic=0
vstamp=0
proc_type=0x00001008
rom_width_bits=14
ram_width_bits=8

Section Header: 
_s_name=.code
s_paddr=0x00000002
s_vaddr=0x00000000
s_size=0x00000004
s_scnptr=0x000000ec
s_relptr=0x00000000
s_lnnoptr=0x00000000
s_nreloc=0
s_nlnno=0
s_flags=0x00000020

Raw Data: 
0420a100


Section Header: 
_s_name=vars
s_paddr=0x00000020
s_vaddr=0x00000000
s_size=0x00000002
s_scnptr=0x00000000
s_relptr=0x00000000
s_lnnoptr=0x00000000
s_nreloc=0
s_nlnno=0
s_flags=0x00000080

Raw Data: 
0000


Section Header: 
_s_name=.lib
s_paddr=0x00000004
s_vaddr=0x00000000
s_size=0x00000004
s_scnptr=0x000000f0
s_relptr=0x00000000
s_lnnoptr=0x00000000
s_nreloc=0
s_nlnno=0
s_flags=0x00000020

Raw Data: 
00000000


Section Header: 
_s_name=.cinit
s_paddr=0x00000000
s_vaddr=0x00000000
s_size=0x00000004
s_scnptr=0x000000f4
s_relptr=0x00000000
s_lnnoptr=0x00000000
s_nreloc=0
s_nlnno=0
s_flags=0x00000100

Raw Data: 
00340034


Section Header: 
_s_name=.fill_1
s_paddr=0x00000006
s_vaddr=0x00000000
s_size=0x00000014
s_scnptr=0x000000f8
s_relptr=0x00000000
s_lnnoptr=0x00000000
s_nreloc=0
s_nlnno=0
s_flags=0x00000020

Raw Data: 
ff3fff3f ff3fff3f ff3fff3f ff3fff3f ff3fff3f


Symbol Table: 
Index[0]= Symbol: _n_name=.file, n_value=0x00000000, n_scnum=-2, n_type=0x0000, n_sclass=103, n_numaux=1
Index[1]= Aux File: x_offset=12, x_incline=0
Index[2]= Symbol: _n_name=main, n_value=0x00000002, n_scnum=1, n_type=0x0020, n_sclass=2, n_numaux=1
Index[3]= Aux Fcn: x_tagndx=0 (unused?), x_size=2 (unused?), x_lnnoptr=0x00000000, x_edndx=0
Index[4]= Symbol: _n_name=count, n_value=0x00000021, n_scnum=2, n_type=0x0000, n_sclass=2, n_numaux=0
Index[5]= Symbol: _n_name=fn, n_value=0x00000004, n_scnum=0, n_type=0x0000, n_sclass=2, n_numaux=0
Index[6]= Symbol: _n_name=.file, n_value=0x00000000, n_scnum=-2, n_type=0x0000, n_sclass=103, n_numaux=1
Index[7]= Aux File: x_offset=4, x_incline=0
Index[8]= Symbol: _n_name=fn, n_value=0x00000004, n_scnum=3, n_type=0x0020, n_sclass=2, n_numaux=1
Index[9]= Aux Fcn: x_tagndx=6 (unused?), x_size=2 (unused?), x_lnnoptr=0x00000000, x_edndx=6

String Table: 
Offset[4]= lib.asm
Offset[12]= main.asm

)"},
    {"Quenby",
     kQuenby122,
     16,
     2,
     {0xE000, 0x6A00},
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
     R"(CoffFile: 

File Header: 
f_magic=4660
f_nscns=5
f_timdat=(time)
f_symptr=0x0000010c
f_nsyms=10
f_opthdr=16
f_flags=0x0002

Optional Header: 
magic=0
vstamp=0
proc_type=0x0000207a
rom_width_bits=16
ram_width_bits=8

Section Header: 
_s_name=.code
s_paddr=0x00000001
s_vaddr=0x00000000
s_size=0x00000004
s_scnptr=0x000000ec
s_relptr=0x00000000
s_lnnoptr=0x00000000
s_nreloc=0
s_nlnno=0
s_flags=0x00000020

Raw Data: 
03e0216a


Section Header: 
_s_name=vars
s_paddr=0x00000020
s_vaddr=0x00000000
s_size=0x00000002
s_scnptr=0x00000000
s_relptr=0x00000000
s_lnnoptr=0x00000000
s_nreloc=0
s_nlnno=0
s_flags=0x00000080

Raw Data: 
0000


Section Header: 
_s_name=.lib
s_paddr=0x00000003
s_vaddr=0x00000000
s_size=0x00000004
s_scnptr=0x000000f0
s_relptr=0x00000000
s_lnnoptr=0x00000000
s_nreloc=0
s_nlnno=0
s_flags=0x00000020

Raw Data: 
00000000


Section Header: 
_s_name=.cinit
s_paddr=0x00000000
s_vaddr=0x00000000
s_size=0x00000002
s_scnptr=0x000000f4
s_relptr=0x00000000
s_lnnoptr=0x00000000
s_nreloc=0
s_nlnno=0
s_flags=0x00000100

Raw Data: 
0000


Section Header: 
_s_name=.fill_1
s_paddr=0x00000005
s_vaddr=0x00000000
s_size=0x00000016
s_scnptr=0x000000f6
s_relptr=0x00000000
s_lnnoptr=0x00000000
s_nreloc=0
s_nlnno=0
s_flags=0x00000020

Raw Data: 
ffffffff ffffffff ffffffff ffffffff ffffffff ffff


Symbol Table: 
Index[0]= Symbol: _n_name=.file, n_value=0x00000000, n_scnum=-2, n_type=0x0000, n_sclass=103, n_numaux=1
Index[1]= Aux File: x_offset=12, x_incline=0
Index[2]= Symbol: _n_name=main, n_value=0x00000001, n_scnum=1, n_type=0x0020, n_sclass=2, n_numaux=1
Index[3]= Aux Fcn: x_tagndx=0 (unused?), x_size=2 (unused?), x_lnnoptr=0x00000000, x_edndx=0
Index[4]= Symbol: _n_name=count, n_value=0x00000021, n_scnum=2, n_type=0x0000, n_sclass=2, n_numaux=0
Index[5]= Symbol: _n_name=fn, n_value=0x00000003, n_scnum=0, n_type=0x0000, n_sclass=2, n_numaux=0
Index[6]= Symbol: _n_name=.file, n_value=0x00000000, n_scnum=-2, n_type=0x0000, n_sclass=103, n_numaux=1
Index[7]= Aux File: x_offset=4, x_incline=0
Index[8]= Symbol: _n_name=fn, n_value=0x00000003, n_scnum=3, n_type=0x0020, n_sclass=2, n_numaux=1
Index[9]= Aux Fcn: x_tagndx=6 (unused?), x_size=2 (unused?), x_lnnoptr=0x00000000, x_edndx=6

String Table: 
Offset[4]= lib.asm
Offset[12]= main.asm

)"},
    {"Tarsel",
     kTarsel1,
     12,
     2,
     {0x0900, 0x0020},
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
     R"(CoffFile: 

File Header: 
f_magic=4660
f_nscns=5
f_timdat=(time)
f_symptr=0x0000010c
f_nsyms=10
f_opthdr=16
f_flags=0x0002

Optional Header: 
magic=0
vstamp=0
proc_type=0x00003001
rom_width_bits=12
ram_width_bits=8

Section Header: 
_s_name=.code
s_paddr=0x00000002
s_vaddr=0x00000000
s_size=0x00000004
s_scnptr=0x000000ec
s_relptr=0x00000000
s_lnnoptr=0x00000000
s_nreloc=0
s_nlnno=0
s_flags=0x00000020

Raw Data: 
04093100


Section Header: 
_s_name=vars
s_paddr=0x00000010
s_vaddr=0x00000000
s_size=0x00000002
s_scnptr=0x00000000
s_relptr=0x00000000
s_lnnoptr=0x00000000
s_nreloc=0
s_nlnno=0
s_flags=0x00000080

Raw Data: 
0000


Section Header: 
_s_name=.lib
s_paddr=0x00000004
s_vaddr=0x00000000
s_size=0x00000004
s_scnptr=0x000000f0
s_relptr=0x00000000
s_lnnoptr=0x00000000
s_nreloc=0
s_nlnno=0
s_flags=0x00000020

Raw Data: 
00000000


Section Header: 
_s_name=.cinit
s_paddr=0x00000000
s_vaddr=0x00000000
s_size=0x00000004
s_scnptr=0x000000f4
s_relptr=0x00000000
s_lnnoptr=0x00000000
s_nreloc=0
s_nlnno=0
s_flags=0x00000100

Raw Data: 
00080008


Section Header: 
_s_name=.fill_1
s_paddr=0x00000006
s_vaddr=0x00000000
s_size=0x00000014
s_scnptr=0x000000f8
s_relptr=0x00000000
s_lnnoptr=0x00000000
s_nreloc=0
s_nlnno=0
s_flags=0x00000020

Raw Data: 
ff0fff0f ff0fff0f ff0fff0f ff0fff0f ff0fff0f


Symbol Table: 
Index[0]= Symbol: _n_name=.file, n_value=0x00000000, n_scnum=-2, n_type=0x0000, n_sclass=103, n_numaux=1
Index[1]= Aux File: x_offset=12, x_incline=0
Index[2]= Symbol: _n_name=main, n_value=0x00000002, n_scnum=1, n_type=0x0020, n_sclass=2, n_numaux=1
Index[3]= Aux Fcn: x_tagndx=0 (unused?), x_size=2 (unused?), x_lnnoptr=0x00000000, x_edndx=0
Index[4]= Symbol: _n_name=count, n_value=0x00000011, n_scnum=2, n_type=0x0000, n_sclass=2, n_numaux=0
Index[5]= Symbol: _n_name=fn, n_value=0x00000004, n_scnum=0, n_type=0x0000, n_sclass=2, n_numaux=0
Index[6]= Symbol: _n_name=.file, n_value=0x00000000, n_scnum=-2, n_type=0x0000, n_sclass=103, n_numaux=1
Index[7]= Aux File: x_offset=4, x_incline=0
Index[8]= Symbol: _n_name=fn, n_value=0x00000004, n_scnum=3, n_type=0x0020, n_sclass=2, n_numaux=1
Index[9]= Aux Fcn: x_tagndx=6 (unused?), x_size=2 (unused?), x_lnnoptr=0x00000000, x_edndx=6

String Table: 
Offset[4]= lib.asm
Offset[12]= main.asm

)"},
    {"Halvern",
     kHalvern133,
     8,
     2,
     {0xEC00, 0x6E00},
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
     R"(CoffFile: 

File Header: 
f_magic=4660
f_nscns=5
f_timdat=(time)
f_symptr=0x0000010c
f_nsyms=10
f_opthdr=16
f_flags=0x0002

Optional Header: 
magic=0
vstamp=0
proc_type=0x00004085
rom_width_bits=8
ram_width_bits=8

Section Header: 
_s_name=.code
s_paddr=0x00000002
s_vaddr=0x00000000
s_size=0x00000004
s_scnptr=0x000000ec
s_relptr=0x00000000
s_lnnoptr=0x00000000
s_nreloc=0
s_nlnno=0
s_flags=0x00000020

Raw Data: 
03ec616e


Section Header: 
_s_name=vars
s_paddr=0x00000060
s_vaddr=0x00000000
s_size=0x00000002
s_scnptr=0x00000000
s_relptr=0x00000000
s_lnnoptr=0x00000000
s_nreloc=0
s_nlnno=0
s_flags=0x00000080

Raw Data: 
0000


Section Header: 
_s_name=.lib
s_paddr=0x00000006
s_vaddr=0x00000000
s_size=0x00000004
s_scnptr=0x000000f0
s_relptr=0x00000000
s_lnnoptr=0x00000000
s_nreloc=0
s_nlnno=0
s_flags=0x00000020

Raw Data: 
00000000


Section Header: 
_s_name=.cinit
s_paddr=0x00000000
s_vaddr=0x00000000
s_size=0x00000002
s_scnptr=0x000000f4
s_relptr=0x00000000
s_lnnoptr=0x00000000
s_nreloc=0
s_nlnno=0
s_flags=0x00000100

Raw Data: 
0000


Section Header: 
_s_name=.fill_1
s_paddr=0x0000000a
s_vaddr=0x00000000
s_size=0x00000016
s_scnptr=0x000000f6
s_relptr=0x00000000
s_lnnoptr=0x00000000
s_nreloc=0
s_nlnno=0
s_flags=0x00000020

Raw Data: 
ffffffff ffffffff ffffffff ffffffff ffffffff ffff


Symbol Table: 
Index[0]= Symbol: _n_name=.file, n_value=0x00000000, n_scnum=-2, n_type=0x0000, n_sclass=103, n_numaux=1
Index[1]= Aux File: x_offset=12, x_incline=0
Index[2]= Symbol: _n_name=main, n_value=0x00000002, n_scnum=1, n_type=0x0020, n_sclass=2, n_numaux=1
Index[3]= Aux Fcn: x_tagndx=0 (unused?), x_size=2 (unused?), x_lnnoptr=0x00000000, x_edndx=0
Index[4]= Symbol: _n_name=count, n_value=0x00000061, n_scnum=2, n_type=0x0000, n_sclass=2, n_numaux=0
Index[5]= Symbol: _n_name=fn, n_value=0x00000006, n_scnum=0, n_type=0x0000, n_sclass=2, n_numaux=0
Index[6]= Symbol: _n_name=.file, n_value=0x00000000, n_scnum=-2, n_type=0x0000, n_sclass=103, n_numaux=1
Index[7]= Aux File: x_offset=4, x_incline=0
Index[8]= Symbol: _n_name=fn, n_value=0x00000006, n_scnum=3, n_type=0x0020, n_sclass=2, n_numaux=1
Index[9]= Aux Fcn: x_tagndx=6 (unused?), x_size=2 (unused?), x_lnnoptr=0x00000000, x_edndx=6

String Table: 
Offset[4]= lib.asm
Offset[12]= main.asm

)"},
};

TEST(ZorvikLink, EachFamilyLinksAProgram) {
  for (const Family& f : kFamilies) {
    SCOPED_TRACE(f.name);
    LinkDir d;
    writeProgram(d, f);
    RunResult r = d.run(std::string(f.lkr) + "FILES main.o lib.o\n",
                        {"/o", "app.cof", "/m", "app.map"});
    EXPECT_EQ(r.out, linkedRun());
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(timeless(d.t.read("app.map")), f.map);
    EXPECT_EQ(coffText(d.t.read("app.cof")), f.dump);
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
  EXPECT_EQ(coffText(d.t.read("a.out")), kFamilies[0].dump);
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
    EXPECT_EQ(r.out,
              errorRun("the map file '" + args.back() + "' is the output file '" + output + "'."));
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
  EXPECT_EQ(coffText(d.t.read("app.cof")), kFamilies[0].dump);
}

TEST(ZorvikLink, StrippedOutputWithAStack) {
  LinkDir d;
  writeProgram(d, kFamilies[0]);
  RunResult r = linkMirrow(d, "main.o lib.o\nSTACK SIZE=0x4 RAM=bank", {"/s", "/o", "app.cof"});
  EXPECT_EQ(r.out, linkedRun());
  // f_flags 0x0086, no symbol table; ".stack" takes 0x20 to 0x23, so `count`
  // moves to 0x25 (movwf 0x00a5).
  EXPECT_EQ(coffText(d.t.read("app.cof")), R"(CoffFile: 

File Header: 
f_magic=4660
f_nscns=6
f_timdat=(time)
f_symptr=0x00000000
f_nsyms=0
f_opthdr=16
f_flags=0x0086

Optional Header: 
magic=0
vstamp=0
proc_type=0x00001008
rom_width_bits=14
ram_width_bits=8

Section Header: 
_s_name=.code
s_paddr=0x00000002
s_vaddr=0x00000000
s_size=0x00000004
s_scnptr=0x00000114
s_relptr=0x00000000
s_lnnoptr=0x00000000
s_nreloc=0
s_nlnno=0
s_flags=0x00000020

Raw Data: 
0420a500


Section Header: 
_s_name=vars
s_paddr=0x00000024
s_vaddr=0x00000000
s_size=0x00000002
s_scnptr=0x00000000
s_relptr=0x00000000
s_lnnoptr=0x00000000
s_nreloc=0
s_nlnno=0
s_flags=0x00000080

Raw Data: 
0000


Section Header: 
_s_name=.lib
s_paddr=0x00000004
s_vaddr=0x00000000
s_size=0x00000004
s_scnptr=0x00000118
s_relptr=0x00000000
s_lnnoptr=0x00000000
s_nreloc=0
s_nlnno=0
s_flags=0x00000020

Raw Data: 
00000000


Section Header: 
_s_name=.cinit
s_paddr=0x00000000
s_vaddr=0x00000000
s_size=0x00000004
s_scnptr=0x0000011c
s_relptr=0x00000000
s_lnnoptr=0x00000000
s_nreloc=0
s_nlnno=0
s_flags=0x00000100

Raw Data: 
00340034


Section Header: 
_s_name=.stack
s_paddr=0x00000020
s_vaddr=0x00000000
s_size=0x00000004
s_scnptr=0x00000000
s_relptr=0x00000000
s_lnnoptr=0x00000000
s_nreloc=0
s_nlnno=0
s_flags=0x00000080

Raw Data: 
00000000


Section Header: 
_s_name=.fill_1
s_paddr=0x00000006
s_vaddr=0x00000000
s_size=0x00000014
s_scnptr=0x00000120
s_relptr=0x00000000
s_lnnoptr=0x00000000
s_nreloc=0
s_nlnno=0
s_flags=0x00000020

Raw Data: 
ff3fff3f ff3fff3f ff3fff3f ff3fff3f ff3fff3f


Symbol Table: 
String Table: 
Offset[4]= lib.asm
Offset[12]= main.asm

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
  EXPECT_EQ(coffText(d.t.read("app.cof")), R"(CoffFile: 

File Header: 
f_magic=4660
f_nscns=8
f_timdat=(time)
f_symptr=0x000001a6
f_nsyms=15
f_opthdr=16
f_flags=0x0002

Optional Header: 
magic=0
vstamp=0
proc_type=0x0000207a
rom_width_bits=16
ram_width_bits=8

Section Header: 
_s_name=.code
s_paddr=0x00000004
s_vaddr=0x00000000
s_size=0x00000004
s_scnptr=0x00000164
s_relptr=0x00000000
s_lnnoptr=0x00000000
s_nreloc=0
s_nlnno=0
s_flags=0x00000020

Raw Data: 
08e0246a


Section Header: 
_s_name=vars
s_paddr=0x00000023
s_vaddr=0x00000000
s_size=0x00000002
s_scnptr=0x00000000
s_relptr=0x00000000
s_lnnoptr=0x00000000
s_nreloc=0
s_nlnno=0
s_flags=0x00000080

Raw Data: 
0000


Section Header: 
_s_name=.lib
s_paddr=0x00000008
s_vaddr=0x00000000
s_size=0x00000004
s_scnptr=0x00000168
s_relptr=0x00000000
s_lnnoptr=0x00000000
s_nreloc=0
s_nlnno=0
s_flags=0x00000020

Raw Data: 
00000000


Section Header: 
_s_offset=4
s_paddr=0x00000006
s_vaddr=0x00000000
s_size=0x00000004
s_scnptr=0x0000016c
s_relptr=0x00000000
s_lnnoptr=0x00000186
s_nreloc=0
s_nlnno=2
s_flags=0x00000020

Line Number: l_srcndx=10, l_lnno=7, l_paddr=0x00000006, l_flags=0x0000, l_fcnndx=10
Line Number: l_srcndx=10, l_lnno=8, l_paddr=0x00000008, l_flags=0x0000, l_fcnndx=10

Raw Data: 
12001200


Section Header: 
_s_name=init
s_paddr=0x00000020
s_vaddr=0x00000000
s_size=0x00000003
s_scnptr=0x00000170
s_relptr=0x00000000
s_lnnoptr=0x00000000
s_nreloc=0
s_nlnno=0
s_flags=0x00000040

Raw Data: 
123456


Section Header: 
_s_name=init_i
s_paddr=0x0000000a
s_vaddr=0x00000000
s_size=0x00000003
s_scnptr=0x00000173
s_relptr=0x00000000
s_lnnoptr=0x00000000
s_nreloc=0
s_nlnno=0
s_flags=0x00000100

Raw Data: 
123456


Section Header: 
_s_name=.cinit
s_paddr=0x00000000
s_vaddr=0x00000000
s_size=0x00000008
s_scnptr=0x00000176
s_relptr=0x00000000
s_lnnoptr=0x00000000
s_nreloc=0
s_nlnno=0
s_flags=0x00000100

Raw Data: 
01000a00 20000300


Section Header: 
_s_name=.fill_1
s_paddr=0x0000000c
s_vaddr=0x00000000
s_size=0x00000008
s_scnptr=0x0000017e
s_relptr=0x00000000
s_lnnoptr=0x00000000
s_nreloc=0
s_nlnno=0
s_flags=0x00000020

Raw Data: 
ffffffff ffffffff


Symbol Table: 
Index[0]= Symbol: _n_name=.file, n_value=0x00000000, n_scnum=-2, n_type=0x0000, n_sclass=103, n_numaux=1
Index[1]= Aux File: x_offset=32, x_incline=0
Index[2]= Symbol: _n_name=main, n_value=0x00000004, n_scnum=1, n_type=0x0020, n_sclass=2, n_numaux=1
Index[3]= Aux Fcn: x_tagndx=0 (unused?), x_size=2 (unused?), x_lnnoptr=0x00000000, x_edndx=0
Index[4]= Symbol: _n_name=count, n_value=0x00000024, n_scnum=2, n_type=0x0000, n_sclass=2, n_numaux=0
Index[5]= Symbol: _n_name=fn, n_value=0x00000008, n_scnum=0, n_type=0x0000, n_sclass=2, n_numaux=0
Index[6]= Symbol: _n_name=.file, n_value=0x00000000, n_scnum=-2, n_type=0x0000, n_sclass=103, n_numaux=1
Index[7]= Aux File: x_offset=24, x_incline=0
Index[8]= Symbol: _n_name=fn, n_value=0x00000008, n_scnum=3, n_type=0x0020, n_sclass=2, n_numaux=1
Index[9]= Aux Fcn: x_tagndx=6 (unused?), x_size=2 (unused?), x_lnnoptr=0x00000000, x_edndx=6
Index[10]= Symbol: _n_name=.file, n_value=0x00000000, n_scnum=-2, n_type=0x0000, n_sclass=103, n_numaux=1
Index[11]= Aux File: x_offset=15, x_incline=0
Index[12]= Symbol: _n_name=get, n_value=0x00000006, n_scnum=4, n_type=0x0020, n_sclass=2, n_numaux=1
Index[13]= Aux Fcn: x_tagndx=10 (unused?), x_size=4 (unused?), x_lnnoptr=0x00000000, x_edndx=10
Index[14]= Symbol: _n_name=value, n_value=0x00000020, n_scnum=5, n_type=0x0000, n_sclass=2, n_numaux=0

String Table: 
Offset[4]= .data_code
Offset[15]= data.asm
Offset[24]= lib.asm
Offset[32]= main.asm

)");
  expectSound(d, "app.cof");
}

}  // namespace
