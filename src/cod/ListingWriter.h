// The listing's text: rows formatted into one reused buffer that goes to the
// file in large writes. A row is five columns (address, value, disassembly,
// source, file); each but the last is filled with blanks to its width, and a
// longer text pushes the columns after it to the right:
//
//   000010   3001     MOVLW     0x1            start movlw 1   ...   main.asm
//   |0       |9       |18                      |43                   |124
//
// Address and value are lower-case hex digits, zero-filled to 6 and 4.
#ifndef ZV_COD_LISTINGWRITER_H
#define ZV_COD_LISTINGWRITER_H

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "TextWriter.h"

class ListingWriter {
 public:
  ListingWriter();

  // Creates the file; false when it cannot be opened (as TextWriter::open).
  bool open(const std::string& name);
  // Hands the rows over, then flushes and closes; false when any write failed.
  bool close();

  // A row of one code word at `address`; a source line's later words leave
  // the source and file empty.
  void codeRow(uint32_t address, uint16_t value, std::string_view disassembly,
               std::string_view source, std::string_view file);
  // A row of a source line without code: the first two columns blank.
  void textRow(std::string_view source, std::string_view file);
  // Text as it is (the page header).
  void text(std::string_view text);

 private:
  // Room for `size` more characters at the end of the buffer, handing the
  // full buffer to the file first; commit() then takes what was written.
  char* room(size_t size);
  void commit(const char* end) { cUsed = static_cast<size_t>(end - cBuffer.data()); }
  void handOver();
  // A code row with a field wider than its column, or an address past 6 digits.
  [[gnu::noinline]] void wideCodeRow(uint32_t address, uint16_t value, std::string_view disassembly,
                                     std::string_view source, std::string_view file);
  void row(std::string_view address, std::string_view value, std::string_view disassembly,
           std::string_view source, std::string_view file);

  TextWriter cFile;
  // Rows are formatted straight into it: a pointer from room() is used up
  // before the next room(), which may hand the buffer over or grow it. Saves
  // a string and a write per row; guarded by bench/vostrum_bench.sh.
  std::vector<char> cBuffer;
  size_t cUsed = 0;
};

#endif
