// The banner lines that name each program, and the notice line printed under them.
#ifndef ZV_COMMON_BANNER_H
#define ZV_COMMON_BANNER_H

const char* linkerBanner();
const char* librarianBanner();
const char* codConverterTitle();
const char* codConverterBanner();
const char* hexConverterBanner();
const char* coffDumpBanner();
const char* codDumpBanner();
const char* disassemblerBanner();
const char* noticeBanner();

#endif
