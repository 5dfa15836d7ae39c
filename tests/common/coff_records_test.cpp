#include "CoffRecords.h"

#include "ByteOrder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

std::vector<uint8_t> sequence(size_t n, uint8_t first = 0) {
  std::vector<uint8_t> b(n);
  for (size_t i = 0; i < n; ++i) b[i] = static_cast<uint8_t>(first + i);
  return b;
}

template <class Record>
std::vector<uint8_t> bytesOf(const Record& r) {
  std::vector<uint8_t> b(sizeof(Record));
  toBytes(r, b.data());
  return b;
}

syment sym(const char* name, uint8_t sclass, uint16_t type = 0, uint8_t numaux = 1,
           int16_t scnum = 1) {
  syment s;
  std::strncpy(s.n_name, name, sizeof s.n_name);
  s.n_sclass = sclass;
  s.n_type = type;
  s.n_numaux = numaux;
  s.n_scnum = scnum;
  return s;
}

syment longNamed(uint8_t sclass, uint16_t type = 0) {
  syment s = sym("", sclass, type);
  s.setNOffset(4);
  return s;
}

TEST(CoffRecords, ByteOrderAndInlineNames) {
  uint8_t b[6] = {};
  putU16(b, 0xA1B2);
  putU32(b + 2, 0x01020304u);
  EXPECT_EQ(std::vector<uint8_t>(b, b + 6),
            (std::vector<uint8_t>{0xB2, 0xA1, 0x04, 0x03, 0x02, 0x01}));
  EXPECT_EQ(getU16(b), 0xA1B2);
  EXPECT_EQ(getU32(b + 2), 0x01020304u);
  b[5] = 0xFF;
  EXPECT_EQ(getU32(b + 2), 0xFF020304u);  // no sign extension

  char field[8];
  std::memset(field, 'x', sizeof field);
  setInlineName(field, "abc");
  EXPECT_EQ(std::string(field, 8), std::string("abc\0\0\0\0\0", 8));
  EXPECT_EQ(inlineName(field), "abc");
  setInlineName(field, "12345678");
  EXPECT_EQ(inlineName(field), "12345678");  // all eight bytes without a NUL
}

TEST(CoffRecords, FieldsAreLittleEndianAndConversionIsLossless) {
  std::vector<uint8_t> b = sequence(40, 1);

  filehdr fh;
  fromBytes(b.data(), fh);
  EXPECT_EQ(+fh.f_magic, 0x0201);
  EXPECT_EQ(+fh.f_timdat, 0x08070605u);
  EXPECT_EQ(+fh.f_flags, 0x1413);
  EXPECT_EQ(bytesOf(fh), sequence(20, 1));

  opthdr oh;
  fromBytes(b.data(), oh);
  EXPECT_EQ(+oh.proc_type, 0x08070605u);
  EXPECT_EQ(bytesOf(oh), sequence(16, 1));

  scnhdr sh;
  fromBytes(b.data(), sh);
  EXPECT_EQ(std::string(sh.s_name, 8), "\x01\x02\x03\x04\x05\x06\x07\x08");
  EXPECT_EQ(sh.s_offset(), 0x08070605u);
  EXPECT_EQ(+sh.s_nreloc, 0x2221);
  EXPECT_EQ(+sh.s_flags, 0x28272625u);
  EXPECT_EQ(bytesOf(sh), sequence(40, 1));

  std::vector<uint8_t> negative = {1, 0, 0, 0, 2, 0, 0, 0, 0xFE, 0xFF, 7, 0};
  reloc r;
  fromBytes(negative.data(), r);
  EXPECT_EQ(+r.r_offset, -2);
  EXPECT_EQ(+r.r_type, 7);
  EXPECT_EQ(bytesOf(r), negative);

  coff_lineno l;
  fromBytes(b.data(), l);
  EXPECT_EQ(+l.l_lnno, 0x0605);
  EXPECT_EQ(+l.l_paddr, 0x0A090807u);
  EXPECT_EQ(bytesOf(l), sequence(16, 1));

  syment s;
  fromBytes(b.data(), s);
  EXPECT_EQ(+s.n_scnum, 0x0E0D);
  EXPECT_EQ(+s.n_sclass, 0x11);
  EXPECT_EQ(+s.n_numaux, 0x12);
  EXPECT_EQ(bytesOf(s), sequence(18, 1));
}

