// The COFF records of object files, linked executables and library members.
//
// Every record is a packed struct whose fields lie at their on-disk offsets and
// whose size is the on-disk size. Fields hold host-order values; the fromBytes /
// toBytes pairs convert between a record and its little-endian bytes, field by
// field, so the format is the same on every host. Name fields (s_name, n_name)
// and unlisted bytes of auxiliary entries are kept as the raw file bytes.
//
// A name field of 8 bytes holds the name inline (NUL-padded, no NUL at exactly 8
// characters) or, when its first 4 bytes are zero, a u32 string-table offset in
// its last 4 bytes (s_offset / n_offset).
#ifndef ZV_COMMON_COFFRECORDS_H
#define ZV_COMMON_COFFRECORDS_H

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "ByteOrder.h"

constexpr uint16_t kCoffMagic = 0x1234;
constexpr uint16_t kOptHdrSize = 16;

// Section flags (s_flags).
constexpr uint32_t SCN_CODE = 0x0020;
constexpr uint32_t SCN_IDATA = 0x0040;
constexpr uint32_t SCN_UDATA = 0x0080;
constexpr uint32_t SCN_ROMDATA = 0x0100;
constexpr uint32_t SCN_ABS = 0x1000;
constexpr uint32_t SCN_SHARE = 0x2000;
constexpr uint32_t SCN_OVERLAY = 0x4000;
constexpr uint32_t SCN_ACCESS = 0x8000;

// Section types as scnType returns them.
enum ScnType : unsigned {
  SCNTYPE_UNKNOWN = 0,
  SCNTYPE_CODE,
  SCNTYPE_IDATA,
  SCNTYPE_UDATA,
  SCNTYPE_ROMDATA
};

// Section numbers with a meaning of their own (n_scnum).
constexpr int16_t N_UNDEF = 0;
constexpr int16_t N_ABS = -1;
constexpr int16_t N_DEBUG = -2;

// Storage classes (n_sclass) that the system interprets.
constexpr uint8_t C_EXT = 2;
constexpr uint8_t C_STAT = 3;
constexpr uint8_t C_LABEL = 6;
constexpr uint8_t C_STRTAG = 10;
constexpr uint8_t C_UNTAG = 12;
constexpr uint8_t C_ENTAG = 15;
constexpr uint8_t C_BLOCK = 100;
constexpr uint8_t C_FCN = 101;
constexpr uint8_t C_EOS = 102;
constexpr uint8_t C_FILE = 103;
constexpr uint8_t C_SECTION = 109;

// Line-number flag: the entry is the first line of a function.
constexpr uint16_t LINENO_FCNBEGIN = 0x0001;

// The kind of auxiliary entry that follows a symbol (0: none).
enum AuxKind : unsigned {
  AUX_NONE = 0,
  AUX_FILE = 1,
  AUX_SCN = 2,
  AUX_TAG = 3,
  AUX_EOS = 4,
  AUX_FCN = 5,
  AUX_ARR = 6,
  AUX_EOBF = 7,
  AUX_BOBF = 8,
  AUX_VAR = 9
};

#pragma pack(push, 1)

struct filehdr {
  uint16_t f_magic = 0;
  uint16_t f_nscns = 0;
  uint32_t f_timdat = 0;
  uint32_t f_symptr = 0;
  uint32_t f_nsyms = 0;
  uint16_t f_opthdr = 0;
  uint16_t f_flags = 0;
};

struct opthdr {
  uint16_t magic = 0;
  uint16_t vstamp = 0;
  uint32_t proc_type = 0;
  uint32_t rom_width_bits = 0;
  uint32_t ram_width_bits = 0;
};

struct scnhdr {
  char s_name[8]{};
  uint32_t s_paddr = 0;
  uint32_t s_vaddr = 0;
  uint32_t s_size = 0;
  uint32_t s_scnptr = 0;
  uint32_t s_relptr = 0;
  uint32_t s_lnnoptr = 0;
  uint16_t s_nreloc = 0;
  uint16_t s_nlnno = 0;
  uint32_t s_flags = 0;

  // The string-table reading of s_name (its last 4 bytes).
  uint32_t s_offset() const;
  void setSOffset(uint32_t offset);  // also zeroes the first 4 bytes
};

struct reloc {
  uint32_t r_vaddr = 0;
  uint32_t r_symndx = 0;
  int16_t r_offset = 0;
  uint16_t r_type = 0;
};

