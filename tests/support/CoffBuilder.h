// CoffBuilder: makes COFF images for tests and benchmarks with the system's own
// Coff writer. Usage:
//
//   CoffBuilder b("main.o");
//   b.optionalHeader(procType, 16);                  // proc_type, rom width bits
//   int code = b.section(".code", SCN_CODE, 0x100);   // numbered 1, 2, ... as added
//   b.words(code, {0x3001, 0x0008});                  // contents, 16-bit little-endian
//   uint32_t fn = b.function("main", 0x100, code);    // symbol + aux_fcn, index 0
//   b.line(code, 0, 12, 0x100, LINENO_FCNBEGIN, fn);  // fields in record order
//   b.reloc(code, 0, b.symbol("ext", 0, N_UNDEF, C_EXT), 0, 1);
//   b.writeFile(dir.file("main.o"));  // or b.bytes(), or b.image() for the Coff
//
// Names over 8 characters (or with inStringTable) go to the string table. The
// image is laid out by Coff::preWrite; the time stamp is then timeStamp()'s (0
// by default) so that the bytes are the same on every run.
#ifndef ZV_TESTS_COFFBUILDER_H
#define ZV_TESTS_COFFBUILDER_H

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "Coff.h"

class CoffBuilder {
 public:
  explicit CoffBuilder(const std::string& name = "test.o");

  // --- headers ---
  CoffBuilder& optionalHeader(uint32_t procType, uint32_t romWidthBits, uint32_t ramWidthBits = 8,
                              uint16_t magic = 0, uint16_t vstamp = 0);
  CoffBuilder& fileFlags(uint16_t flags);
  CoffBuilder& timeStamp(uint32_t seconds);

  // --- sections ---
  // Adds a section with the given s_flags (SCN_CODE, SCN_UDATA | SCN_ABS, ...);
  // returns its 1-based number. Names must be unique.
  int section(const std::string& name, uint32_t flags, uint32_t paddr = 0, uint32_t vaddr = 0,
              bool inStringTable = false);
  // Append to a section's contents (for udata: zeros(), which sets its size).
  CoffBuilder& contents(int scn, const std::vector<uint8_t>& bytes);
  CoffBuilder& words(int scn, const std::vector<uint16_t>& words);  // little-endian
  CoffBuilder& zeros(int scn, uint32_t count);
  CoffBuilder& reloc(int scn, uint32_t vaddr, uint32_t symndx, int16_t offset, uint16_t type);
  CoffBuilder& line(int scn, uint32_t srcndx, uint16_t lnno, uint32_t paddr, uint16_t flags,
                    uint32_t fcnndx);

  // --- symbols --- (each returns the new entry's symbol-table index)
  uint32_t symbol(const std::string& name, uint32_t value, int16_t scnum, uint8_t sclass,
                  uint16_t type = 0, bool inStringTable = false);
  // Appends an auxiliary entry to the last symbol and sets its n_numaux to 1.
  // The entry is kept as the kind auxKind gives that symbol (0: a symbol).
  uint32_t aux(const SymEntry& entry);
  // ".file" (class file, section -2) with an aux_file naming `source`.
  uint32_t fileSymbol(const std::string& source);
  // An external function (derived type function) with an aux_fcn of `size`.
  uint32_t function(const std::string& name, uint32_t value, int16_t scnum, uint32_t size = 0);
  // A static section symbol with an aux_scn of the given counts.
  uint32_t sectionSymbol(int scn, uint32_t scnlen = 0, uint16_t nreloc = 0, uint16_t nlinno = 0);

  // The string's offset in the string table, adding it when it is new.
  uint32_t addString(const std::string& text);

  // The Coff being built, for what the calls above do not cover. Contents given
  // with contents/words/zeros replace its cRawData entries when the image is made.
  Coff& coff() { return cCoff; }

  // The laid-out image; bytes() as written at offset 0; writeFile writes it to
  // `path` with Coff::write (false after a reported failure).
  Coff image() const;
  std::string bytes() const;
  bool writeFile(const std::string& path) const;

 private:
  void setName(char* field, const std::string& name, bool inStringTable);
  const std::string& nameOf(int scn) const;

  Coff cCoff;
  std::map<int, std::vector<uint8_t>> cContents;  // section number -> contents
  uint32_t cTime = 0;
};

// Little-endian patches and reads on image bytes, for corrupting images.
void putU16(std::string& image, size_t at, uint16_t value);
void putU32(std::string& image, size_t at, uint32_t value);
uint16_t getU16(const std::string& image, size_t at);
uint32_t getU32(const std::string& image, size_t at);

#endif
