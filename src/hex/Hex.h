// The HEX image: runs of program-memory bytes at byte addresses, written as Intel
// HEX files. INHX32 (base.hex) starts with an extended linear address record and
// adds one wherever the upper 16 address bits change; no data record crosses a
// 16-byte boundary. 20 bytes 00..13 at 0xFFFC give
//
//   :020000040000FA
//   :04FFFC0000010203FB
//   :020000040001F9
//   :100000000405060708090A0B0C0D0E0F1011121338
//   :00000001FF
//
// INHX8M (base.hex) is the same without address records, for addresses below
// 64 KB. INHX8S splits each 16-bit word into base.hxl (low bytes) and base.hxh
// (high bytes), both at the word address; the word 0x1234 at byte address 0:
//
//   base.hxl  :0100000034CB       base.hxh  :0100000012ED
//             :00000001FF                   :00000001FF
//
// The runs view their bytes where they lie; an odd last word is completed with
// a byte 0 as the record is formatted.
#ifndef ZV_HEX_HEX_H
#define ZV_HEX_HEX_H

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "HexRange.h"

class HexFile;

// The output format chosen with /a; any other value writes nothing.
typedef int HexFormat;
const HexFormat INHX8M = 0;
const HexFormat INHX8S = 1;
const HexFormat INHX32 = 2;

class Hex {
 public:
  // Writes the files of the format; false after a reported failure, or for an
  // unknown format. An address too high for INHX8M or INHX8S is fatal.
  bool write(HexFormat format);
  // The files that write(format) creates: NAME.hex, or NAME.hxl and NAME.hxh;
  // none for an unknown format.
  std::vector<std::string> fileNames(HexFormat format) const;
  // The records of INHX8M or INHX32 into one open file, end record included.
  void writeByteRecords(HexFormat format, HexFile& file);
  // The records of INHX8S: the low byte of each word into `low`, the high byte
  // into `high`. A run of odd length (its last word's high byte belongs to
  // another section) gives its last low byte without a high byte.
  void writeWordRecords(HexFile& low, HexFile& high);
  void sortRanges();
  // Called before every data record: the fatal check of the 16-bit formats and
  // the extended linear address records of INHX32.
  void doLinearAddressRecord(HexFile& file, uint32_t address, HexFormat format, bool first);
  void print(std::ostream& os) const;

  std::string cFileBaseName;  // output name without directory and extension
  std::vector<HexRange> cRanges;

 private:
  bool writeHexFile(HexFormat format);
  bool writeSplitFiles();
  // Bytes i to i + n - 1 of the run: in place, or completed with padding in `scratch`.
  static const uint8_t* recordBytes(const HexRange& r, uint32_t i, uint32_t n, uint8_t* scratch);
};

#endif
