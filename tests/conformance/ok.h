// A tiny test framework in the style of Wine's own API tests: ok() prints
// file:line on failure; the same source builds for the host and as a
// Windows program, with no dependency.
#pragma once

// One check at a location: ok_(file, line)(condition, format, ...).
struct ConformanceLocation {
    const char* file;
    int line;
    void operator()(bool condition, const char* format, ...) const __attribute__((format(printf, 3, 4)));
};
int ConformanceSummary(const char* label);

// A helper that checks takes its caller's file and line, and a macro of
// the helper's name hands them in, so that a failure names the line of
// the test rather than the helper's own (Wine's habit):
//     void SetTextAt(const char* file, int line, ...) { ok_(file, line)(...); }
//     #define SetText(...) SetTextAt(__FILE__, __LINE__, __VA_ARGS__)
#define ok_(file, line) ConformanceLocation{(file), (line)}
#define ok(...) ok_(__FILE__, __LINE__)(__VA_ARGS__)
