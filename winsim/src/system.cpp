// Version, last error, the virtual clock, tokens and the restart request.
#include <cstdio>
#include <cstring>

#include "winsim/machine.h"

using winsim::TheMachine;

namespace {

// The pseudo handle that GetCurrentProcess returns on every Windows version.
HANDLE const kCurrentProcess = reinterpret_cast<HANDLE>(static_cast<intptr_t>(-1));

struct TokenObject : winsim::HandleObject {
    DWORD access;
    explicit TokenObject(DWORD a) : access(a) {}
};

struct KnownPrivilege {
    const char* name;
    DWORD luid;
};

// Values as Windows assigns them (winnt.h SE_*_PRIVILEGE).
const KnownPrivilege kPrivileges[] = {
    {"SeShutdownPrivilege", 19},
    {"SeDebugPrivilege", 20},
    {"SeBackupPrivilege", 17},
    {"SeRestorePrivilege", 18},
};

const char* PrivilegeName(const LUID& luid) {
    for (const KnownPrivilege& p : kPrivileges)
        if (luid.HighPart == 0 && luid.LowPart == p.luid) return p.name;
    return nullptr;
}

}  // namespace

BOOL GetVersionExA(LPOSVERSIONINFOA info) {
    winsim::Machine& m = TheMachine();
    if (info == nullptr) {
        m.lastError = ERROR_INVALID_PARAMETER;
        return FALSE;
    }
    // Windows accepts the plain and the extended size only.
    if (info->dwOSVersionInfoSize != 148 && info->dwOSVersionInfoSize != 156) {
        m.lastError = ERROR_INSUFFICIENT_BUFFER;
        return FALSE;
    }
    if (m.version.queryFails || winsim::Injected("GetVersionExA")) {
        if (m.version.queryFails) m.lastError = ERROR_INVALID_PARAMETER;
        return FALSE;
    }
    info->dwMajorVersion = m.version.major;
    info->dwMinorVersion = m.version.minor;
    info->dwBuildNumber = m.version.build;
    info->dwPlatformId = m.version.platformId;
    info->szCSDVersion[0] = '\0';
    return TRUE;
}

DWORD GetLastError() { return TheMachine().lastError; }

void SetLastError(DWORD error) { TheMachine().lastError = error; }

void Sleep(DWORD milliseconds) {
    winsim::Clock& clock = TheMachine().clock;
    clock.nowMs += milliseconds;
    clock.sleeps.push_back(milliseconds);
}

DWORD GetTickCount() { return static_cast<DWORD>(TheMachine().clock.nowMs); }

HANDLE GetCurrentProcess() { return kCurrentProcess; }

BOOL OpenProcessToken(HANDLE process, DWORD access, PHANDLE token) {
    winsim::Machine& m = TheMachine();
    char entry[64];
    snprintf(entry, sizeof entry, "OpenProcessToken(0x%x)", static_cast<unsigned>(access));
    m.Log(entry);
    if (token == nullptr) {
        m.lastError = ERROR_INVALID_PARAMETER;
        return FALSE;
    }
    if (process != kCurrentProcess) {
        m.lastError = ERROR_INVALID_HANDLE;
        return FALSE;
    }
    if (m.security.tokenOpenFails) {
        m.lastError = ERROR_ACCESS_DENIED;
        return FALSE;
    }
    if (winsim::Injected("OpenProcessToken")) return FALSE;
    *token = m.handles.Add(std::unique_ptr<winsim::HandleObject>(new TokenObject(access)));
    return TRUE;
}

BOOL LookupPrivilegeValueA(LPCSTR systemName, LPCSTR name, PLUID luid) {
    winsim::Machine& m = TheMachine();
    m.Log(std::string("LookupPrivilegeValueA(") + (name ? name : "") + ")");
    if (systemName != nullptr && systemName[0] != '\0') {
        m.lastError = ERROR_INVALID_PARAMETER;
        return FALSE;
    }
    if (name == nullptr || luid == nullptr) {
        m.lastError = ERROR_INVALID_PARAMETER;
        return FALSE;
    }
    if (winsim::Injected("LookupPrivilegeValueA", name)) return FALSE;
    for (const KnownPrivilege& p : kPrivileges) {
        if (strcmp(p.name, name) == 0) {
            luid->LowPart = p.luid;
            luid->HighPart = 0;
            return TRUE;
        }
    }
    m.lastError = ERROR_NO_SUCH_PRIVILEGE;
    return FALSE;
}

BOOL AdjustTokenPrivileges(HANDLE token, BOOL disableAll, PTOKEN_PRIVILEGES newState, DWORD bufferLength,
                           PTOKEN_PRIVILEGES previousState, PDWORD returnLength) {
    (void)bufferLength;
    (void)previousState;
    (void)returnLength;
    winsim::Machine& m = TheMachine();
    TokenObject* object = m.handles.Get<TokenObject>(token);
    if (object == nullptr) {
        m.Log("AdjustTokenPrivileges(bad handle)");
        m.lastError = ERROR_INVALID_HANDLE;
        return FALSE;
    }
    if ((object->access & TOKEN_ADJUST_PRIVILEGES) == 0) {
        m.lastError = ERROR_ACCESS_DENIED;
        return FALSE;
    }
    if (winsim::Injected("AdjustTokenPrivileges")) return FALSE;
    // Windows answers TRUE even when a privilege is not held and reports that
    // only through the last error; callers must look at it.
    DWORD result = ERROR_SUCCESS;
    std::string names;
    if (!disableAll && newState != nullptr) {
        for (DWORD i = 0; i < newState->PrivilegeCount && i < 1; ++i) {
            const char* name = PrivilegeName(newState->Privileges[i].Luid);
            names += name ? name : "?";
            bool held = false;
            if (name)
                for (const std::string& h : m.security.held)
                    if (h == name) held = true;
            if (!held) {
                result = ERROR_NOT_ALL_ASSIGNED;
                continue;
            }
            if ((newState->Privileges[i].Attributes & SE_PRIVILEGE_ENABLED) != 0 && !m.security.IsEnabled(name))
                m.security.enabled.push_back(name);
        }
    }
    m.Log("AdjustTokenPrivileges(" + names + ")");
    m.lastError = result;
    return TRUE;
}

BOOL CloseHandle(HANDLE handle) {
    winsim::Machine& m = TheMachine();
    if (handle == kCurrentProcess) return TRUE;
    if (winsim::Injected("CloseHandle")) return FALSE;
    if (!m.handles.Remove(handle)) {
        m.lastError = ERROR_INVALID_HANDLE;
        return FALSE;
    }
    return TRUE;
}

BOOL ExitWindowsEx(UINT flags, DWORD reserved) {
    winsim::Machine& m = TheMachine();
    char entry[64];
    snprintf(entry, sizeof entry, "ExitWindowsEx(%u,%u)", flags, static_cast<unsigned>(reserved));
    m.Log(entry);
    // Recorded only: the simulated machine never goes down.
    if (winsim::Injected("ExitWindowsEx")) return FALSE;
    return TRUE;
}
