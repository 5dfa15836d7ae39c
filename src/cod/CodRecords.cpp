// The COD records: construction and their file form.
//
//   Symbol      0 NameLen | 1 Name[12] | 13 SymbolType | 14 SymbolValue (u16)
//   SourceName  0 FileNameLen | 1 FileName[63]
//   LineInfo    0 FileNum | 1 Flags | 2 Line (u16) | 4 CodeAddress (u16)
//   MemoryMap   0 Start (u16) | 2 Last (u16)
//   LongSymbol  0 NameLen | 1 Name | 1+n Type (u16) | 3+n Value (u32, big-endian)
//   DebugMsg    0 Address (u32, big-endian) | 4 Type | 5 MsgLen | 6 Msg
//   local group 0 7 | 1 "__LOCAL" | 8 StartAddr (u32) | 12 EndAddr (u32)
#include <algorithm>
#include <cstring>

#include "Assert.h"
#include "ByteOrder.h"
#include "Cod.h"

namespace {

void putBe32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (24 - 8 * i));
}

// A directory's fields in file order: each u16 field's offset. Every other
// byte of the record is a u8 or a character and is copied as it stands.
const size_t kDirectoryU16Fields[] = {328, 426, 428, 430, 432, 434, 436, 439, 441,
                                      443, 445, 447, 449, 451, 462, 464, 466, 468};

void copyName(const std::string& name, char* field, size_t width) {
  std::memset(field, 0, width);
  std::memcpy(field, name.data(), std::min(name.size(), width));
}

// The names packed to the line width, as the table reads best.
// clang-format off
const char* const kSymbolTypeNames[] = {
    "a_reg", "x_reg", "c_short", "c_long", "c_ushort", "c_ulong", "c_pointer", "c_upointer",
    "table", "m_byte", "m_boolean", "m_index", "byte_array", "u_byte_array", "word_array",
    "u_word_array", "func_void_none", "func_void_byte", "func_void_twobyte", "func_void_long",
    "func_void_undef", "func_int_none", "func_int_byte", "func_int_twobyte", "func_int_long",
    "func_int_undef", "func_long_none", "func_long_byte", "func_long_twobyte", "func_long_long",
    "func_long_undef", "pfun_void_none", "pfun_void_byte", "pfun_void_twobyte", "pfun_void_long",
    "pfun_void_undef", "pfun_int_none", "pfun_int_byte", "pfun_int_twobyte", "pfun_int_long",
    "pfun_int_undef", "pfun_long_none", "pfun_long_byte", "pfun_long_twobyte", "pfun_long_long",
    "pfun_long_undef", "address", "constant", "bad_und", "br_und", "upper_und", "byte_und",
    "add_und", "m_keyword", "add_mi_und", "c_vector", "port_w", "port_r", "port_rw", "port_rmw",
    "endif", "exundef", "macro_s", "macro_a", "macro_c", "c_keyword", "c_void", "c_enum",
    "c_typedef1", "c_utypedef1", "c_typedef2", "c_utypedef2", "cp_typedef1", "cp_utypedef1",
    "cp_typedef2", "cp_utypedef2", "c_struct", "i_struct", "l_const", "s_short", "s_ushort",
    "s_long", "s_ulong", "sa_short", "sa_ushort", "sa_long", "sa_ulong", "sp_short", "sp_ushort",
    "sp_long", "sp_ulong", "FixedPointer", "PointerFunction", "cc_reg", "PtrF_void_none",
    "PtrF_void_byte", "PtrF_void_twobyte", "PtrF_void_long", "PtrF_void_undef", "PtrF_int_none",
    "PtrF_int_byte", "PtrF_int_twobyte", "PtrF_int_long", "PtrF_int_undef", "PtrF_long_none",
    "PtrF_long_byte", "PtrF_long_twobyte", "PtrF_long_long", "PtrF_long_undef", "PfAR_void_none",
    "PfAR_void_byte", "PfAR_void_twobyte", "PfAR_void_long", "PfAR_void_undef", "PfAR_int_none",
    "PfAR_int_byte", "PfAR_int_twobyte", "PfAR_int_long", "PfAR_int_undef", "PfAR_long_none",
    "PfAR_long_byte", "PfAR_long_twobyte", "PfAR_long_long", "PfAR_long_undef", "FWDlit", "PFunc",
    "mgoto", "mcgoto", "mcgoto2", "mcgoto3", "mcgoto4", "mcgoto74", "mcgoto17", "mccall17",
    "mcall", "mc_call", "res_word", "local", "unknown", "varlabel", "c_extern", "global",
    "segment", "Bankaddr", "bit_0", "bit_1", "bit_2", "bit_3", "bit_4", "bit_5", "bit_6",
    "bit_7"};
// clang-format on
static_assert(sizeof(kSymbolTypeNames) / sizeof(kSymbolTypeNames[0]) == 152,
              "152 symbol type names");

}  // namespace

Symbol::Symbol(const std::string& name, int type, int value) {
  const size_t len = name.size();
  ZV_ASSERT(len <= MAX_LENGTH);
  NameLen = static_cast<uint8_t>(len);
  copyName(name, Name, MAX_LENGTH);
  SymbolType = static_cast<uint8_t>(type);
  SymbolValue = static_cast<uint16_t>(value);
}

