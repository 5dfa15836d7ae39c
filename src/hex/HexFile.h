// One Intel HEX output file, written record by record:
//
//   :020000040000FA                              extended linear address (type 04)
//   :10000000000102030405060708090A0B0C0D0E0F78  data (type 00)
//   :00000001FF                                  end of file (type 01)
//
// Records are gathered in a buffer and written in large blocks. Every write is
// checked; the first failure sticks and close() returns false, so a full disk is
// never taken for success.
#ifndef ZV_HEX_HEXFILE_H
#define ZV_HEX_HEXFILE_H

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

class HexFile {
 public:
  HexFile() = default;
  ~HexFile();  // closes a file that is still open (failure paths only)
  HexFile(const HexFile&) = delete;
  HexFile& operator=(const HexFile&) = delete;

  // Creates the file for writing; false when it cannot be created.
  bool open(const std::string& name);

  // A data record of `count` bytes taken every `stride` bytes from `bytes`, at
  // the low 16 bits of `address`.
  void dataRecord(uint32_t address, const uint8_t* bytes, uint32_t count, uint32_t stride);
  // An extended linear address record carrying the upper 16 address bits.
  void linearAddressRecord(uint32_t upper);
  void endRecord();
  // Hands the buffered records to the file (before the program may end).
  void flush();

  bool good() const { return cFile != nullptr && !cFailed; }
  // Flushes and closes; false when any write, the flush or the close failed.
  bool close();

 private:
  void record(uint8_t type, uint32_t address, const uint8_t* bytes, uint32_t count,
              uint32_t stride);

  std::FILE* cFile = nullptr;
  bool cFailed = false;
  std::vector<char> cBuffer;  // records not yet handed to the file
  size_t cUsed = 0;
};

#endif
