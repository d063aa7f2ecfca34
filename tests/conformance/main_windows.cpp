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
    TestFileListing(root);
    TestDriveTypes(root);
    TestAccess(root);
    TestDeletion(root);
    TestRegistryEnumeration();
    TestRegistryDeleteKey();
    TestRegistryQuerySize();
    TestExpandEnvironment();
    char self[MAX_PATH];
    std::string idle = std::string(root) + "idle.exe";
    if (GetModuleFileNameA(nullptr, self, sizeof self) != 0 && CopyFileA(self, idle.c_str(), FALSE))
        TestProcesses(idle.c_str());
    else
        ok(false, "could not copy the program to %s", idle.c_str());
    TestSystemLibraries();
    TestServiceManager();
    TestCodePages();
    TestPerformanceData();
    TestDescriptors(root);
    TestTextMode(root);
    TestStreams(root);
    TestMoves(root);
    TestDelayedDeletion(root);
    TestSystemFolders();
    TestShortNames(root);
    return ConformanceSummary("conformance (windows)");
}