struct coff_lineno {
  uint32_t l_srcndx = 0;
  uint16_t l_lnno = 0;
  uint32_t l_paddr = 0;
  uint16_t l_flags = 0;
  uint32_t l_fcnndx = 0;
};

struct syment {
  char n_name[8]{};
  uint32_t n_value = 0;
  int16_t n_scnum = 0;
  uint16_t n_type = 0;
  uint8_t n_sclass = 0;
  uint8_t n_numaux = 0;

  // The string-table reading of n_name (its last 4 bytes).
  uint32_t n_offset() const;
  void setNOffset(uint32_t offset);  // also zeroes the first 4 bytes
};

// Auxiliary entries. The x_fill bytes are those the format leaves unused; they
// are zero in entries the system builds and kept as read otherwise.
struct aux_file {
  uint32_t x_offset = 0;
  uint32_t x_incline = 0;
  uint8_t x_fill[10]{};
};

struct aux_scn {
  uint32_t x_scnlen = 0;
  uint16_t x_nreloc = 0;
  uint16_t x_nlinno = 0;
  uint8_t x_fill[10]{};
};

struct aux_tag {
  uint8_t x_fill0[6]{};
  uint16_t x_size = 0;
  uint8_t x_fill1[4]{};
  uint32_t x_endndx = 0;
  uint8_t x_fill2[2]{};
};

struct aux_eos {
  uint32_t x_tagndx = 0;
  uint8_t x_fill0[2]{};
  uint16_t x_size = 0;
  uint8_t x_fill1[10]{};
};

struct aux_fcn {
  uint32_t x_tagndx = 0;
  uint32_t x_size = 0;
  uint32_t x_lnnoptr = 0;
  uint32_t x_endndx = 0;
  uint8_t x_fill[2]{};
};

struct aux_arr {
  uint32_t x_tagndx = 0;
  uint16_t x_lnno = 0;
  uint16_t x_size = 0;
  uint16_t x_dimen[4]{};
  uint8_t x_fill[2]{};
};

struct aux_eobf {
  uint8_t x_fill0[4]{};
  uint16_t x_lnno = 0;
  uint8_t x_fill1[12]{};
};

struct aux_bobf {
  uint8_t x_fill0[4]{};
  uint16_t x_lnno = 0;
  uint8_t x_fill1[6]{};
  uint32_t x_endndx = 0;
  uint8_t x_fill2[2]{};
};

struct aux_var {
  uint32_t x_tagndx = 0;
  uint8_t x_fill0[2]{};
  uint16_t x_size = 0;
  uint8_t x_fill1[10]{};
};

// One 18-byte symbol-table entry: a symbol or an auxiliary entry. Which member
// is meant is the entry's AuxKind (Coff::cAuxKinds): 0 `sym`, 1 `file`, 2 `scn`,
// 3 `tag`, 4 `eos`, 5 `fcn`, 6 `arr`, 7 `eobf`, 8 `bobf`, 9 `var`; the entry is
// converted to and from bytes by that kind. A new entry is all zero.
union SymEntry {
  SymEntry() : sym() {}
  syment sym;
  aux_file file;
  aux_scn scn;
  aux_tag tag;
  aux_eos eos;
  aux_fcn fcn;
  aux_arr arr;
  aux_eobf eobf;
  aux_bobf bobf;
  aux_var var;
};

#pragma pack(pop)

static_assert(sizeof(filehdr) == 20, "filehdr is 20 bytes");
static_assert(sizeof(opthdr) == 16, "opthdr is 16 bytes");
static_assert(sizeof(scnhdr) == 40, "scnhdr is 40 bytes");
static_assert(sizeof(reloc) == 12, "reloc is 12 bytes");
static_assert(sizeof(coff_lineno) == 16, "coff_lineno is 16 bytes");
static_assert(sizeof(syment) == 18, "syment is 18 bytes");
static_assert(sizeof(aux_file) == 18 && sizeof(aux_scn) == 18 && sizeof(aux_tag) == 18 &&
                  sizeof(aux_eos) == 18 && sizeof(aux_fcn) == 18 && sizeof(aux_arr) == 18 &&
                  sizeof(aux_eobf) == 18 && sizeof(aux_bobf) == 18 && sizeof(aux_var) == 18,
              "auxiliary entries are 18 bytes");
static_assert(sizeof(SymEntry) == 18, "a symbol-table entry is 18 bytes");