TEST(CoffRecords, EveryEntryKindKeepsAllEighteenBytes) {
  std::vector<uint8_t> in = sequence(18, 0x80);
  for (unsigned kind = AUX_NONE; kind <= AUX_VAR; ++kind) {
    SymEntry e;
    fromBytes(in.data(), kind, e);
    std::vector<uint8_t> out(18);
    toBytes(e, kind, out.data());
    EXPECT_EQ(out, in) << "kind " << kind;
  }
  SymEntry e;
  fromBytes(in.data(), AUX_FCN, e);
  EXPECT_EQ(+e.fcn.x_lnnoptr, 0x8B8A8988u);
  fromBytes(in.data(), AUX_TAG, e);
  EXPECT_EQ(+e.tag.x_size, 0x8786);
  EXPECT_EQ(+e.tag.x_endndx, 0x8F8E8D8Cu);
  fromBytes(in.data(), AUX_ARR, e);
  EXPECT_EQ(+e.arr.x_dimen[3], 0x8F8E);
}

TEST(CoffRecords, AuxKindTakesTheFirstRuleThatMatches) {
  const uint16_t kFunction = 0x20, kArray = 0x30, kFunctionOfArray = 0x20 | 0xC0, kStruct = 8;
  struct Case {
    const char* what;
    syment s;
    unsigned kind;
  } cases[] = {
      {"no aux entry, even for a file", sym(".file", C_FILE, 0, 0), AUX_NONE},
      {"file before array", sym(".file", C_FILE, kArray), AUX_FILE},
      {"end of structure before function", sym(".eos", C_EOS, kFunction), AUX_EOS},
      {"array in a higher slot before function", sym("f", C_EXT, kFunctionOfArray), AUX_ARR},
      {"array in slot 5", sym("a", C_EXT, 3u << 14), AUX_ARR},
      {"function before .bf", sym(".bf", C_FCN, kFunction), AUX_FCN},
      {"function type only in slot 1", sym("g", C_EXT, 2u << 6), AUX_NONE},
      {".bf", sym(".bf", C_FCN), AUX_BOBF},
      {".ef", sym(".ef", C_FCN), AUX_EOBF},
      {".bb", sym(".bb", C_BLOCK), AUX_BOBF},
      {".eb", sym(".eb", C_BLOCK), AUX_EOBF},
      {".bf before tag", sym(".bf", C_STRTAG), AUX_BOBF},
      {"case matters", sym(".BF", C_FCN), AUX_NONE},
      {"whole name matters", sym(".bfx", C_FCN), AUX_NONE},
      {"string-table name is not .bf", longNamed(C_FCN), AUX_NONE},
      {"tag before tag type", sym("s", C_UNTAG, kStruct), AUX_TAG},
      {"enum tag", sym("e", C_ENTAG), AUX_TAG},
      {"tag type before section", sym(".sect", C_STAT, 9), AUX_VAR},
      {"section class", sym("s", C_SECTION), AUX_SCN},
      {"static with dot", sym(".code", C_STAT), AUX_SCN},
      {"static with dot in string table", longNamed(C_STAT), AUX_NONE},
      {"external with one aux and no rule", sym("x", C_EXT), AUX_NONE},
  };
  for (const Case& c : cases) EXPECT_EQ(auxKind(c.s), c.kind) << c.what;
}

