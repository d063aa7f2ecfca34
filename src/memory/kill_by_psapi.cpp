// NT 5.x's termination: psapi reports the full path of each process's
// executable, so every process started from exactly that file is ended.
#include <cstring>

#include "memory/kill_process.h"
#include "memory/process_list.h"
#include "memory/psapi_process_list.h"
#include "memory/system_functions.h"

namespace {

const DWORD kAfterTerminatePause = 500;

// The termination works with the privileges the program already holds.
HANDLE OpenForModuleName(DWORD processId) {
    return OpenProcess(kQueryAndRead, FALSE, processId);
}

bool SamePath(const char* reported, const char* path, size_t pathLength) {
    return strlen(reported) == pathLength && _memicmp(reported, path, pathLength) == 0;
}

}  // namespace

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
        if (TerminateProcessById(record->processId, kTerminateAndQuery)) Sleep(kAfterTerminatePause);
    }
    FreeProcessList(&list);
    return 1;
}
