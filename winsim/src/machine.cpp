#include "winsim/machine.h"

namespace winsim {

bool Security::IsEnabled(const std::string& name) const {
    for (const std::string& privilege : enabled)
        if (privilege == name) return true;
    return false;
}

bool Machine::Called(const std::string& prefix) const {
    for (const std::string& entry : calls)
        if (entry.compare(0, prefix.size(), prefix) == 0) return true;
    return false;
}

void Reset() {
    Machine& m = TheMachine();
    m.version = VersionInfo();
    m.files.Clear();
    m.registry.Clear();
    m.environment = Environment();
    m.processes.Clear();
    m.security = Security();
    m.ui = Ui();
    m.clock = Clock();
    m.faults.Clear();
    m.handles.Clear();
    m.calls.clear();
    m.lastError = 0;
    m.ansiCodePage = 1252;
}

static void SetVersion(DWORD platformId, DWORD major, DWORD minor, DWORD build) {
    VersionInfo& v = TheMachine().version;
    v.queryFails = false;
    v.platformId = platformId;
    v.major = major;
    v.minor = minor;
    v.build = build;
}

void SetWindows98() { SetVersion(VER_PLATFORM_WIN32_WINDOWS, 4, 10, 2222); }
void SetNt4() { SetVersion(VER_PLATFORM_WIN32_NT, 4, 0, 1381); }
void SetWindowsXp() { SetVersion(VER_PLATFORM_WIN32_NT, 5, 1, 2600); }
void SetWindows10() { SetVersion(VER_PLATFORM_WIN32_NT, 10, 0, 19045); }

}  // namespace winsim
