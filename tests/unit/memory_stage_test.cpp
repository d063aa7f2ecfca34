// The memory stage: which scan each platform kind runs, and the flag that
// puts the walk into its single-file form.
#include "common/shared_state.h"
#include "memory/memory_stage.h"
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

}  // namespace
