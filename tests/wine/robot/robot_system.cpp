#include "robot_system.h"

#include <tlhelp32.h>

#include <cstring>
#include <vector>

namespace {

const char* FileNamePart(const char* path) {
    const char* name = strrchr(path, '\\');
    return name != nullptr ? name + 1 : path;
}

// Visits the snapshot's processes until `visit` returns true; that
// process's id, or 0.
template <class Visit>
DWORD FindProcess(Visit visit) {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return 0;
    PROCESSENTRY32 entry;
    memset(&entry, 0, sizeof entry);
    entry.dwSize = sizeof entry;
    DWORD found = 0;
    for (BOOL more = Process32First(snapshot, &entry); more && found == 0; more = Process32Next(snapshot, &entry))
        if (visit(entry)) found = entry.th32ProcessID;
    CloseHandle(snapshot);
    return found;
}

}  // namespace

DWORD FindProcessNamed(const char* name) {
    return FindProcess([&](const PROCESSENTRY32& entry) { return _stricmp(FileNamePart(entry.szExeFile), name) == 0; });
}

bool ProcessRuns(const char* name, DWORD id) {
    return FindProcess([&](const PROCESSENTRY32& entry) {
               return entry.th32ProcessID == id && _stricmp(FileNamePart(entry.szExeFile), name) == 0;
           }) != 0;
}

std::string ShortPathInAnsi(const wchar_t* path) {
    DWORD length = GetShortPathNameW(path, nullptr, 0);
    if (length == 0) return std::string();
    std::vector<wchar_t> wide(length + 1, 0);
    if (GetShortPathNameW(path, wide.data(), length + 1) == 0) return std::string();
    std::vector<char> narrow(wide.size() * 2 + 1, 0);
    WideCharToMultiByte(CP_ACP, 0, wide.data(), -1, narrow.data(), static_cast<int>(narrow.size()), nullptr, nullptr);
    return narrow.data();
}
