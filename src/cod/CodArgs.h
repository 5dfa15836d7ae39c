// vostrum's command line:
//
//   vostrum [-n, /n <listingPageLength>] [-d, /d] [-q, /q] <coffFile>
//
// Switch letters are recognised in either case (/N, /D, /Q); the COFF file name
// is taken exactly as typed.
#ifndef ZV_COD_CODARGS_H
#define ZV_COD_CODARGS_H

#include <string>

struct CodArgs {
  int cPageLength = 0;  // listing lines per page; 0: no paging
  bool cPageLengthGiven = false;
  bool cNoListing = false;  // /d
  std::string cCoffName;
};

// Reads the arguments after the program name. On a fault prints the usage line
// (unless quiet) and returns false: the caller then ends with status 1, without
// a summary.
bool parseCodArgs(int argc, char** argv, CodArgs& args);

// The usage line, without its line end.
std::string codUsageText();

// The page length as the C library's atoi reads it (leading white space, an
// optional sign, decimal digits; none give 0), held inside the int range.
int pageLengthValue(const std::string& text);

#endif
