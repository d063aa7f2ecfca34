// The conformance suites over winsim: drive D: is a fresh temporary folder.
#include <stdlib.h>

#include <filesystem>

#include "conformance.h"
#include "ok.h"
#include "winsim/machine.h"

int main() {
    char folder[] = "/tmp/bruvane-conformance-XXXXXX";
    if (mkdtemp(folder) == nullptr) return 2;
    winsim::Reset();
    winsim::TheMachine().files.MapDrive('D', folder, DRIVE_FIXED);
    const char* root = "D:\\";
    // Any file starts as a process here; it runs until it is terminated.
    winsim::TheMachine().files.WriteFile("D:\\idle.exe", "MZ");
    RunConformanceSuites(root, "D:\\idle.exe");
    // The code page suites again on a Japanese machine (code page 932),
    // which the Wine run in CI is not; under Wine they pass the same way
    // with LC_ALL=ja_JP.UTF-8.
    winsim::TheMachine().ansiCodePage = 932;
    TestCharacterSteps();
    TestCodePages();
    TestCodePageNames(root);
    std::error_code error;
    std::filesystem::remove_all(folder, error);
    return ConformanceSummary("conformance (winsim)");
}
