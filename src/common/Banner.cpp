#include "Banner.h"

const char* linkerBanner() { return "ZORVIK v2.31, Linker"; }
const char* librarianBanner() { return "QUANDEL v2.31, Librarian"; }
const char* codConverterTitle() { return "VOSTRUM v2.31"; }
const char* codConverterBanner() { return "VOSTRUM v2.31, COFF to COD File Converter"; }
const char* hexConverterBanner() { return "PELLUND v2.31, COFF to HEX File Converter"; }
const char* coffDumpBanner() { return "TRIMBEL v2.31, COFF Dump Utility"; }
const char* codDumpBanner() { return "SARNOW v2.31, COD Dump Utility"; }
const char* disassemblerBanner() { return "GLEDDON v2.31, COFF Disassembler"; }
const char* noticeBanner() {
  return "Copyright (c) 2026 the tool chain developers. Provided as is, without warranty.";
}
