// A hash map from string views to small values, for the large name sets of a
// link (hundreds of thousands of names): one flat array probed linearly, no
// allocation per entry. The map does not own the characters: every view put in
// must stay valid while the map is used: its owner says what they point into.
// Saves an allocation per entry and a byte-wise hash per lookup; guarded by
// bench/zorvik_bench.sh.
//
//   ViewMap<uint32_t> ids;
//   auto [id, added] = ids.tryEmplace(name, nextId);   // *id: the stored value
//   if (const uint32_t* known = ids.find(other)) ...
//
// A caller that looks one name up in several maps, or in one map more than
// once, hashes it once (hashOf) and hands the hash to each call.
#ifndef ZV_COMMON_VIEWMAP_H
#define ZV_COMMON_VIEWMAP_H

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <string_view>
#include <utility>
#include <vector>

#include "Assert.h"

// True when the `n` bytes at `a` and at `b` are equal: in two overlapping
// loads for the 4 to 16 bytes that most names of a link have.
inline bool sameChars(const char* a, const char* b, size_t n) {
  auto load64 = [](const char* p) {
    uint64_t w;
    std::memcpy(&w, p, sizeof w);
    return w;
  };
  auto load32 = [](const char* p) {
    uint32_t w;
    std::memcpy(&w, p, sizeof w);
    return w;
  };
  if (n >= 8 && n <= 16) return load64(a) == load64(b) && load64(a + n - 8) == load64(b + n - 8);
  if (n >= 4 && n < 8) return load32(a) == load32(b) && load32(a + n - 4) == load32(b + n - 4);
  return std::memcmp(a, b, n) == 0;
}

template <class Value>
class ViewMap {
 public:
  ViewMap() { cSlots.resize(kMinSlots); }

  size_t size() const { return cSize; }
  bool empty() const { return cSize == 0; }

  // Makes room for `count` entries without growing.
  void reserve(size_t count) {
    size_t slots = kMinSlots;
    while (slots / 2 < count) slots *= 2;  // at most half full
    if (slots > cSlots.size()) rehash(slots);
  }

  // The hash every map gives `key`: the key read eight bytes at a time (a
  // short key, or the last part of a long one, in overlapping loads), each
  // word folded in with a multiply and a shift, the result mixed once more
  // (the low bits pick the slot, so every bit must reach them). Names of a link are
  // short, and this costs a few instructions where a general byte hash costs
  // fifty.
  static uint32_t hashOf(std::string_view key) {
    const char* p = key.data();
    size_t n = key.size();
    uint64_t h = kSeed ^ n;
    if (n > 8) {
      for (; n > 8; p += 8, n -= 8) h = fold(h ^ load64(p));
      h = fold(h ^ load64(p + n - 8));
    } else if (n >= 4) {
      h = fold(h ^ (load32(p) | (uint64_t(load32(p + n - 4)) << 32)));
    } else if (n > 0) {
      auto byte = [p](size_t i) { return uint64_t(static_cast<unsigned char>(p[i])); };
      h = fold(h ^ (byte(0) | (byte(n / 2) << 8) | (byte(n - 1) << 16)));
    }
    h ^= h >> 32;
    h *= 0xD6E8FEB86659FD93u;
    h ^= h >> 32;
    return static_cast<uint32_t>(h);
  }

  // The value stored for `key`, or null. `hash` is hashOf(key).
  const Value* find(std::string_view key) const { return find(key, hashOf(key)); }
  Value* find(std::string_view key) { return find(key, hashOf(key)); }
  const Value* find(std::string_view key, uint32_t hash) const {
    const Slot& s = cSlots[probe(key, hash)];
    return s.used() ? &s.value : nullptr;
  }
  Value* find(std::string_view key, uint32_t hash) {
    Slot& s = cSlots[probe(key, hash)];
    return s.used() ? &s.value : nullptr;
  }
  bool count(std::string_view key) const { return find(key) != nullptr; }
  bool count(std::string_view key, uint32_t hash) const { return find(key, hash) != nullptr; }

  // A hint that `key` is about to be looked up: starts loading its home slot,
  // so that a batch of lookups waits for memory once rather than once each.
  void prefetch(std::string_view key) const { prefetchHash(hashOf(key)); }
  void prefetchHash(uint32_t hash) const {
    __builtin_prefetch(&cSlots[hash & (cSlots.size() - 1)]);
  }
  // The second hint, once the home slot is in: starts loading the characters
  // of the key held there, which a lookup compares with its own.
  void prefetchStoredKey(uint32_t hash) const {
    const Slot& s = cSlots[hash & (cSlots.size() - 1)];
    if (s.used()) __builtin_prefetch(s.data);
  }

