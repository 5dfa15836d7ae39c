// vostrum's listing: small programs with their source files written by the
// test, the whole listing compared (the time in the page headers aside), and
// the line records read from the COD file at their byte offsets.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <ostream>
#include <regex>
#include <string>
#include <vector>

#include "vostrum_test_util.h"

using namespace vostrum_test;

namespace {

// ---- expected listing text ----

std::string pageHeader(bool first = true) {
  return std::string(first ? "" : "\f\n") + codConverterBanner() + "\n" + noticeBanner() + "\n" +
         "Listing File Generated: TIME\n\n\n" +
         "Address  Value    Disassembly              Source" + std::string(75, ' ') + "File\n" +
         "-------  -------  -----------------------  " + std::string(79, '-') + "  -----\n";
}

std::string row(const std::string& address, const std::string& value,
                const std::string& disassembly, const std::string& source,
                const std::string& file) {
  std::vector<char> text(source.size() + file.size() + 256);
  std::snprintf(text.data(), text.size(), "%-6s   %-6s   %-24s %-80s %-s\n", address.c_str(),
                value.c_str(), disassembly.c_str(), source.c_str(), file.c_str());
  return text.data();
}

// A listing line of one code word; the source and file only on a line's first word.
std::string code(uint32_t address, uint16_t value, const std::string& disassembly,
                 const std::string& source = "", const std::string& file = "") {
  char a[16], v[16];
  std::snprintf(a, sizeof a, "%06lx", static_cast<unsigned long>(address));
  std::snprintf(v, sizeof v, "%04x", static_cast<unsigned>(value));
  return row(a, v, disassembly, source, file);
}

// A listing line of a source line without code.
std::string text(const std::string& source, const std::string& file) {
  return row("", "", "", source, file);
}

std::string warning(const std::string& text) { return "Warning - " + text + "\n"; }

std::string missingSource(const std::string& name) {
  return warning("Could not open source file '" + name +
                 "'.\nThis file will not be present in the list file.");
}

// ---- line records ----

struct Rec {
  int file, flags, line, address;
  bool operator==(const Rec& o) const {
    return file == o.file && flags == o.flags && line == o.line && address == o.address;
  }
};

std::ostream& operator<<(std::ostream& out, const Rec& r) {
  return out << "{" << r.file << ", 0x" << std::hex << r.flags << std::dec << ", " << r.line
             << ", 0x" << std::hex << r.address << std::dec << "}";
}

using Recs = std::vector<Rec>;

Recs operator+(Recs a, const Recs& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

const Recs kHeader(8, Rec{0, 2, 1, 0});

// The line records of directory `dir`, read from its line information blocks.
Recs lineRecords(const CodBytes& f, size_t dir) {
  Recs recs;
  const size_t first = f.dir16(dir, kLineTab), last = f.dir16(dir, kLineEnd);
  for (size_t block = first; first != 0 && block <= last; ++block) {
    for (size_t k = 0; k < 85; ++k) {
      const size_t at = 512 * block + 6 * k;
      if (f.zero(at, 6)) break;
      recs.push_back({f.u8(at), f.u8(at + 1), f.u16(at + 2), f.u16(at + 4)});
    }
  }
  return recs;
}

// ---- running vostrum ----

struct Listed {
  RunResult run;
  std::string listing;  // the time of every page header replaced by TIME
  CodBytes cod;
};

std::string maskTime(const std::string& listing) {
  static const std::regex time("Listing File Generated: [^\n]*\n");
  return std::regex_replace(listing, time, "Listing File Generated: TIME\n");
}

// Writes the executable as prog.cof and the sources, runs vostrum with `args`
// and reads prog.lst and prog.cod back.
Listed listProgram(const TempDir& dir, const CoffBuilder& b,
                   const std::map<std::string, std::string>& sources,
                   const std::vector<std::string>& args = {"prog.cof"}) {
  EXPECT_TRUE(b.writeFile(dir.file("prog.cof")));
  for (const auto& [name, contents] : sources) dir.write(name, contents);
  RunResult run = vostrum(dir, args);
  std::string listing = dir.exists("prog.lst") ? maskTime(dir.read("prog.lst")) : "(no listing)";
  CodBytes cod(dir.exists("prog.cod") ? dir.read("prog.cod") : std::string(512, '\0'));
  return Listed{run, listing, cod};
}

Listed listProgram(const CoffBuilder& b, const std::map<std::string, std::string>& sources,
                   const std::vector<std::string>& args = {"prog.cof"}) {
  TempDir dir;
  return listProgram(dir, b, sources, args);
}

void expectClean(const Listed& l) {
  EXPECT_EQ(l.run.out, banner() + summary(0));
  EXPECT_EQ(l.run.status, 0);
}

uint32_t symbol(CoffBuilder& b, const std::string& name, uint32_t value = 0) {
  return b.symbol(name, value, N_DEBUG, C_STAT);
}

// A file symbol included at `incline` of the file that includes it.
uint32_t includeSymbol(CoffBuilder& b, const std::string& source, uint32_t incline) {
  const uint32_t index = b.fileSymbol(source);
  b.coff().cSymbols.back().file.x_incline = incline;
  return index;
}

// ---- the listing's layout ----

TEST(VostrumListing, CommentsMultiWordLinesAndIllegalWords) {
  CoffBuilder b = executable(kMirrow);
  const int scn = b.section(".code", SCN_CODE, 0x10);
  b.words(scn, {0x3001, 0x0001, 0x0000, 0x0008});
  const uint32_t file = b.fileSymbol("main.asm");
  b.line(scn, file, 2, 0x10, 0, 0);
  for (uint32_t a = 0x11; a <= 0x13; ++a) b.line(scn, file, 3, a, 0, 0);
  const Listed l = listProgram(
      b, {{"main.asm", "; reset vector\nstart   movlw 1\n        dw 1, 0, 8\n\n end\n"}});

  expectClean(l);
  EXPECT_EQ(l.listing,
            pageHeader() + text("; reset vector", "main.asm") +
                code(0x10, 0x3001, "MOVLW     0x1", "start   movlw 1", "main.asm") +
                code(0x11, 0x0001, "??? Illegal Opcode", "        dw 1, 0, 8", "main.asm") +
                code(0x12, 0x0000, "NOP       ") + code(0x13, 0x0008, "RETURN    ") +
                text("", "main.asm") + text(" end", "main.asm"));
  EXPECT_EQ(lineRecords(l.cod, 0), (kHeader + Recs{{0, 0x90, 1, 0},
                                                   {0, 0x80, 2, 0x10},
                                                   {0, 0x80, 3, 0x11},
                                                   {0, 0, 3, 0x12},
                                                   {0, 0, 3, 0x13},
                                                   {0, 0x90, 4, 0},
                                                   {0, 0x90, 5, 0}}));
}

TEST(VostrumListing, PageHeadersFollowEveryPageLengthListingLines) {
  CoffBuilder b = executable(kMirrow);
  b.words(b.section(".code", SCN_CODE, 0), {0});
  b.fileSymbol("main.asm");
  std::string source;
  std::vector<std::string> rows;
  for (int i = 1; i <= 13; ++i) {
    source += "; line " + std::to_string(i) + "\n";
    rows.push_back(text("; line " + std::to_string(i), "main.asm"));
  }
  Recs lines;
  for (int i = 1; i <= 13; ++i) lines.push_back({0, 0x90, i, 0});
  auto join = [&](int from, int to) {
    std::string s;
    for (int i = from; i < to; ++i) s += rows[i];
    return s;
  };
  auto part = [&](int from, int to) { return Recs(lines.begin() + from, lines.begin() + to); };

  // Page length 10: a header (led by a form feed line) after the tenth line.
  Listed l = listProgram(b, {{"main.asm", source}}, {"/n", "10", "prog.cof"});
  expectClean(l);
  EXPECT_EQ(l.listing, pageHeader() + join(0, 10) + pageHeader(false) + join(10, 13));
  EXPECT_EQ(lineRecords(l.cod, 0), kHeader + part(0, 10) + kHeader + part(10, 13));

  // A page that ends with the last line is followed by a header all the same.
  l = listProgram(b, {{"main.asm", source}}, {"-n", "13", "prog.cof"});
  EXPECT_EQ(l.listing, pageHeader() + join(0, 13) + pageHeader(false));
  EXPECT_EQ(lineRecords(l.cod, 0), kHeader + part(0, 13) + kHeader);
}

TEST(VostrumListing, HeaderCarriesOneLocalTimeOnEveryPage) {
  CoffBuilder b = executable(kMirrow);
  b.words(b.section(".code", SCN_CODE, 0), {0});
  b.fileSymbol("main.asm");
  TempDir dir;
  ASSERT_TRUE(b.writeFile(dir.file("prog.cof")));
  dir.write("main.asm", "a\nb\nc\n");
  RunResult r = runProgram(VOSTRUM_EXE, {"/n", "1", "prog.cof"}, dir.path(), {"TZ=UTC"});
  ASSERT_EQ(r.status, 0);
  const std::string listing = dir.read("prog.lst");
  const std::regex stamp(
      "Listing File Generated: ((Mon|Tue|Wed|Thu|Fri|Sat|Sun) "
      "(Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) [ 123][0-9] "
      "[0-2][0-9]:[0-5][0-9]:[0-6][0-9] 2[0-9]{3})\n\n\n");
  std::vector<std::string> times;
  for (auto it = std::sregex_iterator(listing.begin(), listing.end(), stamp);
       it != std::sregex_iterator(); ++it)
    times.push_back((*it)[1]);
  ASSERT_EQ(times.size(), 4u) << listing;
  for (const std::string& t : times) EXPECT_EQ(t, times[0]);
}

TEST(VostrumListing, HalvernTwoWordInstructionAtByteAddresses) {
  CoffBuilder b = executable(kHalvern);
  const int scn = b.section(".code", SCN_CODE, 0x100);
  b.words(scn, {0x0E05, 0xEC00, 0xF123, 0x0012, 0xEC00});
  const uint32_t file = b.fileSymbol("far.asm");
  b.line(scn, file, 1, 0x100, 0, 0);
  b.line(scn, file, 2, 0x102, 0, 0);
  b.line(scn, file, 2, 0x104, 0, 0);
  b.line(scn, file, 3, 0x106, 0, 0);
  b.line(scn, file, 4, 0x108, 0, 0);  // the last word: no second word to read
  const Listed l = listProgram(b, {{"far.asm", "  movlw 5\n  call far\n  return\n  call cut\n"}});

  expectClean(l);
  EXPECT_EQ(l.listing, pageHeader() + code(0x100, 0x0e05, "MOVLW     0x5", "  movlw 5", "far.asm") +
                           code(0x102, 0xec00, "CALL      0x24600,0x0", "  call far", "far.asm") +
                           code(0x104, 0xf123, "") +
                           code(0x106, 0x0012, "RETURN    0x0", "  return", "far.asm") +
                           code(0x108, 0xec00, "CALL      ???,0x0", "  call cut", "far.asm"));
  EXPECT_EQ(lineRecords(l.cod, 0), (kHeader + Recs{{0, 0x80, 1, 0x100},
                                                   {0, 0x80, 2, 0x102},
                                                   {0, 0, 2, 0x104},
                                                   {0, 0x80, 3, 0x106},
                                                   {0, 0x80, 4, 0x108}}));
}

TEST(VostrumListing, QuenbyCodeFromWord0x8000HasItsRecordsInDirectory1) {
  CoffBuilder b = executable(kQuenby);
  const int scn = b.section(".code", SCN_CODE, 0x7FFF);
  b.words(scn, {0xB001, 0x0000, 0x0002});
  const uint32_t file = b.fileSymbol("high.asm");
  b.line(scn, file, 1, 0x7FFF, 0, 0);
  b.line(scn, file, 2, 0x8000, 0, 0);
  b.line(scn, file, 2, 0x8001, 0, 0);
  const Listed l = listProgram(b, {{"high.asm", "  movlw 1\n  nop\n"}});

  expectClean(l);
  EXPECT_EQ(l.listing, pageHeader() +
                           code(0x7fff, 0xb001, "MOVLW     0x1", "  movlw 1", "high.asm") +
                           code(0x8000, 0x0000, "NOP       ", "  nop", "high.asm") +
                           code(0x8001, 0x0002, "RETURN    "));
  EXPECT_EQ(lineRecords(l.cod, 0), (kHeader + Recs{{0, 0x80, 1, 0x7FFF}}));
  EXPECT_EQ(lineRecords(l.cod, 1), (Recs{{0, 0x80, 2, 0x8000}, {0, 0, 2, 0x8001}}));
}

TEST(VostrumListing, StrippedExecutableListsOneHeaderBesideTheCoffFile) {
  CoffBuilder b = executable(kMirrow);
  b.fileFlags(0x0086);
  b.words(b.section(".code", SCN_CODE, 0), {0x3001});
  TempDir dir;
  ASSERT_EQ(mkdir(dir.file("out").c_str(), 0700), 0);
  ASSERT_TRUE(b.writeFile(dir.file("out/prog.cof")));
  RunResult r = vostrum(dir, {"out/prog.cof"});
  EXPECT_EQ(r.out, banner() + summary(0));
  EXPECT_EQ(dir.list(), (std::vector<std::string>{"out", "prog.cod"}));
  EXPECT_EQ(maskTime(dir.read("out/prog.lst")), pageHeader());
  EXPECT_EQ(lineRecords(CodBytes(dir.read("prog.cod")), 0), kHeader);
}

TEST(VostrumListing, NoListingMeansNoLineRecords) {
  CoffBuilder b = executable(kMirrow);
  const int scn = b.section(".code", SCN_CODE, 0);
  b.words(scn, {0x3001});
  b.line(scn, b.fileSymbol("main.asm"), 1, 0, 0, 0);
  TempDir dir;
  const Listed l = listProgram(dir, b, {{"main.asm", "x\n"}}, {"/d", "prog.cof"});
  expectClean(l);
  EXPECT_FALSE(dir.exists("prog.lst"));
  EXPECT_EQ(l.cod.dir16(0, kLineTab), 0);
}

// ---- which lines are listed ----

TEST(VostrumListing, ListAndNolistSwitchFromTheirLines) {
  CoffBuilder b = executable(kMirrow);
  const int scn = b.section(".code", SCN_CODE, 0);
  b.words(scn, {0x3001, 0x0008});
  const uint32_t main = b.fileSymbol("main.asm");
  symbol(b, ".nolist", 3);
  symbol(b, ".list", 3);   // the first switch of a line holds
  symbol(b, ".list", 99);  // no such line: passed over
  symbol(b, ".list", 6);
  symbol(b, ".nolist", 7);
  symbol(b, ".eof");
  const uint32_t second = b.fileSymbol("second.asm");
  symbol(b, ".eof");
  b.line(scn, main, 4, 0, 0, 0);  // not listed: no line record
  b.line(scn, second, 2, 1, 0, 0);
  const Listed l = listProgram(
      b, {{"main.asm", "m1\nm2\nm3\nm4\nm5\nm6\nm7\nm8\n"}, {"second.asm", "s1\ns2\n"}});

  expectClean(l);
  // The second file starts with the listing on again.
  EXPECT_EQ(l.listing, pageHeader() + text("m1", "main.asm") + text("m2", "main.asm") +
                           text("m6", "main.asm") + text("s1", "second.asm") +
                           code(1, 0x0008, "RETURN    ", "s2", "second.asm"));
  EXPECT_EQ(
      lineRecords(l.cod, 0),
      (kHeader +
       Recs{{0, 0x90, 1, 0}, {0, 0x90, 2, 0}, {0, 0x90, 6, 0}, {1, 0x90, 1, 0}, {1, 0x80, 2, 1}}));
}

TEST(VostrumListing, IncludeIsListedAfterItsLine) {
  CoffBuilder b = executable(kMirrow);
  const int scn = b.section(".code", SCN_CODE, 0);
  b.words(scn, {0x3001, 0x0008});
  const uint32_t main = b.fileSymbol("main.asm");
  const uint32_t inc = includeSymbol(b, "defs.inc", 12);
  symbol(b, ".eof");
  symbol(b, ".eof");
  symbol(b, "end");
  b.line(scn, inc, 2, 0, 0, 0);
  b.line(scn, main, 13, 1, 0, 0);
  std::string source, expected;
  for (int i = 1; i <= 14; ++i) {
    source += "main " + std::to_string(i) + "\n";
    if (i == 13)
      expected += code(1, 0x0008, "RETURN    ", "main 13", "main.asm");
    else
      expected += text("main " + std::to_string(i), "main.asm");
    if (i == 12)
      expected += text("inc 1", "defs.inc") + code(0, 0x3001, "MOVLW     0x1", "inc 2", "defs.inc");
  }
  const Listed l = listProgram(b, {{"main.asm", source}, {"defs.inc", "inc 1\ninc 2\n"}});

  expectClean(l);
  EXPECT_EQ(l.listing, pageHeader() + expected);
  Recs recs = kHeader;
  for (int i = 1; i <= 12; ++i) recs.push_back({0, 0x90, i, 0});
  recs = recs + Recs{{1, 0x90, 1, 0}, {1, 0x80, 2, 0}, {0, 0x80, 13, 1}, {0, 0x90, 14, 0}};
  EXPECT_EQ(lineRecords(l.cod, 0), recs);
}

TEST(VostrumListing, MissingSourceIsWarnedAboutAndLeftOut) {
  CoffBuilder b = executable(kMirrow);
  const int scn = b.section(".code", SCN_CODE, 0);
  b.words(scn, {0x3001});
  const uint32_t gone = b.fileSymbol("gone.asm");
  symbol(b, ".eof");
  const uint32_t main = b.fileSymbol("main.asm");
  symbol(b, ".eof");
  b.line(scn, gone, 1, 0, 0, 0);
  b.line(scn, main, 1, 0, 0, 0);
  const Listed l = listProgram(b, {{"main.asm", "start\n"}});

  EXPECT_EQ(l.run.out, banner() + missingSource("gone.asm") + summary(0, 1));
  EXPECT_EQ(l.run.status, 0);
  EXPECT_EQ(l.listing, pageHeader() + code(0, 0x3001, "MOVLW     0x1", "start", "main.asm"));
  EXPECT_EQ(lineRecords(l.cod, 0), (kHeader + Recs{{1, 0x80, 1, 0}}));
}

// ---- sound behaviour ----

TEST(VostrumListing, ListFileThatCannotBeCreatedOrWrittenFails) {
  CoffBuilder b = executable(kMirrow);
  b.words(b.section(".code", SCN_CODE, 0), {0});
  TempDir dir;
  ASSERT_TRUE(b.writeFile(dir.file("prog.cof")));
  ASSERT_EQ(mkdir(dir.file("prog.lst").c_str(), 0700), 0);
  RunResult r = vostrum(dir, {"prog.cof"});
  EXPECT_EQ(r.out,
            banner() + error("Could not open list file 'prog.lst' for writing.") + summary(1));
  EXPECT_EQ(r.status, 1);
  EXPECT_FALSE(dir.exists("prog.cod"));

  ASSERT_EQ(rmdir(dir.file("prog.lst").c_str()), 0);
  if (access("/dev/full", W_OK) != 0) GTEST_SKIP() << "no /dev/full";
  ASSERT_EQ(symlink("/dev/full", dir.file("prog.lst").c_str()), 0);
  r = vostrum(dir, {"prog.cof"});
  EXPECT_EQ(r.out, banner() + error("Could not write list file 'prog.lst'.") + summary(1));
  EXPECT_EQ(r.status, 1);
  EXPECT_FALSE(dir.exists("prog.cod"));
}

TEST(VostrumListing, SourceLinesAreReadWholeWithoutCarriageReturns) {
  CoffBuilder b = executable(kMirrow);
  const int scn = b.section(".code", SCN_CODE, 0);
  b.words(scn, {0x3001});
  b.line(scn, b.fileSymbol("src\\long.asm"), 3, 0, 0, 0);  // '\' reads as a separator
  const std::string longLine(3000, 'x');
  TempDir dir;
  ASSERT_EQ(mkdir(dir.file("src").c_str(), 0700), 0);
  const Listed l = listProgram(dir, b, {{"src/long.asm", "a 100%s\r\n" + longLine + "\r\nc\r\n"}});

  expectClean(l);
  EXPECT_EQ(l.listing, pageHeader() + text("a 100%s", "src\\long.asm") +
                           text(longLine, "src\\long.asm") +
                           code(0, 0x3001, "MOVLW     0x1", "c", "src\\long.asm"));
}

// Lines that straddle the reads of a source (the reader takes 256 KB at a
// time): a carriage return as the last byte of a read and its line feed as the
// first of the next, a line of several reads, short lines after long ones, an
// unterminated last line longer than a read, and an empty source.
TEST(VostrumListing, LinesAcrossReadsAreReadWhole) {
  const size_t read = size_t(1) << 18;
  const std::string straddling(read - 1, 'b'), whole(read, 'c'), several(3 * read + 5, 'd');
  CoffBuilder b = executable(kMirrow);
  b.words(b.section(".code", SCN_CODE, 0), {0});
  for (const char* name : {"edge.asm", "one.asm", "empty.asm"}) {
    b.fileSymbol(name);
    symbol(b, ".eof");
  }
  const Listed l = listProgram(
      b, {{"edge.asm", straddling + "\r\nx\n" + whole + "\n" + several + "\ny\nend"},
          {"one.asm", several + "\r"},
          {"empty.asm", ""}});

  expectClean(l);
  EXPECT_EQ(l.listing, pageHeader() + text(straddling, "edge.asm") + text("x", "edge.asm") +
                           text(whole, "edge.asm") + text(several, "edge.asm") +
                           text("y", "edge.asm") + text("end", "edge.asm") +
                           text(several + "\r", "one.asm"));
}

// The words of one source line are listed section by section in name order,
// each section's in the order of its table, wherever the sections lie and
// however their tables are ordered.
TEST(VostrumListing, WordsOfALineFollowTheSectionsByName) {
  CoffBuilder b = executable(kMirrow);
  const int second = b.section(".b", SCN_CODE, 0x10);
  const int first = b.section(".a", SCN_CODE, 0x20);
  b.words(second, {0x3001, 0x3002});
  b.words(first, {0x3003, 0x3004});
  const uint32_t file = b.fileSymbol("order.asm");
  b.line(second, file, 1, 0x10, 0, 0);
  b.line(second, file, 1, 0x11, 0, 0);
  b.line(first, file, 2, 0x20, 0, 0);
  b.line(first, file, 1, 0x21, 0, 0);
  const Listed l = listProgram(b, {{"order.asm", "one\ntwo\n"}});

  expectClean(l);
  EXPECT_EQ(l.listing, pageHeader() + code(0x21, 0x3004, "MOVLW     0x4", "one", "order.asm") +
                           code(0x10, 0x3001, "MOVLW     0x1") +
                           code(0x11, 0x3002, "MOVLW     0x2") +
                           code(0x20, 0x3003, "MOVLW     0x3", "two", "order.asm"));
}

// Rows are written in place when every field fits its column; a longer field
// (an address past 6 digits, a source line past 80 characters) pushes the
// columns after it, and a line longer than one read of the source is read
// whole. The last line, without a line end, keeps its carriage return.
TEST(VostrumListing, LongFieldsPushTheColumnsAfterThem) {
  CoffBuilder b = executable(kHalvern);
  const int low = b.section(".code", SCN_CODE, 0x10);
  const int high = b.section(".high", SCN_CODE, 0x1000000);
  b.words(low, {0x0E05, 0x0012});
  b.words(high, {0xD7FF, 0x0000});
  const uint32_t file = b.fileSymbol("wide.asm");
  b.line(low, file, 1, 0x10, 0, 0);
  b.line(high, file, 2, 0x1000000, 0, 0);
  b.line(high, file, 2, 0x1000002, 0, 0);
  b.line(low, file, 4, 0x12, 0, 0);
  const std::string wide(81, 'w'), huge(300000, 'h');
  const Listed l = listProgram(b, {{"wide.asm", wide + "\n  bra $\r\n" + huge + "\n  return\r"}});

  expectClean(l);
  EXPECT_EQ(l.listing, pageHeader() + code(0x10, 0x0e05, "MOVLW     0x5", wide, "wide.asm") +
                           code(0x1000000, 0xd7ff, "BRA       0x1000000", "  bra $", "wide.asm") +
                           code(0x1000002, 0x0000, "NOP       ") + text(huge, "wide.asm") +
                           code(0x12, 0x0012, "RETURN    0x0", "  return\r", "wide.asm"));
}

TEST(VostrumListing, OnlyRegularFilesOtherThanTheListingAreRead) {
  TempDir dir;
  ASSERT_EQ(mkfifo(dir.file("pipe.asm").c_str(), 0600), 0);
  ASSERT_EQ(mkdir(dir.file("folder.asm").c_str(), 0700), 0);
  CoffBuilder b = executable(kMirrow);
  b.words(b.section(".code", SCN_CODE, 0), {0});
  std::string warnings;
  for (const char* name : {"prog.lst", "pipe.asm", "folder.asm", "/dev/zero"}) {
    b.fileSymbol(name);
    symbol(b, ".eof");
    warnings += missingSource(name);
  }
  const Listed l = listProgram(dir, b, {});
  EXPECT_EQ(l.run.out, banner() + warnings + summary(0, 4));
  EXPECT_EQ(l.run.status, 0);
  EXPECT_EQ(l.listing, pageHeader());
}

TEST(VostrumListing, FileSymbolsAreKnownByTheirClassAndAuxiliaryEntry) {
  CoffBuilder b = executable(kMirrow);
  const int scn = b.section(".code", SCN_CODE, 0);
  b.words(scn, {0x3001});
  const uint32_t main = b.fileSymbol("main.asm");
  std::memcpy(b.coff().cSymbols[main].sym.n_name, "main\0\0\0", 8);  // class 103 under another name
  symbol(b, ".file", 1);  // a ".file" that is no file symbol
  const uint32_t inc = includeSymbol(b, "inc.asm", 1);
  symbol(b, ".eof");
  symbol(b, ".eof");
  b.line(scn, inc, 1, 0, 0, 0);
  const Listed l = listProgram(b, {{"main.asm", "m1\nm2\n"}, {"inc.asm", "i1\n"}});

  expectClean(l);
  EXPECT_EQ(l.listing, pageHeader() + text("m1", "main.asm") +
                           code(0, 0x3001, "MOVLW     0x1", "i1", "inc.asm") +
                           text("m2", "main.asm"));
  EXPECT_EQ(lineRecords(l.cod, 0),
            (kHeader + Recs{{0, 0x90, 1, 0}, {1, 0x80, 1, 0}, {0, 0x90, 2, 0}}));
}

TEST(VostrumListing, WordsAreReadInsideTheSectionDataOnly) {
  CoffBuilder b = executable(kMirrow);
  const int scn = b.section(".code", SCN_CODE, 0x10);
  b.words(scn, {0x3001});
  const uint32_t file = b.fileSymbol("main.asm");
  b.line(scn, file, 1, 0x10, 0, 0);
  b.line(scn, file, 2, 0x0F, 0, 0);        // below the section
  b.line(scn, file, 3, 0x11, 0, 0);        // past its data
  b.line(scn, file, 4, 0x80000010, 0, 0);  // 2 x 0x80000000 bytes past the start, 0 in 32 bits
  const Listed l = listProgram(b, {{"main.asm", "a\nb\nc\nd\n"}});

  expectClean(l);
  EXPECT_EQ(l.listing, pageHeader() + code(0x10, 0x3001, "MOVLW     0x1", "a", "main.asm") +
                           code(0x0F, 0, "??? Illegal Opcode", "b", "main.asm") +
                           code(0x11, 0, "??? Illegal Opcode", "c", "main.asm") +
                           code(0x80000010, 0, "??? Illegal Opcode", "d", "main.asm"));
  // A window without a directory puts the record in directory 0.
  EXPECT_EQ(lineRecords(l.cod, 0),
            (kHeader +
             Recs{{0, 0x80, 1, 0x10}, {0, 0x80, 2, 0x0F}, {0, 0x80, 3, 0x11}, {0, 0x80, 4, 0x10}}));
}

TEST(VostrumListing, LinesPast65535HaveNoCode) {
  CoffBuilder b = executable(kMirrow);
  const int scn = b.section(".code", SCN_CODE, 0);
  b.words(scn, {0x3001});
  b.line(scn, b.fileSymbol("big.asm"), 1, 0, 0, 0);
  std::string source;
  for (int i = 1; i <= 65537; ++i) source += "l" + std::to_string(i) + "\n";
  const Listed l = listProgram(b, {{"big.asm", source}});

  expectClean(l);
  const std::string first = pageHeader() + code(0, 0x3001, "MOVLW     0x1", "l1", "big.asm");
  const std::string last = text("l65536", "big.asm") + text("l65537", "big.asm");
  EXPECT_EQ(l.listing.substr(0, first.size()), first);
  ASSERT_GE(l.listing.size(), last.size());
  EXPECT_EQ(l.listing.substr(l.listing.size() - last.size()), last);
  const Recs recs = lineRecords(l.cod, 0);
  ASSERT_EQ(recs.size(), 8u + 65537u);
  EXPECT_EQ(recs.back(), (Rec{0, 0x90, 1, 0}));  // the line number holds 16 bits
}

TEST(VostrumListing, FileNumbersAbove255HaveNoLineRecords) {
  CoffBuilder b = executable(kMirrow);
  const int scn = b.section(".code", SCN_CODE, 0);
  b.words(scn, {0x3001, 0x0008});
  std::map<std::string, std::string> sources;
  std::string expected = pageHeader();
  Recs recs = kHeader;
  for (int i = 0; i < 258; ++i) {
    const std::string name = "f" + std::to_string(i) + ".asm";
    const uint32_t file = b.fileSymbol(name);
    symbol(b, ".eof");
    sources[name] = "line\n";
    if (i < 256) {
      expected += text("line", name);
      recs.push_back({i, 0x90, 1, 0});
    } else {
      b.line(scn, file, 1, static_cast<uint32_t>(i - 256), 0, 0);
      expected += i == 256 ? code(0, 0x3001, "MOVLW     0x1", "line", name)
                           : code(1, 0x0008, "RETURN    ", "line", name);
    }
  }
  const Listed l = listProgram(b, sources);

  EXPECT_EQ(
      l.run.out,
      banner() +
          warning("Source file 'f256.asm' has file number 256: line records hold file numbers up "
                  "to 255, so its line records and those of the files after it are left out.") +
          summary(0, 1));
  EXPECT_EQ(l.run.status, 0);
  EXPECT_EQ(l.listing, expected);
  EXPECT_EQ(lineRecords(l.cod, 0), recs);
}

// main.asm, which includes a.inc at its line 1, which includes itself there,
// `depth` times in all.
CoffBuilder includeChain(int depth) {
  CoffBuilder b = executable(kMirrow);
  b.words(b.section(".code", SCN_CODE, 0), {0});
  b.fileSymbol("main.asm");
  for (int i = 0; i < depth; ++i) includeSymbol(b, "a.inc", 1);
  for (int i = 0; i <= depth; ++i) symbol(b, ".eof");
  return b;
}

TEST(VostrumListing, DeepIncludeChainIsListedInOrder) {
  const int depth = 200;
  CoffBuilder b = includeChain(depth);
  symbol(b, "end");
  const Listed l = listProgram(b, {{"main.asm", "m1\nm2\n"}, {"a.inc", "one\ntwo\n"}});

  expectClean(l);
  std::string expected = pageHeader() + text("m1", "main.asm");
  for (int i = 0; i < depth; ++i) expected += text("one", "a.inc");
  for (int i = 0; i < depth; ++i) expected += text("two", "a.inc");
  EXPECT_EQ(l.listing, expected + text("m2", "main.asm"));
}

// Runs vostrum on prog.cof in `dir` with its memory held to `megabytes`: its
// address space, or under the sanitizer, which reserves its shadow memory at
// start, its resident size.
RunResult vostrumWithin(const TempDir& dir, int megabytes) {
#ifdef ZV_SANITIZED
  const char* inherited = std::getenv("ASAN_OPTIONS");
  return runProgram(VOSTRUM_EXE, {"prog.cof"}, dir.path(),
                    {"ASAN_OPTIONS=" + std::string(inherited ? inherited : "") +
                     ":hard_rss_limit_mb=" + std::to_string(megabytes)});
#else
  return runProgram(
      "/bin/sh",
      {"-c", "ulimit -v " + std::to_string(megabytes * 1024) + "; exec '" VOSTRUM_EXE "' prog.cof"},
      dir.path());
#endif
}

// Every source of an include chain stays open while the ones it includes are
// listed, each holding no more than its own few bytes: 3000 of them list
// within 200 MB.
TEST(VostrumListing, OpenSourcesTakeTheRoomTheyNeed) {
  const int depth = 3000;
  const CoffBuilder b = includeChain(depth);
  TempDir dir;
  ASSERT_TRUE(b.writeFile(dir.file("prog.cof")));
  dir.write("main.asm", "m1\nm2\n");
  dir.write("a.inc", "one\ntwo\n");
  const RunResult r = vostrumWithin(dir, 200);

  EXPECT_EQ(r.out, banner() +
                       warning("Source file 'a.inc' has file number 256: line records hold file "
                               "numbers up to 255, so its line records and those of the files "
                               "after it are left out.") +
                       summary(0, 1));
  EXPECT_EQ(r.status, 0);
  std::string expected = pageHeader() + text("m1", "main.asm");
  for (int i = 0; i < depth; ++i) expected += text("one", "a.inc");
  for (int i = 0; i < depth; ++i) expected += text("two", "a.inc");
  ASSERT_TRUE(dir.exists("prog.lst"));
  EXPECT_EQ(maskTime(dir.read("prog.lst")), expected + text("m2", "main.asm"));
}

}  // namespace
