#include "ArchiveReadBuf.h"

#include <unistd.h>

#include <cerrno>

#include "InputFile.h"

namespace {

const std::size_t kWindowSize = 64 * 1024;
// A window loaded for a seek starts this far before the target: the member
// reader reads an image's string table before its headers.
const uint64_t kLookBehind = 16 * 1024;

}  // namespace

ArchiveReadBuf::ArchiveReadBuf() : cWindow(kWindowSize) {
  setg(cWindow.data(), cWindow.data(), cWindow.data());
}

ArchiveReadBuf::~ArchiveReadBuf() { close(); }

bool ArchiveReadBuf::open(const std::string& path) {
  close();
  InputFile file(path);
  if (!file.isOpen()) return false;
  cFileSize = file.size();
  cFd = file.release();
  cWindowStart = 0;
  cHasPending = false;
  setg(cWindow.data(), cWindow.data(), cWindow.data());
  return true;
}

void ArchiveReadBuf::close() {
  if (cFd >= 0) ::close(cFd);
  cFd = -1;
}

uint64_t ArchiveReadBuf::position() const {
  if (cHasPending) return cPending;
  return cWindowStart + static_cast<uint64_t>(gptr() - eback());
}

void ArchiveReadBuf::load(uint64_t from) {
  ssize_t n = -1;
  if (cFd >= 0) {
    do {
      n = pread(cFd, cWindow.data(), cWindow.size(), static_cast<off_t>(from));
    } while (n < 0 && errno == EINTR);
  }
  cWindowStart = from;
  setg(cWindow.data(), cWindow.data(), cWindow.data() + (n > 0 ? n : 0));
}

// Points the read position at t when the window holds it.
bool ArchiveReadBuf::moveInsideWindow(uint64_t t) {
  uint64_t loaded = static_cast<uint64_t>(egptr() - eback());
  if (t < cWindowStart || t - cWindowStart > loaded) return false;
  setg(eback(), eback() + (t - cWindowStart), egptr());
  cHasPending = false;
  return true;
}

ArchiveReadBuf::int_type ArchiveReadBuf::underflow() {
  if (gptr() < egptr()) return traits_type::to_int_type(*gptr());
  if (cHasPending) {
    // A seek outside the window: load around the target.
    uint64_t t = cPending;
    if (!moveInsideWindow(t) || gptr() == egptr()) {
      load(t < kLookBehind ? 0 : t - kLookBehind);
      if (!moveInsideWindow(t)) {
        load(t);  // the target lies beyond the end of the file
        cHasPending = false;
      }
    }
  } else {
    load(position());  // reading on past the end of the window
  }
  return gptr() < egptr() ? traits_type::to_int_type(*gptr()) : traits_type::eof();
}

ArchiveReadBuf::pos_type ArchiveReadBuf::seekoff(off_type off, std::ios_base::seekdir dir,
                                                 std::ios_base::openmode which) {
  uint64_t from = dir == std::ios_base::beg   ? 0
                  : dir == std::ios_base::cur ? position()
                                              : cFileSize;
  if (off < 0 && static_cast<uint64_t>(-off) > from) return pos_type(off_type(-1));
  return seekpos(pos_type(static_cast<off_type>(from) + off), which);
}

// A seek reads nothing: one inside the window moves the read position, any
// other is remembered and served by the next read.
ArchiveReadBuf::pos_type ArchiveReadBuf::seekpos(pos_type pos, std::ios_base::openmode which) {
  off_type target = off_type(pos);
  if (!(which & std::ios_base::in) || cFd < 0 || target < 0) return pos_type(off_type(-1));
  uint64_t t = static_cast<uint64_t>(target);
  if (!moveInsideWindow(t)) {
    cPending = t;
    cHasPending = true;
    setg(eback(), egptr(), egptr());  // the next read goes through underflow
  }
  return pos;
}
