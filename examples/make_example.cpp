// Writes the shipped example's relocatable objects into the current directory:
//  - for the Mirrow device MRRW008 (processor id 0x1008, 14-bit program words)
//    the main object blink.o and two objects for a library, delay.o and math.o;
//  - for the Halvern device HLVN133 (processor id 0x4085, program memory in
//    bytes) the main object start.o and led.o.
// Each program calls a function of another object and stores into a variable,
// so that the linker patches a call and a data reference in each.
#include <cstdio>
#include <string>
#include <vector>

#include "CoffBuilder.h"
#include "mgreloct.h"

namespace {

constexpr uint32_t kMirrowId = 0x1008;
constexpr uint32_t kMirrowWidth = 14;
constexpr uint32_t kHalvernId = 0x4085;
constexpr uint32_t kHalvernWidth = 8;
constexpr uint32_t kBuilt = 1797120000;  // the time stamp of every file

CoffBuilder object(const std::string& file, const std::string& source, uint32_t procId, uint32_t width) {
  CoffBuilder b(file);
  b.optionalHeader(procId, width);
  b.timeStamp(kBuilt);
  b.fileSymbol(source);
  return b;
}

// A library object of small Mirrow functions: load, store, loop, return.
bool writeMirrowLibObject(const std::string& file, const std::string& source, const std::string& section,
                          const std::vector<std::string>& functions) {
  CoffBuilder b = object(file, source, kMirrowId, kMirrowWidth);
  int code = b.section(section, SCN_CODE);
  uint32_t at = 0;
  for (const std::string& name : functions) {
    b.function(name, at, static_cast<int16_t>(code), 4);
    b.words(code, {0x3000, 0x00A0, 0x0BA0, 0x0008});
    at += 4;
  }
  return b.writeFile(file);
}

// Mirrow main program: the reset vector jumps to main, which calls delay_ms
// (from the library), stores W into `ticks`, toggles the port and loops.
bool writeMirrowMain() {
  CoffBuilder b = object("blink.o", "blink.asm", kMirrowId, kMirrowWidth);
  int reset = b.section(".reset", SCN_CODE | SCN_ABS, 0x0000);
  b.words(reset, {0x2800});  // goto main
  int code = b.section(".code", SCN_CODE);
  b.words(code, {0x2000, 0x0080, 0x0186, 0x2800});  // call delay_ms, movwf ticks, toggle, goto main
  int vars = b.section("vars", SCN_UDATA | SCN_SHARE);
  b.zeros(vars, 2);
  uint32_t main = b.function("main", 0, static_cast<int16_t>(code), 4);
  uint32_t ticks = b.symbol("ticks", 1, static_cast<int16_t>(vars), C_EXT);
  uint32_t delay = b.symbol("delay_ms", 0, N_UNDEF, C_EXT);
  b.reloc(reset, 0, main, 0, RELOCT_GOTO);
  b.reloc(code, 0, delay, 0, RELOCT_CALL);
  b.reloc(code, 2, ticks, 0, RELOCT_F);
  b.reloc(code, 6, main, 0, RELOCT_GOTO);
  return b.writeFile("blink.o");
}

// Halvern main program: the reset vector jumps to main, which selects the bank
// of `level`, calls led_on (in led.o), stores W into `level` and loops.
bool writeHalvernMain() {
  CoffBuilder b = object("start.o", "start.asm", kHalvernId, kHalvernWidth);
  int reset = b.section(".reset", SCN_CODE | SCN_ABS, 0x0000);
  b.words(reset, {0xEF00, 0xF000});  // goto main
  int code = b.section(".code", SCN_CODE);
  // movlb level, call led_on, movwf level, bra main
  b.words(code, {0x0100, 0xEC00, 0xF000, 0x6F00, 0xD000});
  int buffer = b.section("buffer", SCN_UDATA);
  b.zeros(buffer, 8);
  uint32_t main = b.function("main", 0, static_cast<int16_t>(code), 10);
  uint32_t level = b.symbol("level", 4, static_cast<int16_t>(buffer), C_EXT);
  uint32_t led = b.symbol("led_on", 0, N_UNDEF, C_EXT);
  b.reloc(reset, 0, main, 0, RELOCT_GOTO);
  b.reloc(reset, 2, main, 0, RELOCT_CALL2);
  b.reloc(code, 0, level, 0, RELOCT_MOVLB);
  b.reloc(code, 2, led, 0, RELOCT_CALL);
  b.reloc(code, 4, led, 0, RELOCT_CALL2);
  b.reloc(code, 6, level, 0, RELOCT_F);
  b.reloc(code, 8, main, 0, RELOCT_BRA);
  return b.writeFile("start.o");
}

// Halvern led_on: sets a bit of `flags` in the access bank and returns.
bool writeHalvernLed() {
  CoffBuilder b = object("led.o", "led.asm", kHalvernId, kHalvernWidth);
  int code = b.section(".led", SCN_CODE);
  b.words(code, {0x8000, 0x0012});  // bsf flags, 0, access; return
  int flags = b.section("flags", SCN_UDATA | SCN_ACCESS);
  b.zeros(flags, 2);
  b.function("led_on", 0, static_cast<int16_t>(code), 4);
  uint32_t mine = b.symbol("flags", 1, static_cast<int16_t>(flags), C_EXT);
  b.reloc(code, 0, mine, 0, RELOCT_F);
  return b.writeFile("led.o");
}

}  // namespace

int main() {
  bool ok = writeMirrowLibObject("delay.o", "delay.asm", ".delay", {"delay_ms", "delay_us"}) &&
            writeMirrowLibObject("math.o", "math.asm", ".math", {"mul8", "div8", "sqrt16"}) &&
            writeMirrowMain() && writeHalvernMain() && writeHalvernLed();
  if (!ok) std::fputs("could not write the example files\n", stderr);
  return ok ? 0 : 1;
}
