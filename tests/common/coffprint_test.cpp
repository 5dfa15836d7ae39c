#include "CoffPrint.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <functional>
#include <sstream>
#include <string>

#include "Coff.h"

namespace {

std::string text(const std::function<void(std::ostream&)>& printer) {
  std::ostringstream os;
  printer(os);
  return os.str();
}

void setInline(char* field, const char* name) {
  std::memset(field, 0, 8);
  std::memcpy(field, name, std::strlen(name));
}

class CoffPrint : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* tz = std::getenv("TZ");
    if (tz != nullptr) cOldTz = tz, cHadTz = true;
    setenv("TZ", "UTC", 1);
    tzset();
  }
  void TearDown() override {
    if (cHadTz)
      setenv("TZ", cOldTz.c_str(), 1);
    else
      unsetenv("TZ");
    tzset();
  }

 private:
  std::string cOldTz;
  bool cHadTz = false;
};

TEST_F(CoffPrint, HeaderPrinters) {
  filehdr f;
  f.f_magic = 0x1234;
  f.f_nscns = 2;
  f.f_timdat = 86400 * 3 + 3661;  // Sun Jan  4 01:01:01 1970 UTC
  f.f_symptr = 0x1a2b;
  f.f_nsyms = 7;
  f.f_opthdr = 16;
  f.f_flags = 0x12;
  EXPECT_EQ(text([&](std::ostream& os) { printFilehdr(f, os); }),
            "File Header: \n"
            "f_magic=4660\n"
            "f_nscns=2\n"
            "f_timdat=262861 (Sun Jan  4 01:01:01 1970) \n"
            "f_symptr=0x00001a2b\n"
            "f_nsyms=7\n"
            "f_opthdr=16\n"
            "f_flags=0x0012\n");

  opthdr o;
  o.magic = 0x5678;
  o.vstamp = 1;
  o.proc_type = 0x4452;
  o.rom_width_bits = 16;
  o.ram_width_bits = 8;
  EXPECT_EQ(text([&](std::ostream& os) { printOpthdr(o, os); }),
            "Optional Header: \n"
            "magic=22136\n"
            "vstamp=1\n"
            "proc_type=0x00004452\n"
            "rom_width_bits=16\n"
            "ram_width_bits=8\n");

  scnhdr s;
  setInline(s.s_name, "abcdefgh");  // exactly 8 characters: no NUL in the field
  s.s_paddr = 0x10;
  s.s_vaddr = 0x20;
  s.s_size = 0x30;
  s.s_scnptr = 0x40;
  s.s_relptr = 0x50;
  s.s_lnnoptr = 0x60;
  s.s_nreloc = 3;
  s.s_nlnno = 4;
  s.s_flags = 0x1020;
  const std::string fields =
      "s_paddr=0x00000010\ns_vaddr=0x00000020\ns_size=0x00000030\ns_scnptr=0x00000040\n"
      "s_relptr=0x00000050\ns_lnnoptr=0x00000060\ns_nreloc=3\ns_nlnno=4\ns_flags=0x00001020\n";
  EXPECT_EQ(text([&](std::ostream& os) { printScnhdr(s, os); }),
            "Section Header: \n_s_name=abcdefgh\n" + fields);
  s.setSOffset(42);
  EXPECT_EQ(text([&](std::ostream& os) { printScnhdr(s, os); }),
            "Section Header: \n_s_offset=42\n" + fields);
}

