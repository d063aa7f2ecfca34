#include "ok.h"

#include <cstdarg>
#include <cstdio>

static int passed;
static int failed;

void ConformanceLocation::operator()(bool condition, const char* format, ...) const {
    if (condition) {
        ++passed;
        return;
    }
    ++failed;
    fprintf(stdout, "%s:%d: Test failed: ", file, line);
    va_list args;
    va_start(args, format);
    vfprintf(stdout, format, args);
    va_end(args);
    fputc('\n', stdout);
    fflush(stdout);
}

int ConformanceSummary(const char* label) {
    printf("%s: %d passed, %d failed\n", label, passed, failed);
    fflush(stdout);
    return failed == 0 ? 0 : 1;
}
