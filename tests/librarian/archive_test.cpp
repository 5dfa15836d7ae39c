// Library archives: the exact file format, reading corrupt files, the symbol
// directory, copies, the dump and writes that fail.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "Archive.h"
#include "CoffBuilder.h"
#include "RunProgram.h"
#include "Trace.h"

namespace {

// An object with one code section, a .file entry and an external definition
// of each name in `defs`.
CoffBuilder object(const std::string& name, const std::vector<std::string>& defs,
                   uint32_t stamp = 0) {
  CoffBuilder b(name);
  b.optionalHeader(0x1234, 16).timeStamp(stamp);
  int code = b.section(".code", SCN_CODE);
  b.words(code, {0x3001, 0x0008, 0x0012});
  b.fileSymbol("source.asm");
  for (const std::string& d : defs) b.symbol(d, 2, static_cast<int16_t>(code), C_EXT);
  return b;
}

std::unique_ptr<Coff> member(const CoffBuilder& b) { return std::make_unique<Coff>(b.image()); }

// The 280-byte header the writer gives a member.
std::string header(const std::string& name, const std::string& date, size_t size) {
  std::string h = name + "/";
  h.resize(256, ' ');
  std::string d = date;
  d.resize(12, '\0');
  std::string s = std::to_string(size);
  s.resize(10, '\0');
  return h + d + s + "`\n";
}

const std::string kMagic = "!<arch>\n";

std::vector<std::string> namesOf(const Archive& a) {
  std::vector<std::string> names;
  for (const auto& m : a.cMembers) names.push_back(m->cCoffName);
  return names;
}

// Reads the library with the error stream captured.
std::unique_ptr<Archive> readCapturing(const std::string& path, std::string& messages) {
  testing::internal::CaptureStderr();
  std::unique_ptr<Archive> a = Archive::make(path);
  messages = testing::internal::GetCapturedStderr();
  return a;
}

TEST(ArchiveFormat, WritesMagicThenHeadersAndImagesBackToBack) {
  TempDir t;
  CoffBuilder a = object("a.o", {"main"}, 1234567890);
  CoffBuilder b = object("b.o", {"helper_function"}, 7);
  Archive lib(t.file("x.lib"));
  lib.cMembers.push_back(member(a));
  lib.cMembers.push_back(member(b));
  ASSERT_EQ(lib.write(), 1);

  std::string ia = a.bytes(), ib = b.bytes();
  EXPECT_EQ(t.read("x.lib"), kMagic + header("a.o", "1234567890", ia.size()) + ia +
                                 header("b.o", "7", ib.size()) + ib);
  EXPECT_EQ(t.list(), std::vector<std::string>{"x.lib"});  // no temporary file left

  std::unique_ptr<Archive> back = Archive::make(t.file("x.lib"));
  ASSERT_TRUE(back);
  EXPECT_EQ(namesOf(*back), (std::vector<std::string>{"a.o", "b.o"}));
  ASSERT_EQ(back->cSymbols.size(), 2u);
  EXPECT_EQ(back->cSymbols.at("main")->cCoffName, "a.o");
  EXPECT_EQ(back->cSymbols.at("helper_function")->cCoffName, "b.o");
}

TEST(ArchiveFormat, EmptyArchiveIsTheMagicAlone) {
  TempDir t;
  Archive lib(t.file("x.lib"));
  ASSERT_EQ(lib.write(), 1);
  EXPECT_EQ(t.read("x.lib"), kMagic);
  std::unique_ptr<Archive> back = Archive::make(t.file("x.lib"));
  ASSERT_TRUE(back);
  EXPECT_TRUE(back->cMembers.empty());
  EXPECT_TRUE(back->cSymbols.empty());
}

TEST(ArchiveFormat, LongNamesAreCutTo255Characters) {
  TempDir t;
  std::string name(296, 'n');
  name += ".o";
  Archive lib(t.file("x.lib"));
  lib.cMembers.push_back(member(object(name, {})));
  ASSERT_EQ(lib.write(), 1);
  std::string bytes = t.read("x.lib");
  EXPECT_EQ(bytes.substr(8, 256), name.substr(0, 255) + "/");
  std::unique_ptr<Archive> back = Archive::make(t.file("x.lib"));
  ASSERT_TRUE(back);
  EXPECT_EQ(namesOf(*back), std::vector<std::string>{name.substr(0, 255)});
}

TEST(ArchiveRead, MembersAreFoundByImageLengthInsideTheirHeaderSize) {
  TempDir t;
  std::string ia = object("a.o", {"x"}).bytes(), ib = object("b.o", {"y"}).bytes();
  // A date field that lies, size fields that reach past the image (the next
  // member starts where the image ends) and past the file, and names ended by
  // a NUL or by no '/'.
  std::string ha = header("a.o", "99999999999", ia.size() + 100);
  std::string hb = header("b.o", "x", 999999999);
  hb.replace(0, 4, std::string("b.o\0", 4));
  t.write("x.lib", kMagic + ha + ia + hb + ib + "trailing fragment shorter than a header");
  std::unique_ptr<Archive> back = Archive::make(t.file("x.lib"));
  ASSERT_TRUE(back);
  EXPECT_EQ(namesOf(*back), (std::vector<std::string>{"a.o", "b.o"}));
  EXPECT_EQ(back->hasSymbol("y"), 1);
}

// Far more bytes than the reader holds at once, with a member larger than
// that in the middle: every image reads back as written.
TEST(ArchiveRead, LargeLibrariesReadBackWhole) {
  TempDir t;
  std::vector<std::string> images;
  Archive lib(t.file("x.lib"));
  for (int i = 0; i < 150; ++i) {
    CoffBuilder b = object("m" + std::to_string(i) + ".o", {"s" + std::to_string(i)}, i);
    if (i == 70) b.words(1, std::vector<uint16_t>(90000, 0xA5C3));
    lib.cMembers.push_back(member(b));
    images.push_back(b.bytes());
  }
  ASSERT_EQ(lib.write(), 1);
  std::unique_ptr<Archive> back = Archive::make(t.file("x.lib"));
  ASSERT_TRUE(back);
  ASSERT_EQ(back->cMembers.size(), images.size());
  for (size_t i = 0; i < images.size(); ++i) {
    std::ostringstream os;
    ASSERT_EQ(back->cMembers[i]->write(os, 0), 1);
    EXPECT_EQ(os.str(), images[i]) << i;
  }
  EXPECT_EQ(back->cSymbols.size(), images.size());
}

TEST(ArchiveRead, CorruptFilesFailWithTheirMessages) {
  TempDir t;
  std::string image = object("a.o", {"x"}).bytes();
  std::string hugeCount = image;
  putU32(hugeCount, 12, 0x7FFFFFFF);  // f_nsyms far beyond the file
  // Members whose bytes, by the size in their headers, end inside their
  // string table, its length, the optional header or the file header; the
  // bytes that follow (the next member) are not read as theirs.
  const std::string named = object("a.o", {"a_name_of_the_string_table"}).bytes();
  const std::string next = header("b.o", "0", image.size()) + image;
  const size_t strings = getU32(named, 8) + 18 * getU32(named, 12);
  auto cutAt = [&](size_t size) { return kMagic + header("a.o", "0", size) + named + next; };
  ASSERT_EQ(mkdir(t.file("dir.lib").c_str(), 0755), 0);
  const struct {
    const char* file;
    std::string bytes;
    std::string messages;  // after "Error - "; {} stands for the library's path
  } cases[] = {
      {"missing.lib", "", "Could not open library file '{}' for reading."},
      {"dir.lib", "", "Could not open library file '{}' for reading."},
      {"short.lib", "!<arch>", "Could not read archive magic string in library file '{}'."},
      {"other.lib", "!<arch>x", "File '{}' is not a valid library file."},
      {"cut.lib", kMagic + header("a.o", "0", image.size()) + image.substr(0, image.size() - 30),
       "Coff file 'a.o' could not read string table length.\nError - "
       "Could not build member 'a.o' in library file '{}'. "},
      {"count.lib", kMagic + header("a.o", "0", image.size()) + hugeCount,
       "Coff file 'a.o' could not read string table length.\nError - "
       "Could not build member 'a.o' in library file '{}'. "},
      {"strings.lib", cutAt(named.size() - 1),
       "Coff file 'a.o' could not read string table.\nError - "
       "Could not build member 'a.o' in library file '{}'. "},
      {"length.lib", cutAt(strings + 3),
       "Coff file 'a.o' could not read string table length.\nError - "
       "Could not build member 'a.o' in library file '{}'. "},
      {"optional.lib", cutAt(20 + 15),
       "Coff file 'a.o' could not read optional file header.\nError - "
       "Could not build member 'a.o' in library file '{}'. "},
  };
  for (const auto& c : cases) {
    std::string path = t.file(c.file);
    if (!c.bytes.empty()) t.write(c.file, c.bytes);
    std::string expected = "Error - " + c.messages + "\n";
    for (size_t at; (at = expected.find("{}")) != std::string::npos;) expected.replace(at, 2, path);
    std::string messages;
    EXPECT_FALSE(readCapturing(path, messages)) << c.file;
    EXPECT_EQ(messages, expected) << c.file;
  }
}

// The size field bounds a member where it holds a decimal number, however it
// is padded; a field without one bounds nothing, and the member is read as its
// image says. Each library holds a.o with that field, then b.o.
TEST(ArchiveRead, SizeFieldsBoundTheMemberWhereTheyHoldANumber) {
  TempDir t;
  const std::string a = object("a.o", {"a_name_of_the_string_table"}).bytes();
  const std::string ib = object("b.o", {"y"}).bytes(), b = header("b.o", "0", ib.size()) + ib;
  const std::string size = std::to_string(a.size()), less = std::to_string(a.size() - 1);
  auto field = [](std::string text) { return text + std::string(10 - text.size(), '\0'); };
  const char* const strings = "string table";
  const struct {
    std::string field;   // the ten bytes
    const char* failed;  // the part the reader could not read; null: a.o and b.o are read
  } cases[] = {
      {field(size), nullptr},                                     // left-aligned, NUL-filled
      {std::string(10 - size.size(), ' ') + size, nullptr},       // right-aligned
      {size + std::string(10 - size.size(), ' '), nullptr},       // blank-filled
      {field(std::string(2, '\0') + " " + size + " "), nullptr},  // NULs and blanks around it
      {field(std::to_string(a.size() + 100)), nullptr},           // past the image
      {std::string(10, ' '), nullptr},                            // no number: no bound
      {std::string(10, '\0'), nullptr},
      {field("+5"), nullptr},
      {field("0x10"), nullptr},
      {field("-5"), nullptr},
      {field("1 2"), nullptr},
      {field(less), strings},  // inside the image
      {std::string(10 - less.size(), ' ') + less, strings},
      {field(" 0"), "file header"},
  };
  for (const auto& c : cases) {
    std::string h = header("a.o", "0", 0);
    h.replace(268, 10, c.field);
    t.write("x.lib", kMagic + h + a + b);
    std::string messages;
    std::unique_ptr<Archive> back = readCapturing(t.file("x.lib"), messages);
    const std::string shown = testing::PrintToString(c.field);
    if (!c.failed) {
      EXPECT_EQ(messages, "") << shown;
      if (back) {
        EXPECT_EQ(namesOf(*back), (std::vector<std::string>{"a.o", "b.o"})) << shown;
      }
    } else {
      EXPECT_EQ(messages, "Error - Coff file 'a.o' could not read " + std::string(c.failed) +
                              ".\nError - Could not build member 'a.o' in library file '" +
                              t.file("x.lib") + "'. \n")
          << shown;
    }
    EXPECT_EQ(back != nullptr, c.failed == nullptr) << shown;
  }
}

TEST(ArchiveSymbols, DuplicateDefinitionsAreReportedAndTheFirstIsKept) {
  TempDir t;
  Archive lib(t.file("x.lib"));
  lib.cMembers.push_back(member(object("a.o", {"main", "f"})));
  lib.cMembers.push_back(member(object("b.o", {"g", "main"})));
  testing::internal::CaptureStderr();
  EXPECT_EQ(lib.makeSymbols(), 0);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "Error - Symbol 'main' has multiple external definitions.\n");
  EXPECT_EQ(lib.cSymbols.at("main")->cCoffName, "a.o");
  EXPECT_EQ(lib.cSymbols.at("g")->cCoffName, "b.o");

