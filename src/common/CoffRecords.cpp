#include "CoffRecords.h"

#include <algorithm>
#include <cstring>

#include "ByteOrder.h"

namespace {

// Little-endian field access on a byte cursor.
struct In {
  const uint8_t* p;
  uint8_t u8() { return *p++; }
  uint16_t u16() {
    uint16_t v = getU16(p);
    p += 2;
    return v;
  }
  uint32_t u32() {
    uint32_t v = getU32(p);
    p += 4;
    return v;
  }
  int16_t i16() { return static_cast<int16_t>(u16()); }
  void raw(void* dst, size_t n) {
    std::memcpy(dst, p, n);
    p += n;
  }
};

struct Out {
  uint8_t* p;
  void u8(uint8_t v) { *p++ = v; }
  void u16(uint16_t v) {
    putU16(p, v);
    p += 2;
  }
  void u32(uint32_t v) {
    putU32(p, v);
    p += 4;
  }
  void i16(int16_t v) { u16(static_cast<uint16_t>(v)); }
  void raw(const void* src, size_t n) {
    std::memcpy(p, src, n);
    p += n;
  }
};

// The inline name up to its first NUL; a string-table name reads as empty.
bool inlineNameIs(const syment& s, const char* text) {
  if (nameInStringTable(s)) return false;
  return std::strncmp(s.n_name, text, sizeof s.n_name) == 0;
}

unsigned derivedSlot(uint16_t type, int slot) { return (type >> (4 + 2 * slot)) & 3u; }

// Auxiliary entries, one converter pair per kind.
void auxFrom(In in, aux_file& a) {
  a.x_offset = in.u32();
  a.x_incline = in.u32();
  in.raw(a.x_fill, sizeof a.x_fill);
}
void auxTo(Out out, const aux_file& a) {
  out.u32(a.x_offset);
  out.u32(a.x_incline);
  out.raw(a.x_fill, sizeof a.x_fill);
}
void auxFrom(In in, aux_scn& a) {
  a.x_scnlen = in.u32();
  a.x_nreloc = in.u16();
  a.x_nlinno = in.u16();
  in.raw(a.x_fill, sizeof a.x_fill);
}
void auxTo(Out out, const aux_scn& a) {
  out.u32(a.x_scnlen);
  out.u16(a.x_nreloc);
  out.u16(a.x_nlinno);
  out.raw(a.x_fill, sizeof a.x_fill);
}
void auxFrom(In in, aux_tag& a) {
  in.raw(a.x_fill0, sizeof a.x_fill0);
  a.x_size = in.u16();
  in.raw(a.x_fill1, sizeof a.x_fill1);
  a.x_endndx = in.u32();
  in.raw(a.x_fill2, sizeof a.x_fill2);
}
void auxTo(Out out, const aux_tag& a) {
  out.raw(a.x_fill0, sizeof a.x_fill0);
  out.u16(a.x_size);
  out.raw(a.x_fill1, sizeof a.x_fill1);
  out.u32(a.x_endndx);
  out.raw(a.x_fill2, sizeof a.x_fill2);
}
void auxFrom(In in, aux_eos& a) {
  a.x_tagndx = in.u32();
  in.raw(a.x_fill0, sizeof a.x_fill0);
  a.x_size = in.u16();
  in.raw(a.x_fill1, sizeof a.x_fill1);
}
void auxTo(Out out, const aux_eos& a) {
  out.u32(a.x_tagndx);
  out.raw(a.x_fill0, sizeof a.x_fill0);
  out.u16(a.x_size);
  out.raw(a.x_fill1, sizeof a.x_fill1);
}
void auxFrom(In in, aux_fcn& a) {
  a.x_tagndx = in.u32();
  a.x_size = in.u32();
  a.x_lnnoptr = in.u32();
  a.x_endndx = in.u32();
  in.raw(a.x_fill, sizeof a.x_fill);
}
void auxTo(Out out, const aux_fcn& a) {
  out.u32(a.x_tagndx);
  out.u32(a.x_size);
  out.u32(a.x_lnnoptr);
  out.u32(a.x_endndx);
  out.raw(a.x_fill, sizeof a.x_fill);
}
void auxFrom(In in, aux_arr& a) {
  a.x_tagndx = in.u32();
  a.x_lnno = in.u16();
  a.x_size = in.u16();
  for (auto& d : a.x_dimen) d = in.u16();
  in.raw(a.x_fill, sizeof a.x_fill);
}
void auxTo(Out out, const aux_arr& a) {
  out.u32(a.x_tagndx);
  out.u16(a.x_lnno);
  out.u16(a.x_size);
  for (uint16_t d : a.x_dimen) out.u16(d);
  out.raw(a.x_fill, sizeof a.x_fill);
}
void auxFrom(In in, aux_eobf& a) {
  in.raw(a.x_fill0, sizeof a.x_fill0);
  a.x_lnno = in.u16();
  in.raw(a.x_fill1, sizeof a.x_fill1);
}
void auxTo(Out out, const aux_eobf& a) {
  out.raw(a.x_fill0, sizeof a.x_fill0);
  out.u16(a.x_lnno);
  out.raw(a.x_fill1, sizeof a.x_fill1);
}
void auxFrom(In in, aux_bobf& a) {
  in.raw(a.x_fill0, sizeof a.x_fill0);
  a.x_lnno = in.u16();
  in.raw(a.x_fill1, sizeof a.x_fill1);
  a.x_endndx = in.u32();
  in.raw(a.x_fill2, sizeof a.x_fill2);
}
void auxTo(Out out, const aux_bobf& a) {
  out.raw(a.x_fill0, sizeof a.x_fill0);
  out.u16(a.x_lnno);
  out.raw(a.x_fill1, sizeof a.x_fill1);
  out.u32(a.x_endndx);
  out.raw(a.x_fill2, sizeof a.x_fill2);
}
void auxFrom(In in, aux_var& a) {
  a.x_tagndx = in.u32();
  in.raw(a.x_fill0, sizeof a.x_fill0);
  a.x_size = in.u16();
  in.raw(a.x_fill1, sizeof a.x_fill1);
}
void auxTo(Out out, const aux_var& a) {
  out.u32(a.x_tagndx);
  out.raw(a.x_fill0, sizeof a.x_fill0);
  out.u16(a.x_size);
  out.raw(a.x_fill1, sizeof a.x_fill1);
}

}  // namespace

