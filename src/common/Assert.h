// Internal consistency checks. They stay on in every build type: a failed check
// names the source file, the line and the expression, then ends the program.
#ifndef ZV_COMMON_ASSERT_H
#define ZV_COMMON_ASSERT_H

[[noreturn]] void assertionFailed(const char* file, int line, const char* expr);

#define ZV_ASSERT(expr) ((expr) ? static_cast<void>(0) : assertionFailed(__FILE__, __LINE__, #expr))

#endif
