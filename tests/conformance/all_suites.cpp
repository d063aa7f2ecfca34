// The suites in the order both programs run them.
#include "conformance.h"
#include "ok.h"

void RunConformanceSuites(const char* root, const char* idleProgram) {
    TestFileListing(root);
    TestDriveTypes(root);
    TestAccess(root);
    TestDeletion(root);
    TestRegistryEnumeration();
    TestRegistryDeleteKey();
    TestRegistryQuerySize();
    TestExpandEnvironment();
    if (idleProgram != nullptr)
        TestProcesses(idleProgram);
    else
        ok(false, "no idle program to start for the process suite");
    TestSystemLibraries();
    TestServiceManager();
    TestCodePages();
    TestCharacterSteps();
    TestPerformanceData();
    TestDescriptors(root);
    TestTextMode(root);
    TestStreams(root);
    TestMoves(root);
    TestDelayedDeletion(root);
    TestSystemFolders();
    TestShortNames(root);
    TestCodePageNames(root);
}
