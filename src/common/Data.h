// A counted byte buffer: the contents of a COFF section and other binary blocks.
#ifndef ZV_COMMON_DATA_H
#define ZV_COMMON_DATA_H

#include <cstdint>
#include <memory>
#include <ostream>

class Data {
 public:
  Data() = default;
  Data(uint32_t n, const void* p);  // copies n bytes from p
  explicit Data(uint32_t n);        // n zero bytes (fresh pages stay untouched)
  // n bytes left unset, for a caller that writes every one of them at once (a
  // read from a file): the buffer is not filled twice.
  static Data unfilled(uint32_t n);
  Data(const Data& other);
  Data& operator=(const Data& other);
  Data(Data&& other) noexcept;
  Data& operator=(Data&& other) noexcept;
  ~Data() = default;

  uint8_t* bytes() { return cBytes.get(); }  // null when the size is 0
  const uint8_t* bytes() const { return cBytes.get(); }
  uint32_t size() const { return cSize; }

  // Appends the other buffer's bytes; an empty other leaves the array as it is.
  // The joined size must fit 32 bits (callers check sizes from inputs first).
  void append(const Data& other);

  // Hex dump: bytes in groups of four, 32 to a line.
  void print(std::ostream& os) const;

 private:
  // Bytes from the C allocator, so that a large zero-filled block takes pages
  // only where it is written; running out of memory ends as `new` does.
  struct FreeBytes {
    void operator()(uint8_t* p) const;
  };
  using Bytes = std::unique_ptr<uint8_t[], FreeBytes>;
  static Bytes allocate(uint32_t n, bool zeroed);

  uint32_t cSize = 0;
  Bytes cBytes;  // present exactly when cSize is non-zero
};

#endif
