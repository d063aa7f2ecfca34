// The conformance suites on Windows or Wine. The first argument names the
// drive root to work below (default D:\), a folder mapped for the test.
// Started with "--idle" the program only waits: the process suite runs a
// copy of it that way.
#include <cstring>
#include <string>

#include "conformance.h"
#include "ok.h"
#include "platform/win32.h"

int main(int argc, char** argv) {
    if (argc > 1 && strcmp(argv[1], "--idle") == 0) {
        Sleep(30000);
        return 3;
    }
    const char* root = argc > 1 ? argv[1] : "D:\\";
    char self[MAX_PATH];
    std::string idle = std::string(root) + "idle.exe";
    bool copied = GetModuleFileNameA(nullptr, self, sizeof self) != 0 && CopyFileA(self, idle.c_str(), FALSE);
    if (!copied) ok(false, "could not copy the program to %s", idle.c_str());
    RunConformanceSuites(root, copied ? idle.c_str() : nullptr);
    return ConformanceSummary("conformance (windows)");
}
