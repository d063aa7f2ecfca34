// Listing, drive types, _access and deletion: what the walk and the
// removal rely on, checked the same way on winsim and on Wine.
#include <cstdio>
#include <cstring>
#include <set>
#include <string>

#include "conformance.h"
#include "ok.h"
#include "platform/win32.h"

namespace {

std::string Join(const char* root, const char* rest) { return std::string(root) + rest; }

void WriteFileWithTextAt(const char* callerFile, int callerLine, const std::string& path, const char* text) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ok_(callerFile, callerLine)(file != INVALID_HANDLE_VALUE, "CreateFileA(%s) failed, error %lu", path.c_str(),
                                static_cast<unsigned long>(GetLastError()));
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0xdeadbeef;
    BOOL wrote = WriteFile(file, text, static_cast<DWORD>(strlen(text)), &written, nullptr);
    ok_(callerFile, callerLine)(wrote && written == strlen(text), "WriteFile wrote %lu",
                                static_cast<unsigned long>(written));
    CloseHandle(file);
}
#define WriteFileWithText(...) WriteFileWithTextAt(__FILE__, __LINE__, __VA_ARGS__)

// Names a pattern lists, with the attributes of each kept in `folders`.
std::set<std::string> ListAt(const char* callerFile, int callerLine, const std::string& pattern,
                             std::set<std::string>* folders, DWORD* error) {
    std::set<std::string> names;
    WIN32_FIND_DATAA data;
    memset(&data, 0xbd, sizeof data);
    SetLastError(0xdeadbeef);
    HANDLE find = FindFirstFileA(pattern.c_str(), &data);
    *error = find == INVALID_HANDLE_VALUE ? GetLastError() : 0;
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
        names.insert(data.cFileName);
        if (folders && (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) folders->insert(data.cFileName);
    } while (FindNextFileA(find, &data));
    DWORD end = GetLastError();
    ok_(callerFile, callerLine)(end == ERROR_NO_MORE_FILES, "FindNextFileA ended with error %lu",
                                static_cast<unsigned long>(end));
    ok_(callerFile, callerLine)(FindClose(find), "FindClose failed");
    return names;
}
#define List(...) ListAt(__FILE__, __LINE__, __VA_ARGS__)

std::string Describe(const std::set<std::string>& names) {
    std::string text;
    for (const std::string& name : names) text += "[" + name + "]";
    return text;
}

}  // namespace

