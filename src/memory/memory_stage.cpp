#include "memory/memory_stage.h"

#include <cstdlib>

#include "common/identity.h"
#include "common/message_dialog.h"
#include "common/platform_kind.h"
#include "common/shared_state.h"
#include "memory/psapi_processes.h"
#include "memory/toolhelp_processes.h"
#include "scan/scan_driver.h"

namespace {

const char kRestartQuestion[] =
    "W32/Gorvex.Trojan  found in memory! registry entries created by the worm are removed. You must restart the "
    "computer and run this program to continue scanning.\n\nRestart the computer now?";

}  // namespace

void MemoryStage() {
    int kind = GetPlatformKind();
    MemoryStageActive = 1;
    if (kind == kPlatformWindows9x) {
        // The 9x family goes on with the drive walk whatever was found.
        ScanProcessesToolhelp();
    } else if (kind == kPlatformWindowsNt && ScanProcessesPsapi() != 0) {
        // On NT a find in memory ends the program; the user runs it again
        // (after the restart, when a service survived) to scan the drives.
        if (MemoryRestartNeeded == 1 && ShowMessageDialog(kRestartQuestion, kProductTitle, kOkCancelInformation) == IDOK)
            RestartComputer();
        exit(0);
    }
    MemoryStageActive = 0;
}
