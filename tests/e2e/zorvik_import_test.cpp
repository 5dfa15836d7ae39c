// Library imports whose members bring names that the objects lack: many new
// names, names of every length around the eight characters that a symbol entry
// holds inline, and members that import further members. The link must take
// exactly the members that the objects' references reach, and every name
// structure of the import grows several times on the way.
#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "Archive.h"
#include "Coff.h"
#include "CoffBuilder.h"
#include "ProcessorIds.h"
#include "RunProgram.h"
#include "mgreloct.h"
#include "zorvik_link_support.h"

namespace {

struct Shape {
  const char* what;
  int objects;
  int functions;     // definitions per object
  int libraryCalls;  // per object, into the library
  int members;
  int definitions;  // per member
  int memberCalls;  // per member, into members further on (a tree of imports)
  int shortest;     // names are shortest..shortest+6 characters long
};

// A name of `length` characters (or longer where the number needs it) that
// no other (prefix, number) pair gives: the number in base 36, then '_'s.
std::string nameOf(char prefix, int number, int length) {
  std::string digits;
  do {
    digits.insert(digits.begin(), "0123456789abcdefghijklmnopqrstuvwxyz"[number % 36]);
    number /= 36;
  } while (number > 0);
  std::string name = prefix + digits;
  if (name.size() < size_t(length)) name.append(length - name.size(), '_');
  return name;
}

class ImportLink {
 public:
  explicit ImportLink(const Shape& s) : cShape(s) {}

  std::string function(int object, int f) const {
    return nameOf('O', object * cShape.functions + f, length(object + f));
  }
  std::string definition(int member, int d) const {
    return nameOf('L', member * cShape.definitions + d, length(member * 3 + d));
  }
  // Object n's calls into the library, and member m's calls into members
  // further on; both pick members spread over the whole library.
  std::vector<int> objectTargets(int n) const {
    std::vector<int> members;
    for (int c = 0; c < cShape.libraryCalls; ++c)
      members.push_back(int((uint64_t(n) * 7919 + c * 104729u) % cShape.members));
    return members;
  }
  std::vector<int> memberTargets(int m) const {
    std::vector<int> members;
    for (int c = 1; c <= cShape.memberCalls; ++c)
      if (m * cShape.memberCalls + c < cShape.members)
        members.push_back(m * cShape.memberCalls + c);
    return members;
  }

  void write(const TempDir& t) const {
    for (int n = 0; n < cShape.objects; ++n) {
      std::vector<std::string> calls;
      for (int m : objectTargets(n)) calls.push_back(definition(m, n % cShape.definitions));
      calls.push_back(function((n + 1) % cShape.objects, 0));
      std::vector<std::string> defs;
      for (int f = 0; f < cShape.functions; ++f) defs.push_back(function(n, f));
      ASSERT_TRUE(unit(nameOf('o', n, 1) + ".o", defs, calls).writeFile(t.file(objectFile(n))));
    }
    Archive library(t.file("names.lib"));
    for (int m = 0; m < cShape.members; ++m) {
      std::vector<std::string> calls, defs;
      for (int target : memberTargets(m))
        calls.push_back(definition(target, m % cShape.definitions));
      for (int d = 0; d < cShape.definitions; ++d) defs.push_back(definition(m, d));
      library.cMembers.push_back(std::make_unique<Coff>(unit(memberFile(m), defs, calls).image()));
    }
    ASSERT_TRUE(library.makeSymbols() && library.write());
    t.write("names.lkr",
            "LIBPATH .\n"
            "CODEPAGE NAME=program START=0x0 END=0x1FFFFF\n"
            "DATABANK NAME=gpr START=0x0 END=0xFFF\n"
            "FILES names.lib\n");
  }

  std::vector<std::string> arguments() const {
    std::vector<std::string> args{"names.lkr"};
    for (int n = 0; n < cShape.objects; ++n) args.push_back(objectFile(n));
    args.insert(args.end(), {"/m", "names.map", "/o", "names.cof"});
    return args;
  }

