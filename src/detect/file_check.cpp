#include "detect/file_check.h"

#include <cstring>

#include "common/report.h"
#include "common/shared_state.h"
#include "detect/infection_action.h"
#include "detect/pe_image.h"
#include "detect/signature_match.h"
#include "detect/signature_table.h"
#include "platform/win32.h"
#include "repair/startup_entries.h"

namespace {

const char kMemoryRemovedLine[] = "System Memory    W32/Gorvex.Trojan  removed";
const DWORD kMemoryRemovalPauseMs = 1000;

// The memory stage has terminated the process that ran this file: report
// that, give the system a moment to let go of the file, and act on it.
int RemoveFromMemory(const char* name, const char* path) {
    ActionCode = MemoryActionCode;
    CopyText(ReportLine, sizeof ReportLine, kMemoryRemovedLine);
    EmitReportLine();
    Sleep(kMemoryRemovalPauseMs);
    HandleInfectedFile(path, name);
    memset(CurrentFilePath, 0, sizeof CurrentFilePath);
    return 0;
}

// The record's name, never read past its 50-byte field.
void CopyDetectionName(const SignatureRecord& record, char* name, size_t size) {
    size_t length = strnlen(record.detectionName, sizeof record.detectionName);
    if (length >= size) length = size - 1;
    memcpy(name, record.detectionName, length);
    name[length] = '\0';
}

}  // namespace

int InspectFile(const char* name, const char* path) {
    if (MemoryActionCode != 0 && MainWindowHandle != nullptr) return RemoveFromMemory(name, path);

    if (ScanCounters.filesInfected == 0) memset(StartupValueName, 0, sizeof StartupValueName);
    // Every shared text that takes the path (StatusPath is the smallest)
    // holds it whole, or the file is not looked at: a path is never cut
    // into the name of another file. Windows paths are shorter anyway.
    if (strlen(path) >= sizeof StatusPath) return 0;

    int fd = _open(path, _O_RDONLY | _O_BINARY);
    if (fd == -1) return 0;
    memset(CurrentFilePath, 0, sizeof CurrentFilePath);
    CopyText(CurrentFilePath, sizeof CurrentFilePath, path);
    LONG length = _filelength(fd);
    if (length == -1 || !ReadFileHeader(fd) || !ReadSectionTable(fd)) {
        _close(fd);
        return 0;
    }
    DWORD entryPoint = PeEntryPoint();

    bool matched = false;
    bool open = true;
    for (const SignatureRecord* record = SignatureTable; record->detectionName[0] != '\0'; ++record) {
        if (!RecordMatches(*record, fd, length, entryPoint)) continue;
        matched = true;
        ++ScanCounters.filesInfected;
        // Closed before anything else: an open descriptor would make the
        // deletion fail.
        _close(fd);
        open = false;
        char detectionName[sizeof record->detectionName + 1];
        CopyDetectionName(*record, detectionName, sizeof detectionName);
        CleanStartupEntries(detectionName);
        CopyText(LastDetectionName, sizeof LastDetectionName, detectionName);
        CopyText(StatusPath, sizeof StatusPath, path);
        if (MemoryStageActive == 1) {
            // Only looking: the memory stage decides what happens next.
            InfectedFileSeen = 1;
            return 1;
        }
        HandleInfectedFile(path, detectionName);
        break;
    }
    memset(CurrentFilePath, 0, sizeof CurrentFilePath);
    if (open) _close(fd);
    return matched ? 1 : 0;
}
