// The NT family's process scan over psapi.
#include <cstring>

#include "memory/process_examination.h"
#include "memory/process_scan.h"
#include "memory/psapi_process_list.h"
#include "memory/system_functions.h"

namespace {

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

HANDLE OpenForModuleName(DWORD processId) {
    HANDLE process = OpenProcess(kQueryAndRead, FALSE, processId);
    if (process == nullptr && GetLastError() == ERROR_ACCESS_DENIED) {
        EnableDebugPrivilege();
        process = OpenProcess(kQueryAndRead, FALSE, processId);
    }
    return process;
}

}  // namespace

int ScanProcessesPsapi() {
    ProcessList list = {nullptr, nullptr};
    if (TakePsapiProcessList(&OpenForModuleName, &list) != PsapiListResult::kListed) return 0;
    int result = ExamineProcesses(list, ScanFamily::kWindowsNt);
    FreeProcessList(&list);
    return result;
}