  // Reading such a library still gives the archive.
  ASSERT_EQ(lib.write(), 1);
  std::string messages;
  std::unique_ptr<Archive> back = readCapturing(t.file("x.lib"), messages);
  ASSERT_TRUE(back);
  EXPECT_EQ(messages, "Error - Symbol 'main' has multiple external definitions.\n");
  EXPECT_EQ(back->getMember("main")->cCoffName, "a.o");
}

TEST(ArchiveSymbols, OnlyExternalDefinitionsCountAndTheLastEntryToo) {
  CoffBuilder a("a.o");
  int code = a.section(".code", SCN_CODE);
  a.words(code, {1});
  a.symbol("undef", 0, N_UNDEF, C_EXT);
  a.symbol("local", 0, static_cast<int16_t>(code), C_STAT);
  a.function("fn", 0, static_cast<int16_t>(code));  // its aux entry is no symbol
  a.symbol("last", 0, static_cast<int16_t>(code), C_EXT);
  CoffBuilder empty("empty.o");
  Archive lib("x.lib");
  lib.cMembers.push_back(member(a));
  lib.cMembers.push_back(member(empty));
  EXPECT_EQ(lib.makeSymbols(), 1);
  std::vector<std::string> names;
  for (const auto& s : lib.cSymbols) names.push_back(s.first);
  EXPECT_EQ(names, (std::vector<std::string>{"fn", "last"}));
  EXPECT_EQ(lib.hasSymbol("last"), 1);
  EXPECT_EQ(lib.hasSymbol("undef"), 0);
  EXPECT_EQ(lib.getMember("local"), nullptr);
}

