#include "Trace.h"

#include <map>

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
