// Renaming, moving and copying files, and the operations recorded for the
// next start.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <fstream>

#include "file_parts.h"
#include "winsim/machine.h"

using winsim::TheMachine;

namespace {

bool FolderExists(const std::string& hostPath) {
    size_t slash = hostPath.rfind('/');
    if (slash == std::string::npos) return false;
    struct stat st;
    return stat(hostPath.substr(0, slash).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool CopyHostFile(const std::string& from, const std::string& to) {
    std::ifstream in(from, std::ios::binary);
    std::ofstream out(to, std::ios::binary | std::ios::trunc);
    if (!in || !out) return false;
    // Chunk by chunk: streaming an empty file with operator<< would report failure.
    char buffer[65536];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) out.write(buffer, in.gcount());
    return !in.bad() && static_cast<bool>(out);
}

BOOL Fail(DWORD error) {
    TheMachine().lastError = error;
    return FALSE;
}

BOOL MoveEntry(const char* operation, LPCSTR existing, LPCSTR newName, bool replace, bool copyAllowed) {
    winsim::Machine& m = TheMachine();
    std::string from, to;
    DWORD error = ERROR_PATH_NOT_FOUND;
    if (!winsim::HostPathOf(existing, &from, &error) || !winsim::HostPathOf(newName, &to, &error))
        return Fail(error);
    if (winsim::Injected(operation, existing)) return FALSE;
    struct stat source;
    if (lstat(from.c_str(), &source) != 0) return Fail(FolderExists(from) ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND);
    if (winsim::Files().sharing.HeldWithoutDeleteSharing(from)) return Fail(ERROR_SHARING_VIOLATION);
    struct stat target;
    if (lstat(to.c_str(), &target) == 0) {
        // Onto its own name (the lookup ignores case): nothing to do, and
        // Windows reports success.
        if (source.st_dev == target.st_dev && source.st_ino == target.st_ino) return TRUE;
        if (!replace) return Fail(ERROR_ALREADY_EXISTS);
        if (S_ISDIR(target.st_mode) || (m.files.Attributes(to) & FILE_ATTRIBUTE_READONLY) || m.files.OpenCount(to) > 0)
            return Fail(ERROR_ACCESS_DENIED);
    }
    if (!FolderExists(to)) return Fail(ERROR_PATH_NOT_FOUND);
    m.files.NoteChange();
    if (rename(from.c_str(), to.c_str()) != 0) {
        bool copied = errno == EXDEV && copyAllowed && !S_ISDIR(source.st_mode) && CopyHostFile(from, to) &&
                      unlink(from.c_str()) == 0;
        if (!copied) return Fail(ERROR_ACCESS_DENIED);
    }
    m.files.NoteRemoved(to);
    m.files.NoteMoved(from, to);
    return TRUE;
}

}  // namespace

BOOL MoveFileA(LPCSTR existing, LPCSTR newName) { return MoveEntry("MoveFileA", existing, newName, false, true); }

BOOL MoveFileExA(LPCSTR existing, LPCSTR newName, DWORD flags) {
    winsim::Machine& m = TheMachine();
    // The 9x family exports MoveFileExA but does not implement it.
    if (m.version.platformId != VER_PLATFORM_WIN32_NT) return Fail(ERROR_CALL_NOT_IMPLEMENTED);
    if (existing == nullptr) return Fail(ERROR_INVALID_PARAMETER);
    if (flags & MOVEFILE_DELAY_UNTIL_REBOOT) {
        if (winsim::Injected("MoveFileExA", existing)) return FALSE;
        // Only recorded; NT neither checks nor touches the file now.
        winsim::PendingFileOperation operation;
        operation.source = std::string("\\??\\") + existing;
        if (newName != nullptr)
            operation.target = std::string((flags & MOVEFILE_REPLACE_EXISTING) ? "!" : "") + "\\??\\" + newName;
        m.files.AddPendingOperation(operation);
        return TRUE;
    }
    if (newName == nullptr) return Fail(ERROR_INVALID_PARAMETER);
    return MoveEntry("MoveFileExA", existing, newName, (flags & MOVEFILE_REPLACE_EXISTING) != 0,
                     (flags & MOVEFILE_COPY_ALLOWED) != 0);
}

BOOL CopyFileA(LPCSTR existing, LPCSTR newName, BOOL failIfExists) {
    winsim::Machine& m = TheMachine();
    std::string from, to;
    DWORD error = ERROR_PATH_NOT_FOUND;
    if (!winsim::HostPathOf(existing, &from, &error) || !winsim::HostPathOf(newName, &to, &error))
        return Fail(error);
    if (winsim::Injected("CopyFileA", existing)) return FALSE;
    struct stat source;
    if (stat(from.c_str(), &source) != 0) return Fail(FolderExists(from) ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND);
    if (S_ISDIR(source.st_mode)) return Fail(ERROR_ACCESS_DENIED);
    if (!m.files.MayOpen(from, GENERIC_READ, FILE_SHARE_READ)) return Fail(ERROR_SHARING_VIOLATION);
    struct stat target;
    if (stat(to.c_str(), &target) == 0) {
        if (source.st_dev == target.st_dev && source.st_ino == target.st_ino) return Fail(ERROR_SHARING_VIOLATION);
        if (failIfExists) return Fail(ERROR_FILE_EXISTS);
        if (S_ISDIR(target.st_mode) || (m.files.Attributes(to) & FILE_ATTRIBUTE_READONLY))
            return Fail(ERROR_ACCESS_DENIED);
        if (!m.files.MayOpen(to, GENERIC_WRITE, 0)) return Fail(ERROR_SHARING_VIOLATION);
    }
    if (!FolderExists(to)) return Fail(ERROR_PATH_NOT_FOUND);
    m.files.NoteChange();
    if (!CopyHostFile(from, to)) return Fail(ERROR_ACCESS_DENIED);
    // The copy takes the attributes of its source.
    DWORD attributes = m.files.Attributes(from);
    m.files.NoteRemoved(to);
    m.files.SetAttributes(to, attributes);
    return TRUE;
}
