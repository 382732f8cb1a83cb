#pragma once

#include <cstdarg>
#include <cstdio>

// A fuzz target's own check: when it fails, the input broke a rule of the code under test. It says which,
// then traps, so that libFuzzer keeps the input as a crash.
[[noreturn]] __attribute__((format(printf, 4, 5))) inline void
fuzzRuleBroken(const char* file, int line, const char* condition, const char* format, ...) {
    std::fprintf(stderr, "\n%s:%d: rule broken: %s\n  ", file, line, condition);
    va_list details;
    va_start(details, format);
    std::vfprintf(stderr, format, details);
    va_end(details);
    std::fprintf(stderr, "\n");
    std::fflush(stderr);
    __builtin_trap();
}

#define FUZZ_REQUIRE(condition, ...)                                                                         \
    do {                                                                                                     \
        if (!(condition))                                                                                    \
            fuzzRuleBroken(__FILE__, __LINE__, #condition, __VA_ARGS__);                                     \
    } while (false)
