// The memory stage: which scan each platform kind runs, and the flag that
// puts the walk into its single-file form.
#include <cstring>

#include "common/shared_state.h"
#include "memory/memory_stage.h"
#include "scan/scan_driver.h"
#include "scripted_dialog.h"
#include "test_machine.h"

namespace {

class MemoryStageTest : public MachineTest {};

TEST_F(MemoryStageTest, EachKindRunsItsScanAndClearsTheFlag) {
    struct Row {
        const char* kind;
        void (*setUp)();
        const char* library;  // nullptr: no scan at all
    } rows[] = {
        {"9x", winsim::SetWindows98, "LoadLibraryA(Kernel32.dll)"},
        {"NT", winsim::SetWindowsXp, "LoadLibraryA(psapi.dll)"},
        {"NT 10", winsim::SetWindows10, "LoadLibraryA(psapi.dll)"},
        {"kind 0", [] { winsim::TheMachine().version.queryFails = true; }, nullptr},
        {"kind 1", [] { winsim::TheMachine().version.platformId = 0; }, nullptr},
    };
    for (const Row& row : rows) {
        machine().version = winsim::VersionInfo();
        machine().calls.clear();
        row.setUp();
        MemoryStageActive = 1;
        MemoryStage();
        EXPECT_EQ(MemoryStageActive, 0) << row.kind;
        if (row.library) {
            EXPECT_TRUE(machine().Called(row.library)) << row.kind;
        } else {
            EXPECT_FALSE(machine().Called("LoadLibraryA")) << row.kind;
        }
        EXPECT_TRUE(Dialogs().calls.empty()) << row.kind;
    }
}

TEST_F(MemoryStageTest, ANtScanWithoutAFindLetsTheDriveWalkStartInItsDirectoryForm) {
    MapDrive('C');
    MakeFolder("C:\\bin");
    MakeFile("C:\\bin\\clean.exe", "MZ");
    MakeFile("C:\\readme.txt");
    machine().processes.Start("C:\\bin\\clean.exe");
    strcpy(ScanTarget, "!:");
    ActionCode = kActionRemove;
    EXPECT_EQ(RunScan(), 1);
    // The process's image was looked at first, alone; then the drive was
    // walked as folders, which counts every file.
    ASSERT_FALSE(statuses().empty());
    EXPECT_EQ(statuses().front(), "C:\\bin\\clean.exe");
    EXPECT_EQ(ScanCounters.filesScanned, 2);
    EXPECT_EQ(MemoryStageActive, 0);
    EXPECT_EQ(statuses().back(), "Scanning completed");
}

}  // namespace
