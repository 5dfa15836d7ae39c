#include "WholeFile.h"

#include <unistd.h>

#include <cerrno>

#include "InputFile.h"

bool WholeFile::read(const std::string& path, uint64_t most, bool& missing) {
  *this = WholeFile();
  const InputFile source(path);
  missing = source.isMissing();
  if (!source.isOpen() || source.size() == 0 || source.size() > most) return false;
  Data bytes = Data::unfilled(static_cast<uint32_t>(source.size()));
  uint64_t got = 0;
  while (got < bytes.size()) {
    ssize_t n = ::pread(source.fd(), bytes.bytes() + got, bytes.size() - got,
                        static_cast<off_t>(got));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    got += static_cast<uint64_t>(n);
  }
  cBytes = std::move(bytes);
  cLength = got;
  cId = FileId{source.status().st_dev, source.status().st_ino, true};
  return true;
}

void WholeFile::dropBytes() {
  cBytes = Data();
  cLength = 0;
}
