// The process-status library: process ids and the main module's path.
#include <cstring>

#include "winsim/machine.h"
#include "processes_internal.h"

using winsim::TheMachine;

BOOL EnumProcesses(DWORD* ids, DWORD size, DWORD* bytesReturned) {
    winsim::Machine& m = TheMachine();
    if (bytesReturned == nullptr || (ids == nullptr && size > 0)) {
        m.lastError = ERROR_INVALID_PARAMETER;
        return FALSE;
    }
    if (winsim::Injected("EnumProcesses")) return FALSE;
    // Ids beyond the buffer are dropped without an error; the byte count
    // tells how many were written.
    DWORD capacity = size / sizeof(DWORD);
    DWORD written = 0;
    for (const winsim::SimProcess& process : m.processes.Table()) {
        if (!process.running) continue;
        if (written == capacity) break;
        ids[written++] = process.id;
    }
    *bytesReturned = written * sizeof(DWORD);
    return TRUE;
}

DWORD GetModuleFileNameExA(HANDLE process, HMODULE module, LPSTR fileName, DWORD size) {
    winsim::Machine& m = TheMachine();
    winsim::SimProcess* target = winsim::ProcessForHandle(process, PROCESS_QUERY_INFORMATION | PROCESS_VM_READ);
    if (target == nullptr) return 0;
    if (module != nullptr || fileName == nullptr || size == 0) {
        m.lastError = ERROR_INVALID_PARAMETER;
        return 0;
    }
    if (winsim::Injected("GetModuleFileNameExA", winsim::IdText(target->id).c_str())) return 0;
    if (!target->running || target->moduleNameFails) {
        m.lastError = ERROR_PARTIAL_COPY;
        return 0;
    }
    const std::string& name = target->moduleFileName.empty() ? target->imagePath : target->moduleFileName;
    // Too long a name is cut and terminated, and the whole buffer size is
    // returned (measured on Wine; XP documents the same cut).
    if (name.size() >= size) {
        memcpy(fileName, name.data(), size - 1);
        fileName[size - 1] = '\0';
        return size;
    }
    memcpy(fileName, name.c_str(), name.size() + 1);
    return static_cast<DWORD>(name.size());
}
