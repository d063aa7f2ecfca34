// The Windows and temporary folders and 8.3 paths, as the boot-time
// deletion of the 9x family uses them.
#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>

#include "conformance.h"
#include "ok.h"
#include "platform/win32.h"

namespace {

std::string Join(const char* root, const char* rest) { return std::string(root) + rest; }

// Every component after the drive fits 8.3, with no blank and no second dot.
bool IsShortPath(const std::string& path) {
    size_t start = 3;
    while (start <= path.size()) {
        size_t end = path.find('\\', start);
        if (end == std::string::npos) end = path.size();
        std::string part = path.substr(start, end - start);
        start = end + 1;
        if (part.empty()) continue;
        size_t dot = part.find('.');
        std::string base = part.substr(0, dot);
        std::string extension = dot == std::string::npos ? "" : part.substr(dot + 1);
        if (base.empty() || base.size() > 8 || extension.size() > 3 || extension.find('.') != std::string::npos)
            return false;
        if (part.find(' ') != std::string::npos) return false;
    }
    return true;
}

}  // namespace

void TestSystemFolders() {
    char buffer[400];
    memset(buffer, 0xbd, sizeof buffer);
    UINT length = GetWindowsDirectoryA(buffer, sizeof buffer);
    ok(length > 3 && length < sizeof buffer && strlen(buffer) == length, "GetWindowsDirectoryA gave %u", length);
    ok(buffer[1] == ':' && buffer[length - 1] != '\\', "Windows folder %s", buffer);
    char tiny[3];
    memset(tiny, 0xbd, sizeof tiny);
    UINT needed = GetWindowsDirectoryA(tiny, sizeof tiny);
    ok(needed == length + 1, "too small a buffer: needed %u for length %u", needed, length);

    memset(buffer, 0xbd, sizeof buffer);
    DWORD tempLength = GetTempPathA(sizeof buffer, buffer);
    ok(tempLength > 3 && tempLength < sizeof buffer && strlen(buffer) == tempLength, "GetTempPathA gave %lu",
       static_cast<unsigned long>(tempLength));
    ok(buffer[tempLength - 1] == '\\', "temporary folder %s has no trailing backslash", buffer);
    DWORD tempNeeded = GetTempPathA(sizeof tiny, tiny);
    ok(tempNeeded == tempLength + 1, "too small a buffer: needed %lu", static_cast<unsigned long>(tempNeeded));
}

void TestShortNames(const char* root) {
    std::string folder = Join(root, "Long Folder Name");
    ok(CreateDirectoryA(folder.c_str(), nullptr), "CreateDirectoryA failed");
    std::string file = folder + "\\Infected Program.exe";
    HANDLE handle = CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ok(handle != INVALID_HANDLE_VALUE, "CreateFileA failed");
    DWORD written = 0;
    WriteFile(handle, "short", 5, &written, nullptr);
    CloseHandle(handle);

    char shortPath[MAX_PATH];
    memset(shortPath, 0xbd, sizeof shortPath);
    DWORD length = GetShortPathNameA(file.c_str(), shortPath, sizeof shortPath);
    ok(length > 0 && length < sizeof shortPath && strlen(shortPath) == length, "GetShortPathNameA gave %lu, error %lu",
       static_cast<unsigned long>(length), static_cast<unsigned long>(GetLastError()));
    std::string alias = length > 0 && length < sizeof shortPath ? shortPath : "";
    ok(IsShortPath(alias), "not an 8.3 path: %s", alias.c_str());
    ok(_strnicmp(alias.c_str(), root, strlen(root)) == 0, "short path %s lost its drive", alias.c_str());
    ok(alias.find('~') != std::string::npos, "no alias marker in %s", alias.c_str());
    ok(alias.size() >= 4 && _stricmp(alias.c_str() + alias.size() - 4, ".EXE") == 0, "extension lost in %s",
       alias.c_str());

    // The short path names the same file, and is its own short path.
    HANDLE opened = CreateFileA(alias.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ok(opened != INVALID_HANDLE_VALUE, "short path %s does not open", alias.c_str());
    if (opened != INVALID_HANDLE_VALUE) {
        char buffer[8];
        DWORD read = 0;
        ReadFile(opened, buffer, sizeof buffer, &read, nullptr);
        ok(read == 5 && memcmp(buffer, "short", 5) == 0, "short path reads other contents");
        CloseHandle(opened);
    }
    char again[MAX_PATH];
    ok(GetShortPathNameA(alias.c_str(), again, sizeof again) == length && alias == again, "short path of %s is %s",
       alias.c_str(), again);
    // Asked twice, the same alias.
    ok(GetShortPathNameA(file.c_str(), again, sizeof again) == length && alias == again, "alias changed to %s", again);

    char small[8];
    memset(small, 0xbd, sizeof small);
    DWORD needed = GetShortPathNameA(file.c_str(), small, sizeof small);
    ok(needed == length + 1, "too small a buffer: needed %lu", static_cast<unsigned long>(needed));

    // A name that already is 8.3 stays as written.
    std::string plain = Join(root, "PLAIN.TXT");
    handle = CreateFileA(plain.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    CloseHandle(handle);
    ok(GetShortPathNameA(plain.c_str(), again, sizeof again) == plain.size() && plain == again, "8.3 name became %s",
       again);

    SetLastError(0xdeadbeef);
    ok(GetShortPathNameA((folder + "\\Missing Program.exe").c_str(), again, sizeof again) == 0,
       "short path of a missing file");
    ok(GetLastError() == ERROR_FILE_NOT_FOUND, "missing file gave error %lu", static_cast<unsigned long>(GetLastError()));

    ok(DeleteFileA(plain.c_str()), "DeleteFileA failed");
    ok(DeleteFileA(alias.c_str()), "DeleteFileA by short path failed");
    ok(RemoveDirectoryA(folder.c_str()), "RemoveDirectoryA failed");
}
