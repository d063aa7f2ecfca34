#include "detect/infection_action.h"

#include <cstring>

#include "common/report.h"
#include "common/shared_state.h"
#include "detect/boot_deletion.h"
#include "detect/renamed_path.h"
#include "memory/kill_process.h"
#include "platform/win32.h"
#include "repair/uninstall_entries.h"

namespace {

void RemoveInfectedFile(const char* path, const char* reportName) {
    // Archive alone clears read-only, hidden and system. A file whose
    // attributes cannot be changed is not touched further.
    if (!SetFileAttributesA(path, FILE_ATTRIBUTE_ARCHIVE)) {
        EmitFormattedReportLine("%s     %s Unable to remove", StatusPath, LastDetectionName);
        return;
    }
    if (DeleteFileA(path)) {
        ++ScanCounters.filesRemoved;
        RemoveUninstallEntries();
        EmitFormattedReportLine("%s     %s removed", path, reportName);
        return;
    }
    // Refused: most likely a running copy holds the file.
    if (KillProcessByPath(path) != 0 && DeleteFileA(path)) {
        RemoveUninstallEntries();
        ++ScanCounters.filesRemoved;
        EmitFormattedReportLine("%s     %s removed", path, reportName);
        return;
    }
    EmitFormattedReportLine("%s     %s Unable to remove", path, reportName);
    // The latest scheduling decides, even when an earlier one succeeded.
    RestartNeeded = ScheduleBootDeletion(path);
}

void RenameInfectedFile(const char* path, const char* reportName) {
    char renamed[kPathBufferSize];
    if (MakeRenamedPath(path, renamed, sizeof renamed) && MoveFileA(path, renamed)) {
        ++ScanCounters.filesRenamed;
        EmitFormattedReportLine("%s     %s renamed", path, reportName);
        return;
    }
    EmitFormattedReportLine("%s     %s Rename failed", path, reportName);
}

}  // namespace

void HandleInfectedFile(const char* path, const char* reportName) {
    switch (ActionCode) {
    case kActionRemove:
    case kActionRemoveToo: RemoveInfectedFile(path, reportName); break;
    case kActionRename: RenameInfectedFile(path, reportName); break;
    case kActionLeave:
        EmitFormattedReportLine("%s     %s not disinfected as per user's selection", StatusPath, LastDetectionName);
        break;
    default: break;  // no action, no line
    }
}
