// The system's folders and 8.3 paths.
#include <sys/stat.h>

#include <cstring>
#include <string>

#include "character_steps.h"
#include "file_parts.h"
#include "winsim/machine.h"

using winsim::TheMachine;

namespace {

// Copies `text` when it fits; otherwise answers the size needed, with the
// terminator, as the Win32 folder queries do.
DWORD AnswerText(const std::string& text, LPSTR buffer, DWORD size) {
    DWORD length = static_cast<DWORD>(text.size());
    if (buffer == nullptr || length + 1 > size) return length + 1;
    memcpy(buffer, text.c_str(), length + 1);
    return length;
}

}  // namespace

UINT GetWindowsDirectoryA(LPSTR buffer, UINT size) {
    if (winsim::Injected("GetWindowsDirectoryA")) return 0;
    return AnswerText(TheMachine().files.windowsDirectory, buffer, size);
}

DWORD GetTempPathA(DWORD size, LPSTR buffer) {
    if (winsim::Injected("GetTempPathA")) return 0;
    return AnswerText(TheMachine().files.tempPath, buffer, size);
}

DWORD GetShortPathNameA(LPCSTR longPath, LPSTR shortPath, DWORD size) {
    winsim::Machine& m = TheMachine();
    if (longPath == nullptr) {
        m.lastError = ERROR_INVALID_PARAMETER;
        return 0;
    }
    if (winsim::Injected("GetShortPathNameA", longPath)) return 0;
    std::string path = longPath;
    std::string host;
    if (path.size() < 3 || path[1] != ':' || (path[2] != '\\' && path[2] != '/') || !m.files.ToHostPath(path.substr(0, 3), &host)) {
        m.lastError = ERROR_PATH_NOT_FOUND;
        return 0;
    }
    std::string result = path.substr(0, 3);
    size_t start = 3;
    while (start < path.size()) {
        size_t end = winsim::FindCharacter(m.ansiCodePage, path.data(), path.size(), start, "\\/");
        bool last = end == path.size();
        std::string part = path.substr(start, end - start);
        start = end + 1;
        if (part.empty()) continue;
        std::string folder = host;
        std::string next;
        struct stat st;
        if (!m.files.ToHostPath(result + part, &next) || lstat(next.c_str(), &st) != 0) {
            m.lastError = last ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
            return 0;
        }
        std::string entry = next.substr(next.rfind('/') + 1);
        result += winsim::IsValidShortName(part) ? part : winsim::Files().shortNames.ShortNameOf(folder, entry);
        if (!last) result += '\\';
        host = next;
    }
    return AnswerText(result, shortPath, size);
}
