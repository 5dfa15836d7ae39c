// Lookups in maps kept by name for names that mostly come in ascending order,
// as the inputs' sections do: such a name is found or added beside the last
// one without a search; any other name costs the search it always did. A
// `last` iterator stays valid across inserts (std::map's nodes do not move);
// no caller erases while it holds one. Saves a search per section part in
// the allocation and output phases; guarded by bench/zorvik_bench.sh.
#ifndef ZV_LINKER_NAMEHINT_H
#define ZV_LINKER_NAMEHINT_H

#include <iterator>
#include <map>
#include <string>
#include <utility>

// Sets a name's value, as `map[name] = value` does, at the end when it sorts
// after every name there.
template <class Value>
void setLast(std::map<std::string, Value>& map, const std::string& name, Value value) {
  if (!map.empty() && std::prev(map.end())->first < name)
    map.emplace_hint(map.end(), name, std::move(value));
  else
    map[name] = std::move(value);
}

// `map[name]`, with the same hint.
template <class Value>
Value& lastEntry(std::map<std::string, Value>& map, const std::string& name) {
  if (!map.empty() && std::prev(map.end())->first < name)
    return map.emplace_hint(map.end(), name, Value())->second;
  return map[name];
}

// The entry of `name`, tried first right after `last` (an entry of `map` or
// its end): a name asked after the one before it in order takes no search.
template <class Value>
typename std::map<std::string, Value>::iterator findAfter(
    std::map<std::string, Value>& map, typename std::map<std::string, Value>::iterator last,
    const std::string& name) {
  if (last != map.end() && ++last != map.end() && last->first == name) return last;
  return map.find(name);
}

#endif
