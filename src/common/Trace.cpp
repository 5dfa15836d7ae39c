#include "Trace.h"

#include <map>

// std::map keeps its elements in place, so a level's address never changes.

namespace {
std::map<std::string, int> traceRegistry;
}  // namespace

std::string registerTrace(const std::string& name) {
  traceRegistry.emplace(name, 0);
  return name;
}

std::string setTraceLevel(const std::string& name, int level) {
  traceRegistry[name] = level;
  return name;
}

int traceLevel(const std::string& name) { return traceRegistry[name]; }

const int& traceLevelRef(const std::string& name) { return traceRegistry[name]; }