std::string inlineName(const char* field) {
  return std::string(field, std::find(field, field + 8, '\0'));
}

void setInlineName(char* field, const std::string& name) {
  std::memset(field, 0, 8);
  std::memcpy(field, name.data(), std::min<size_t>(name.size(), 8));
}

// --- byte conversion -----------------------------------------------------------

void fromBytes(const uint8_t* p, filehdr& r) {
  In in{p};
  r.f_magic = in.u16();
  r.f_nscns = in.u16();
  r.f_timdat = in.u32();
  r.f_symptr = in.u32();
  r.f_nsyms = in.u32();
  r.f_opthdr = in.u16();
  r.f_flags = in.u16();
}

void toBytes(const filehdr& r, uint8_t* p) {
  Out out{p};
  out.u16(r.f_magic);
  out.u16(r.f_nscns);
  out.u32(r.f_timdat);
  out.u32(r.f_symptr);
  out.u32(r.f_nsyms);
  out.u16(r.f_opthdr);
  out.u16(r.f_flags);
}

void fromBytes(const uint8_t* p, opthdr& r) {
  In in{p};
  r.magic = in.u16();
  r.vstamp = in.u16();
  r.proc_type = in.u32();
  r.rom_width_bits = in.u32();
  r.ram_width_bits = in.u32();
}

void toBytes(const opthdr& r, uint8_t* p) {
  Out out{p};
  out.u16(r.magic);
  out.u16(r.vstamp);
  out.u32(r.proc_type);
  out.u32(r.rom_width_bits);
  out.u32(r.ram_width_bits);
}

void fromBytes(const uint8_t* p, scnhdr& r) {
  In in{p};
  in.raw(r.s_name, sizeof r.s_name);
  r.s_paddr = in.u32();
  r.s_vaddr = in.u32();
  r.s_size = in.u32();
  r.s_scnptr = in.u32();
  r.s_relptr = in.u32();
  r.s_lnnoptr = in.u32();
  r.s_nreloc = in.u16();
  r.s_nlnno = in.u16();
  r.s_flags = in.u32();
}

