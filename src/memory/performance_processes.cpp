// The termination of NT 4 and of NT after 5.x: the process list comes from
// the performance data, whose instances are named after the executable
// without its extension. Every process whose instance name begins with the
// file's name is ended.
#include "memory/performance_processes.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "common/ansi_text.h"
#include "common/shared_state.h"
#include "memory/critical_processes.h"
#include "memory/kill_process.h"
#include "memory/performance_parser.h"

namespace {

const char kPerflibKey[] = "software\\microsoft\\windows nt\\currentversion\\perflib";
const int kEnglishLanguage = 9;
const DWORD kFirstDataSize = 51200;
const DWORD kDataGrowth = 25600;
// The process object of a busy machine takes a few hundred kilobytes;
// beyond this the answer is not believed and the list stays empty.
const DWORD kMaxDataSize = 4u * 1024u * 1024u;
const DWORD kAfterTerminatePause = 500;
const int kExtensionLength = 4;  // ".EXE": four characters, whatever they are

// The file name of `path` without its last four characters (characters of
// the code page: never half of a double-byte one). False when the path is
// too short, or the name is empty (which would match every process by the
// prefix rule).
bool TargetNameOf(const char* path, char* target, size_t size) {
    char copy[kPathBufferSize];
    if (!CopyText(copy, sizeof copy, path)) return false;
    // The starts of the last kExtensionLength + 1 characters, oldest first.
    const char* starts[kExtensionLength + 1] = {};
    int count = 0;
    for (const char* at = copy; *at != '\0'; at = NextCharacter(at)) {
        memmove(starts, starts + 1, sizeof starts - sizeof starts[0]);
        starts[kExtensionLength] = at;
        ++count;
    }
    if (count <= kExtensionLength) return false;
    copy[starts[1] - copy] = '\0';
    const char* slash = FindLastOf(copy, "\\");
    const char* name = slash ? slash + 1 : copy;
    if (name[0] == '\0') return false;
    return CopyText(target, size, name);
}

// The title indices of the process object and of its id counter, from the
// English counter names.
bool ReadCounterIndices(char objectIndex[kIndexTextSize], DWORD* idCounterIndex) {
    char keyPath[kPathBufferSize];
    snprintf(keyPath, sizeof keyPath, "%s\\%03x", kPerflibKey, kEnglishLanguage);
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    bool found = false;
    DWORD size = 0;
    DWORD type = 0;
    if (RegQueryValueExA(key, "Counters", nullptr, &type, nullptr, &size) == ERROR_SUCCESS && size > 0) {
        char* table = static_cast<char*>(calloc(size, 1));
        if (table != nullptr &&
            RegQueryValueExA(key, "Counters", nullptr, &type, reinterpret_cast<BYTE*>(table), &size) == ERROR_SUCCESS)
            found = FindProcessCounterIndices(table, size, objectIndex, idCounterIndex);
        free(table);
    }
    RegCloseKey(key);
    return found;
}

// The performance block of one object, in a buffer that grows until the
// answer fits. The caller frees *block. False on any failure.
bool QueryPerformanceBlock(const char* objectIndex, BYTE** block, DWORD* blockSize) {
    DWORD capacity = kFirstDataSize;
    BYTE* buffer = static_cast<BYTE*>(calloc(capacity, 1));
    while (buffer != nullptr) {
        DWORD size = capacity;
        DWORD type = 0;
        LONG result = RegQueryValueExA(HKEY_PERFORMANCE_DATA, objectIndex, nullptr, &type, buffer, &size);
        if (result == ERROR_SUCCESS && size > 0 && size <= capacity) {
            *block = buffer;
            *blockSize = size;
            return true;
        }
        if (result != ERROR_MORE_DATA) break;
        // The size left by the query is undefined (Wine leaves 0), so the
        // buffer grows from whichever is larger; past the cap it gives up.
        DWORD left = size > capacity ? size : capacity;
        if (left > kMaxDataSize - kDataGrowth) break;
        capacity = left + kDataGrowth;
        free(buffer);
        buffer = static_cast<BYTE*>(calloc(capacity, 1));
    }
    free(buffer);
    return false;
}

// The task list of the running processes; the number of entries filled.
int ReadTaskList(TaskRecord tasks[kTaskListSize]) {
    memset(tasks, 0, sizeof(TaskRecord) * kTaskListSize);
    char objectIndex[kIndexTextSize];
    DWORD idCounterIndex = 0;
    memset(objectIndex, 0, sizeof objectIndex);
    BYTE* block = nullptr;
    DWORD size = 0;
    int count = 0;
    if (ReadCounterIndices(objectIndex, &idCounterIndex) && QueryPerformanceBlock(objectIndex, &block, &size))
        count = ParsePerformanceBlock(block, size, idCounterIndex, tasks);
    free(block);
    // Closing the performance data lets the system unload its providers.
    RegCloseKey(HKEY_PERFORMANCE_DATA);
    return count;
}

}  // namespace

int KillByPerfData(const char* path) {
    char target[kPathBufferSize];
    if (!TargetNameOf(path, target, sizeof target)) return 0;
    TaskRecord* tasks = static_cast<TaskRecord*>(calloc(kTaskListSize, sizeof(TaskRecord)));
    if (tasks == nullptr) return 0;
    int count = ReadTaskList(tasks);
    size_t targetLength = strlen(target);
    int result = 0;
    for (int i = 0; i < count; ++i) {
        if (!SameTextIgnoringCase(tasks[i].name, target, targetLength)) continue;
        // The prefix rule reaches far (s.exe matches smss and services):
        // the system's own processes are passed over as if they had not
        // matched.
        if (IsCriticalProcessName(tasks[i].name)) continue;
        if (TerminateProcessById(tasks[i].processId, kTerminateOnly)) result = 1;
        Sleep(kAfterTerminatePause);
    }
    free(tasks);
    return result;
}
