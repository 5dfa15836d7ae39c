// pellund's command line:
//
//   pellund [/a <hexformat>] [/r 0xBBBB-0xEEEE]... [/q] <coffFile>
//
// Switch letters are recognised in either case (/A, /R); the format names and
// the COFF file name are taken exactly as typed.
#ifndef ZV_HEX_HEXARGS_H
#define ZV_HEX_HEXARGS_H

#include <string>
#include <vector>

#include "AddrRange.h"
#include "Hex.h"

struct HexArgs {
  HexFormat cFormat = INHX32;
  std::vector<AddrRange> cRanges;  // in the order given; empty selects everything
  std::string cCoffName;
};

// Reads the arguments after the program name. On a fault, prints the usage text
// or the switch's message (unless quiet) and returns false: the caller then ends
// with status 1, without a summary.
bool parseHexArgs(int argc, char** argv, HexArgs& args);

// The five usage lines, each ending in a line feed.
std::string hexUsageText();

// A /r bound: decimal digits, or "0x"/"0X" and hexadecimal digits, within 32 bits.
bool readRangeNumber(const std::string& text, uint32_t& value);

#endif
