// The 9x family's processes, from a Toolhelp snapshot: the termination by
// file name and the scan for infected processes.
#include "memory/toolhelp_processes.h"

#include <cstdlib>
#include <cstring>

#include "common/ansi_text.h"
#include "memory/critical_processes.h"
#include "memory/kill_process.h"
#include "memory/process_names.h"
#include "memory/process_scan.h"
#include "memory/system_functions.h"

namespace {

// The pauses give the 9x kernel time between snapshot calls.
const DWORD kLoadPause = 100;
const DWORD kEntryPause = 100;
const DWORD kBeforeTerminatePause = 50;
const DWORD kAfterTerminatePause = 500;

// A snapshot of the running processes; INVALID_HANDLE_VALUE when the
// kernel has no Toolhelp or refuses one.
HANDLE TakeProcessSnapshot(HMODULE kernel) {
    CreateToolhelp32SnapshotFunction createSnapshot =
        ResolveFunction<CreateToolhelp32SnapshotFunction>(kernel, "CreateToolhelp32Snapshot");
    return createSnapshot ? createSnapshot(TH32CS_SNAPPROCESS, 0) : INVALID_HANDLE_VALUE;
}

// Whether the entry is a process started from a file named `target`. One
// of the system's own processes never is: a trojan named like it must not
// bring the system down with it.
bool NamedLike(const PROCESSENTRY32& entry, const char* target) {
    return SameTextIgnoringCase(FileNamePart(entry.szExeFile), target, sizeof entry.szExeFile) &&
           !IsCriticalProcessImage(entry.szExeFile);
}

// Terminates the first entry named `target`; 1 when that succeeded.
int TerminateFirstNamed(HMODULE kernel, HANDLE snapshot, PROCESSENTRY32* entry, const char* target) {
    for (;;) {
        entry->szExeFile[sizeof entry->szExeFile - 1] = '\0';
        if (NamedLike(*entry, target)) {
            Sleep(kBeforeTerminatePause);
            int result = TerminateProcessById(entry->th32ProcessID, kTerminateAndQuery) ? 1 : 0;
            Sleep(kAfterTerminatePause);
            return result;
        }
        Process32Function next = ResolveFunction<Process32Function>(kernel, "Process32Next");
        if (next == nullptr) return 0;
        Sleep(kEntryPause);
        if (!next(snapshot, entry)) return 0;
        Sleep(kEntryPause);
    }
}

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

int KillByToolhelp(const char* path) {
    HMODULE kernel = LoadLibraryA(kToolhelpLibrary);
    Sleep(kLoadPause);
    if (kernel == nullptr) return 0;
    PROCESSENTRY32* entry = static_cast<PROCESSENTRY32*>(calloc(1, sizeof(PROCESSENTRY32)));
    if (entry == nullptr) return 0;
    HANDLE snapshot = TakeProcessSnapshot(kernel);
    Sleep(kLoadPause);
    if (snapshot == INVALID_HANDLE_VALUE) {
        free(entry);
        return 0;
    }
    int result = 0;
    Process32Function first = ResolveFunction<Process32Function>(kernel, "Process32First");
    entry->dwSize = sizeof(PROCESSENTRY32);
    if (first != nullptr && first(snapshot, entry)) result = TerminateFirstNamed(kernel, snapshot, entry, FileNamePart(path));
    free(entry);
    CloseHandle(snapshot);
    return result;
}

int ScanProcessesToolhelp() {
    HMODULE kernel = LoadLibraryA(kToolhelpLibrary);
    if (kernel == nullptr) return 0;
    PROCESSENTRY32* entry = static_cast<PROCESSENTRY32*>(calloc(1, sizeof(PROCESSENTRY32)));
    if (entry == nullptr) return 0;
    HANDLE snapshot = TakeProcessSnapshot(kernel);
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