TEST_F(CoffPrint, OneLinePrinters) {
  SymEntry e;
  e.sym.n_value = 0x100;
  e.sym.n_scnum = -2;
  e.sym.n_type = 0x20;
  e.sym.n_sclass = C_EXT;
  e.sym.n_numaux = 1;
  setInline(e.sym.n_name, "main");
  SymEntry longName = e;
  longName.sym.setNOffset(4);

  reloc r;
  r.r_vaddr = 0x12;
  r.r_symndx = 5;
  r.r_offset = -3;
  r.r_type = 9;
  coff_lineno l;
  l.l_srcndx = 1;
  l.l_lnno = 65535;
  l.l_paddr = 0xabc;
  l.l_flags = 1;
  l.l_fcnndx = 6;

  SymEntry aux;
  aux.fcn.x_tagndx = 1;
  aux.fcn.x_size = 2;
  aux.fcn.x_lnnoptr = 0x300;
  aux.fcn.x_endndx = 4;
  SymEntry arr;
  arr.arr.x_tagndx = 1;
  arr.arr.x_lnno = 2;
  arr.arr.x_size = 3;
  for (int i = 0; i < 4; ++i) arr.arr.x_dimen[i] = static_cast<uint16_t>(10 + i);

  struct Case {
    std::function<void(std::ostream&)> printer;
    const char* expected;
  } cases[] = {
      {[&](std::ostream& os) { printReloc(r, os); },
       "Relocation: r_vaddr=0x00000012, r_symndx=5, r_offset=-3, r_type=9\n"},
      {[&](std::ostream& os) { printLineno(l, os); },
       "Line Number: l_srcndx=1, l_lnno=65535, l_paddr=0x00000abc, l_flags=0x0001, l_fcnndx=6\n"},
      {[&](std::ostream& os) { printSyment(e.sym, os); },
       "Symbol: _n_name=main, n_value=0x00000100, n_scnum=-2, n_type=0x0020, n_sclass=2, "
       "n_numaux=1\n"},
      {[&](std::ostream& os) { printSyment(longName.sym, os); },
       "Symbol: _n_offset=4, n_value=0x00000100, n_scnum=-2, n_type=0x0020, n_sclass=2, "
       "n_numaux=1\n"},
      {[&](std::ostream& os) { printAuxFcn(aux.fcn, os); },
       "Aux Fcn: x_tagndx=1 (unused?), x_size=2 (unused?), x_lnnoptr=0x00000300, x_edndx=4\n"},
      {[&](std::ostream& os) { printAuxArr(arr.arr, os); },
       "Aux Arr: x_tagndx=1 (unused?), x_lnno=2 (unused?), x_size=3, x_dimen[0]=10, "
       "x_dimen[1]=11, x_dimen[2]=12, x_dimen[3]=13\n"},
  };
  for (const Case& c : cases) EXPECT_EQ(text(c.printer), c.expected);
}

// Every AuxKind selects its own printer; an unknown kind prints a symbol.
TEST_F(CoffPrint, SymEntryDispatch) {
  SymEntry e;
  const char* prefixes[] = {
      "Symbol: ",  "Aux File: ", "Aux Scn: ",  "Aux Tag: ", "Aux Eos: ", "Aux Fcn: ",
      "Aux Arr: ", "Aux Eobf: ", "Aux Bobf: ", "Aux Var: ", "Symbol: "};
  for (unsigned kind = 0; kind <= 10; ++kind) {
    std::string line = text([&](std::ostream& os) { printSymEntry(e, kind, os); });
    EXPECT_EQ(line.rfind(prefixes[kind], 0), 0u) << kind << ": " << line;
  }
  EXPECT_EQ(text([&](std::ostream& os) { printSymEntry(e, AUX_FILE, os); }),
            "Aux File: x_offset=0, x_incline=0\n");
  EXPECT_EQ(text([&](std::ostream& os) { printSymEntry(e, AUX_SCN, os); }),
            "Aux Scn: x_scnlen=0, x_nreloc=0, x_nlinno=0\n");
  EXPECT_EQ(text([&](std::ostream& os) { printSymEntry(e, AUX_TAG, os); }),
            "Aux Tag: x_size=0, x_endndx=0\n");
  EXPECT_EQ(text([&](std::ostream& os) { printSymEntry(e, AUX_EOS, os); }),
            "Aux Eos: x_tagndx=0, x_size=0\n");
  EXPECT_EQ(text([&](std::ostream& os) { printSymEntry(e, AUX_EOBF, os); }),
            "Aux Eobf: x_lnno=0\n");
  EXPECT_EQ(text([&](std::ostream& os) { printSymEntry(e, AUX_BOBF, os); }),
            "Aux Bobf: x_lnno=0, x_endndx=0\n");
  EXPECT_EQ(text([&](std::ostream& os) { printSymEntry(e, AUX_VAR, os); }),
            "Aux Var: x_tagndx=0, x_size=0\n");
}