void toBytes(const scnhdr& r, uint8_t* p) {
  Out out{p};
  out.raw(r.s_name, sizeof r.s_name);
  out.u32(r.s_paddr);
  out.u32(r.s_vaddr);
  out.u32(r.s_size);
  out.u32(r.s_scnptr);
  out.u32(r.s_relptr);
  out.u32(r.s_lnnoptr);
  out.u16(r.s_nreloc);
  out.u16(r.s_nlnno);
  out.u32(r.s_flags);
}

void fromBytes(const uint8_t* p, reloc& r) {
  In in{p};
  r.r_vaddr = in.u32();
  r.r_symndx = in.u32();
  r.r_offset = in.i16();
  r.r_type = in.u16();
}

void toBytes(const reloc& r, uint8_t* p) {
  Out out{p};
  out.u32(r.r_vaddr);
  out.u32(r.r_symndx);
  out.i16(r.r_offset);
  out.u16(r.r_type);
}

void fromBytes(const uint8_t* p, coff_lineno& r) {
  In in{p};
  r.l_srcndx = in.u32();
  r.l_lnno = in.u16();
  r.l_paddr = in.u32();
  r.l_flags = in.u16();
  r.l_fcnndx = in.u32();
}

void toBytes(const coff_lineno& r, uint8_t* p) {
  Out out{p};
  out.u32(r.l_srcndx);
  out.u16(r.l_lnno);
  out.u32(r.l_paddr);
  out.u16(r.l_flags);
  out.u32(r.l_fcnndx);
}

void fromBytes(const uint8_t* p, syment& r) {
  In in{p};
  in.raw(r.n_name, sizeof r.n_name);
  r.n_value = in.u32();
  r.n_scnum = in.i16();
  r.n_type = in.u16();
  r.n_sclass = in.u8();
  r.n_numaux = in.u8();
}

void toBytes(const syment& r, uint8_t* p) {
  Out out{p};
  out.raw(r.n_name, sizeof r.n_name);
  out.u32(r.n_value);
  out.i16(r.n_scnum);
  out.u16(r.n_type);
  out.u8(r.n_sclass);
  out.u8(r.n_numaux);
}

namespace {

template <class Record>
void fromBytesRun(const uint8_t* p, size_t n, Record* r) {
  if (n == 0) return;
  if (hostIsLittleEndian()) {
    std::memcpy(static_cast<void*>(r), p, n * sizeof(Record));
    return;
  }
  for (size_t i = 0; i < n; ++i) fromBytes(p + i * sizeof(Record), r[i]);
}

}  // namespace

void fromBytes(const uint8_t* p, size_t n, reloc* r) { fromBytesRun(p, n, r); }
void fromBytes(const uint8_t* p, size_t n, coff_lineno* r) { fromBytesRun(p, n, r); }

void fromBytes(const uint8_t* p, unsigned kind, SymEntry& e) {
  In in{p};
  switch (kind) {
    case AUX_FILE: auxFrom(in, e.file); break;
    case AUX_SCN: auxFrom(in, e.scn); break;
    case AUX_TAG: auxFrom(in, e.tag); break;
    case AUX_EOS: auxFrom(in, e.eos); break;
    case AUX_FCN: auxFrom(in, e.fcn); break;
    case AUX_ARR: auxFrom(in, e.arr); break;
    case AUX_EOBF: auxFrom(in, e.eobf); break;
    case AUX_BOBF: auxFrom(in, e.bobf); break;
    case AUX_VAR: auxFrom(in, e.var); break;
    default: fromBytes(p, e.sym); break;
  }
}

void toBytes(const SymEntry& e, unsigned kind, uint8_t* p) {
  Out out{p};
  switch (kind) {
    case AUX_FILE: auxTo(out, e.file); break;
    case AUX_SCN: auxTo(out, e.scn); break;
    case AUX_TAG: auxTo(out, e.tag); break;
    case AUX_EOS: auxTo(out, e.eos); break;
    case AUX_FCN: auxTo(out, e.fcn); break;
    case AUX_ARR: auxTo(out, e.arr); break;
    case AUX_EOBF: auxTo(out, e.eobf); break;
    case AUX_BOBF: auxTo(out, e.bobf); break;
    case AUX_VAR: auxTo(out, e.var); break;
    default: toBytes(e.sym, p); break;
  }
}

// --- ordering ------------------------------------------------------------------

bool operator<(const reloc& a, const reloc& b) { return a.r_vaddr < b.r_vaddr; }

bool operator==(const reloc& a, const reloc& b) {
  return a.r_vaddr == b.r_vaddr && a.r_symndx == b.r_symndx && a.r_type == b.r_type;
}

