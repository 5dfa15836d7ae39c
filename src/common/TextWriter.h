// A text file written through a buffer, every step checked: the writes, the
// flush and the close. The first failure sticks; close() then returns false, so
// a full disk is never taken for a written file. Usage:
//
//   TextWriter out;
//   if (!out.open(name)) ...                       // "Could not open ..."
//   out << "Section Info\n";
//   out.print("%-24s %#08x\n", name.c_str(), address);
//   if (!out.close()) ...                          // "Could not write ..."
//
// Line ends are written as given ('\n'). A writer destroyed while open closes
// its file without a word (failure paths only).
#ifndef ZV_COMMON_TEXTWRITER_H
#define ZV_COMMON_TEXTWRITER_H

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

class TextWriter {
 public:
  TextWriter() = default;
  ~TextWriter();
  TextWriter(const TextWriter&) = delete;
  TextWriter& operator=(const TextWriter&) = delete;

  // Creates (or empties) the file `name`, the name as the user wrote it; false
  // when it cannot be opened for writing (a directory, a missing folder, no
  // permission). The writer must not be open already.
  bool open(const std::string& name);
  // As open, but a file that exists is written over from its start and cut to
  // the written length by close, rather than emptied first: emptying a large
  // file that the system may still be writing out to disk waits for that, and
  // an emptied file is written out again once closed.
  bool openInPlace(const std::string& name);
  const std::string& name() const { return cName; }

  void write(std::string_view text);
  TextWriter& operator<<(std::string_view text) {
    write(text);
    return *this;
  }
  // printf-style output of any length.
#if defined(__GNUC__)
  __attribute__((format(printf, 2, 3)))
#endif
  void
  print(const char* format, ...);

  // Flushes and closes; false when the file was never opened or any write, the
  // flush or the close failed since open.
  bool close();
  // True after a failed open or a failed write.
  bool failed() const { return cFailed; }

 private:
  bool openFile(const std::string& name, bool inPlace);
  void put(std::string_view text);
  void flushBuffer();

  std::FILE* cFile = nullptr;
  std::string cName;
  std::string cBuffer;    // text not yet handed to the file
  uint64_t cWritten = 0;  // bytes handed to the file
  bool cInPlace = false;  // close cuts the file to cWritten
  bool cFailed = false;
};

#endif
