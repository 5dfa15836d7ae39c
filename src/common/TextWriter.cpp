#include "TextWriter.h"

#include <cstdarg>

#include "Assert.h"
#include "OsPath.h"

namespace {
constexpr size_t kBufferSize = size_t(1) << 16;
}  // namespace

TextWriter::~TextWriter() {
  if (cFile) std::fclose(cFile);
}

bool TextWriter::open(const std::string& name) {
  ZV_ASSERT(cFile == nullptr);
  cName = name;
  cBuffer.clear();
  cBuffer.reserve(kBufferSize);
  cFile = std::fopen(osPath(name).c_str(), "w");
  cFailed = cFile == nullptr;
  if (cFile) std::setvbuf(cFile, nullptr, _IONBF, 0);  // the buffer is ours
  return cFile != nullptr;
}

void TextWriter::write(std::string_view text) {
  ZV_ASSERT(cFile != nullptr);
  if (cFailed) return;
  if (cBuffer.size() + text.size() > kBufferSize) flushBuffer();
  if (text.size() >= kBufferSize) {
    if (!cFailed && std::fwrite(text.data(), 1, text.size(), cFile) != text.size()) cFailed = true;
    return;
  }
  cBuffer.append(text);
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
  if (!cFailed && !cBuffer.empty() &&
      std::fwrite(cBuffer.data(), 1, cBuffer.size(), cFile) != cBuffer.size())
    cFailed = true;
  cBuffer.clear();
}

bool TextWriter::close() {
  if (!cFile) return false;
  flushBuffer();
  bool ok = !cFailed && std::fflush(cFile) == 0 && !std::ferror(cFile);
  if (std::fclose(cFile) != 0) ok = false;
  cFile = nullptr;
  cFailed = !ok;
  return ok;
}
