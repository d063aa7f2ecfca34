#include "detect/boot_deletion.h"

#include <cstring>

#include "common/platform_kind.h"
#include "common/shared_state.h"
#include "platform/win32.h"

namespace {

const int kWindowsFolderSize = 350;
const int kLineBufferSize = 648;  // a line comes in pieces of at most 647 characters
const char kRenameSection[] = "[rename]";
const char kLineEnd[] = "\r\n";

bool WriteText(int fd, const char* text) {
    unsigned int length = static_cast<unsigned int>(strlen(text));
    return _write(fd, text, length) == static_cast<int>(length);
}

bool WriteRenameLine(int fd, const char* target, const char* source) {
    return WriteText(fd, target) && WriteText(fd, "=") && WriteText(fd, source) && WriteText(fd, kLineEnd);
}

bool CreateWininit(const char* wininitPath, const char* target, const char* source) {
    int fd = _open(wininitPath, _O_WRONLY | _O_CREAT | _O_APPEND | _O_BINARY, _S_IREAD | _S_IWRITE);
    if (fd == -1) return false;
    bool written = WriteText(fd, "[rename]\r\n") && WriteRenameLine(fd, target, source);
    _close(fd);
    return written;
}

// The length of what fgets put into a buffer filled with '\n' first: up
// to the last zero byte, which is its terminator.
size_t PieceLength(const char* piece, size_t size) {
    size_t end = size;
    while (end > 0 && piece[end - 1] != '\0') --end;
    return end > 0 ? end - 1 : 0;
}

// Writes the working copy back into wininit.ini with the new line at the
// end of the [rename] section.
bool CopyWithNewLine(FILE* copy, int out, const char* target, const char* source) {
    char line[kLineBufferSize];
    bool inSection = false;
    bool inserted = false;
    // A long line arrives in several pieces; only a piece that starts a
    // line can be a section header.
    bool atLineStart = true;
    bool endsLine = true;  // what was written last ends a line (or nothing was written)
    for (;;) {
        // Filled first, so that the piece's length is known even when it
        // holds zero bytes: fgets ends it with the last zero it writes.
        memset(line, '\n', sizeof line);
        if (fgets(line, sizeof line, copy) == nullptr) break;
        size_t length = PieceLength(line, sizeof line);
        if (atLineStart) {
            if (!inSection) {
                if (_strnicmp(line, kRenameSection, 8) == 0) inSection = true;
            } else if (!inserted && line[0] == '[') {
                if (!WriteRenameLine(out, target, source)) return false;
                inserted = true;
            }
        }
        if (_write(out, line, static_cast<unsigned int>(length)) != static_cast<int>(length)) return false;
        if (length > 0) {
            endsLine = line[length - 1] == '\n';
            atLineStart = endsLine;
        }
    }
    if (inserted) return true;
    // A last line without its line end would swallow what follows.
    if (!endsLine && !WriteText(out, kLineEnd)) return false;
    if (!inSection && !WriteText(out, "[rename]\r\n")) return false;
    return WriteRenameLine(out, target, source);
}

}  // namespace

int ScheduleBootDeletion(const char* path) {
    switch (GetPlatformKind()) {
    case kPlatformWindowsNt:
        // NT carries the deletion out at the next start; a refusal here
        // goes unnoticed, by design of the call.
        MoveFileExA(path, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
        return 1;
    case kPlatformWindows9x: {
        // wininit.ini runs before long names exist, so it needs the 8.3
        // path; without one there is nothing it could delete.
        char shortPath[kPathBufferSize];
        DWORD length = GetShortPathNameA(path, shortPath, sizeof shortPath);
        if (length == 0 || length >= sizeof shortPath) return 0;
        return AddWininitRenameLine("NUL", shortPath) ? 1 : 0;
    }
    default: return 0;
    }
}

bool AddWininitRenameLine(const char* target, const char* source) {
    char wininitPath[kWindowsFolderSize];
    UINT folderLength = GetWindowsDirectoryA(wininitPath, sizeof wininitPath);
    if (folderLength == 0 || folderLength >= sizeof wininitPath) return false;
    if (!AppendText(wininitPath, sizeof wininitPath, "\\wininit.ini")) return false;
    if (_access(wininitPath, 0) != 0) return CreateWininit(wininitPath, target, source);

    char copyPath[kPathBufferSize];
    DWORD tempLength = GetTempPathA(sizeof copyPath, copyPath);
    if (tempLength == 0 || tempLength >= sizeof copyPath) return false;
    if (!AppendText(copyPath, sizeof copyPath, "wininit.ini")) return false;
    // Without a fresh copy the old one would be written back over newer lines.
    if (!CopyFileA(wininitPath, copyPath, FALSE)) return false;
    FILE* copy = fopen(copyPath, "rb");
    if (copy == nullptr) return false;
    // Truncated at once: the file ends where the rewrite ends.
    int out = _open(wininitPath, _O_WRONLY | _O_TRUNC | _O_BINARY);
    if (out == -1) {
        fclose(copy);
        return false;
    }
    bool written = CopyWithNewLine(copy, out, target, source);
    _close(out);
    fclose(copy);
    return written;
}
