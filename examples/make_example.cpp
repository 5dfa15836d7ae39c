// Writes the shipped example into the current directory: two relocatable
// objects for a library (delay.o, math.o), the main object (blink.o) and the
// absolute executable that linking them gives (blink.cof), all for the Mirrow
// device MRRW008 (processor id 0x1008, 14-bit program words).
#include <cstdio>
#include <string>

#include "CoffBuilder.h"

namespace {

constexpr uint32_t kProcId = 0x1008;
constexpr uint32_t kRomWidth = 14;
constexpr uint32_t kBuilt = 1797120000;  // the time stamp of every file

bool writeObject(const std::string& file, const std::string& source, const std::string& section,
                 const std::vector<std::string>& functions) {
  CoffBuilder b(file);
  b.optionalHeader(kProcId, kRomWidth);
  b.timeStamp(kBuilt);
  b.fileSymbol(source);
  int code = b.section(section, SCN_CODE);
  uint32_t at = 0;
  for (const std::string& name : functions) {
    b.function(name, at, static_cast<int16_t>(code), 4);
    b.words(code, {0x3000, 0x00A0, 0x0BA0, 0x0008});  // load, store, loop, return
    at += 4;
  }
  return b.writeFile(file);
}

bool writeMain() {
  CoffBuilder b("blink.o");
  b.optionalHeader(kProcId, kRomWidth);
  b.timeStamp(kBuilt);
  b.fileSymbol("blink.asm");
  int code = b.section(".code", SCN_CODE);
  b.words(code, {0x2000, 0x0186, 0x2800});  // call delay, toggle the port, loop
  b.function("main", 0, static_cast<int16_t>(code), 3);
  uint32_t delay = b.symbol("delay_ms", 0, N_UNDEF, C_EXT);
  b.reloc(code, 0, delay, 0, 1);
  return b.writeFile("blink.o");
}

bool writeExecutable() {
  CoffBuilder b("blink.cof");
  b.optionalHeader(kProcId, kRomWidth);
  b.timeStamp(kBuilt);
  int reset = b.section(".reset", SCN_CODE | SCN_ABS, 0x0000, 0x0000);
  b.words(reset, {0x2804});  // jump to main
  int code = b.section(".code", SCN_CODE, 0x0004, 0x0004);
  b.words(code, {0x2007, 0x0186, 0x2804, 0x3000, 0x00A0, 0x0BA0, 0x0008});
  int table = b.section(".table", SCN_ROMDATA, 0x0020, 0x0020);
  b.contents(table, {'b', 'l', 'i', 'n', 'k', '!'});
  int vars = b.section(".udata", SCN_UDATA, 0x0020, 0x0020);
  b.zeros(vars, 2);
  b.function("main", 0x0004, static_cast<int16_t>(code), 3);
  b.function("delay_ms", 0x0007, static_cast<int16_t>(code), 4);
  return b.writeFile("blink.cof");
}

}  // namespace

int main() {
  bool ok = writeObject("delay.o", "delay.asm", ".delay", {"delay_ms", "delay_us"}) &&
            writeObject("math.o", "math.asm", ".math", {"mul8", "div8", "sqrt16"}) &&
            writeMain() && writeExecutable();
  if (!ok) std::fputs("could not write the example files\n", stderr);
  return ok ? 0 : 1;
}
