#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "Coff.h"
#include "CoffBuilder.h"
#include "RunProgram.h"
#include "Trace.h"
#include "coff_test_util.h"

namespace {

// A stream buffer that takes `limit` bytes and refuses the rest.
class LimitedBuffer : public std::streambuf {
 public:
  explicit LimitedBuffer(size_t limit) : cLimit(limit) {}

 protected:
  std::streamsize xsputn(const char* s, std::streamsize n) override {
    std::streamsize taken = 0;
    while (taken < n && cPos < cLimit) {
      if (cPos >= cBytes.size()) cBytes.resize(cPos + 1);
      cBytes[cPos++] = s[taken++];
    }
    return taken;
  }
  int_type overflow(int_type c) override {
    if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
    char ch = traits_type::to_char_type(c);
    return xsputn(&ch, 1) == 1 ? c : traits_type::eof();
  }
  pos_type seekpos(pos_type pos, std::ios_base::openmode) override {
    cPos = static_cast<size_t>(pos);
    return pos;
  }

 private:
  std::string cBytes;
  size_t cLimit;
  size_t cPos = 0;
};

TEST(CoffWriter, RoundTripIsByteIdenticalAndSizeIsWhatIsWritten) {
  CoffBuilder b = sampleImage();
  Coff built = b.image();
  std::string first = writeImage(built);
  EXPECT_EQ(built.size(), first.size());
  EXPECT_EQ(first, b.bytes());

  std::unique_ptr<Coff> read = readImage(first);
  ASSERT_TRUE(read);
  EXPECT_EQ(read->size(), first.size());
  std::string second = writeImage(*read);
  EXPECT_EQ(second, first);
  std::unique_ptr<Coff> again = readImage(second);
  ASSERT_TRUE(again);
  EXPECT_EQ(writeImage(*again), first);

  // A Coff changed after its layout: size() is still what write() writes.
  read->cRelocs[".code"].push_back(reloc{4, 0, 0, 1});
  read->cRawData[".code"].append(Data(3));
  EXPECT_EQ(read->size(), writeImage(*read).size());
  EXPECT_EQ(read->size(), first.size() + 3 + 12);
}

TEST(CoffWriter, PreWriteLaysOutEveryPart) {
  Coff c = sampleImage().image();
  const filehdr& fh = c.cFileHdr;
  EXPECT_EQ(+fh.f_magic, kCoffMagic);
  EXPECT_EQ(+fh.f_nscns, 2);
  EXPECT_EQ(+fh.f_symptr, 166u);
  EXPECT_EQ(+fh.f_nsyms, 5u);
  EXPECT_EQ(+fh.f_opthdr, 16);
  EXPECT_EQ(+fh.f_flags, 0x0002);
  const scnhdr& code = c.cScnHdr.at(".code");
  EXPECT_EQ(+code.s_size, 6u);
  EXPECT_EQ(+code.s_scnptr, 116u);
  EXPECT_EQ(+code.s_relptr, 122u);
  EXPECT_EQ(+code.s_nreloc, 1);
  EXPECT_EQ(+code.s_lnnoptr, 134u);
  EXPECT_EQ(+code.s_nlnno, 2);
  EXPECT_EQ(+code.s_paddr, 0x100u);
  EXPECT_EQ(+code.s_flags, SCN_CODE);
  const scnhdr& udata = c.cScnHdr.at("a_long_data_section");
  EXPECT_EQ(+udata.s_size, 100u);
  EXPECT_EQ(+udata.s_scnptr, 0u);
  EXPECT_EQ(udata.s_relptr | udata.s_lnnoptr | udata.s_nreloc | udata.s_nlnno, 0u);
  EXPECT_EQ(udata.s_offset(), 4u);
  EXPECT_EQ(c.size(), 303u);
  // preWrite gives every section a list, empty where it has no entries.
  EXPECT_EQ(c.cRelocs.count("a_long_data_section") + c.cLineNums.count("a_long_data_section"), 2u);

  c.cFileHdr.f_magic = 0;
  uint32_t before = static_cast<uint32_t>(std::time(nullptr));
  c.preWrite();
  EXPECT_EQ(+c.cFileHdr.f_magic, kCoffMagic);
  EXPECT_GE(+c.cFileHdr.f_timdat, before);
  EXPECT_LE(+c.cFileHdr.f_timdat, static_cast<uint32_t>(std::time(nullptr)));
}

TEST(CoffWriter, UdataTakesNoFileSpaceAndNoSymbolsMeansNoSymbolPointer) {
  CoffBuilder b("t.o");
  int code = b.section(".code", SCN_CODE);
  int bss = b.section(".bss", SCN_UDATA);
  int rom = b.section(".rom", SCN_ROMDATA);
  b.contents(code, {1, 2, 3, 4}).zeros(bss, 100).contents(rom, {5, 6});
  b.line(rom, 0, 7, 0, 0, 0);
  Coff c = b.image();
  EXPECT_EQ(+c.cScnHdr.at(".rom").s_scnptr, 36u + 120 + 4);
  EXPECT_EQ(+c.cScnHdr.at(".code").s_relptr, 0u);
  EXPECT_EQ(+c.cFileHdr.f_symptr, 0u);
  EXPECT_EQ(+c.cFileHdr.f_nsyms, 0u);
  std::string bytes = writeImage(c);
  ASSERT_EQ(bytes.size(), 36u + 120 + 6 + 16 + 4);
  EXPECT_EQ(getU32(bytes, bytes.size() - 4), 4u);  // right after the line entry
  EXPECT_EQ(bytes.substr(156, 6), std::string("\x01\x02\x03\x04\x05\x06", 6));
}

TEST(CoffWriter, WritesAtABaseOffset) {
  Coff c = sampleImage().image();
  std::string alone = writeImage(c);
  std::stringstream file(std::string(6, 'P'));
  ASSERT_EQ(c.write(file, 6), 1);
  file << 'Z';  // the position is just after the image
  std::string bytes = file.str();
  ASSERT_EQ(bytes.size(), 6 + alone.size() + 1);
  EXPECT_EQ(bytes.substr(0, 6), "PPPPPP");
  EXPECT_EQ(bytes.substr(6, alone.size()), alone);  // offsets relative to the base
  EXPECT_EQ(bytes.back(), 'Z');
  std::unique_ptr<Coff> member = readImage(bytes, 6);
  ASSERT_TRUE(member);
  EXPECT_EQ(writeImage(*member), alone);
}

TEST(CoffWriter, FixupAuxFcnsTakesEachFunctionsLastBeginLine) {
  CoffBuilder b("t.o");
  int code = b.section(".code", SCN_CODE);
  b.words(code, {0, 0, 0, 0});
  uint32_t f = b.function("f", 0, static_cast<int16_t>(code));
  uint32_t g = b.function("g", 4, static_cast<int16_t>(code));
  uint32_t lost = b.function("lost", 0, 9);  // no section 9
  b.coff().cSymbols[lost + 1].fcn.x_lnnoptr = 0x77;
  b.line(code, 0, 1, 0, LINENO_FCNBEGIN, f)
      .line(code, 0, 2, 4, LINENO_FCNBEGIN, g)
      .line(code, 0, 3, 2, 0, f)  // not a begin line
      .line(code, 0, 4, 6, LINENO_FCNBEGIN, f);
  Coff c = b.image();
  uint32_t lines = c.cScnHdr.at(".code").s_lnnoptr;
  EXPECT_EQ(+c.cSymbols[f + 1].fcn.x_lnnoptr, lines + 48);
  EXPECT_EQ(+c.cSymbols[g + 1].fcn.x_lnnoptr, lines + 16);
  EXPECT_EQ(+c.cSymbols[lost + 1].fcn.x_lnnoptr, 0x77u);

  setTraceLevel("Coff::fixupAuxFcns", 1);
  c.cSymbols[g + 1].fcn.x_lnnoptr = 0;
  std::string text;
  {
    CapturedOutput out;
    c.fixupAuxFcns();
    text = out.text();
  }
  setTraceLevel("Coff::fixupAuxFcns", 0);
  EXPECT_EQ(
      text,
      "Coff::fixupAuxFcns() - symbol 'f' in section '.code'  from 0x00000084 to 0x00000084\n"
      "Coff::fixupAuxFcns() - symbol 'g' in section '.code'  from 0x00000000 to 0x00000064\n");
}

// Two sections of 10,000 functions and 30,000 lines each. Lines come in three
// rounds of one line per function; function k's line of round r is a begin line
// unless (k + r) % 3 == 2, and never for every hundredth function. Section 2
// closes with begin lines that name section 1's functions, which do not count.
TEST(CoffWriter, FixupAuxFcnsAtScale) {
  const uint32_t kPerSection = 10000;
  CoffBuilder b("t.o");
  int scns[2] = {b.section(".code_a", SCN_CODE), b.section(".code_b", SCN_CODE)};
  std::vector<uint32_t> fns[2];
  for (int s = 0; s < 2; ++s)
    for (uint32_t k = 0; k < kPerSection; ++k)
      fns[s].push_back(b.function("fn_" + std::to_string(s) + "_" + std::to_string(k), k,
                                  static_cast<int16_t>(scns[s])));
  for (int s = 0; s < 2; ++s)
    for (uint32_t r = 0; r < 3; ++r)
      for (uint32_t k = 0; k < kPerSection; ++k) {
        bool begin = (k + r) % 3 != 2 && k % 100 != 99;
        b.line(scns[s], 0, 1, k, begin ? LINENO_FCNBEGIN : 0, fns[s][k]);
      }
  for (uint32_t k = 0; k < kPerSection; k += 7)
    b.line(scns[1], 0, 1, k, LINENO_FCNBEGIN, fns[0][k]);
  Coff c = b.image();
  for (size_t i = 0; i < c.cSymbols.size(); ++i)
    if (c.cAuxKinds[i] == AUX_FCN) c.cSymbols[i].fcn.x_lnnoptr = 0x77;

  auto start = std::chrono::steady_clock::now();
  c.fixupAuxFcns();
  double ms =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  std::printf("fixupAuxFcns: %u functions over %zu lines in %.1f ms\n", 2 * kPerSection,
              c.cLineNums.at(".code_a").size() + c.cLineNums.at(".code_b").size(), ms);

  for (int s = 0; s < 2; ++s) {
    uint32_t lines = c.cScnHdr.at(s == 0 ? ".code_a" : ".code_b").s_lnnoptr;
    for (uint32_t k = 0; k < kPerSection; ++k) {
      uint32_t lastRound = k % 3 == 0 ? 1 : 2;
      uint32_t expected = k % 100 == 99 ? 0x77 : lines + 16 * (lastRound * kPerSection + k);
      ASSERT_EQ(+c.cSymbols[fns[s][k] + 1].fcn.x_lnnoptr, expected) << s << " " << k;
    }
  }
}

TEST(CoffWriter, RefusesAnImagePastFourGiBAndWritesNothing) {
  // Headers (36 + 40 per section) and the string table's length word (4) take
  // the rest of the 4 GiB that 32-bit offsets reach.
  const uint32_t kFill = 0xFFFFFFFFu - 36 - 40 - 4;
  Coff fits;
  fits.cCoffName = "big.o";
  fits.cFileHdr.f_opthdr = kOptHdrSize;
  fits.cScnNum[1] = ".code";
  setScnFlags(fits.cScnHdr[".code"], 1, false, false, false);
  fits.cRawData[".code"] = Data(kFill);
  fits.preWrite();
  EXPECT_EQ(fits.size(), 0xFFFFFFFFu);
  {
    LimitedBuffer buffer(0);  // reaches the writing, which fails at once
    std::ostream file(&buffer);
    CapturedOutput out;
    EXPECT_EQ(fits.write(file, 0), 0);
    EXPECT_EQ(out.text(), "Error - Coff file 'big.o' could not write file header.\n");
  }

  Coff past;
  past.cCoffName = "big.o";
  past.cFileHdr.f_opthdr = kOptHdrSize;
  for (int n = 1; n <= 2; ++n) {  // 2 GiB each, one byte past in all
    std::string name = ".s" + std::to_string(n);
    past.cScnNum[n] = name;
    setScnFlags(past.cScnHdr[name], 1, false, false, false);
    past.cRawData[name] = Data(n == 1 ? 0x80000000u : kFill - 0x80000000u - 40 + 1);
  }
  past.preWrite();
  EXPECT_EQ(past.size(), 0xFFFFFFFFu);
  {
    std::ostringstream file;
    CapturedOutput out;
    EXPECT_EQ(past.write(file, 0), 0);
    EXPECT_EQ(file.str(), "");
    EXPECT_EQ(out.text(),
              "Error - Coff file 'big.o' would be larger than 4 GiB, more than its 32-bit "
              "offsets can address.\n");
  }
  TempDir dir;
  past.cCoffName = dir.file("big.o");
  CapturedOutput out;
  EXPECT_EQ(past.write(), 0);
  EXPECT_FALSE(dir.exists("big.o"));
  EXPECT_EQ(out.text(),
            "Error - Coff file '" + dir.file("big.o") +
                "' would be larger than 4 GiB, more than its 32-bit offsets can address.\n");
}

TEST(CoffWriter, TracesOfPreWriteAndSize) {
  CoffBuilder b("t.o");
  int code = b.section(".code", SCN_CODE);
  b.words(code, {1, 2}).reloc(code, 0, 0, 0, 1);
  b.symbol("s", 0, 1, C_EXT);
  Coff c = b.image();
  const std::string parts =
      "secHdrStart=0x00000024, secHdrLength=0x00000028\n"
      "rawDataStart=0x0000004c, rawDataLength=0x00000004\n"
      "relocStart=0x00000050, relocLength=0x0000000c\n"
      "lineStart=0x0000005c, lineLength=0x00000000\n"
      "symbolStart=0x0000005c, symbolLength=0x00000012\n"
      "stringStart=0x0000006e, stringLength=0x00000004\n";
  setTraceLevel("Coff::preWrite", 1);
  setTraceLevel("Coff::size", 1);
  std::string text;
  {
    CapturedOutput out;
    c.preWrite();
    c.size();
    writeImage(c);  // writing traces nothing
    text = out.text();
  }
  setTraceLevel("Coff::preWrite", 0);
  setTraceLevel("Coff::size", 0);
  EXPECT_EQ(text, "\nCoff::preWrite\n" + parts +
                      "scnNum=1, secName=.code\n"
                      "raw data: size=0x00000004, ptr=0x0000004c\n"
                      "reloc: num=1, ptr=0x00000050\n"
                      "line: num=0, ptr=0x00000000\n"
                      "\nCoff::size\n" +
                      parts + "fileLength=0x00000072\n");
}

// Offsets that are not the writer's layout are laid out again before writing;
// the time stamp stays and the optional header is 16 bytes.
TEST(CoffWriter, ImagesOfAnotherLayoutAreLaidOutAgain) {
  std::string original = sampleImage().bytes();
  std::string gapped = original;
  gapped.insert(166, 8, '\xCC');  // a gap before the symbols
  putU32(gapped, 8, 166 + 8);
  std::unique_ptr<Coff> c = readImage(gapped);
  ASSERT_TRUE(c);
  EXPECT_EQ(c->size(), original.size());
  EXPECT_EQ(writeImage(*c), original);
  EXPECT_EQ(+c->cFileHdr.f_symptr, 174u);  // write changes nothing in the Coff

  for (uint16_t optSize : {0, 28}) {
    std::unique_ptr<Coff> foreign;
    {
      CapturedOutput out;
      foreign = readImage(foreignImage(optSize));
    }
    ASSERT_TRUE(foreign);
    std::string bytes = writeImage(*foreign);
    EXPECT_EQ(bytes.size(), foreign->size());
    EXPECT_EQ(getU16(bytes, 16), 16);
    EXPECT_EQ(getU32(bytes, 4), 0x01020304u);
    CapturedOutput out;
    std::unique_ptr<Coff> back = readImage(bytes);
    ASSERT_TRUE(back);
    EXPECT_EQ(out.text(), "");
    EXPECT_EQ(back->cStringTbl, foreign->cStringTbl);
    EXPECT_EQ(back->cLineNums.at(".code"), foreign->cLineNums.at(".code"));
    EXPECT_EQ(back->cRelocs.at(".code"), foreign->cRelocs.at(".code"));
    EXPECT_EQ(writeImage(*back), bytes);
  }
}

TEST(CoffWriter, RefusesCountsThatDoNotFitTheHeader) {
  for (bool lines : {false, true}) {
    for (size_t count : {size_t(65535), size_t(65536)}) {
      CoffBuilder b("t.o");
      int code = b.section(".code", SCN_CODE);
      b.words(code, {0});
      for (size_t i = 0; i < count; ++i) {
        if (lines)
          b.line(code, 0, 1, 0, 0, 0);
        else
          b.reloc(code, 0, 0, 0, 1);
      }
      Coff c = b.image();
      CapturedOutput out;
      std::string bytes = writeImage(c);
      if (count == 65535) {
        std::unique_ptr<Coff> back = readImage(bytes);
        ASSERT_TRUE(back);
        EXPECT_EQ(lines ? back->cLineNums.at(".code").size() : back->cRelocs.at(".code").size(),
                  count);
        continue;
      }
      EXPECT_EQ(bytes, "write failed");
      EXPECT_EQ(out.text(),
                std::string("Error - Coff file 't.o', section '.code' has more than 65535 ") +
                    (lines ? "line numbers.\n" : "relocation entries.\n"));
      TempDir dir;
      c.cCoffName = dir.file("t.o");
      EXPECT_EQ(c.write(), 0);
      EXPECT_FALSE(dir.exists("t.o"));
    }
  }
}

TEST(CoffWriter, RefusesMoreSectionsThanTheHeaderCounts) {
  CoffBuilder b("t.o");
  for (int i = 0; i < 65536; ++i) b.section("s" + std::to_string(i), SCN_CODE);
  CapturedOutput out;
  EXPECT_EQ(writeImage(b.image()), "write failed");
  EXPECT_EQ(out.text(), "Error - Coff file 't.o' has more than 65535 sections.\n");
}

TEST(CoffWriter, RefusesSectionNumbersWithoutTheirHeaders) {
  Coff c = sampleImage().image();
  c.cScnNum[3] = ".code";
  CapturedOutput out;
  EXPECT_EQ(writeImage(c), "write failed");
  EXPECT_EQ(out.text(),
            "Error - Coff file 't.o' has section numbers and section headers that do not match.\n");
}

TEST(CoffWriter, EveryFailedWriteIsReportedWithItsStep) {
  Coff c = sampleImage().image();
  struct Case {
    size_t limit;
    const char* text;
  } cases[] = {{0, "could not write file header."},
               {19, "could not write file header."},
               {20, "could not write optional file header."},
               {36, "could not write section header."},
               {115, "could not write section header."},
               {116, "could not write raw data."},
               {122, "could not write reloc."},
               {134, "could not write lineinfo."},
               {166, "could not write symbol."},
               {256, "could not write string table length."},
               {260, "could not write string."},
               {302, "could not write string."}};
  for (const Case& k : cases) {
    LimitedBuffer buffer(k.limit);
    std::ostream file(&buffer);
    CapturedOutput out;
    EXPECT_EQ(c.write(file, 0), 0) << k.limit;
    EXPECT_EQ(out.text(), std::string("Error - Coff file 't.o' ") + k.text + "\n") << k.limit;
  }
  LimitedBuffer enough(303);
  std::ostream file(&enough);
  EXPECT_EQ(c.write(file, 0), 1);
}

TEST(CoffWriter, WritesAFileOfItsOwn) {
  TempDir dir;
  Coff c = sampleImage().image();
  c.cCoffName = dir.file("out.o");
  dir.write("out.o", std::string(1000, 'x'));
  ASSERT_EQ(c.write(), 1);
  EXPECT_EQ(dir.read("out.o"), writeImage(c));  // truncated first

  c.cCoffName = dir.file("no/such/dir.o");
  CapturedOutput out;
  EXPECT_EQ(c.write(), 0);
  std::string expected = "Error - Could not open Coff file '" + c.cCoffName + "' for writing.\n";
  if (std::ifstream("/dev/full")) {
    c.cCoffName = "/dev/full";
    EXPECT_EQ(c.write(), 0);
    expected += "Error - Coff file '/dev/full' could not write file header.\n";
  }
  EXPECT_EQ(out.text(), expected);
}

}  // namespace
