// The processor table: every supported device by its one-byte processor code
// (1 to 139), with its core family, device name, COFF processor id and the
// geometry of its program and data memories.
//
// Processor ids are family * 0x1000 + code (Tarsel code 18 is 0x3012), device
// names a family prefix and the code in three digits (TRSL018); docs/processors.md
// lists them all. Every operation is a pure function. A code outside 1..139, or an
// unknown id given to procTypeToProcessor, breaks the caller's contract and ends
// the program through an assertion.
#ifndef ZV_TABLES_MGPROC_H
#define ZV_TABLES_MGPROC_H

#include <cstdint>
#include <string>

typedef uint8_t ProcessorType;  // processor code, 1..139
typedef uint8_t CoreFamily;     // 1..4, below

constexpr CoreFamily CORE_MIRROW = 1;   // 14-bit program words
constexpr CoreFamily CORE_QUENBY = 2;   // 16-bit program words, older series
constexpr CoreFamily CORE_TARSEL = 3;   // 12-bit program words
constexpr CoreFamily CORE_HALVERN = 4;  // 16-bit words, byte-addressed program memory

constexpr ProcessorType FIRST_PROCESSOR = 1;
constexpr ProcessorType LAST_PROCESSOR = 139;

CoreFamily processorFamily(ProcessorType processor);
const char* processorName(ProcessorType processor);

// The id that object and executable files carry in their optional header.
uint16_t processorToProcType(ProcessorType processor);
// Both look only at the low 16 bits of the id.
ProcessorType procTypeToProcessor(uint32_t procType);
bool isKnownProcType(uint32_t procType);

// 1 and `processor` set when `name` is a device name (ASCII letters compared
// without regard to case, whole text); else 0 with `processor` untouched.
int processorFromName(const std::string& name, ProcessorType& processor);

uint32_t bankOfAddress(ProcessorType processor, uint32_t address);
uint32_t offsetInBank(ProcessorType processor, uint32_t address);
// True when the address's offset in its bank lies in general-purpose RAM.
bool isGpr(ProcessorType processor, uint32_t address);

uint32_t romWidthBits(ProcessorType processor);  // bits per program address unit
uint32_t ramWidthBits(ProcessorType processor);  // bits per data address unit

// Program memory counts the family's address unit: words, or bytes for Halvern.
uint32_t programMemorySize(ProcessorType processor);
uint32_t codePageSize(ProcessorType processor);
uint32_t numCodePages(ProcessorType processor);
uint32_t maxProgramAddress(ProcessorType processor);

// Data memory counts bytes.
uint32_t dataMemorySize(ProcessorType processor);
uint32_t dataBankSize(ProcessorType processor);
uint32_t numDataBanks(ProcessorType processor);
uint32_t maxDataAddress(ProcessorType processor);

#endif
