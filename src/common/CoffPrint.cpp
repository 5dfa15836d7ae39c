#include "CoffPrint.h"

#include <cstring>
#include <string>

#include "Coff.h"
#include "TextHelpers.h"

namespace {

std::string hex4(uint32_t value) { return toHex(value, 4); }
std::string hex2(uint32_t value) { return toHex(value, 2); }

}  // namespace

void printFilehdr(const filehdr& r, std::ostream& os) {
  os << "File Header: \n";
  os << "f_magic=" << r.f_magic << '\n';
  os << "f_nscns=" << r.f_nscns << '\n';
  os << "f_timdat=" << r.f_timdat << " (" << localTimeText(r.f_timdat) << ") \n";
  os << "f_symptr=" << hex4(r.f_symptr) << '\n';
  os << "f_nsyms=" << r.f_nsyms << '\n';
  os << "f_opthdr=" << r.f_opthdr << '\n';
  os << "f_flags=" << hex2(r.f_flags) << '\n';
}

void printOpthdr(const opthdr& r, std::ostream& os) {
  os << "Optional Header: \n";
  os << "magic=" << r.magic << '\n';
  os << "vstamp=" << r.vstamp << '\n';
  os << "proc_type=" << hex4(r.proc_type) << '\n';
  os << "rom_width_bits=" << r.rom_width_bits << '\n';
  os << "ram_width_bits=" << r.ram_width_bits << '\n';
}

void printScnhdr(const scnhdr& r, std::ostream& os) {
  os << "Section Header: \n";
  if (nameInStringTable(r))
    os << "_s_offset=" << r.s_offset() << '\n';
  else
    os << "_s_name=" << inlineName(r.s_name) << '\n';
  os << "s_paddr=" << hex4(r.s_paddr) << '\n';
  os << "s_vaddr=" << hex4(r.s_vaddr) << '\n';
  os << "s_size=" << hex4(r.s_size) << '\n';
  os << "s_scnptr=" << hex4(r.s_scnptr) << '\n';
  os << "s_relptr=" << hex4(r.s_relptr) << '\n';
  os << "s_lnnoptr=" << hex4(r.s_lnnoptr) << '\n';
  os << "s_nreloc=" << r.s_nreloc << '\n';
  os << "s_nlnno=" << r.s_nlnno << '\n';
  os << "s_flags=" << hex4(r.s_flags) << '\n';
}

void printReloc(const reloc& r, std::ostream& os) {
  os << "Relocation: r_vaddr=" << hex4(r.r_vaddr) << ", r_symndx=" << r.r_symndx
     << ", r_offset=" << r.r_offset << ", r_type=" << r.r_type << '\n';
}

void printLineno(const coff_lineno& r, std::ostream& os) {
  os << "Line Number: l_srcndx=" << r.l_srcndx << ", l_lnno=" << r.l_lnno
     << ", l_paddr=" << hex4(r.l_paddr) << ", l_flags=" << hex2(r.l_flags)
     << ", l_fcnndx=" << r.l_fcnndx << '\n';
}

void printSyment(const syment& r, std::ostream& os) {
  os << "Symbol: ";
  if (nameInStringTable(r))
    os << "_n_offset=" << r.n_offset();
  else
    os << "_n_name=" << inlineName(r.n_name);
  os << ", n_value=" << hex4(r.n_value) << ", n_scnum=" << r.n_scnum
     << ", n_type=" << hex2(r.n_type) << ", n_sclass=" << unsigned(r.n_sclass)
     << ", n_numaux=" << unsigned(r.n_numaux) << '\n';
}

void printAuxFile(const aux_file& r, std::ostream& os) {
  os << "Aux File: x_offset=" << r.x_offset << ", x_incline=" << r.x_incline << '\n';
}

void printAuxScn(const aux_scn& r, std::ostream& os) {
  os << "Aux Scn: x_scnlen=" << r.x_scnlen << ", x_nreloc=" << r.x_nreloc
     << ", x_nlinno=" << r.x_nlinno << '\n';
}

void printAuxTag(const aux_tag& r, std::ostream& os) {
  os << "Aux Tag: x_size=" << r.x_size << ", x_endndx=" << r.x_endndx << '\n';
}

