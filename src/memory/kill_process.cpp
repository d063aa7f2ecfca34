#include "memory/kill_process.h"

#include "common/platform_kind.h"
#include "memory/performance_processes.h"
#include "memory/psapi_processes.h"
#include "memory/toolhelp_processes.h"

namespace {

// One box per failing file: its path is the caption.
void ReportKillFailure(const char* path) { MessageBoxA(nullptr, "Could not kill process", path, MB_OK); }

}  // namespace

int KillProcessByPath(const char* path) {
    int kind = GetPlatformKind();
    if (kind == kPlatformWindows9x) {
        if (KillByToolhelp(path)) return 1;
        ReportKillFailure(path);
        return 0;
    }
    if (kind == kPlatformWindowsNt) {
        // NT 5.x has psapi; NT 4 and everything after 5.x use the
        // performance data.
        if (GetNtGeneration() == kNt5) return KillByPsapi(path) ? 1 : 0;
        if (KillByPerfData(path)) return 1;
        ReportKillFailure(path);
        return 0;
    }
    // No known way to list processes: let the caller simply try again.
    return 1;
}

bool TerminateProcessById(DWORD processId, DWORD access) {
    HANDLE process = OpenProcess(access, FALSE, processId);
    if (process == nullptr) return false;
    bool ended = TerminateProcess(process, 0) != 0;
    CloseHandle(process);
    return ended;
}
