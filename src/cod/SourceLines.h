// A source file read for the listing, line by line, a large buffer at a time.
// A line is handed out without its line end; a carriage return right before
// the line feed is not part of it (one at the end of an unterminated last line
// is). Lines of any length are read whole. A read that fails ends the file.
#ifndef ZV_COD_SOURCELINES_H
#define ZV_COD_SOURCELINES_H

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

class SourceLines {
 public:
  SourceLines() = default;
  ~SourceLines();
  SourceLines(const SourceLines&) = delete;
  SourceLines& operator=(const SourceLines&) = delete;

  // Opens the file `name` (the name as the user wrote it); false when it
  // cannot be opened for reading.
  bool open(const std::string& name);

  // The next line, valid until the next call; false at the end of the file.
  bool next(std::string_view& line);

 private:
  // Reads more after the unread bytes, moved to the front; false at the end.
  bool fill();

  int cFd = -1;
  // Lines view it until the next call, whose fill may move or replace it.
  // Saves a copy of every line; guarded by bench/vostrum_bench.sh. Up to
  // 256 KB (no more than a smaller file needs), larger only for a longer
  // line; not zero-filled: only the bytes read are looked at.
  std::unique_ptr<char[]> cBuffer;
  size_t cSize = 0;     // the buffer's length
  size_t cAt = 0;       // the first unread byte
  size_t cEnd = 0;      // one past the last byte read
  size_t cScanned = 0;  // unread bytes from cAt on known to hold no line feed
  uint64_t cLeft = 0;   // bytes of the file's length at its open not read yet
  bool cEof = false;
};

#endif
