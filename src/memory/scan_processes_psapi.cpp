// The NT family's process scan over psapi.
#include <cstring>

#include "memory/process_examination.h"
#include "memory/process_scan.h"
#include "memory/system_functions.h"

namespace {

const DWORD kAdjustAndQuery = 0x28;  // TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY

// Processes of other accounts open only with the debug privilege. Asked
// for again at every denied open; once enabled it stays for the run.
void EnableDebugPrivilege() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), kAdjustAndQuery, &token)) {
        MessageBoxA(nullptr, "false", "TEMP", 0);
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

HANDLE OpenForModuleName(DWORD processId) {
    HANDLE process = OpenProcess(kQueryAndRead, FALSE, processId);
    if (process == nullptr && GetLastError() == ERROR_ACCESS_DENIED) {
        EnableDebugPrivilege();
        process = OpenProcess(kQueryAndRead, FALSE, processId);
    }
    return process;
}

// Every process whose main module path could be read, in id order. False
// when a record could not be allocated (the list is freed then).
bool ListProcesses(GetModuleFileNameExFunction moduleFileName, const DWORD* ids, DWORD count, ProcessList* list) {
    for (DWORD i = 0; i < count; ++i) {
        HANDLE process = OpenForModuleName(ids[i]);
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

}  // namespace

int ScanProcessesPsapi() {
    HMODULE psapi = LoadLibraryA(kPsapiLibrary);
    if (psapi == nullptr) return 0;
    EnumProcessesFunction enumProcesses = ResolveFunction<EnumProcessesFunction>(psapi, "EnumProcesses");
    if (enumProcesses == nullptr) return 0;
    DWORD ids[kProcessIdCapacity];
    memset(ids, 0, sizeof ids);
    DWORD bytes = 0;
    if (!enumProcesses(ids, sizeof ids, &bytes)) return 0;
    DWORD count = bytes / sizeof(DWORD);
    if (count > static_cast<DWORD>(kProcessIdCapacity)) count = kProcessIdCapacity;
    if (count == 0) return 0;
    GetModuleFileNameExFunction moduleFileName =
        ResolveFunction<GetModuleFileNameExFunction>(psapi, "GetModuleFileNameExA");
    if (moduleFileName == nullptr) return 0;

    ProcessList list = {nullptr, nullptr};
    if (!ListProcesses(moduleFileName, ids, count, &list)) return 0;
    int result = ExamineProcesses(list, ScanFamily::kWindowsNt);
    FreeProcessList(&list);
    return result;
}
