// Where a test called a helper that asserts. The helper takes a CallSite
// as its last parameter and leaves it to its default, which names the
// line of the call, and opens a trace with it, so that a failure inside
// names the test's line beside the helper's own:
//     void MakeFile(const std::string& path, CallSite caller = CallSite()) {
//         ::testing::ScopedTrace trace(caller.file, caller.line, "called from here");
#pragma once

struct CallSite {
    // GCC and Clang evaluate these in a default argument where the call
    // is written.
    CallSite(const char* callerFile = __builtin_FILE(), int callerLine = __builtin_LINE())
        : file(callerFile), line(callerLine) {}
    const char* file;
    int line;
};
