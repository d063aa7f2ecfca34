// The conformance suites on Windows or Wine. The first argument names the
// drive root to work below (default D:\), a folder mapped for the test.
#include "conformance.h"
#include "ok.h"

int main(int argc, char** argv) {
    const char* root = argc > 1 ? argv[1] : "D:\\";
    TestFileListing(root);
    TestDriveTypes(root);
    TestAccess(root);
    TestDeletion(root);
    TestDescriptors(root);
    TestTextMode(root);
    TestStreams(root);
    TestMoves(root);
    TestDelayedDeletion(root);
    TestSystemFolders();
    TestShortNames(root);
    return ConformanceSummary("conformance (windows)");
}
