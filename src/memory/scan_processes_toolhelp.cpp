// The 9x family's process scan over a Toolhelp snapshot.
#include <cstdlib>

#include "memory/process_examination.h"
#include "memory/process_scan.h"
#include "memory/system_functions.h"

namespace {

// Every process of the snapshot, in snapshot order. False when the list
// could not be taken whole (it is freed then).
bool ListSnapshot(HMODULE kernel, HANDLE snapshot, PROCESSENTRY32* entry, ProcessList* list) {
    Process32Function first = ResolveFunction<Process32Function>(kernel, "Process32First");
    entry->dwSize = sizeof(PROCESSENTRY32);
    if (first == nullptr || !first(snapshot, entry)) return false;
    if (!AppendProcessRecord(list, entry->th32ProcessID, entry->szExeFile)) return false;
    Process32Function next = ResolveFunction<Process32Function>(kernel, "Process32Next");
    bool whole = next != nullptr;
    while (whole && next(snapshot, entry)) whole = AppendProcessRecord(list, entry->th32ProcessID, entry->szExeFile);
    if (!whole) FreeProcessList(list);
    return whole;
}

}  // namespace

int ScanProcessesToolhelp() {
    HMODULE kernel = LoadLibraryA(kToolhelpLibrary);
    if (kernel == nullptr) return 0;
    PROCESSENTRY32* entry = static_cast<PROCESSENTRY32*>(calloc(1, sizeof(PROCESSENTRY32)));
    if (entry == nullptr) return 0;
    CreateToolhelp32SnapshotFunction createSnapshot =
        ResolveFunction<CreateToolhelp32SnapshotFunction>(kernel, "CreateToolhelp32Snapshot");
    HANDLE snapshot = createSnapshot ? createSnapshot(TH32CS_SNAPPROCESS, 0) : INVALID_HANDLE_VALUE;
    if (snapshot == INVALID_HANDLE_VALUE) {
        free(entry);
        return 0;
    }
    ProcessList list = {nullptr, nullptr};
    bool listed = ListSnapshot(kernel, snapshot, entry, &list);
    CloseHandle(snapshot);
    int result = listed ? ExamineProcesses(list, ScanFamily::kWindows9x) : 0;
    FreeProcessList(&list);
    free(entry);
    return result;
}
