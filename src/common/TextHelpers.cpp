#include "TextHelpers.h"

#include <cstdio>
#include <ctime>

bool isAsciiAlnum(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

bool isAsciiSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

char toAsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool equalsIgnoringAsciiCase(const std::string& a, const char* b) {
  std::string::size_type i = 0;
  for (; i < a.size() && b[i] != '\0'; ++i) {
    if (toAsciiLower(a[i]) != toAsciiLower(b[i])) return false;
  }
  return i == a.size() && b[i] == '\0';
}

int digitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'z') return c - 'a' + 10;
  if (c >= 'A' && c <= 'Z') return c - 'A' + 10;
  return 36;
}

namespace {

// strtoul over 32 bits: white space, a sign, for base 16 an optional 0x prefix,
// then digits; overflow saturates, a minus sign negates modulo 2^32.
uint32_t convert(const std::string& s, std::string::size_type i, int base) {
  while (i < s.size() && isAsciiSpace(s[i])) ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
  if (base == 16 && i + 2 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X') &&
      digitValue(s[i + 2]) < 16) {
    i += 2;
  }
  uint64_t value = 0;
  bool overflow = false;
  for (; i < s.size() && digitValue(s[i]) < base; ++i) {
    value = value * base + digitValue(s[i]);
    if (value > 0xFFFFFFFFull) {
      overflow = true;
      value = 0xFFFFFFFFull;
    }
  }
  if (overflow) return 0xFFFFFFFFu;
  uint32_t v = static_cast<uint32_t>(value);
  return negative ? static_cast<uint32_t>(0u - v) : v;
}

}  // namespace

uint32_t toNumber(const std::string& text) {
  if (text.size() >= 3 && (text[1] == 'x' || text[1] == 'X')) return convert(text, 2, 16);
  return convert(text, 0, 10);
}

std::string quote(const std::string& text) { return "\"" + text + "\""; }

std::string unquote(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c != '"') out += c;
  }
  return out;
}

std::list<std::string> split(const std::string& text, char separator) {
  std::list<std::string> pieces;
  std::string current;
  for (char c : text) {
    if (c == separator) {
      pieces.push_back(current);
      current.clear();
    } else {
      current += c;
    }
  }
  if (!current.empty()) pieces.push_back(current);
  return pieces;
}

bool readToken(std::istream& in, std::string& token) {
  token.clear();
  while (in.good() && isAsciiSpace(static_cast<char>(in.peek()))) in.get();
  bool quoted = false;
  bool taken = false;
  for (;;) {
    int c = in.get();
    if (c == std::char_traits<char>::eof() || in.fail()) break;
    char ch = static_cast<char>(c);
    if (ch == '"') {
      quoted = !quoted;
    } else if (!quoted && isAsciiSpace(ch)) {
      break;
    } else {
      token += ch;
      taken = true;
    }
  }
  return taken && !quoted;
}

uint32_t swapBytes(uint32_t v) {
  return (v >> 24) | ((v >> 8) & 0xFF00u) | ((v << 8) & 0xFF0000u) | (v << 24);
}

std::string toHex(uint32_t value, int width) {
  static const uint32_t masks[] = {0xFFu, 0xFFFFu, 0xFFFFFFu, 0xFFFFFFFFu};
  if (width < 1 || width > 4) return "<NaN>";
  char buf[16];
  std::snprintf(buf, sizeof buf, "0x%0*lx", 2 * width,
                static_cast<unsigned long>(value & masks[width - 1]));
  return buf;
}

std::string localTimeText(uint32_t stamp) {
  std::time_t t = static_cast<std::time_t>(stamp);
  std::tm local{};
  if (localtime_r(&t, &local) == nullptr) return "";
  char text[64];
  size_t n = std::strftime(text, sizeof(text), "%a %b %e %H:%M:%S %Y", &local);
  return std::string(text, n);
}
