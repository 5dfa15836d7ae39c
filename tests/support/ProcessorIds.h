// Devices of the processor table by name, for tests: a test names the device it
// builds for, as docs/processors.md lists it, instead of copying its code or id.
//
//   const ProcessorType kHalvern = processorNamed("HLVN133");
//   const uint32_t kMirrow7 = procIdNamed("MRRW007");  // the optional header's id
#ifndef ZV_TESTS_SUPPORT_PROCESSORIDS_H
#define ZV_TESTS_SUPPORT_PROCESSORIDS_H

#include <cstdint>
#include <cstdlib>
#include <iostream>

#include "mgproc.h"

// The device's processor code; a name outside the table ends the test program.
inline ProcessorType processorNamed(const char* name) {
  ProcessorType processor = 0;
  if (!processorFromName(name, processor)) {
    std::cerr << "no device '" << name << "' in the processor table\n";
    std::abort();
  }
  return processor;
}

// The device's COFF processor id.
inline uint32_t procIdNamed(const char* name) { return processorToProcType(processorNamed(name)); }

// The ids of one device per family, as the link tests use them.
inline const uint32_t kMirrow7 = procIdNamed("MRRW007");  // 14-bit words
inline const uint32_t kMirrow8 = procIdNamed("MRRW008");
inline const uint32_t kMirrow11 = procIdNamed("MRRW011");
inline const uint32_t kQuenby122 = procIdNamed("QNBY122");   // 16-bit words
inline const uint32_t kTarsel1 = procIdNamed("TRSL001");     // 12-bit words
inline const uint32_t kHalvern133 = procIdNamed("HLVN133");  // byte-addressed program memory

#endif