TEST(ArchiveSymbols, TraceListsTheDirectory) {
  Archive lib("x.lib");
  lib.cMembers.push_back(member(object("a.o", {"main", "a_rather_long_symbol"})));
  setTraceLevel("Archive::makeSymbols", 1);
  testing::internal::CaptureStdout();
  lib.makeSymbols();
  std::string out = testing::internal::GetCapturedStdout();
  setTraceLevel("Archive::makeSymbols", 0);
  EXPECT_EQ(out, "  Symbols: \n    a_rather_long_symbol -> a.o\n               main -> a.o\n\n");
}

TEST(ArchiveCopy, MembersAndCopiesAreIndependent) {
  auto lib = std::make_unique<Archive>("x.lib");
  lib->cMembers.push_back(member(object("a.o", {"main"})));
  lib->cMembers.push_back(member(object("b.o", {"f"})));
  lib->makeSymbols();

  Archive copy(*lib);
  EXPECT_EQ(namesOf(copy), namesOf(*lib));
  EXPECT_EQ(copy.cSymbols.at("f"), copy.cMembers[1].get());  // points into the copy
  copy.cMembers[0]->cCoffName = "changed.o";
  EXPECT_EQ(lib->cMembers[0]->cCoffName, "a.o");

  std::unique_ptr<Coff> got = lib->getMember("main");
  ASSERT_TRUE(got);
  EXPECT_NE(got.get(), lib->cMembers[0].get());
  lib.reset();
  EXPECT_EQ(got->cCoffName, "a.o");
  EXPECT_EQ(copy.cSymbols.at("main")->cCoffName, "changed.o");
}

