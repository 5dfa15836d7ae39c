// One Intel HEX output, written record by record:
//
//   :020000040000FA                              extended linear address (type 04)
//   :10000000000102030405060708090A0B0C0D0E0F78  data (type 00)
//   :00000001FF                                  end of file (type 01)
//
// Records are gathered in a buffer and handed on in large blocks: to a file, or
// appended to a text in memory. Every write is checked; the first failure
// sticks and close() returns false, so a full disk is never taken for success.
#ifndef ZV_HEX_HEXFILE_H
#define ZV_HEX_HEXFILE_H

#include <cstdint>
#include <memory>
#include <string>

class HexFile {
 public:
  HexFile() = default;
  ~HexFile();  // closes a file that is still open (failure paths only)
  HexFile(const HexFile&) = delete;
  HexFile& operator=(const HexFile&) = delete;

  // Creates (or empties) the file for writing; false when that fails.
  bool open(const std::string& name);
  // Appends the records to `text` instead of a file; `text` outlives the writer.
  void openInMemory(std::string& text);

  // A data record of `count` bytes taken every `stride` bytes from `bytes`, at
  // the low 16 bits of `address`.
  void dataRecord(uint32_t address, const uint8_t* bytes, uint32_t count, uint32_t stride);
  // An extended linear address record carrying the upper 16 address bits.
  void linearAddressRecord(uint32_t upper);
  void endRecord();
  // Hands the buffered records on (before the program may end).
  void flush();

  bool good() const { return isOpen() && !cFailed; }
  // Flushes and closes; false when any write, the flush or the close failed.
  bool close();

 private:
  bool isOpen() const { return cFd >= 0 || cMemory != nullptr; }
  void startBuffer();
  void fullDataRecord(uint32_t address, const uint8_t* bytes);
  void record(uint8_t type, uint32_t address, const uint8_t* bytes, uint32_t count,
              uint32_t stride);
  bool writeAll(const char* p, size_t n);

  int cFd = -1;                    // the file, or -1
  std::string* cMemory = nullptr;  // the text in memory, or null
  bool cFailed = false;
  std::unique_ptr<char[]> cBuffer;  // records not yet handed on
  size_t cSize = 0;                 // the buffer's capacity
  size_t cUsed = 0;
};

#endif