void TestFileListing(const char* root) {
    std::string folder = Join(root, "listing");
    ok(CreateDirectoryA(folder.c_str(), nullptr), "CreateDirectoryA(%s) error %lu", folder.c_str(),
       static_cast<unsigned long>(GetLastError()));
    WriteFileWithText(folder + "\\a.txt", "12345");
    WriteFileWithText(folder + "\\noext", "");
    WriteFileWithText(folder + "\\name", "");
    WriteFileWithText(folder + "\\name.dat", "");
    ok(CreateDirectoryA((folder + "\\sub").c_str(), nullptr), "CreateDirectoryA(sub) failed");

    DWORD error;
    std::set<std::string> folders;
    std::set<std::string> all = List(folder + "\\*.*", &folders, &error);
    const std::set<std::string> expected = {".", "..", "a.txt", "name", "name.dat", "noext", "sub"};
    ok(all == expected, "*.* listed %s", Describe(all).c_str());
    const std::set<std::string> expectedFolders = {".", "..", "sub"};
    ok(folders == expectedFolders, "folders listed %s", Describe(folders).c_str());

    std::set<std::string> named = List(folder + "\\name.*", nullptr, &error);
    const std::set<std::string> expectedNamed = {"name", "name.dat"};
    ok(named == expectedNamed, "name.* listed %s", Describe(named).c_str());

    // What the single-file walk does: the exact path of one file.
    WIN32_FIND_DATAA data;
    memset(&data, 0xbd, sizeof data);
    HANDLE find = FindFirstFileA((folder + "\\A.TXT").c_str(), &data);
    ok(find != INVALID_HANDLE_VALUE, "exact name in other case not found, error %lu",
       static_cast<unsigned long>(GetLastError()));
    if (find != INVALID_HANDLE_VALUE) {
        ok(strcmp(data.cFileName, "a.txt") == 0, "name reported as %s", data.cFileName);
        ok(data.nFileSizeLow == 5 && data.nFileSizeHigh == 0, "size %lu", static_cast<unsigned long>(data.nFileSizeLow));
        ok((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0, "a file reported as folder");
        ok((data.dwFileAttributes & FILE_ATTRIBUTE_ARCHIVE) != 0, "new file without archive bit: 0x%lx",
           static_cast<unsigned long>(data.dwFileAttributes));
        ok(!FindNextFileA(find, &data) && GetLastError() == ERROR_NO_MORE_FILES, "exact name listed twice");
        FindClose(find);
    }

    List(folder + "\\nomatch.*", nullptr, &error);
    ok(error == ERROR_FILE_NOT_FOUND, "no match gave error %lu", static_cast<unsigned long>(error));
    List(folder + "\\missing\\*.*", nullptr, &error);
    ok(error == ERROR_PATH_NOT_FOUND, "missing folder gave error %lu", static_cast<unsigned long>(error));

    std::set<std::string> rootNames = List(Join(root, "*.*"), nullptr, &error);
    ok(rootNames.count(".") == 0 && rootNames.count("..") == 0, "drive root listed dots: %s",
       Describe(rootNames).c_str());
    ok(rootNames.count("listing") == 1, "drive root did not list the folder: %s", Describe(rootNames).c_str());

    for (const char* name : {"\\a.txt", "\\noext", "\\name", "\\name.dat"})
        ok(DeleteFileA((folder + name).c_str()), "DeleteFileA(%s) failed", name);

    // A file deleted while a listing of its (small) folder is under way is
    // still handed out, so the walk counts it; it just no longer opens.
    std::string late = folder + "\\late.txt";
    WriteFileWithText(late, "123");
    std::set<std::string> handedOut;
    find = FindFirstFileA((folder + "\\*.*").c_str(), &data);
    ok(find != INVALID_HANDLE_VALUE, "listing with late.txt failed, error %lu", static_cast<unsigned long>(GetLastError()));
    if (find != INVALID_HANDLE_VALUE) {
        handedOut.insert(data.cFileName);
        ok(DeleteFileA(late.c_str()), "DeleteFileA(late.txt) during the listing failed");
        while (FindNextFileA(find, &data)) handedOut.insert(data.cFileName);
        FindClose(find);
    }
    ok(handedOut.count("late.txt") == 1, "a file deleted during the listing was not handed out: %s",
       Describe(handedOut).c_str());
    ok(GetFileAttributesA(late.c_str()) == INVALID_FILE_ATTRIBUTES, "late.txt still there after its deletion");

    ok(RemoveDirectoryA((folder + "\\sub").c_str()), "RemoveDirectoryA(sub) failed");
    ok(RemoveDirectoryA(folder.c_str()), "RemoveDirectoryA failed, error %lu", static_cast<unsigned long>(GetLastError()));
}

void TestDriveTypes(const char* root) {
    char mapped[4] = {root[0], ':', '\\', '\0'};
    ok(GetDriveTypeA(mapped) == DRIVE_FIXED, "mapped folder %s has type %u", mapped, GetDriveTypeA(mapped));
    ok(GetDriveTypeA("Q:\\") == DRIVE_NO_ROOT_DIR, "unmapped Q: has type %u", GetDriveTypeA("Q:\\"));
}

void TestAccess(const char* root) {
    std::string file = Join(root, "access.txt");
    std::string folder = Join(root, "accessdir");
    WriteFileWithText(file, "x");
    ok(CreateDirectoryA(folder.c_str(), nullptr), "CreateDirectoryA failed");

    ok(_access(file.c_str(), 0) == 0, "existing file not found");
    ok(_access(file.c_str(), 4) == 0, "existing file not readable");
    ok(_access(file.c_str(), 6) == 0, "existing file not read-write");
    ok(_access(folder.c_str(), 0) == 0, "existing folder not found");
    ok(_access(Join(root, "absent.txt").c_str(), 0) == -1, "missing file found");
    ok(_access(Join(root, "absent\\deeper.txt").c_str(), 4) == -1, "file in missing folder found");

    ok(SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_READONLY), "SetFileAttributesA failed");
    ok(_access(file.c_str(), 2) == -1, "read-only file writable");
    ok(_access(file.c_str(), 4) == 0, "read-only file not readable");
    ok(SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_ARCHIVE), "SetFileAttributesA failed");
    ok(_access(file.c_str(), 2) == 0, "file still read-only");

    ok(DeleteFileA(file.c_str()), "DeleteFileA failed");
    ok(RemoveDirectoryA(folder.c_str()), "RemoveDirectoryA failed");
}

void TestDeletion(const char* root) {
    std::string file = Join(root, "delete.exe");
    WriteFileWithText(file, "MZ");

    ok(SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM),
       "SetFileAttributesA failed");
    SetLastError(0xdeadbeef);
    ok(!DeleteFileA(file.c_str()), "read-only file deleted");
    ok(GetLastError() == ERROR_ACCESS_DENIED, "read-only deletion gave error %lu",
       static_cast<unsigned long>(GetLastError()));
    ok(SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_ARCHIVE), "attribute reset failed");
    DWORD attributes = GetFileAttributesA(file.c_str());
    ok(attributes == FILE_ATTRIBUTE_ARCHIVE, "attributes after reset 0x%lx", static_cast<unsigned long>(attributes));

    // Held open without delete sharing: the deletion is refused until closed,
    // while attributes can still be changed.
    HANDLE holder = CreateFileA(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ok(holder != INVALID_HANDLE_VALUE, "open for holding failed");
    ok(SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_ARCHIVE), "attributes of a held file not changeable");
    SetLastError(0xdeadbeef);
    ok(!DeleteFileA(file.c_str()), "held file deleted");
    ok(GetLastError() == ERROR_SHARING_VIOLATION, "held deletion gave error %lu",
       static_cast<unsigned long>(GetLastError()));
    CloseHandle(holder);
    ok(DeleteFileA(file.c_str()), "deletion after close failed, error %lu", static_cast<unsigned long>(GetLastError()));

    SetLastError(0xdeadbeef);
    ok(!DeleteFileA(file.c_str()), "deleted twice");
    ok(GetLastError() == ERROR_FILE_NOT_FOUND, "second deletion gave error %lu",
       static_cast<unsigned long>(GetLastError()));
}
