#include "memory/process_scan.h"

#include "common/platform_kind.h"
#include "common/shared_state.h"
#include "memory/kill_process.h"
#include "memory/process_names.h"
#include "memory/service_stop.h"
#include "platform/win32.h"
#include "repair/service_keys.h"
#include "scan/directory_walk.h"

namespace {

const int kReadable = 4;

bool RemovesOrRenames(int32_t action) {
    return action == kActionRemove || action == kActionRename || action == kActionRemoveToo;
}

// The acting walk: with MemoryActionCode set the inspection applies the
// action to the file at once.
void ActOnFile(const char* imagePath) {
    MemoryActionCode = ActionCode;
    WalkDirectory(imagePath);
    MemoryActionCode = 0;
}

// 9x: the acting walk follows whether or not the termination succeeded.
bool DealWith9xProcess(const ProcessRecord& record) {
    if (ActionCode == kActionLeave) return false;
    TerminateProcessById(record.processId, kTerminateAndQuery);
    ActOnFile(record.imagePath);
    return true;
}

// NT: two termination attempts; a process that survives them is taken to
// run as the service named after its executable (NT 4 and NT 5.x only).
bool DealWithNtProcess(const ProcessRecord& record) {
    if (!RemovesOrRenames(ActionCode)) return false;
    bool firstEnded = TerminateProcessById(record.processId, kTerminateAndQuery);
    HANDLE process = OpenProcess(kTerminateAndQuery, FALSE, record.processId);
    if (process != nullptr) {
        bool ended = TerminateProcess(process, 0) != 0;
        CloseHandle(process);
        if (ended) {
            ActOnFile(record.imagePath);
            return true;
        }
    }
    int generation = GetNtGeneration();
    if (generation == kNt4OrEarlier || generation == kNt5) {
        char service[kPathBufferSize];
        // The service is named after the executable: its image's base name.
        ImageBaseName(record.imagePath, service, sizeof service);
        if (StopService(service) == 1) {
            RemoveServiceKeys(service);
            ActOnFile(record.imagePath);
            return true;
        }
        RemoveServiceKeys(service);
        MemoryRestartNeeded = 1;
        if (firstEnded) ActOnFile(record.imagePath);
        return true;
    }
    if (!firstEnded) return false;
    ActOnFile(record.imagePath);
    return true;
}

}  // namespace

int ExamineProcesses(const ProcessList& list, ScanFamily family) {
    int result = 0;
    for (const ProcessRecord* record = list.head; record != nullptr; record = record->next) {
        // An image that cannot be read is passed over: not terminated, not acted on.
        if (_access(record->imagePath, kReadable) != 0) continue;
        WalkDirectory(record->imagePath);
        if (InfectedFileSeen == 0) continue;
        bool dealtWith = family == ScanFamily::kWindows9x ? DealWith9xProcess(*record) : DealWithNtProcess(*record);
        if (dealtWith) result = 1;
    }
    return result;
}