void printAuxEos(const aux_eos& r, std::ostream& os) {
  os << "Aux Eos: x_tagndx=" << r.x_tagndx << ", x_size=" << r.x_size << '\n';
}

void printAuxFcn(const aux_fcn& r, std::ostream& os) {
  os << "Aux Fcn: x_tagndx=" << r.x_tagndx << " (unused?), x_size=" << r.x_size
     << " (unused?), x_lnnoptr=" << hex4(r.x_lnnoptr) << ", x_edndx=" << r.x_endndx << '\n';
}

void printAuxArr(const aux_arr& r, std::ostream& os) {
  os << "Aux Arr: x_tagndx=" << r.x_tagndx << " (unused?), x_lnno=" << r.x_lnno
     << " (unused?), x_size=" << r.x_size;
  for (int i = 0; i < 4; ++i) os << ", x_dimen[" << i << "]=" << r.x_dimen[i];
  os << '\n';
}

void printAuxEobf(const aux_eobf& r, std::ostream& os) {
  os << "Aux Eobf: x_lnno=" << r.x_lnno << '\n';
}

void printAuxBobf(const aux_bobf& r, std::ostream& os) {
  os << "Aux Bobf: x_lnno=" << r.x_lnno << ", x_endndx=" << r.x_endndx << '\n';
}

void printAuxVar(const aux_var& r, std::ostream& os) {
  os << "Aux Var: x_tagndx=" << r.x_tagndx << ", x_size=" << r.x_size << '\n';
}

void printSymEntry(const SymEntry& e, unsigned kind, std::ostream& os) {
  switch (kind) {
    case AUX_FILE: return printAuxFile(e.file, os);
    case AUX_SCN: return printAuxScn(e.scn, os);
    case AUX_TAG: return printAuxTag(e.tag, os);
    case AUX_EOS: return printAuxEos(e.eos, os);
    case AUX_FCN: return printAuxFcn(e.fcn, os);
    case AUX_ARR: return printAuxArr(e.arr, os);
    case AUX_EOBF: return printAuxEobf(e.eobf, os);
    case AUX_BOBF: return printAuxBobf(e.bobf, os);
    case AUX_VAR: return printAuxVar(e.var, os);
    default: return printSyment(e.sym, os);
  }
}

namespace {

template <class List, class Printer>
void printEntries(const std::map<std::string, List>& lists, const std::string& name,
                  Printer printer, std::ostream& os) {
  auto it = lists.find(name);
  if (it == lists.end() || it->second.empty()) return;
  for (const auto& entry : it->second) printer(entry, os);
  os << '\n';
}

void printSection(const Coff& c, const std::string& name, std::ostream& os) {
  auto hdr = c.cScnHdr.find(name);
  if (hdr != c.cScnHdr.end()) printScnhdr(hdr->second, os);
  os << '\n';
  printEntries(c.cLineNums, name, printLineno, os);
  printEntries(c.cRelocs, name, printReloc, os);
  os << "Raw Data: \n";
  auto raw = c.cRawData.find(name);
  if (raw == c.cRawData.end()) return;
  raw->second.print(os);
  os << "\n\n";
}

void printSymbols(const Coff& c, std::ostream& os) {
  os << "Symbol Table: \n";
  for (size_t i = 0; i < c.cSymbols.size(); ++i) {
    os << "Index[" << i << "]= ";
    unsigned kind = i < c.cAuxKinds.size() ? c.cAuxKinds[i] : unsigned{AUX_NONE};
    printSymEntry(c.cSymbols[i], kind, os);
  }
  if (!c.cSymbols.empty()) os << '\n';
}

void printStrings(const Coff& c, std::ostream& os) {
  os << "String Table: \n";
  for (const auto& entry : c.cStringTbl)
    os << "Offset[" << entry.first << "]= " << entry.second << '\n';
  if (!c.cStringTbl.empty()) os << '\n';
}

}  // namespace

void Coff::print(std::ostream& os) const {
  os << "CoffFile: \n\n";
  printFilehdr(cFileHdr, os);
  os << '\n';
  printOpthdr(cOptHdr, os);
  os << '\n';
  for (const auto& scn : cScnNum) printSection(*this, scn.second, os);
  printSymbols(*this, os);
  printStrings(*this, os);
}
