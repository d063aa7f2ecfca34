// A tiny test framework in the style of Wine's own API tests: ok() prints
// file:line on failure; the same source builds for the host and as a
// Windows program, with no dependency.
#pragma once

void ConformanceCheck(bool condition, const char* file, int line, const char* format, ...)
    __attribute__((format(printf, 4, 5)));
int ConformanceSummary(const char* label);

#define ok(condition, ...) ConformanceCheck((condition), __FILE__, __LINE__, __VA_ARGS__)
