#include "Data.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>
#include <utility>

#include "Assert.h"

void Data::ReleaseBytes::operator()(uint8_t* p) const {
  if (cMapLength)
    ::munmap(p - cMapLead, cMapLength);
  else
    std::free(p);
}

Data::Bytes Data::allocate(uint32_t n, bool zeroed) {
  for (;;) {
    void* p = zeroed ? std::calloc(n, 1) : std::malloc(n);
    if (p) return Bytes(static_cast<uint8_t*>(p));
    std::new_handler handler = std::get_new_handler();
    if (!handler) throw std::bad_alloc();
    handler();
  }
}

Data::Data(uint32_t n, const void* p) : cSize(n) {
  if (n) {
    cBytes = allocate(n, false);
    std::memcpy(cBytes.get(), p, n);
  }
}

Data::Data(uint32_t n) : cSize(n) {
  if (n) cBytes = allocate(n, true);
}

Data Data::unfilled(uint32_t n) {
  Data d;
  d.cSize = n;
  if (n) d.cBytes = allocate(n, false);
  return d;
}

Data Data::mapped(int fd, uint64_t offset, uint32_t n) {
  Data d;
  const long page = ::sysconf(_SC_PAGESIZE);
  if (n == 0 || page <= 0) return d;
  const uint64_t lead = offset % static_cast<uint64_t>(page);
  const uint64_t start = offset - lead;
  const size_t length = static_cast<size_t>(lead + n);
  if (start > static_cast<uint64_t>(std::numeric_limits<off_t>::max())) return d;
  void* p = ::mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE, fd,
                   static_cast<off_t>(start));
  if (p == MAP_FAILED) return d;
  d.cSize = n;
  d.cBytes = Bytes(static_cast<uint8_t*>(p) + lead,
                   ReleaseBytes{static_cast<size_t>(lead), length});
  return d;
}

Data::Data(const Data& other) : Data(other.cSize, other.cBytes.get()) {}

Data& Data::operator=(const Data& other) {
  if (this != &other) {
    Data copy(other);
    *this = std::move(copy);
  }
  return *this;
}

Data::Data(Data&& other) noexcept
    : cSize(std::exchange(other.cSize, 0)), cBytes(std::move(other.cBytes)) {}

Data& Data::operator=(Data&& other) noexcept {
  cSize = std::exchange(other.cSize, 0);
  cBytes = std::move(other.cBytes);
  return *this;
}

void Data::append(const Data& other) {
  if (other.cSize == 0) return;
  ZV_ASSERT(other.cSize <= UINT32_MAX - cSize);
  Bytes joined = allocate(cSize + other.cSize, false);
  if (cSize) std::memcpy(joined.get(), cBytes.get(), cSize);
  std::memcpy(joined.get() + cSize, other.cBytes.get(), other.cSize);
  cBytes = std::move(joined);
  cSize += other.cSize;
}

void Data::print(std::ostream& os) const {
  static const char digits[] = "0123456789abcdef";
  for (uint32_t i = 0; i < cSize; ++i) {
    if (i != 0 && i % 4 == 0) os << ' ';
    if (i != 0 && i % 32 == 0) os << '\n';
    os << digits[cBytes[i] >> 4] << digits[cBytes[i] & 0xF];
  }
  os << '\n';
}
