#include "scan/scan_driver.h"

#include <cstring>

#include "common/identity.h"
#include "common/message_dialog.h"
#include "common/platform_kind.h"
#include "common/report.h"
#include "common/shared_state.h"
#include "memory/memory_stage.h"
#include "platform/win32.h"
#include "scan/directory_walk.h"

namespace {

const char kAllFixedDrives[] = "!:";

// A drive whose walk never entered "\Program Files" gets that folder
// walked once more; once any walk entered such a path no drive gets it.
void CatchUpProgramFiles() {
    if (ProgramFilesPending == 1 && ProgramFilesVisited == 0) {
        WalkDirectory(ProgramFilesPattern);
        ProgramFilesPending = 0;
    }
}

void WalkFixedDrives() {
    for (char letter = 'C'; letter <= 'Z'; ++letter) {
        char root[] = "C:\\";
        root[0] = letter;
        if (GetDriveTypeA(root) != DRIVE_FIXED) continue;
        char pattern[kPathBufferSize];
        CopyText(pattern, sizeof pattern, root);
        AppendText(pattern, sizeof pattern, "*.*");
        WalkDirectory(pattern);
        CatchUpProgramFiles();
    }
}

void WalkFolder(const char* folder) {
    char pattern[kPathBufferSize];
    CopyText(pattern, sizeof pattern, folder);
    // A folder too long for its pattern is not walked rather than walked
    // under a cut-off name.
    if (AppendText(pattern, sizeof pattern, "\\*.*")) WalkDirectory(pattern);
    CatchUpProgramFiles();
}

void EmitStatistics() {
    if (ScanCounters.filesInfected > 0) EmitFormattedReportLine(" ");
    EmitFormattedReportLine("Scanning statistics");
    EmitFormattedReportLine("------------------------------");
    EmitFormattedReportLine("Total files scanned\t\t:  %d", ScanCounters.filesScanned);
    EmitFormattedReportLine("Total files infected\t\t:  %d", ScanCounters.filesInfected);
    EmitFormattedReportLine("Total files removed\t\t:  %d", ScanCounters.filesRemoved);
}

// NT refuses a restart unless the process holds the shutdown privilege.
bool EnableShutdownPrivilege() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) return false;
    TOKEN_PRIVILEGES privileges;
    memset(&privileges, 0, sizeof privileges);
    LookupPrivilegeValueA(nullptr, "SeShutdownPrivilege", &privileges.Privileges[0].Luid);
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr);
    // AdjustTokenPrivileges answers TRUE even when the privilege is not
    // held; only the last error tells.
    bool enabled = GetLastError() == ERROR_SUCCESS;
    CloseHandle(token);
    return enabled;
}

}  // namespace

int RunScan() {
    if (ScanTarget[0] != '\0') {
        MemoryStage();
        if (strcmp(ScanTarget, kAllFixedDrives) == 0)
            WalkFixedDrives();
        else
            WalkFolder(ScanTarget);
    }
    StatisticsStarted = 1;
    EmitStatistics();
    ShowStatusText(ScanTerminated ? "Scanning terminated" : "Scanning completed");
    if (RestartNeeded != 0) {
        int answer = ShowMessageDialog(
            "The system has to be restarted to remove the virus completely from your system. \n\n Restart now?",
            kProductTitle, kYesNoQuestion);
        if (answer == IDYES) RestartComputer();
    }
    return 1;
}

void RestartComputer() {
    if (GetPlatformKind() != kPlatformWindows9x && !EnableShutdownPrivilege()) return;
    ExitWindowsEx(EWX_REBOOT | EWX_FORCE, 0);
}
