// NT 5.x's termination: psapi reports the full path of each process's
// executable, so every process started from exactly that file is ended.
#include <cstring>

#include "memory/kill_process.h"
#include "memory/process_list.h"
#include "memory/system_functions.h"

namespace {

const DWORD kAfterTerminatePause = 500;

// The processes of `ids` whose main module path could be read. False when
// a record could not be allocated (the list is then already freed).
bool ListProcessPaths(GetModuleFileNameExFunction moduleFileName, const DWORD* ids, DWORD count,
                      ProcessList* list) {
    for (DWORD i = 0; i < count; ++i) {
        HANDLE process = OpenProcess(kQueryAndRead, FALSE, ids[i]);
        if (process == nullptr) continue;
        char path[kProcessImageUsed];
        memset(path, 0, sizeof path);
        DWORD length = moduleFileName(process, nullptr, path, sizeof path);
        if (length != 0 && !AppendProcessRecord(list, ids[i], path)) {
            CloseHandle(process);
            FreeProcessList(list);
            return false;
        }
        CloseHandle(process);
    }
    return true;
}

bool SamePath(const char* reported, const char* path, size_t pathLength) {
    return strlen(reported) == pathLength && _memicmp(reported, path, pathLength) == 0;
}

}  // namespace

int KillByPsapi(const char* path) {
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
    // Out of memory while listing: nothing is terminated, and the list
    // counts as taken, so the caller's second deletion attempt decides.
    if (!ListProcessPaths(moduleFileName, ids, count, &list)) return 1;
    size_t pathLength = strlen(path);
    for (ProcessRecord* record = list.head; record != nullptr; record = record->next) {
        if (!SamePath(record->imagePath, path, pathLength)) continue;
        if (TerminateProcessById(record->processId, kTerminateAndQuery)) Sleep(kAfterTerminatePause);
    }
    FreeProcessList(&list);
    return 1;
}