  // Stores `value` for `key` unless the key is there; the stored value and
  // whether it was added.
  std::pair<Value*, bool> tryEmplace(std::string_view key, Value value) {
    return tryEmplace(key, hashOf(key), std::move(value));
  }
  std::pair<Value*, bool> tryEmplace(std::string_view key, uint32_t hash, Value value) {
    if ((cSize + 1) * 2 > cSlots.size()) rehash(cSlots.size() * 2);
    ZV_ASSERT(key.size() < Slot::kFree);
    Slot& s = cSlots[probe(key, hash)];
    if (s.used()) return {&s.value, false};
    s = Slot{key.data(), static_cast<uint32_t>(key.size()), hash, std::move(value)};
    ++cSize;
    return {&s.value, true};
  }

  // Empties the map and gives back its slots' memory.
  void clear() {
    std::vector<Slot>(kMinSlots).swap(cSlots);
    cSize = 0;
  }

 private:
  static constexpr size_t kMinSlots = 16;
  static constexpr uint64_t kSeed = 0x9E3779B97F4A7C15u;

  static uint64_t load64(const char* p) {
    uint64_t w;
    std::memcpy(&w, p, sizeof w);
    return w;
  }
  static uint32_t load32(const char* p) {
    uint32_t w;
    std::memcpy(&w, p, sizeof w);
    return w;
  }
  // One multiply and shift: the high bits of each word reach the low ones.
  static uint64_t fold(uint64_t x) {
    x *= 0xA0761D6478BD642Fu;
    return x ^ (x >> 29);
  }

  // Kept small, since the probes walk the array: the key as pointer and length
  // and the low half of its hash. A free slot has the length kFree, which no
  // key has (24 bytes a slot for the maps of a link, not 32 with a flag).
  struct Slot {
    static constexpr uint32_t kFree = UINT32_MAX;
    const char* data = nullptr;
    uint32_t size = kFree;
    uint32_t hash = 0;
    Value value{};
    bool used() const { return size != kFree; }
    std::string_view key() const { return std::string_view(data, size); }
  };

  // Views of one stored string are equal without reading it; the keys of a
  // link (4 to 16 bytes) are compared in two overlapping loads each.
  static bool sameKey(const Slot& s, std::string_view key) {
    if (s.size != key.size()) return false;
    return s.data == key.data() || sameChars(s.data, key.data(), key.size());
  }

  // The slot that holds `key`, or the free slot where it would go.
  size_t probe(std::string_view key, uint32_t hash) const {
    const size_t mask = cSlots.size() - 1;
    for (size_t i = hash & mask;; i = (i + 1) & mask) {
      const Slot& s = cSlots[i];
      if (!s.used() || (s.hash == hash && sameKey(s, key))) return i;
    }
  }

  void rehash(size_t slots) {
    std::vector<Slot> old(slots);
    old.swap(cSlots);
    const size_t mask = slots - 1;
    for (Slot& s : old) {
      if (!s.used()) continue;
      size_t i = s.hash & mask;
      while (cSlots[i].used()) i = (i + 1) & mask;
      cSlots[i] = std::move(s);
    }
  }

  std::vector<Slot> cSlots;  // a power of two in size, never more than half used
  size_t cSize = 0;
};

// Runs visit(i) for every i below `count`, in order, each the lookup in `map`
// of a key whose hash is hashAt(i), with that lookup's memory loads started
// ahead: its home slot 2 x kLookAhead lookups before, the key held there
// kLookAhead before. Lookups of a large map then wait for memory together
// rather than one by one.
constexpr size_t kLookAhead = 8;
template <class Map, class HashAt, class Visit>
void visitLoadingAhead(const Map& map, size_t count, HashAt hashAt, Visit visit) {
  for (size_t i = 0; i < count + 2 * kLookAhead; ++i) {
    if (i < count) map.prefetchHash(hashAt(i));
    if (i >= kLookAhead && i - kLookAhead < count) map.prefetchStoredKey(hashAt(i - kLookAhead));
    if (i >= 2 * kLookAhead) visit(i - 2 * kLookAhead);
  }
}

#endif
