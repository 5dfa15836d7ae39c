// The debug-trace registry: trace name -> level. A component writes its internal
// dump only when its name's level is non-zero; no program sets one.
//
// Asking by name builds a key and looks it up; a caller in a hot loop fetches the
// level once per phase instead and reads it through the reference:
//
//   const int& tracing = traceLevelRef("Linker::relocate");
//   for (...) if (tracing) ...
//
// The reference stays valid for the whole run (it is a node of the registry's
// std::map, which is never erased) and follows later setTraceLevel calls.
// Saves a key and a lookup per entry walked; guarded by bench/zorvik_bench.sh.
#ifndef ZV_COMMON_TRACE_H
#define ZV_COMMON_TRACE_H

#include <string>

std::string registerTrace(const std::string& name);  // adds it at level 0 if absent
std::string setTraceLevel(const std::string& name, int level);
int traceLevel(const std::string& name);            // adds it at level 0 if absent
const int& traceLevelRef(const std::string& name);  // adds it at level 0 if absent

#endif
