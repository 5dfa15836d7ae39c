// A counted byte buffer: the contents of a COFF section and other binary blocks.
#ifndef ZV_COMMON_DATA_H
#define ZV_COMMON_DATA_H

#include <cstddef>
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
  // The n bytes at `offset` of the open file `fd`, viewed through a private
  // mapping (writes stay in this process) that lives as long as the buffer; the
  // file must not shrink meanwhile. Empty when n is 0 or the file cannot be
  // mapped (the caller reads the bytes instead). The mapping is the buffer's
  // own: a move hands it on with the bytes where they are, a copy gets
  // allocated bytes, and it is unmapped when its owner goes. Saves reading and
  // copying large contents; guarded by bench/pellund_bench.sh.
  static Data mapped(int fd, uint64_t offset, uint32_t n);
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
  // only where it is written; running out of memory ends as `new` does. A
  // mapped buffer instead records where its mapping starts and its length.
  struct ReleaseBytes {
    ReleaseBytes() noexcept : cMapLead(0), cMapLength(0) {}
    ReleaseBytes(size_t lead, size_t length) noexcept : cMapLead(lead), cMapLength(length) {}
    void operator()(uint8_t* p) const;
    size_t cMapLead;    // bytes of the mapping before the buffer's first
    size_t cMapLength;  // the mapping's length; 0 for allocated bytes
  };
  using Bytes = std::unique_ptr<uint8_t[], ReleaseBytes>;
  static Bytes allocate(uint32_t n, bool zeroed);

  uint32_t cSize = 0;
  Bytes cBytes;  // present exactly when cSize is non-zero
};

#endif
