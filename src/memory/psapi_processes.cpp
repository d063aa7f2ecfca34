// The NT family's processes over psapi (NT 5.x for the termination, every
// NT for the scan): psapi reports the full path of each process's
// executable.
#include "memory/psapi_processes.h"

#include <cstring>

#include "common/ansi_text.h"
#include "memory/critical_processes.h"
#include "memory/kill_process.h"
#include "memory/process_scan.h"
#include "memory/system_functions.h"

namespace {

// Room for 1024 process ids: what EnumProcesses is given.
const int kProcessIdCapacity = 1024;
const DWORD kAfterTerminatePause = 500;

bool ListModulePaths(ProcessOpener openProcess, GetModuleFileNameExFunction moduleFileName, const DWORD* ids,
                     DWORD count, ProcessList* list) {
    for (DWORD i = 0; i < count; ++i) {
        HANDLE process = openProcess(ids[i]);
        if (process == nullptr) continue;
        char path[kProcessImageUsed];
        memset(path, 0, sizeof path);
        bool kept = moduleFileName(process, nullptr, path, sizeof path) == 0 || AppendProcessRecord(list, ids[i], path);
        CloseHandle(process);
        if (!kept) {
            FreeProcessList(list);
            return false;
        }
    }
    return true;
}

// The termination works with the privileges the program already holds.
HANDLE OpenForModuleName(DWORD processId) {
    return OpenProcess(kQueryAndRead, FALSE, processId);
}

bool SamePath(const char* reported, const char* path, size_t pathLength) {
    return strlen(reported) == pathLength && SameTextIgnoringCase(reported, path, pathLength);
}

// Processes of other accounts open only with the debug privilege. Asked
// for again at every denied open; once enabled it stays for the run.
void EnableDebugPrivilege() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) {
        MessageBoxA(nullptr, "false", "TEMP", MB_OK);
        return;
    }
    TOKEN_PRIVILEGES privileges;
    memset(&privileges, 0, sizeof privileges);
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    if (LookupPrivilegeValueA(nullptr, "SeDebugPrivilege", &privileges.Privileges[0].Luid))
        AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr);
    CloseHandle(token);
}

HANDLE OpenForModuleNameWithDebugPrivilege(DWORD processId) {
    HANDLE process = OpenProcess(kQueryAndRead, FALSE, processId);
    if (process == nullptr && GetLastError() == ERROR_ACCESS_DENIED) {
        EnableDebugPrivilege();
        process = OpenProcess(kQueryAndRead, FALSE, processId);
    }
    return process;
}

}  // namespace

PsapiListResult TakePsapiProcessList(ProcessOpener openProcess, ProcessList* list) {
    HMODULE psapi = LoadLibraryA(kPsapiLibrary);
    if (psapi == nullptr) return PsapiListResult::kUnavailable;
    EnumProcessesFunction enumProcesses = ResolveFunction<EnumProcessesFunction>(psapi, "EnumProcesses");
    if (enumProcesses == nullptr) return PsapiListResult::kUnavailable;
    DWORD ids[kProcessIdCapacity];
    memset(ids, 0, sizeof ids);
    DWORD bytes = 0;
    if (!enumProcesses(ids, sizeof ids, &bytes)) return PsapiListResult::kUnavailable;
    DWORD count = bytes / sizeof(DWORD);
    if (count > static_cast<DWORD>(kProcessIdCapacity)) count = kProcessIdCapacity;
    if (count == 0) return PsapiListResult::kUnavailable;
    GetModuleFileNameExFunction moduleFileName =
        ResolveFunction<GetModuleFileNameExFunction>(psapi, "GetModuleFileNameExA");
    if (moduleFileName == nullptr) return PsapiListResult::kUnavailable;
    if (!ListModulePaths(openProcess, moduleFileName, ids, count, list)) return PsapiListResult::kOutOfMemory;
    return PsapiListResult::kListed;
}

int KillByPsapi(const char* path) {
    ProcessList list = {nullptr, nullptr};
    PsapiListResult taken = TakePsapiProcessList(&OpenForModuleName, &list);
    if (taken == PsapiListResult::kUnavailable) return 0;
    // Out of memory while listing: nothing is terminated, and the list
    // counts as taken, so the caller's second deletion attempt decides.
    if (taken == PsapiListResult::kOutOfMemory) return 1;
    size_t pathLength = strlen(path);
    for (ProcessRecord* record = list.head; record != nullptr; record = record->next) {
        if (!SamePath(record->imagePath, path, pathLength)) continue;
        // The system's own processes are passed over as if they had not
        // matched, as the other platforms' name matches pass them over.
        if (IsCriticalProcessImage(record->imagePath)) continue;
        if (TerminateProcessById(record->processId, kTerminateAndQuery)) Sleep(kAfterTerminatePause);
    }
    FreeProcessList(&list);
    return 1;
}

int ScanProcessesPsapi() {
    ProcessList list = {nullptr, nullptr};
    if (TakePsapiProcessList(&OpenForModuleNameWithDebugPrivilege, &list) != PsapiListResult::kListed) return 0;
    int result = ExamineProcesses(list, ScanFamily::kWindowsNt);
    FreeProcessList(&list);
    return result;
}