SourceName::SourceName(const std::string& name) {
  const size_t len = name.size();
  ZV_ASSERT(len <= MAX_LENGTH);
  FileNameLen = static_cast<uint8_t>(len);
  copyName(name, FileName, MAX_LENGTH);
}

LineInfo::LineInfo(int fileNum, int flags, int line, int codeAddress)
    : FileNum(static_cast<uint8_t>(fileNum)),
      Flags(static_cast<uint8_t>(flags)),
      Line(static_cast<uint16_t>(line)),
      CodeAddress(static_cast<uint16_t>(codeAddress)) {}

MemoryMap::MemoryMap(int start, int last)
    : Start(static_cast<uint16_t>(start)), Last(static_cast<uint16_t>(last)) {}

LongSymbol::LongSymbol(const std::string& name, int type, uint32_t value)
    : Name(name), Type(static_cast<uint16_t>(type)), Value(value) {
  const size_t len = name.size();
  ZV_ASSERT(len <= MAX_LENGTH);
  NameLen = static_cast<uint8_t>(len);
}

LocalGroup::LocalGroup(uint32_t startAddr, uint32_t endAddr, const std::list<Symbol>& symbols)
    : StartAddr(startAddr), EndAddr(endAddr), Symbols(symbols) {}

DebugMsg::DebugMsg(uint32_t address, int type, const std::string& msg)
    : Address(address), Type(static_cast<uint8_t>(type)), Msg(msg) {
  const size_t len = msg.size();
  ZV_ASSERT(len <= MAX_LENGTH);
  MsgLen = static_cast<uint8_t>(len);
}

void toBytes(const CodDirectory& d, uint8_t* p) {
  std::memcpy(p, &d, kCodBlockSize);
  for (int k = 0; k < kCodBlocksPerWindow; ++k) putU16(p + 2 * k, d.Index[k]);
  for (size_t at : kDirectoryU16Fields) {
    uint16_t v;
    std::memcpy(&v, reinterpret_cast<const uint8_t*>(&d) + at, 2);
    putU16(p + at, v);
  }
}

void fromBytes(const uint8_t* p, CodDirectory& d) {
  std::memcpy(static_cast<void*>(&d), p, kCodBlockSize);
  d.Spare[42] = 0;
  for (int k = 0; k < kCodBlocksPerWindow; ++k) d.Index[k] = getU16(p + 2 * k);
  for (size_t at : kDirectoryU16Fields) {
    const uint16_t v = getU16(p + at);
    std::memcpy(reinterpret_cast<uint8_t*>(&d) + at, &v, 2);
  }
}

void toBytes(const Symbol& r, uint8_t* p) {
  std::memcpy(p, &r, 14);
  putU16(p + 14, r.SymbolValue);
}

void fromBytes(const uint8_t* p, Symbol& r) {
  std::memcpy(static_cast<void*>(&r), p, 14);
  r.SymbolValue = getU16(p + 14);
}

void toBytes(const SourceName& r, uint8_t* p) { std::memcpy(p, &r, sizeof r); }

void fromBytes(const uint8_t* p, SourceName& r) {
  std::memcpy(static_cast<void*>(&r), p, sizeof r);
}

void toBytes(const LineInfo& r, uint8_t* p) {
  p[0] = r.FileNum;
  p[1] = r.Flags;
  putU16(p + 2, r.Line);
  putU16(p + 4, r.CodeAddress);
}

void fromBytes(const uint8_t* p, LineInfo& r) {
  r.FileNum = p[0];
  r.Flags = p[1];
  r.Line = getU16(p + 2);
  r.CodeAddress = getU16(p + 4);
}

void toBytes(const MemoryMap& r, uint8_t* p) {
  putU16(p, r.Start);
  putU16(p + 2, r.Last);
}

void fromBytes(const uint8_t* p, MemoryMap& r) {
  r.Start = getU16(p);
  r.Last = getU16(p + 2);
}

void toBytes(const LongSymbol& r, uint8_t* p) {
  p[0] = r.NameLen;
  std::memcpy(p + 1, r.Name.data(), r.NameLen);
  putU16(p + 1 + r.NameLen, r.Type);
  putBe32(p + 3 + r.NameLen, r.Value);
}

void toBytes(const DebugMsg& r, uint8_t* p) {
  putBe32(p, r.Address);
  p[4] = r.Type;
  p[5] = r.MsgLen;
  std::memcpy(p + 6, r.Msg.data(), r.MsgLen);
}

void localGroupHeaderBytes(const LocalGroup& g, uint8_t* p) {
  p[0] = 7;
  std::memcpy(p + 1, "__LOCAL", 7);
  putU32(p + 8, g.StartAddr);
  putU32(p + 12, g.EndAddr);
}

void setCodString(uint8_t& len, char* field, size_t width, const std::string& text) {
  const size_t n = std::min(text.size(), width);
  len = static_cast<uint8_t>(n);
  copyName(text.substr(0, n), field, width);
}

std::string codString(uint8_t len, const char* field, size_t width) {
  return std::string(field, std::min<size_t>(len, width));
}

const char* symbolTypeName(unsigned type) {
  return type < 152 ? kSymbolTypeNames[type] : "<bad type>";
}
