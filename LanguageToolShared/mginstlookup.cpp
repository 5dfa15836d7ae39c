// Recognition by table: for each family, an array indexed by every word of the
// family's width that names the instruction the word fits (kept as blocks of
// alike slots), and an array indexed by instruction id. Both are built once, on
// first use, from the family table.
#include <map>
#include <vector>

#include "Assert.h"
#include "mginstset.h"

struct FamilyLookup {
  FamilyLookup() = default;
  // cWords views this lookup's own arrays: a copy would view the original's.
  // A move keeps the arrays where they are.
  FamilyLookup(const FamilyLookup&) = delete;
  FamilyLookup& operator=(const FamilyLookup&) = delete;
  FamilyLookup(FamilyLookup&&) = default;
  FamilyLookup& operator=(FamilyLookup&&) = default;

  WordLookup cWords;               // views cBlockOf and cSlots
  std::vector<uint8_t> cByWord;    // 1 + index into the family table; 0 = illegal (while building)
  std::vector<uint16_t> cBlockOf;  // per block of words: where its slots start in cSlots
  std::vector<uint8_t> cSlots;     // the distinct blocks of cByWord
  uint8_t cById[INSTR_PAGESEL + 1] = {};  // 1 + index; 0 = not of the family
};

// The patterns of a family are disjoint except where a TRIS word is also the
// word of another instruction. There a fixed-word instruction (no operand and no
// don't-care bits) wins over TRIS, and TRIS wins over an instruction that has the
// word only through its don't-care bits (the Mirrow NOP at 0x0060).
static int precedence(const InstrDesc& desc) {
  if (desc.freeBits() == 0) return 2;
  return desc.cId == INSTR_TRIS ? 1 : 0;
}

static void enter(FamilyLookup& lookup, const InstrSet& set, uint16_t word, size_t index) {
  uint8_t& slot = lookup.cByWord[word];
  if (slot != 0) {
    int held = precedence(set.cDescs[slot - 1]);
    int arriving = precedence(set.cDescs[index]);
    ZV_ASSERT(held != arriving);
    if (held > arriving) return;
  }
  slot = static_cast<uint8_t>(index + 1);
}

// Keeps each distinct block of slots once and points every block of words at
// its copy; the full table is dropped.
static void foldBlocks(FamilyLookup& lookup) {
  constexpr size_t kBlock = size_t(1) << kWordBlockBits;
  std::map<std::vector<uint8_t>, uint16_t> seen;
  for (size_t at = 0; at < lookup.cByWord.size(); at += kBlock) {
    std::vector<uint8_t> block(lookup.cByWord.begin() + static_cast<std::ptrdiff_t>(at),
                               lookup.cByWord.begin() + static_cast<std::ptrdiff_t>(at + kBlock));
    const auto [it, added] = seen.emplace(std::move(block),
                                          static_cast<uint16_t>(lookup.cSlots.size()));
    if (added) lookup.cSlots.insert(lookup.cSlots.end(), it->first.begin(), it->first.end());
    ZV_ASSERT(lookup.cSlots.size() <= UINT16_MAX + 1u);
    lookup.cBlockOf.push_back(it->second);
  }
  lookup.cByWord = std::vector<uint8_t>();
}

static FamilyLookup buildLookup(const InstrSet& set) {
  FamilyLookup lookup;
  lookup.cByWord.assign(static_cast<size_t>(set.cWidthMask) + 1, 0);
  ZV_ASSERT(set.cCount < 255);
  for (size_t i = 0; i < set.cCount; ++i) {
    const InstrDesc& desc = set.cDescs[i];
    uint16_t free = desc.freeBits();
    ZV_ASSERT((desc.cOpcode & free) == 0 && (desc.cOpcode & ~set.cWidthMask) == 0);
    ZV_ASSERT(desc.cId > INSTR_NONE && desc.cId < INSTR_BANKSEL && lookup.cById[desc.cId] == 0);
    lookup.cById[desc.cId] = static_cast<uint8_t>(i + 1);
    // Every combination of the free bits, counting through their subsets.
    uint16_t bits = 0;
    do {
      enter(lookup, set, static_cast<uint16_t>(desc.cOpcode | bits), i);
      bits = static_cast<uint16_t>((bits - free) & free);
    } while (bits != 0);
  }
  foldBlocks(lookup);
  // A moved vector keeps its elements where they are.
  lookup.cWords = WordLookup{set.cDescs, lookup.cBlockOf.data(), lookup.cSlots.data(),
                             set.cWidthMask};
  return lookup;
}

static const FamilyLookup& familyLookup(CoreFamily family) {
  ZV_ASSERT(family >= CORE_MIRROW && family <= CORE_HALVERN);
  static const FamilyLookup lookups[4] = {
      buildLookup(mirrowInstructions()), buildLookup(quenbyInstructions()),
      buildLookup(tarselInstructions()), buildLookup(halvernInstructions())};
  return lookups[family - CORE_MIRROW];
}

const InstrSet& instructionSet(CoreFamily family) {
  ZV_ASSERT(family >= CORE_MIRROW && family <= CORE_HALVERN);
  switch (family) {
    case CORE_MIRROW: return mirrowInstructions();
    case CORE_QUENBY: return quenbyInstructions();
    case CORE_TARSEL: return tarselInstructions();
    default: return halvernInstructions();
  }
}

const InstrDesc* instructionOfWord(uint16_t word, CoreFamily family) {
  return familyLookup(family).cWords.of(word);
}

const WordLookup& wordLookup(CoreFamily family) { return familyLookup(family).cWords; }

const InstrDesc* instructionOfId(InstructionId id, CoreFamily family) {
  const FamilyLookup& lookup = familyLookup(family);
  if (id > INSTR_PAGESEL) return nullptr;
  uint8_t slot = lookup.cById[id];
  return slot == 0 ? nullptr : &lookup.cWords.cDescs[slot - 1];
}