TEST(ArchivePrint, ListsTheSymbolsThenEveryMemberNumbered) {
  Archive lib("x.lib");
  for (const char* n : {"a.o", "b.o", "c.o"})
    lib.cMembers.push_back(member(object(n, {std::string("s_") + n})));
  lib.makeSymbols();
  std::ostringstream expected;
  expected << "Archive: \n  Symbols: \n"
           << "    's_a.o' -> a.o\n    's_b.o' -> b.o\n    's_c.o' -> c.o\n\n  Members: \n";
  for (int i = 0; i < 3; ++i) {
    expected << "    Member[" << i << "] = \n";
    lib.cMembers[i]->print(expected);
    expected << '\n';
  }
  std::ostringstream os;
  lib.print(os);
  EXPECT_EQ(os.str(), expected.str());
}

TEST(ArchiveWrite, AFailedWriteLeavesTheOldLibraryAlone) {
  TempDir t;
  ASSERT_EQ(mkdir(t.file("sub.lib").c_str(), 0755), 0);
  const std::string old = kMagic + "old contents";
  t.write("x.lib", old);

  // A member whose image cannot be written.
  Archive bad(t.file("x.lib"));
  bad.cMembers.push_back(member(object("a.o", {"f"})));
  bad.cMembers.push_back(member(object("b.o", {"g"})));
  bad.cMembers[1]->cScnNum[2] = ".code";
  const struct {
    Archive* archive;
    std::string name;
    std::string messages;
  } cases[] = {
      {&bad, t.file("x.lib"),
       "Error - Coff file 'b.o' has section numbers and section headers that do not match.\n"
       "Error - Could not write library file '" +
           t.file("x.lib") + "'.\n"},
      {nullptr, t.file("sub.lib"),
       "Error - Could not open library file '" + t.file("sub.lib") + "' for writing.\n"},
      {nullptr, t.file("none/x.lib"),
       "Error - Could not open library file '" + t.file("none/x.lib") + "' for writing.\n"},
  };
  for (const auto& c : cases) {
    Archive plain(c.name);
    Archive& a = c.archive ? *c.archive : plain;
    testing::internal::CaptureStderr();
    EXPECT_EQ(a.write(), 0) << c.name;
    EXPECT_EQ(testing::internal::GetCapturedStderr(), c.messages) << c.name;
  }
  EXPECT_EQ(t.read("x.lib"), old);
  EXPECT_EQ(t.list(), (std::vector<std::string>{"sub.lib", "x.lib"}));
}

}  // namespace
