// Number and text conversions used by the command-line and command-file parsers.
#ifndef ZV_COMMON_TEXTHELPERS_H
#define ZV_COMMON_TEXTHELPERS_H

#include <cstdint>
#include <istream>
#include <list>
#include <string>

// Hexadecimal when the text has at least 3 characters and the second is 'x' or
// 'X' (digits from the third), else decimal; converts as the 32-bit strtoul does.
uint32_t toNumber(const std::string& text);

std::string quote(const std::string& text);    // adds '"' before and after
std::string unquote(const std::string& text);  // removes every '"'

// Pieces between separators; empty pieces are kept, except a trailing one.
std::list<std::string> split(const std::string& text, char separator);

// Reads one white-space separated word; '"' toggles quoting and is dropped.
// True when a character was taken and no quote is left open.
bool readToken(std::istream& in, std::string& token);

uint32_t swapBytes(uint32_t value);

// "0x" and 2 x width lower-case digits; width outside 1..4 gives "<NaN>".
std::string toHex(uint32_t value, int width);

// The local time of a time stamp in the 24-character date form (weekday,
// month, day, time, year: "Thu Dec 10 10:20:55 2026"), without a line end.
// The reentrant conversion uses the time zone set by the last tzset().
std::string localTimeText(uint32_t stamp);

// C-locale character classes: ASCII only.
bool isAsciiAlnum(char c);
bool isAsciiSpace(char c);
char toAsciiLower(char c);  // 'A'..'Z' to 'a'..'z', every other byte as it is

// True when the whole of `a` equals the whole of `b`, ASCII letters compared
// without regard to case and every other byte as it is.
bool equalsIgnoringAsciiCase(const std::string& a, const char* b);

// The value of a digit in bases up to 36: '0'..'9' are 0..9, letters of either
// case 10..35; anything else is 36, no digit in any base.
int digitValue(char c);

#endif