// Little-endian conversion: `p` holds (or receives) exactly sizeof(record) bytes.
void fromBytes(const uint8_t* p, filehdr& r);
void fromBytes(const uint8_t* p, opthdr& r);
void fromBytes(const uint8_t* p, scnhdr& r);
void fromBytes(const uint8_t* p, reloc& r);
void fromBytes(const uint8_t* p, coff_lineno& r);
void fromBytes(const uint8_t* p, syment& r);
void fromBytes(const uint8_t* p, unsigned kind, SymEntry& e);  // kind: AuxKind
// Runs of `n` records back to back at `p`, into `r`: one copy on a
// little-endian host, record by record on any other.
void fromBytes(const uint8_t* p, size_t n, reloc* r);
void fromBytes(const uint8_t* p, size_t n, coff_lineno* r);
void toBytes(const filehdr& r, uint8_t* p);
void toBytes(const opthdr& r, uint8_t* p);
void toBytes(const scnhdr& r, uint8_t* p);
void toBytes(const reloc& r, uint8_t* p);
void toBytes(const coff_lineno& r, uint8_t* p);
void toBytes(const syment& r, uint8_t* p);
void toBytes(const SymEntry& e, unsigned kind, uint8_t* p);

// An 8-byte inline name field: its text up to the first NUL (all 8 bytes when
// none), and storing a name of at most 8 characters NUL-padded.
std::string inlineName(const char* field);
void setInlineName(char* field, const std::string& name);

// Ordering and equality for sorting, merging and de-duplicating entry lists.
bool operator<(const reloc& a, const reloc& b);               // by r_vaddr
bool operator==(const reloc& a, const reloc& b);              // r_vaddr, r_symndx, r_type
bool operator<(const coff_lineno& a, const coff_lineno& b);   // by l_lnno
bool operator==(const coff_lineno& a, const coff_lineno& b);  // l_srcndx, l_lnno, l_paddr

// Classification.
bool isArray(const syment& s);
bool isFunction(const syment& s);
bool isTag(const syment& s);
bool hasTagType(const syment& s);
bool isSectionSymbol(const syment& s);
// Inline: the linker asks these of every symbol of every input.
inline bool isRelocatable(const syment& s) {
  if (s.n_scnum < 1) return false;
  switch (s.n_sclass) {
    case C_EXT:
    case C_STAT:
    case C_LABEL:
    case C_BLOCK:
    case C_FCN: return true;
    default: return false;
  }
}
inline bool isExtDef(const syment& s) { return s.n_sclass == C_EXT && s.n_scnum > 0; }
inline bool isExtRef(const syment& s) { return s.n_sclass == C_EXT && s.n_scnum == 0; }
unsigned auxKind(const syment& s);  // the AuxKind of the entry after the symbol
bool isFcnBegin(const coff_lineno& l);

unsigned scnType(const scnhdr& h);  // ScnType
bool scnIsCode(const scnhdr& h);
bool scnIsIdata(const scnhdr& h);
bool scnIsUdata(const scnhdr& h);
bool scnIsRomdata(const scnhdr& h);
bool scnIsAbs(const scnhdr& h);
bool scnIsShare(const scnhdr& h);
bool scnIsOverlay(const scnhdr& h);
bool scnIsAccess(const scnhdr& h);
// True for the sections whose contents are program memory: code and romdata.
bool isProgramMemory(const scnhdr& h);
// Sets s_flags to the type's bit (1 code, 2 idata, 3 udata, 4 romdata, other
// types none) plus the abs, share and access bits asked for.
void setScnFlags(scnhdr& h, unsigned type, bool abs, bool share, bool access);

// The name fields, inline: every phase of a link reads and rewrites the names
// of every symbol. A name in the string table has four zero bytes, then its
// offset.
inline uint32_t scnhdr::s_offset() const {
  return getU32(reinterpret_cast<const uint8_t*>(s_name) + 4);
}
inline void scnhdr::setSOffset(uint32_t offset) {
  std::memset(s_name, 0, 4);
  putU32(reinterpret_cast<uint8_t*>(s_name) + 4, offset);
}
inline uint32_t syment::n_offset() const {
  return getU32(reinterpret_cast<const uint8_t*>(n_name) + 4);
}
inline void syment::setNOffset(uint32_t offset) {
  std::memset(n_name, 0, 4);
  putU32(reinterpret_cast<uint8_t*>(n_name) + 4, offset);
}
inline bool nameInStringTable(const scnhdr& h) {
  return getU32(reinterpret_cast<const uint8_t*>(h.s_name)) == 0;
}
inline bool nameInStringTable(const syment& s) {
  return getU32(reinterpret_cast<const uint8_t*>(s.n_name)) == 0;
}

#endif
