#include "SourceLines.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "OsPath.h"

namespace {
constexpr size_t kReadSize = size_t(1) << 18;
}  // namespace

SourceLines::~SourceLines() {
  if (cFd >= 0) ::close(cFd);
}

bool SourceLines::open(const std::string& name) {
  cFd = ::open(osPath(name).c_str(), O_RDONLY | O_CLOEXEC);
  return cFd >= 0;
}

bool SourceLines::next(std::string_view& line) {
  for (;;) {
    const char* from = cBuffer.data() + cAt;
    const void* end = cAt < cEnd ? std::memchr(from, '\n', cEnd - cAt) : nullptr;
    if (end != nullptr) {
      size_t length = static_cast<size_t>(static_cast<const char*>(end) - from);
      cAt += length + 1;
      if (length > 0 && from[length - 1] == '\r') --length;
      line = std::string_view(from, length);
      return true;
    }
    if (!fill()) {
      if (cAt == cEnd) return false;
      line = std::string_view(cBuffer.data() + cAt, cEnd - cAt);  // the last line, unterminated
      cAt = cEnd;
      return true;
    }
  }
}

bool SourceLines::fill() {
  if (cEof || cFd < 0) return false;
  const size_t unread = cEnd - cAt;
  if (cAt > 0) std::memmove(cBuffer.data(), cBuffer.data() + cAt, unread);
  cAt = 0;
  cEnd = unread;
  // Room for at least half a read after the unread part: a long line grows
  // the buffer.
  if (cBuffer.size() < unread + kReadSize / 2) cBuffer.resize(unread + kReadSize);
  for (;;) {
    const ssize_t n = ::read(cFd, cBuffer.data() + cEnd, cBuffer.size() - cEnd);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      cEof = true;
      return false;
    }
    cEnd += static_cast<size_t>(n);
    return true;
  }
}
