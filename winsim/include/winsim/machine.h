// The simulated Windows machine that tests and host tools set up and
// inspect. One machine per process (TheMachine()); Reset() before each test.
//
// Each area keeps its own state in its own header so that it can grow
// without touching the others.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "winsim/api.h"
#include "winsim/environment.h"
#include "winsim/faults.h"
#include "winsim/filesystem.h"
#include "winsim/handles.h"
#include "winsim/processes.h"
#include "winsim/registry.h"

namespace winsim {

struct VersionInfo {
    bool queryFails = false;
    DWORD platformId = VER_PLATFORM_WIN32_NT;
    DWORD major = 5;
    DWORD minor = 1;
    DWORD build = 2600;
};

struct Security {
    bool tokenOpenFails = false;
    // Privileges the account holds; AdjustTokenPrivileges enables only these.
    std::vector<std::string> held = {"SeShutdownPrivilege", "SeDebugPrivilege"};
    std::vector<std::string> enabled;
    bool IsEnabled(const std::string& name) const;
};

struct ScriptedMessage {
    MSG msg;
    uint32_t visibleFromPeek;  // the message shows up at this PeekMessageA call (0 = at once)
};

struct MessageBoxCall {
    std::string text;
    std::string caption;
    UINT type;
};

struct Ui {
    std::deque<ScriptedMessage> queue;
    uint32_t peekCalls = 0;
    std::map<HWND, WNDPROC> windows;
    uintptr_t nextWindow = 0x1000;
    std::vector<MSG> dispatched;
    std::vector<MSG> translated;
    std::vector<MessageBoxCall> messageBoxes;
    std::deque<int> messageBoxAnswers;  // empty: IDOK

    HWND CreateWindowWithProc(WNDPROC proc);
    // Queues a message that PeekMessageA hands out from its n-th call on.
    void Post(HWND window, UINT message, WPARAM wParam, LPARAM lParam, uint32_t fromPeek = 0);
};

struct Clock {
    uint64_t nowMs = 0;
    std::vector<DWORD> sleeps;
};

class Machine {
public:
    VersionInfo version;
    FileSystem files;
    Registry registry;
    Environment environment;
    Processes processes;
    Security security;
    Ui ui;
    Clock clock;
    Faults faults;
    Handles handles;
    std::vector<std::string> calls;  // operations whose order matters (restart, privileges, ...)
    DWORD lastError = 0;
    // The ANSI code page (GetACP): 1252 (Western European), 932 (Japanese,
    // double-byte) or 65001 (UTF-8). It decides how the "A" calls step
    // through text and how host names (UTF-8) are spelt to the core.
    UINT ansiCodePage = 1252;

    void Log(const std::string& entry) { calls.push_back(entry); }
    bool Called(const std::string& prefix) const;
};

// Defined here so that every call is inlined: every simulated call asks
// for the machine, often several times.
inline Machine& TheMachine() {
    static Machine machine;
    return machine;
}
void Reset();

// Convenience for the common platform choices.
void SetWindows98();
void SetNt4();
void SetWindowsXp();
void SetWindows10();

}  // namespace winsim
