// Text dumps of COFF records for the debug traces and the print operations of
// the archive and the linker. Each printer writes its record to the stream;
// every line it writes ends with a line end. Numbers are decimal (signed fields
// with their sign) or "0x" with 8 or 4 lower-case hexadecimal digits.
#ifndef ZV_COMMON_COFFPRINT_H
#define ZV_COMMON_COFFPRINT_H

#include <ostream>

#include "CoffRecords.h"

// Header printers: a title line, then one line per field.
void printFilehdr(const filehdr& r, std::ostream& os);
void printOpthdr(const opthdr& r, std::ostream& os);
void printScnhdr(const scnhdr& r, std::ostream& os);

// One-line printers.
void printReloc(const reloc& r, std::ostream& os);
void printLineno(const coff_lineno& r, std::ostream& os);
void printSyment(const syment& r, std::ostream& os);
void printAuxFile(const aux_file& r, std::ostream& os);
void printAuxScn(const aux_scn& r, std::ostream& os);
void printAuxTag(const aux_tag& r, std::ostream& os);
void printAuxEos(const aux_eos& r, std::ostream& os);
void printAuxFcn(const aux_fcn& r, std::ostream& os);
void printAuxArr(const aux_arr& r, std::ostream& os);
void printAuxEobf(const aux_eobf& r, std::ostream& os);
void printAuxBobf(const aux_bobf& r, std::ostream& os);
void printAuxVar(const aux_var& r, std::ostream& os);

// The printer that a symbol-table entry's AuxKind selects (any value other
// than 1 to 9 prints the entry as a symbol).
void printSymEntry(const SymEntry& e, unsigned kind, std::ostream& os);

#endif
