// Shared helpers of the Coff tests: captured reporter output, reading images
// from bytes, and a hand-made object of the foreign flavour (no 16-byte optional
// header, 6-byte line entries, 10-byte relocations, inline file names).
#ifndef ZV_TESTS_COFF_TEST_UTIL_H
#define ZV_TESTS_COFF_TEST_UTIL_H

#include <iostream>
#include <memory>
#include <sstream>
#include <string>

#include "Coff.h"
#include "CoffBuilder.h"

// Everything written to standard output and standard error while it lives.
class CapturedOutput {
 public:
  CapturedOutput() : cOut(std::cout.rdbuf(cText.rdbuf())), cErr(std::cerr.rdbuf(cText.rdbuf())) {}
  ~CapturedOutput() {
    std::cout.rdbuf(cOut);
    std::cerr.rdbuf(cErr);
  }
  CapturedOutput(const CapturedOutput&) = delete;
  CapturedOutput& operator=(const CapturedOutput&) = delete;
  std::string text() const { return cText.str(); }

 private:
  std::ostringstream cText;
  std::streambuf* cOut;
  std::streambuf* cErr;
};

inline std::unique_ptr<Coff> readImage(const std::string& bytes, uint32_t base = 0,
                                       const std::string& name = "t.o") {
  std::istringstream in(bytes);
  return Coff::make(in, base, name);
}

inline std::string writeImage(const Coff& coff, uint32_t base = 0) {
  std::ostringstream out;
  if (coff.write(out, base) != 1) return "write failed";
  return out.str();
}

// Sections ".code" (6 bytes, 1 relocation, 2 lines) and "a_long_data_section"
// (udata, 100 bytes, name in the string table); symbols: 0 .file + 1 aux,
// 2 main + 3 aux_fcn, 4 external_symbol. Layout: headers at 36, contents at 116,
// relocation at 122, lines at 134, symbols at 166, string table at 256 (47
// bytes), 303 bytes in all.
inline CoffBuilder sampleImage() {
  CoffBuilder b("t.o");
  b.optionalHeader(0x2A10, 16, 8, 0x5678, 1).fileFlags(0x0002).timeStamp(1000);
  int code = b.section(".code", SCN_CODE, 0x100);
  int data = b.section("a_long_data_section", SCN_UDATA, 0x20);
  b.words(code, {0x3001, 0x0008, 0x2800}).zeros(data, 100);
  uint32_t file = b.fileSymbol("main.c");
  uint32_t fn = b.function("main", 0x100, static_cast<int16_t>(code), 6);
  uint32_t ext = b.symbol("external_symbol", 0, N_UNDEF, C_EXT);
  b.line(code, file, 10, 0x100, LINENO_FCNBEGIN, fn).line(code, file, 11, 0x102, 0, fn);
  b.reloc(code, 2, ext, -1, 1);
  return b;
}

// Header positions of the two sections.
constexpr size_t kCodeHdr = 36, kDataHdr = 76;

// Little-endian bytes appended one field at a time.
struct ByteSink {
  std::string bytes;
  ByteSink& u8(uint8_t v) {
    bytes += static_cast<char>(v);
    return *this;
  }
  ByteSink& u16(uint16_t v) {
    bytes.resize(bytes.size() + 2);
    putU16(bytes, bytes.size() - 2, v);
    return *this;
  }
  ByteSink& u32(uint32_t v) {
    bytes.resize(bytes.size() + 4);
    putU32(bytes, bytes.size() - 4, v);
    return *this;
  }
  ByteSink& text(const std::string& s, size_t width) {
    std::string field = s;
    field.resize(width, '\0');
    bytes += field;
    return *this;
  }
};

// A foreign object with an optional header of `optSize` bytes (not 16):
//   section ".code": 4 bytes, 2 relocations, 3 line entries (one function start)
//   symbols: 0 ".file" + 1 aux "main.c" (byte 17 of the aux is 0x5A),
//            2 ".file" + 3 aux of 18 characters without NUL,
//            4 "a_long_symbol_name" (string table, offset 4), a function.
// Offsets: headers at 20 + optSize, then contents, relocations, lines, symbols
// and the string table.
inline std::string foreignImage(uint16_t optSize) {
  const uint32_t scnAt = 20u + optSize;
  const uint32_t rawAt = scnAt + 40, relAt = rawAt + 4, lineAt = relAt + 20, symAt = lineAt + 18;
  ByteSink b;
  b.u16(kCoffMagic).u16(1).u32(0x01020304).u32(symAt).u32(5).u16(optSize).u16(0);
  for (uint16_t i = 0; i < optSize; ++i) b.u8(0xEE);
  b.text(".code", 8)
      .u32(0x10)
      .u32(0)
      .u32(4)
      .u32(rawAt)
      .u32(relAt)
      .u32(lineAt)
      .u16(2)
      .u16(3)
      .u32(SCN_CODE);
  b.u8(1).u8(2).u8(3).u8(4);
  b.u32(0x0002).u32(4).u16(0xAAAA);  // relocation: vaddr, symndx, unused
  b.u32(0x0003).u32(9).u16(0xBBBB);
  b.u32(4).u16(0);     // function start: symbol 4
  b.u32(0x10).u16(5);  // line 5 at 0x10
  b.u32(0x12).u16(6);  // line 6 at 0x12
  b.text(".file", 8).u32(0).u16(static_cast<uint16_t>(N_DEBUG)).u16(0).u8(C_FILE).u8(1);
  b.text("main.c", 17).u8(0x5A);
  b.text(".file", 8).u32(0).u16(static_cast<uint16_t>(N_DEBUG)).u16(0).u8(C_FILE).u8(1);
  b.text("abcdefghijklmnopqr", 18);
  b.u32(0).u32(4).u32(0x10).u16(1).u16(0x20).u8(C_EXT).u8(0);
  std::string name = "a_long_symbol_name";
  b.u32(static_cast<uint32_t>(4 + name.size() + 1)).text(name, name.size() + 1);
  return b.bytes;
}

#endif
