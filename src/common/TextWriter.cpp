#include "TextWriter.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdarg>

#include "Assert.h"
#include "OsPath.h"

namespace {
constexpr size_t kBufferSize = size_t(1) << 16;
}  // namespace

TextWriter::~TextWriter() {
  if (cFile) std::fclose(cFile);
}

bool TextWriter::open(const std::string& name) { return openFile(name, false); }

bool TextWriter::openInPlace(const std::string& name) { return openFile(name, true); }

bool TextWriter::openFile(const std::string& name, bool inPlace) {
  ZV_ASSERT(cFile == nullptr);
  cName = name;
  cBuffer.clear();
  cBuffer.reserve(kBufferSize);
  cWritten = 0;
  cInPlace = inPlace;
  if (inPlace) {
    int fd = ::open(osPath(name).c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
    if (fd >= 0 && (cFile = ::fdopen(fd, "w")) == nullptr) ::close(fd);
  } else {
    cFile = std::fopen(osPath(name).c_str(), "w");
  }
  cFailed = cFile == nullptr;
  if (cFile) std::setvbuf(cFile, nullptr, _IONBF, 0);  // the buffer is ours
  return cFile != nullptr;
}

void TextWriter::write(std::string_view text) {
  ZV_ASSERT(cFile != nullptr);
  if (cFailed) return;
  if (cBuffer.size() + text.size() > kBufferSize) flushBuffer();
  if (text.size() >= kBufferSize) {
    put(text);
    return;
  }
  cBuffer.append(text);
}

void TextWriter::put(std::string_view text) {
  if (!cFailed && std::fwrite(text.data(), 1, text.size(), cFile) != text.size()) cFailed = true;
  cWritten += text.size();
}

void TextWriter::print(const char* format, ...) {
  char small[256];
  std::va_list args;
  va_start(args, format);
  std::va_list again;
  va_copy(again, args);
  int length = std::vsnprintf(small, sizeof small, format, args);
  va_end(args);
  if (length < 0) {
    cFailed = true;  // a format the C library cannot convert
  } else if (static_cast<size_t>(length) < sizeof small) {
    write(std::string_view(small, static_cast<size_t>(length)));
  } else {
    std::string text(static_cast<size_t>(length) + 1, '\0');
    std::vsnprintf(&text[0], text.size(), format, again);
    text.pop_back();
    write(text);
  }
  va_end(again);
}

void TextWriter::flushBuffer() {
  if (!cBuffer.empty()) put(cBuffer);
  cBuffer.clear();
}

namespace {
// Cuts a regular file to `length`; other files (a terminal, a pipe) have no
// length to cut.
bool cutTo(std::FILE* file, uint64_t length) {
  struct stat st;
  int fd = ::fileno(file);
  if (::fstat(fd, &st) != 0) return false;
  if (!S_ISREG(st.st_mode) || static_cast<uint64_t>(st.st_size) == length) return true;
  return ::ftruncate(fd, static_cast<off_t>(length)) == 0;
}
}  // namespace

bool TextWriter::close() {
  if (!cFile) return false;
  flushBuffer();
  bool ok = !cFailed && std::fflush(cFile) == 0 && !std::ferror(cFile);
  if (ok && cInPlace) ok = cutTo(cFile, cWritten);
  if (std::fclose(cFile) != 0) ok = false;
  cFile = nullptr;
  cFailed = !ok;
  return ok;
}