bool operator<(const coff_lineno& a, const coff_lineno& b) { return a.l_lnno < b.l_lnno; }

bool operator==(const coff_lineno& a, const coff_lineno& b) {
  return a.l_srcndx == b.l_srcndx && a.l_lnno == b.l_lnno && a.l_paddr == b.l_paddr;
}

// --- classification ------------------------------------------------------------


bool isArray(const syment& s) {
  for (int slot = 0; slot < 6; ++slot)
    if (derivedSlot(s.n_type, slot) == 3) return true;
  return false;
}

bool isFunction(const syment& s) { return derivedSlot(s.n_type, 0) == 2; }

bool isTag(const syment& s) {
  return s.n_sclass == C_STRTAG || s.n_sclass == C_UNTAG || s.n_sclass == C_ENTAG;
}

bool hasTagType(const syment& s) {
  unsigned base = s.n_type & 0xFu;
  return base == 8 || base == 9 || base == 10;
}

bool isSectionSymbol(const syment& s) {
  if (s.n_sclass == C_SECTION) return true;
  return s.n_sclass == C_STAT && s.n_name[0] == '.';
}

unsigned auxKind(const syment& s) {
  if (s.n_numaux == 0) return AUX_NONE;
  if (s.n_sclass == C_FILE) return AUX_FILE;
  if (s.n_sclass == C_EOS) return AUX_EOS;
  if (isArray(s)) return AUX_ARR;
  if (isFunction(s)) return AUX_FCN;
  if (inlineNameIs(s, ".bf")) return AUX_BOBF;
  if (inlineNameIs(s, ".ef")) return AUX_EOBF;
  if (inlineNameIs(s, ".bb")) return AUX_BOBF;
  if (inlineNameIs(s, ".eb")) return AUX_EOBF;
  if (isTag(s)) return AUX_TAG;
  if (hasTagType(s)) return AUX_VAR;
  if (isSectionSymbol(s)) return AUX_SCN;
  return AUX_NONE;
}

bool isFcnBegin(const coff_lineno& l) { return (l.l_flags & LINENO_FCNBEGIN) != 0; }

unsigned scnType(const scnhdr& h) {
  if (scnIsCode(h)) return SCNTYPE_CODE;
  if (scnIsIdata(h)) return SCNTYPE_IDATA;
  if (scnIsUdata(h)) return SCNTYPE_UDATA;
  if (scnIsRomdata(h)) return SCNTYPE_ROMDATA;
  return SCNTYPE_UNKNOWN;
}

bool isProgramMemory(const scnhdr& h) {
  const unsigned type = scnType(h);
  return type == SCNTYPE_CODE || type == SCNTYPE_ROMDATA;
}

bool scnIsCode(const scnhdr& h) { return (h.s_flags & SCN_CODE) != 0; }
bool scnIsIdata(const scnhdr& h) { return (h.s_flags & SCN_IDATA) != 0; }
bool scnIsUdata(const scnhdr& h) { return (h.s_flags & SCN_UDATA) != 0; }
bool scnIsRomdata(const scnhdr& h) { return (h.s_flags & SCN_ROMDATA) != 0; }
bool scnIsAbs(const scnhdr& h) { return (h.s_flags & SCN_ABS) != 0; }
bool scnIsShare(const scnhdr& h) { return (h.s_flags & SCN_SHARE) != 0; }
bool scnIsOverlay(const scnhdr& h) { return (h.s_flags & SCN_OVERLAY) != 0; }
bool scnIsAccess(const scnhdr& h) { return (h.s_flags & SCN_ACCESS) != 0; }

void setScnFlags(scnhdr& h, unsigned type, bool abs, bool share, bool access) {
  h.s_flags = 0;
  if (abs) h.s_flags |= SCN_ABS;
  if (share) h.s_flags |= SCN_SHARE;
  if (access) h.s_flags |= SCN_ACCESS;
  switch (type) {
    case SCNTYPE_CODE: h.s_flags |= SCN_CODE; break;
    case SCNTYPE_IDATA: h.s_flags |= SCN_IDATA; break;
    case SCNTYPE_UDATA: h.s_flags |= SCN_UDATA; break;
    case SCNTYPE_ROMDATA: h.s_flags |= SCN_ROMDATA; break;
    default: break;
  }
}
