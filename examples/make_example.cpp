// Writes the shipped example's relocatable objects into the current directory,
// as an assembler makes them from the example's sources (blink.asm, delay.asm,
// math.asm, start.asm, led.asm and the file board.inc that led.asm includes),
// which must be in the current directory too:
//  - for the Mirrow device MRRW008 (processor id 0x1008, 14-bit program words)
//    the main object blink.o and two objects for a library, delay.o and math.o;
//  - for the Halvern device HLVN133 (processor id 0x4085, program memory in
//    bytes) the main object start.o and led.o.
// Each program calls a function of another object and uses a variable, so that
// the linker patches a call and a data reference in each. Every instruction
// word gets a line number: the line of its source that holds the instruction's
// text, found in order from the top of the file, so the objects follow their
// sources and vostrum's listing sets each line beside its words.
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "CoffBuilder.h"
#include "mgreloct.h"

namespace {

constexpr uint32_t kMirrowId = 0x1008;
constexpr uint32_t kMirrowWidth = 14;
constexpr uint32_t kHalvernId = 0x4085;
constexpr uint32_t kHalvernWidth = 8;
constexpr uint32_t kBuilt = 1797120000;   // the time stamp of every file
constexpr uint8_t kClassEndOfFile = 107;  // ".eof": the end of a source file's symbols

// One source file, read for the line numbers of its instructions.
class Source {
 public:
  explicit Source(const std::string& name) : cName(name) {
    std::ifstream in(name);
    for (std::string line; std::getline(in, line);) cLines.push_back(line);
    if (cLines.empty()) fail("cannot read " + name);
  }

  const std::string& name() const { return cName; }

  // The number of the first line below the last one found that holds `text`.
  uint16_t next(const std::string& text) {
    for (size_t at = cAt; at < cLines.size(); ++at) {
      if (cLines[at].find(text) == std::string::npos) continue;
      cAt = at + 1;
      return static_cast<uint16_t>(cAt);
    }
    fail(cName + " has no line '" + text + "' below line " + std::to_string(cAt));
    return 0;
  }

  // False once a file could not be read or a line was not found.
  static bool allFound() { return sFound; }

 private:
  static void fail(const std::string& why) {
    std::fprintf(stderr, "make_example: %s\n", why.c_str());
    sFound = false;
  }

  std::string cName;
  std::vector<std::string> cLines;
  size_t cAt = 0;  // lines already passed
  static bool sFound;
};

bool Source::sFound = true;

// One instruction: the text of its source line and its words.
struct Instr {
  const char* text;
  std::vector<uint16_t> words;
};

// An object being written from one source file.
struct Object {
  std::string name;
  CoffBuilder b;
  Source src;
  uint32_t file;          // the index of the source's file symbol
  uint32_t unitsPerWord;  // addresses per program word: 1, or 2 on Halvern

  Object(const std::string& object, const std::string& source, uint32_t procId, uint32_t width)
      : name(object), b(object), src(source), file(0), unitsPerWord(width == 8 ? 2 : 1) {
    b.optionalHeader(procId, width);
    b.timeStamp(kBuilt);
    file = b.fileSymbol(source);
  }

  // Appends the instructions to section `scn` from address `at`, each word
  // with a line number. The instructions of a function (symbol `fcn`) name it
  // in their line numbers, and its first word is marked as its beginning.
  // Gives the address after the last word.
  uint32_t code(int scn, uint32_t at, const std::vector<Instr>& instrs, uint32_t fcn = 0) {
    uint16_t flags = fcn != 0 ? LINENO_FCNBEGIN : 0;
    for (const Instr& i : instrs) {
      const uint16_t line = src.next(i.text);
      for (uint16_t word : i.words) {
        b.words(scn, {word});
        b.line(scn, file, line, at, flags, fcn);
        flags = 0;
        at += unitsPerWord;
      }
    }
    return at;
  }

