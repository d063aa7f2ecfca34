// Toolhelp process snapshots. szExeFile is what each family shows: the
// full path of the image on the 9x family, the bare file name on NT
// (Wine shows the bare name in every version mode).
#include <cstring>
#include <vector>

#include "winsim/machine.h"
#include "processes_internal.h"

using winsim::TheMachine;

namespace {

struct SnapshotEntry {
    DWORD id;
    std::string exeFile;
};

// The process list as it was when the snapshot was taken.
struct SnapshotObject : winsim::HandleObject {
    std::vector<SnapshotEntry> entries;
    size_t next = 0;
};

std::string ExeFileOf(const winsim::SimProcess& process) {
    if (!process.toolhelpName.empty()) return process.toolhelpName;
    return winsim::OnWindows9x() ? process.imagePath : winsim::FileNameOf(process.imagePath);
}

BOOL ReadEntry(HANDLE snapshot, LPPROCESSENTRY32 entry, bool first) {
    winsim::Machine& m = TheMachine();
    SnapshotObject* object = m.handles.Get<SnapshotObject>(snapshot);
    if (object == nullptr) {
        m.lastError = ERROR_INVALID_HANDLE;
        return FALSE;
    }
    if (entry == nullptr || entry->dwSize < sizeof(PROCESSENTRY32)) {
        m.lastError = ERROR_INSUFFICIENT_BUFFER;  // as Wine answers a short dwSize
        return FALSE;
    }
    if (winsim::Injected(first ? "Process32First" : "Process32Next")) return FALSE;
    if (first) object->next = 0;
    if (object->next >= object->entries.size()) {
        m.lastError = ERROR_NO_MORE_FILES;
        return FALSE;
    }
    const SnapshotEntry& source = object->entries[object->next++];
    DWORD size = entry->dwSize;
    memset(entry, 0, sizeof *entry);
    entry->dwSize = size;
    entry->cntUsage = 0;
    entry->th32ProcessID = source.id;
    entry->cntThreads = 1;
    entry->pcPriClassBase = 8;
    strncpy(entry->szExeFile, source.exeFile.c_str(), sizeof entry->szExeFile - 1);
    return TRUE;
}

}  // namespace

HANDLE CreateToolhelp32Snapshot(DWORD flags, DWORD processId) {
    (void)processId;
    winsim::Machine& m = TheMachine();
    m.Log("CreateToolhelp32Snapshot");
    if (winsim::Injected("CreateToolhelp32Snapshot")) return INVALID_HANDLE_VALUE;
    std::unique_ptr<SnapshotObject> snapshot(new SnapshotObject);
    if (flags & TH32CS_SNAPPROCESS)
        for (const winsim::SimProcess& process : m.processes.Table())
            if (process.running) snapshot->entries.push_back({process.id, ExeFileOf(process)});
    return m.handles.Add(std::move(snapshot));
}

BOOL Process32First(HANDLE snapshot, LPPROCESSENTRY32 entry) { return ReadEntry(snapshot, entry, true); }

BOOL Process32Next(HANDLE snapshot, LPPROCESSENTRY32 entry) { return ReadEntry(snapshot, entry, false); }
