// Renaming and copying as the removal relies on them (the rename of an
// infected file, the working copy of wininit.ini), and the deletion
// recorded for the next start.
#include <cstdio>
#include <cstring>
#include <string>

#include "conformance.h"
#include "ok.h"
#include "platform/win32.h"

namespace {

std::string Join(const char* root, const char* rest) { return std::string(root) + rest; }

void MakeAt(const char* callerFile, int callerLine, const std::string& path, const char* text) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ok_(callerFile, callerLine)(file != INVALID_HANDLE_VALUE, "CreateFileA(%s) failed", path.c_str());
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(file, text, static_cast<DWORD>(strlen(text)), &written, nullptr);
    CloseHandle(file);
}
#define Make(...) MakeAt(__FILE__, __LINE__, __VA_ARGS__)

std::string Contents(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return "<missing>";
    char buffer[128];
    DWORD read = 0;
    ReadFile(file, buffer, sizeof buffer, &read, nullptr);
    CloseHandle(file);
    return std::string(buffer, read);
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// Calls MoveFileA and answers its last error, or 0 on success.
DWORD Move(const std::string& from, const std::string& to) {
    SetLastError(0xdeadbeef);
    return MoveFileA(from.c_str(), to.c_str()) ? 0 : GetLastError();
}

}  // namespace

void TestMoves(const char* root) {
    std::string folder = Join(root, "moves");
    ok(CreateDirectoryA(folder.c_str(), nullptr), "CreateDirectoryA failed");
    std::string setup = folder + "\\setup.exe";
    std::string renamed = folder + "\\setup.Vxe";
    Make(setup, "setup");

    DWORD error = Move(setup, renamed);
    ok(error == 0, "rename failed, error %lu", static_cast<unsigned long>(error));
    ok(!Exists(setup) && Contents(renamed) == "setup", "rename did not move the contents");

    Make(setup, "second");
    error = Move(setup, renamed);
    ok(error == ERROR_ALREADY_EXISTS, "rename onto an existing file gave %lu", static_cast<unsigned long>(error));
    ok(Contents(renamed) == "setup" && Contents(setup) == "second", "failed rename changed a file");

    error = Move(folder + "\\absent.exe", folder + "\\absent.Vxe");
    ok(error == ERROR_FILE_NOT_FOUND, "rename of a missing file gave %lu", static_cast<unsigned long>(error));
    error = Move(setup, folder + "\\nofolder\\setup.exe");
    ok(error == ERROR_PATH_NOT_FOUND, "rename into a missing folder gave %lu", static_cast<unsigned long>(error));

    // A path without any dot renames onto itself.
    std::string plain = folder + "\\plain";
    Make(plain, "plain");
    error = Move(plain, plain);
    ok(error == 0, "rename onto its own name gave %lu", static_cast<unsigned long>(error));
    ok(Contents(plain) == "plain", "rename onto its own name lost the file");

    // Read-only, hidden and system files can be renamed, and keep their attributes.
    const DWORD kProtected = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    ok(SetFileAttributesA(setup.c_str(), kProtected), "SetFileAttributesA failed");
    std::string moved = folder + "\\setup.Vxx";
    error = Move(setup, moved);
    ok(error == 0, "rename of a read-only file gave %lu", static_cast<unsigned long>(error));
    // (Wine reports the archive bit on every file.)
    ok((GetFileAttributesA(moved.c_str()) & ~FILE_ATTRIBUTE_ARCHIVE) == kProtected, "renamed file has attributes 0x%lx",
       static_cast<unsigned long>(GetFileAttributesA(moved.c_str())));
    ok(SetFileAttributesA(moved.c_str(), FILE_ATTRIBUTE_ARCHIVE), "attribute reset failed");

    // Held open without delete sharing: the rename is refused.
    HANDLE holder = CreateFileA(moved.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    error = Move(moved, setup);
    ok(error == ERROR_SHARING_VIOLATION, "rename of a held file gave %lu", static_cast<unsigned long>(error));
    CloseHandle(holder);

    // Copies: over an older copy, refused when asked to keep it.
    std::string copy = folder + "\\copy.ini";
    ok(CopyFileA(renamed.c_str(), copy.c_str(), FALSE), "CopyFileA failed, error %lu",
       static_cast<unsigned long>(GetLastError()));
    ok(Contents(copy) == "setup", "copy holds %s", Contents(copy).c_str());
    ok(CopyFileA(plain.c_str(), copy.c_str(), FALSE), "copy over an older copy failed");
    ok(Contents(copy) == "plain", "overwritten copy holds %s", Contents(copy).c_str());
    SetLastError(0xdeadbeef);
    ok(!CopyFileA(renamed.c_str(), copy.c_str(), TRUE), "copy onto an existing file with failIfExists succeeded");
    ok(GetLastError() == ERROR_FILE_EXISTS, "failIfExists gave error %lu", static_cast<unsigned long>(GetLastError()));
    SetLastError(0xdeadbeef);
    ok(!CopyFileA((folder + "\\absent.ini").c_str(), copy.c_str(), FALSE), "copy of a missing file succeeded");
    ok(GetLastError() == ERROR_FILE_NOT_FOUND, "copy of a missing file gave error %lu",
       static_cast<unsigned long>(GetLastError()));

    for (const std::string& path : {renamed, moved, plain, copy})
        ok(DeleteFileA(path.c_str()), "DeleteFileA(%s) failed", path.c_str());
    ok(RemoveDirectoryA(folder.c_str()), "RemoveDirectoryA failed, error %lu", static_cast<unsigned long>(GetLastError()));
}

void TestDelayedDeletion(const char* root) {
    std::string file = Join(root, "atboot.exe");
    Make(file, "boot");
    // Only recorded: the file stays until the next start.
    SetLastError(0xdeadbeef);
    ok(MoveFileExA(file.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT), "delayed deletion refused, error %lu",
       static_cast<unsigned long>(GetLastError()));
    ok(Exists(file), "delayed deletion removed the file at once");
    ok(DeleteFileA(file.c_str()), "DeleteFileA failed");
}
