#include "memory/psapi_process_list.h"

#include <cstring>

#include "memory/system_functions.h"

namespace {

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
