// A walk through a map kept by section name, for names asked in ascending
// order: each is found with a step or two instead of a search. The walk keeps
// an iterator into the map, which inserts leave valid; the map must not lose
// entries while the walk is used. Saves a search per name; guarded by
// bench/zorvik_bench.sh.
//
//   NameWalk<scnhdr> headers(coff.cScnHdr);
//   for (const std::string& name : namesInOrder)
//     if (const scnhdr* hdr = headers.find(name)) ...
#ifndef ZV_COMMON_NAMEWALK_H
#define ZV_COMMON_NAMEWALK_H

#include <map>
#include <string>

template <class Value>
struct NameWalk {
  const std::map<std::string, Value>& map;
  typename std::map<std::string, Value>::const_iterator at;

  explicit NameWalk(const std::map<std::string, Value>& m) : map(m), at(m.begin()) {}
  const Value* find(const std::string& name) {
    while (at != map.end() && at->first < name) ++at;
    return at != map.end() && at->first == name ? &at->second : nullptr;
  }
};

#endif
