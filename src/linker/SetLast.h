// Sets a name's value in a map kept by name, as `map[name] = value` does, with
// the map's end as the hint: names that come in ascending order (as the
// inputs' sections mostly do) go in without a search, any other name costs
// the search it always did.
#ifndef ZV_LINKER_SETLAST_H
#define ZV_LINKER_SETLAST_H

#include <iterator>
#include <map>
#include <string>
#include <utility>

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

#endif
