#include "SourceLines.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "OsPath.h"

namespace {
constexpr size_t kReadSize = size_t(1) << 18;
// The least room asked for: a file whose length says little (one that grows,
// one of length 0 that holds text all the same) is still read in fair steps.
constexpr size_t kLeastRead = size_t(1) << 12;
}  // namespace

SourceLines::~SourceLines() {
  if (cFd >= 0) ::close(cFd);
}

bool SourceLines::open(const std::string& name) {
  cFd = ::open(osPath(name).c_str(), O_RDONLY | O_CLOEXEC);
  struct stat status;
  if (cFd >= 0 && ::fstat(cFd, &status) == 0 && status.st_size > 0)
    cLeft = static_cast<uint64_t>(status.st_size);
  return cFd >= 0;
}

bool SourceLines::next(std::string_view& line) {
  for (;;) {
    const char* from = cBuffer.get() + cAt;
    const size_t unread = cEnd - cAt;
    // Only the bytes that the last search has not seen: a line longer than
    // the buffer is searched once, not again after every read.
    const void* end = cScanned < unread ? std::memchr(from + cScanned, '\n', unread - cScanned)
                                        : nullptr;
    if (end != nullptr) {
      size_t length = static_cast<size_t>(static_cast<const char*>(end) - from);
      cAt += length + 1;
      cScanned = 0;
      if (length > 0 && from[length - 1] == '\r') --length;
      line = std::string_view(from, length);
      return true;
    }
    cScanned = unread;
    if (!fill()) {
      if (cAt == cEnd) return false;
      line = std::string_view(cBuffer.get() + cAt, cEnd - cAt);  // the last line, unterminated
      cAt = cEnd;
      cScanned = 0;
      return true;
    }
  }
}

bool SourceLines::fill() {
  if (cEof || cFd < 0) return false;
  const size_t unread = cEnd - cAt;
  if (cAt > 0) std::memmove(cBuffer.get(), cBuffer.get() + cAt, unread);
  cAt = 0;
  cEnd = unread;
  // A read's worth of room after the unread part, or what the rest of a
  // smaller file needs (and one byte more, to find its end); the buffer grows
  // when less than half of that is free, at least by half, so that a long
  // line is copied a bounded number of times.
  const size_t room = static_cast<size_t>(std::clamp<uint64_t>(cLeft + 1, kLeastRead, kReadSize));
  if (cSize - unread < room / 2) {
    const size_t size = std::max(unread + room, cSize + cSize / 2);
    std::unique_ptr<char[]> grown(new char[size]);
    if (unread > 0) std::memcpy(grown.get(), cBuffer.get(), unread);
    cBuffer = std::move(grown);
    cSize = size;
  }
  for (;;) {
    const ssize_t n = ::read(cFd, cBuffer.get() + cEnd, cSize - cEnd);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      cEof = true;
      return false;
    }
    cEnd += static_cast<size_t>(n);
    cLeft -= std::min(cLeft, static_cast<uint64_t>(n));
    return true;
  }
}
