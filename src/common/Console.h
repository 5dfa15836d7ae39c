// What every program's main does before it parses its command line:
//
//   PELLUND v2.31, COFF to HEX File Converter
//   Copyright (c) 2026 the tool chain developers. Provided as is, without warranty.
//   (empty line)
#ifndef ZV_COMMON_CONSOLE_H
#define ZV_COMMON_CONSOLE_H

// Re-binds the error stream to standard output's buffer, so every message,
// banner and summary lands on standard output in program order; an allocation
// that fails from here on ends the program with "out of memory" and status 1.
// A write beyond the file-size limit fails as a write (the signal it would
// raise is ignored).
void setUpConsole();

// Sets the quiet flag when any argument from `first` on is exactly -q, /q, -Q
// or /Q.
void preScanQuiet(int argc, char** argv, int first = 1);

// The banner, the notice line and an empty line, unless quiet.
void printBanner(const char* banner);

// The three steps above, in order.
void startProgram(int argc, char** argv, const char* banner);

#endif