  // Closes the source's symbols and writes the object.
  bool write() {
    b.symbol(".eof", 0, N_DEBUG, kClassEndOfFile);
    return b.writeFile(name);
  }
};

// blink.o: the reset vector jumps to main, which waits 1 ms (delay_ms from the
// library), counts the milliseconds in `ticks` and toggles the LED port on
// every 256th.
bool writeBlink() {
  Object o("blink.o", "blink.asm", kMirrowId, kMirrowWidth);
  int vars = o.b.section("vars", SCN_UDATA | SCN_SHARE);
  o.b.zeros(vars, 1);
  int reset = o.b.section(".reset", SCN_CODE | SCN_ABS, 0x0000);
  int code = o.b.section(".code", SCN_CODE);
  uint32_t ticks = o.b.symbol("ticks", 0, static_cast<int16_t>(vars), C_EXT);
  uint32_t delay = o.b.symbol("delay_ms", 0, N_UNDEF, C_EXT);
  uint32_t main = o.b.function("main", 0, static_cast<int16_t>(code), 6);
  o.code(reset, 0, {{"goto    main", {0x2800}}});
  o.code(code, 0,
         {{"call    delay_ms", {0x2000}},
          {"incfsz  ticks, f", {0x0F80}},
          {"goto    main", {0x2800}},
          {"movlw   LEDMASK", {0x3001}},
          {"xorwf   LEDPORT, f", {0x0686}},
          {"goto    main", {0x2800}}},
         main);
  o.b.reloc(reset, 0, main, 0, RELOCT_GOTO);
  o.b.reloc(code, 0, delay, 0, RELOCT_CALL);
  o.b.reloc(code, 2, ticks, 0, RELOCT_F);
  o.b.reloc(code, 4, main, 0, RELOCT_GOTO);
  o.b.reloc(code, 10, main, 0, RELOCT_GOTO);
  return o.write();
}

// delay.o: delay_ms loads 250 turns and runs on into delay_4us, which loops
// W times over four cycles on a counter in the shared bank.
bool writeDelay() {
  Object o("delay.o", "delay.asm", kMirrowId, kMirrowWidth);
  int vars = o.b.section("dvars", SCN_UDATA | SCN_SHARE);
  o.b.zeros(vars, 1);
  int code = o.b.section(".delay", SCN_CODE);
  uint32_t count = o.b.symbol("count", 0, static_cast<int16_t>(vars), C_STAT);
  uint32_t ms = o.b.function("delay_ms", 0, static_cast<int16_t>(code), 1);
  uint32_t us = o.b.function("delay_4us", 1, static_cast<int16_t>(code), 5);
  uint32_t loop = o.b.symbol("dloop", 2, static_cast<int16_t>(code), C_LABEL);
  uint32_t at = o.code(code, 0, {{"movlw   250", {0x30FA}}}, ms);
  o.code(code, at,
         {{"movwf   count", {0x0080}},
          {"nop", {0x0000}},
          {"decfsz  count, f", {0x0B80}},
          {"goto    dloop", {0x2800}},
          {"return", {0x0008}}},
         us);
  o.b.reloc(code, 2, count, 0, RELOCT_F);
  o.b.reloc(code, 6, count, 0, RELOCT_F);
  o.b.reloc(code, 8, loop, 0, RELOCT_GOTO);
  return o.write();
}

// math.o: two helpers on W that nothing in the example calls.
bool writeMath() {
  Object o("math.o", "math.asm", kMirrowId, kMirrowWidth);
  int code = o.b.section(".math", SCN_CODE);
  uint32_t neg = o.b.function("neg8", 0, static_cast<int16_t>(code), 2);
  uint32_t low = o.b.function("low4", 2, static_cast<int16_t>(code), 2);
  uint32_t at = o.code(code, 0, {{"sublw   0", {0x3C00}}, {"return", {0x0008}}}, neg);
  o.code(code, at, {{"andlw   0x0F", {0x390F}}, {"return", {0x0008}}}, low);
  return o.write();
}

// start.o: the reset vector jumps to main, which selects the bank of `level`,
// calls led_on (in led.o), stores W into `level` and loops. GOTO and CALL
// take two words each.
bool writeStart() {
  Object o("start.o", "start.asm", kHalvernId, kHalvernWidth);
  int buffer = o.b.section("buffer", SCN_UDATA);
  o.b.zeros(buffer, 1);
  int reset = o.b.section(".reset", SCN_CODE | SCN_ABS, 0x0000);
  int code = o.b.section(".code", SCN_CODE);
  uint32_t led = o.b.symbol("led_on", 0, N_UNDEF, C_EXT);
  uint32_t main = o.b.function("main", 0, static_cast<int16_t>(code), 10);
  uint32_t level = o.b.symbol("level", 0, static_cast<int16_t>(buffer), C_EXT);
  o.code(reset, 0, {{"goto    main", {0xEF00, 0xF000}}});
  o.code(code, 0,
         {{"movlb   HIGH level", {0x0100}},
          {"call    led_on", {0xEC00, 0xF000}},
          {"movwf   level, BANKED", {0x6F00}},
          {"bra     main", {0xD000}}},
         main);
  o.b.reloc(reset, 0, main, 0, RELOCT_GOTO);
  o.b.reloc(reset, 2, main, 0, RELOCT_CALL2);
  o.b.reloc(code, 0, level, 0, RELOCT_MOVLB);
  o.b.reloc(code, 2, led, 0, RELOCT_CALL);
  o.b.reloc(code, 4, led, 0, RELOCT_CALL2);
  o.b.reloc(code, 6, level, 0, RELOCT_F);
  o.b.reloc(code, 8, main, 0, RELOCT_BRA);
  return o.write();
}

// led.o: led_on sets the LED's latch bit and a bit of `state` in the access
// bank and returns 1 in W. Its source includes board.inc: the include's file
// symbol, which names the including line, follows led.asm's and is closed by
// its own ".eof" before led.asm's other symbols.
bool writeLed() {
  Object o("led.o", "led.asm", kHalvernId, kHalvernWidth);
  o.b.fileSymbol(Source("board.inc").name());
  o.b.coff().cSymbols.back().file.x_incline = o.src.next("INCLUDE \"board.inc\"");
  o.b.symbol(".eof", 0, N_DEBUG, kClassEndOfFile);
  int flags = o.b.section("flags", SCN_UDATA | SCN_ACCESS);
  o.b.zeros(flags, 1);
  int code = o.b.section(".led", SCN_CODE);
  uint32_t state = o.b.symbol("state", 0, static_cast<int16_t>(flags), C_STAT);
  uint32_t on = o.b.function("led_on", 0, static_cast<int16_t>(code), 6);
  o.code(code, 0,
         {{"bsf     LATCH, LED_PIN, ACCESS", {0x8670}},
          {"bsf     state, LED_ON, ACCESS", {0x8000}},
          {"retlw   1", {0x0C01}}},
         on);
  o.b.reloc(code, 2, state, 0, RELOCT_F);
  return o.write();
}

}  // namespace

int main() {
  bool ok = writeBlink() && writeDelay() && writeMath() && writeStart() && writeLed();
  if (!ok || !Source::allFound()) {
    std::fputs("make_example: could not write the example files\n", stderr);
    return 1;
  }
  return 0;
}
