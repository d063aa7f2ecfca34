#include "memory/critical_processes.h"

#include <cstring>

#include "common/ansi_text.h"
#include "common/shared_state.h"
#include "memory/process_names.h"

namespace {

// NT's (the performance data names the idle process "Idle", the kernel
// "System"), then the 9x family's.
const char* const kCriticalProcessNames[] = {
    "System", "Idle", "smss", "csrss", "wininit", "winlogon", "services", "lsass",
    "KERNEL32", "MSGSRV32", "MPREXE", "MMTASK",
};

}  // namespace

bool IsCriticalProcessName(const char* name) {
    for (const char* critical : kCriticalProcessNames)
        if (SameTextIgnoringCase(name, critical, kPathBufferSize)) return true;
    return false;
}

bool IsCriticalProcessImage(const char* imagePath) {
    char name[kPathBufferSize];
    // A name too long for the buffer is none of the table's.
    return ImageBaseName(imagePath, name, sizeof name) && IsCriticalProcessName(name);
}
