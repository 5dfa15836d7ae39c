#include "ListingWriter.h"

#include <array>
#include <cstring>

namespace {

// Rows gather up to this many bytes before they go to the file in one write.
constexpr size_t kBufferSize = size_t(1) << 18;

constexpr size_t kAddressWidth = 6;  // column 0
constexpr size_t kValueWidth = 6;    // column 9
constexpr size_t kValueColumn = 9;
constexpr size_t kDisassemblyWidth = 24;
constexpr size_t kDisassemblyColumn = 18;
constexpr size_t kSourceWidth = 80;
constexpr size_t kSourceColumn = 43;
constexpr size_t kFileColumn = 124;

// A row of blanks up to the file column, copied whole as the start of a row.
constexpr std::array<char, kFileColumn> blankRow() {
  std::array<char, kFileColumn> row{};
  for (char& c : row) c = ' ';
  return row;
}
constexpr std::array<char, kFileColumn> kBlankRow = blankRow();

// "00" to "ff": the two lower-case hex digits of every byte.
struct HexPairs {
  char digits[256][2];

  constexpr HexPairs() : digits{} {
    const char hex[] = "0123456789abcdef";
    for (int i = 0; i < 256; ++i) {
      digits[i][0] = hex[i >> 4];
      digits[i][1] = hex[i & 0xF];
    }
  }
};
constexpr HexPairs kHexPairs;

// The `Bytes` low bytes of `value` as hex digits, highest first.
template <int Bytes>
void putHex(char* out, uint32_t value) {
  for (int i = Bytes - 1; i >= 0; --i, value >>= 8)
    std::memcpy(out + 2 * i, kHexPairs.digits[value & 0xFF], 2);
}

// Most rows after a source line's first leave the source and file empty.
void putText(char* out, std::string_view text) {
  if (!text.empty()) std::memcpy(out, text.data(), text.size());
}

// The digits of `value` zero-filled to 6: 6, 7 or 8 of them.
size_t addressDigits(char* out, uint32_t value) {
  static const char kDigits[] = "0123456789abcdef";
  size_t length = 6;
  while (length < 8 && (value >> (4 * length)) != 0) ++length;
  for (size_t i = length; i-- > 0; value >>= 4) out[i] = kDigits[value & 0xF];
  return length;
}

// `text`, then blanks up to `width`.
char* putColumn(char* out, std::string_view text, size_t width) {
  std::memcpy(out, text.data(), text.size());
  out += text.size();
  if (text.size() < width) {
    std::memset(out, ' ', width - text.size());
    out += width - text.size();
  }
  return out;
}

char* putBlanks(char* out, size_t count) {
  std::memset(out, ' ', count);
  return out + count;
}

}  // namespace

ListingWriter::ListingWriter() : cBuffer(kBufferSize) {}

bool ListingWriter::open(const std::string& name) {
  cUsed = 0;
  return cFile.open(name);
}

bool ListingWriter::close() {
  handOver();
  return cFile.close();
}

char* ListingWriter::room(size_t size) {
  if (cUsed + size > cBuffer.size()) {
    handOver();
    if (size > cBuffer.size()) cBuffer.resize(size);
  }
  return cBuffer.data() + cUsed;
}

void ListingWriter::handOver() {
  if (cUsed != 0) cFile.write(std::string_view(cBuffer.data(), cUsed));
  cUsed = 0;
}

void ListingWriter::text(std::string_view text) {
  char* out = room(text.size());
  std::memcpy(out, text.data(), text.size());
  commit(out + text.size());
}

void ListingWriter::codeRow(uint32_t address, uint16_t value, std::string_view disassembly,
                            std::string_view source, std::string_view file) {
  if (address <= 0xFFFFFF && disassembly.size() <= kDisassemblyWidth &&
      source.size() <= kSourceWidth) {
    // Every column in its place: the fields go into a row of blanks.
    char* out = room(kFileColumn + file.size() + 1);
    std::memcpy(out, kBlankRow.data(), kFileColumn);
    putHex<3>(out, address);
    putHex<2>(out + kValueColumn, value);
    putText(out + kDisassemblyColumn, disassembly);
    putText(out + kSourceColumn, source);
    putText(out + kFileColumn, file);
    out[kFileColumn + file.size()] = '\n';
    commit(out + kFileColumn + file.size() + 1);
    return;
  }
  wideCodeRow(address, value, disassembly, source, file);
}

void ListingWriter::wideCodeRow(uint32_t address, uint16_t value, std::string_view disassembly,
                                std::string_view source, std::string_view file) {
  char digits[8], valueDigits[4];
  const size_t length = addressDigits(digits, address);
  putHex<2>(valueDigits, value);
  row(std::string_view(digits, length), std::string_view(valueDigits, 4), disassembly, source,
      file);
}

void ListingWriter::textRow(std::string_view source, std::string_view file) {
  if (source.size() <= kSourceWidth) {
    char* out = room(kFileColumn + file.size() + 1);
    std::memcpy(out, kBlankRow.data(), kFileColumn);
    std::memcpy(out + kSourceColumn, source.data(), source.size());
    std::memcpy(out + kFileColumn, file.data(), file.size());
    out[kFileColumn + file.size()] = '\n';
    commit(out + kFileColumn + file.size() + 1);
    return;
  }
  row("", "", "", source, file);
}

void ListingWriter::row(std::string_view address, std::string_view value,
                        std::string_view disassembly, std::string_view source,
                        std::string_view file) {
  char* out = room(kFileColumn + address.size() + value.size() + disassembly.size() +
                   source.size() + file.size() + 1);
  out = putColumn(out, address, kAddressWidth);
  out = putBlanks(out, 3);
  out = putColumn(out, value, kValueWidth);
  out = putBlanks(out, 3);
  out = putColumn(out, disassembly, kDisassemblyWidth);
  out = putBlanks(out, 1);
  out = putColumn(out, source, kSourceWidth);
  out = putBlanks(out, 1);
  std::memcpy(out, file.data(), file.size());
  out += file.size();
  *out++ = '\n';
  commit(out);
}
