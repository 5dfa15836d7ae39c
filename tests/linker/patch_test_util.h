// A Linker set up for one device, a symbol table and section contents, for
// the tests of the relocation patchers. Names of up to 8 characters are kept
// inline; longer ones go to the fixture's string table. FieldCase tables run
// through expectFieldCases: one relocation per case against one word.
#ifndef ZV_TESTS_LINKER_PATCH_TEST_UTIL_H
#define ZV_TESTS_LINKER_PATCH_TEST_UTIL_H

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "Coff.h"
#include "Data.h"
#include "ProcessorIds.h"
#include "linker.h"
#include "mgproc.h"

class PatchBench {
 public:
  explicit PatchBench(ProcessorType processor) {
    linker.cProcessor = processor;
    linker.cFamily = processorFamily(processor);
  }

  // The new symbol's index.
  uint32_t symbol(const std::string& name, uint32_t value) {
    SymEntry entry;
    if (name.size() <= 8) {
      std::memcpy(entry.sym.n_name, name.data(), name.size());
    } else {
      strings[nextOffset] = name;
      entry.sym.setNOffset(nextOffset);
      nextOffset += static_cast<uint32_t>(name.size()) + 1;
    }
    entry.sym.n_value = value;
    entry.sym.n_sclass = 2;
    symbols.push_back(entry);
    return static_cast<uint32_t>(symbols.size() - 1);
  }

  // Applies one relocation to the words; the result and the words after it.
  int patch(std::vector<uint16_t>& words, uint16_t type, uint32_t symndx, int16_t offset = 0,
            uint32_t vaddr = 0, uint32_t fileStart = 0) {
    Data data(static_cast<uint32_t>(2 * words.size()));
    for (size_t i = 0; i < words.size(); ++i) {
      data.bytes()[2 * i] = static_cast<uint8_t>(words[i]);
      data.bytes()[2 * i + 1] = static_cast<uint8_t>(words[i] >> 8);
    }
    message.clear();
    const int result = patchData(data, type, symndx, offset, vaddr, fileStart);
    for (size_t i = 0; i < words.size(); ++i) {
      words[i] = static_cast<uint16_t>(data.bytes()[2 * i] | data.bytes()[2 * i + 1] << 8);
    }
    return result;
  }

  int patchData(Data& data, uint16_t type, uint32_t symndx, int16_t offset = 0, uint32_t vaddr = 0,
                uint32_t fileStart = 0) {
    reloc entry;
    entry.r_vaddr = vaddr;
    entry.r_symndx = symndx;
    entry.r_offset = offset;
    entry.r_type = type;
    return linker.doPatch(fileStart, data, entry, symbols, strings, message);
  }

  Linker linker;
  std::vector<SymEntry> symbols;
  StringTbl strings;
  std::string message;

 private:
  uint32_t nextOffset = 4;
};

// One relocation of `type` against a symbol of `value` (plus the entry's
// `offset`) and the word it patches, before and after.
struct FieldCase {
  uint16_t type;
  uint32_t value;
  uint16_t before;
  uint16_t after;
  int16_t offset = 0;
};

// Patches each case's word, which lies at address 2 between two guard words,
// on a fresh bench for `processor`: the patch succeeds, the word becomes
// `after` and the guard words stay.
inline void expectFieldCases(ProcessorType processor, const std::vector<FieldCase>& cases) {
  for (const FieldCase& c : cases) {
    PatchBench bench(processor);
    const uint32_t sym = bench.symbol("target", c.value);
    std::vector<uint16_t> words = {0xA5A5, c.before, 0x5A5A};
    ASSERT_EQ(bench.patch(words, c.type, sym, c.offset, 2), 1) << c.type << ' ' << bench.message;
    EXPECT_EQ(words, (std::vector<uint16_t>{0xA5A5, c.after, 0x5A5A}))
        << "type " << c.type << ", value " << std::hex << c.value;
  }
}

#endif
