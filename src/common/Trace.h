// The debug-trace registry: trace name -> level. A component writes its internal
// dump only when its name's level is non-zero; no program sets one.
#ifndef ZV_COMMON_TRACE_H
#define ZV_COMMON_TRACE_H

#include <string>

std::string registerTrace(const std::string& name);  // adds it at level 0 if absent
std::string setTraceLevel(const std::string& name, int level);
int traceLevel(const std::string& name);  // adds it at level 0 if absent

#endif
