#include "Data.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>

#include "Assert.h"

void Data::FreeBytes::operator()(uint8_t* p) const { std::free(p); }

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