  // The members that the objects' references reach, directly or through
  // other members.
  std::set<int> reached() const {
    std::set<int> taken;
    std::vector<int> todo;
    for (int n = 0; n < cShape.objects; ++n)
      for (int m : objectTargets(n)) todo.push_back(m);
    while (!todo.empty()) {
      const int m = todo.back();
      todo.pop_back();
      if (!taken.insert(m).second) continue;
      for (int target : memberTargets(m)) todo.push_back(target);
    }
    return taken;
  }

 private:
  int length(int seed) const { return cShape.shortest + seed % 7; }
  static std::string objectFile(int n) { return nameOf('o', n, 1) + ".o"; }
  static std::string memberFile(int m) { return nameOf('m', m, 1) + ".o"; }

  // A Halvern object whose code defines `defs` and patches a byte for each of
  // `calls`.
  static CoffBuilder unit(const std::string& name, const std::vector<std::string>& defs,
                          const std::vector<std::string>& calls) {
    CoffBuilder b(name);
    b.optionalHeader(kHalvern133, 8);
    const int code = b.section(".code", SCN_CODE);
    b.zeros(code, uint32_t(2 * (defs.size() + calls.size())));
    for (size_t d = 0; d < defs.size(); ++d) b.symbol(defs[d], uint32_t(2 * d), code, C_EXT);
    for (size_t c = 0; c < calls.size(); ++c) {
      const uint32_t sym = b.symbol(calls[c], 0, N_UNDEF, C_EXT);
      b.reloc(code, uint32_t(2 * (defs.size() + c)), sym, 0, RELOCT_LOW);
    }
    return b;
  }

  Shape cShape;
};

// The external names that the executable defines.
std::set<std::string> definedNames(const std::string& path) {
  std::set<std::string> names;
  std::unique_ptr<Coff> coff = Coff::make(path);
  if (!coff) return names;
  for (const auto& entry : coff->cSymbols)
    if (entry.sym.n_sclass == C_EXT && entry.sym.n_scnum > 0)
      names.emplace(Coff::nameView(entry.sym, coff->cStringTbl));
  return names;
}

void PrintTo(const Shape& s, std::ostream* os) { *os << s.what; }

class ZorvikImport : public testing::TestWithParam<Shape> {};

TEST_P(ZorvikImport, TakesEveryMemberThatTheReferencesReach) {
  const Shape& s = GetParam();
  const ImportLink link(s);
  TempDir t;
  link.write(t);
  RunResult r = runProgram(ZORVIK_EXE, link.arguments(), t.path());
  ASSERT_EQ(r.out, linkedRun()) << s.what << "\n" << r.err;
  ASSERT_EQ(r.status, 0) << s.what << "\n" << r.err;

  const std::set<std::string> defined = definedNames(t.file("names.cof"));
  for (int n = 0; n < s.objects; ++n)
    for (int f = 0; f < s.functions; ++f) EXPECT_TRUE(defined.count(link.function(n, f)));
  const std::set<int> reached = link.reached();
  size_t mismatches = 0;
  for (int m = 0; m < s.members; ++m)
    for (int d = 0; d < s.definitions; ++d)
      mismatches += defined.count(link.definition(m, d)) != reached.count(m);
  EXPECT_EQ(mismatches, 0u) << s.what << ": " << reached.size() << " members reached";
}

INSTANTIATE_TEST_SUITE_P(Shapes, ZorvikImport,
                         testing::Values(
                             // Names of at most eight characters: all of them inline, none in a
                             // string table that the import's reserve counts.
                             Shape{"2 objects calling into 20 members", 2, 5, 4, 20, 10, 0, 2},
                             Shape{"members that import members", 8, 5, 2, 400, 10, 2, 5},
                             Shape{"300 objects, 3000 members", 300, 20, 2, 3000, 10, 2, 4}),
                         [](const testing::TestParamInfo<Shape>& info) {
                           return std::to_string(info.param.objects) + "objects" +
                                  std::to_string(info.param.members) + "members";
                         });

}  // namespace