TEST_F(CoffPrint, WholeImage) {
  Coff c;
  c.cFileHdr.f_magic = 0x1234;
  c.cFileHdr.f_nscns = 2;
  scnhdr code;
  setInline(code.s_name, ".code");
  scnhdr data;
  setInline(data.s_name, ".udata");
  c.cScnNum = {{1, ".code"}, {2, ".udata"}};
  c.cScnHdr = {{".code", code}, {".udata", data}};
  const uint8_t bytes[] = {1, 2, 3, 4, 5};
  c.cRawData[".code"] = Data(5, bytes);
  c.cRelocs[".code"] = {reloc()};
  c.cLineNums[".code"] = {coff_lineno()};
  c.cRelocs[".udata"];  // an empty list prints nothing
  SymEntry file;
  setInline(file.sym.n_name, ".file");
  file.sym.n_numaux = 1;
  c.cSymbols = {file, SymEntry()};
  c.cAuxKinds = {AUX_NONE, AUX_FILE};

  const std::string zeroHeaders =
      "File Header: \nf_magic=4660\nf_nscns=2\nf_timdat=0 (Thu Jan  1 00:00:00 1970) \n"
      "f_symptr=0x00000000\nf_nsyms=0\nf_opthdr=0\nf_flags=0x0000\n\n"
      "Optional Header: \nmagic=0\nvstamp=0\nproc_type=0x00000000\nrom_width_bits=0\n"
      "ram_width_bits=0\n\n";
  const std::string zeroFields =
      "s_paddr=0x00000000\ns_vaddr=0x00000000\ns_size=0x00000000\ns_scnptr=0x00000000\n"
      "s_relptr=0x00000000\ns_lnnoptr=0x00000000\ns_nreloc=0\ns_nlnno=0\ns_flags=0x00000000\n";
  std::string sections =
      "Section Header: \n_s_name=.code\n" + zeroFields + "\n" +
      "Line Number: l_srcndx=0, l_lnno=0, l_paddr=0x00000000, l_flags=0x0000, l_fcnndx=0\n\n"
      "Relocation: r_vaddr=0x00000000, r_symndx=0, r_offset=0, r_type=0\n\n"
      "Raw Data: \n01020304 05\n\n\n"
      "Section Header: \n_s_name=.udata\n" +
      zeroFields + "\n" + "Raw Data: \n";
  std::string symbols =
      "Symbol Table: \n"
      "Index[0]= Symbol: _n_name=.file, n_value=0x00000000, n_scnum=0, n_type=0x0000, "
      "n_sclass=0, n_numaux=1\n"
      "Index[1]= Aux File: x_offset=0, x_incline=0\n\n";

  // An empty string table prints its title alone.
  EXPECT_EQ(text([&](std::ostream& os) { c.print(os); }),
            "CoffFile: \n\n" + zeroHeaders + sections + symbols + "String Table: \n");

  c.cStringTbl = {{4, "a_long_symbol_name"}, {23, "x"}};
  c.cSymbols.clear();
  c.cAuxKinds.clear();
  EXPECT_EQ(text([&](std::ostream& os) { c.print(os); }),
            "CoffFile: \n\n" + zeroHeaders + sections + "Symbol Table: \n" +
                "String Table: \nOffset[4]= a_long_symbol_name\nOffset[23]= x\n\n");
}

}  // namespace