TEST(CoffRecords, SymbolClassification) {
  EXPECT_FALSE(isSectionSymbol(longNamed(C_STAT)));
  EXPECT_TRUE(isSectionSymbol(longNamed(C_SECTION)));
  EXPECT_FALSE(isSectionSymbol(sym(".x", C_EXT)));
  EXPECT_TRUE(nameInStringTable(longNamed(C_EXT)));
  EXPECT_FALSE(nameInStringTable(sym("abc", C_EXT)));

  for (int16_t scnum : {0, -1, -2})
    for (uint8_t sclass : {C_EXT, C_STAT, C_LABEL, C_BLOCK, C_FCN})
      EXPECT_FALSE(isRelocatable(sym("x", sclass, 0, 0, scnum))) << scnum << " " << int(sclass);
  for (uint8_t sclass : {C_EXT, C_STAT, C_LABEL, C_BLOCK, C_FCN})
    EXPECT_TRUE(isRelocatable(sym("x", sclass)));
  EXPECT_FALSE(isRelocatable(sym("x", C_FILE)));

  EXPECT_TRUE(isExtDef(sym("x", C_EXT, 0, 0, 2)));
  EXPECT_FALSE(isExtDef(sym("x", C_EXT, 0, 0, -1)));
  EXPECT_TRUE(isExtRef(sym("x", C_EXT, 0, 0, 0)));
  EXPECT_FALSE(isExtRef(sym("x", C_STAT, 0, 0, 0)));
  EXPECT_TRUE(isTag(sym("t", C_STRTAG)));
  EXPECT_TRUE(hasTagType(sym("v", C_EXT, 0x0A)));
  EXPECT_FALSE(hasTagType(sym("v", C_EXT, 0x0B)));
}

TEST(CoffRecords, SectionTypeAndFlags) {
  struct Case {
    uint32_t flags;
    unsigned type;
  } cases[] = {{0, SCNTYPE_UNKNOWN},
               {SCN_CODE | SCN_IDATA, SCNTYPE_CODE},
               {SCN_IDATA | SCN_UDATA, SCNTYPE_IDATA},
               {SCN_UDATA | SCN_ROMDATA, SCNTYPE_UDATA},
               {SCN_ROMDATA | SCN_ABS, SCNTYPE_ROMDATA},
               {SCN_ABS | SCN_SHARE | SCN_OVERLAY | SCN_ACCESS, SCNTYPE_UNKNOWN}};
  for (const Case& c : cases) {
    scnhdr h;
    h.s_flags = c.flags;
    EXPECT_EQ(scnType(h), c.type) << std::hex << c.flags;
  }

  scnhdr h;
  h.s_flags = 0xFFFFFFFF;
  setScnFlags(h, SCNTYPE_UDATA, true, false, true);
  EXPECT_EQ(+h.s_flags, SCN_UDATA | SCN_ABS | SCN_ACCESS);
  EXPECT_TRUE(scnIsUdata(h) && scnIsAbs(h) && scnIsAccess(h));
  EXPECT_FALSE(scnIsOverlay(h) || scnIsShare(h) || scnIsCode(h));
  setScnFlags(h, 5, false, true, false);
  EXPECT_EQ(+h.s_flags, SCN_SHARE);
  setScnFlags(h, SCNTYPE_ROMDATA, false, false, false);
  EXPECT_TRUE(scnIsRomdata(h));
}

TEST(CoffRecords, OrderingAndEqualityOfEntries) {
  reloc a{4, 1, 0, 2}, b{4, 1, -7, 2}, c{5, 1, 0, 2};
  EXPECT_TRUE(a == b);  // r_offset is not compared
  EXPECT_FALSE(a == c);
  EXPECT_FALSE(a == (reloc{4, 2, 0, 2}));
  EXPECT_FALSE(a == (reloc{4, 1, 0, 3}));
  EXPECT_TRUE(a < c);
  EXPECT_FALSE(a < b || b < a);
  EXPECT_TRUE((reloc{0x7FFFFFFF, 0, 0, 0}) < (reloc{0x80000000, 0, 0, 0}));  // unsigned

  coff_lineno x{1, 10, 0x100, 0, 3}, y{1, 10, 0x100, 1, 9}, z{1, 11, 0x100, 0, 3};
  EXPECT_TRUE(x == y);  // l_flags and l_fcnndx are not compared
  EXPECT_FALSE(x == z);
  EXPECT_FALSE(x == (coff_lineno{2, 10, 0x100, 0, 3}));
  EXPECT_FALSE(x == (coff_lineno{1, 10, 0x102, 0, 3}));
  EXPECT_TRUE(x < z);
  EXPECT_FALSE(z < x);
  EXPECT_TRUE(isFcnBegin(y));
  EXPECT_FALSE(isFcnBegin(x));
}

}  // namespace
