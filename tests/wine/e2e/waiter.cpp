// A program that does nothing but stay running: the scenarios turn it
// into an "infected" process image with mksample --runnable. Windows
// keeps a running program's image from being deleted; Wine does not, so
// the program holds its own file open without delete sharing, the way
// Windows would. Given a path, it holds that file instead: a file locked
// by a process that is not running it.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int) {
    char path[MAX_PATH];
    DWORD length = 0;
    if (commandLine != nullptr && commandLine[0] != '\0') {
        lstrcpynA(path, commandLine, sizeof path);
        length = static_cast<DWORD>(lstrlenA(path));
    } else {
        length = GetModuleFileNameA(nullptr, path, sizeof path);
    }
    HANDLE image = INVALID_HANDLE_VALUE;
    if (length > 0 && length < sizeof path)
        image = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    // "<file>.ready" tells the scenario that the lock is in place.
    const char kReady[] = ".ready";
    if (image != INVALID_HANDLE_VALUE && length + sizeof kReady <= sizeof path) {
        lstrcatA(path, kReady);
        HANDLE ready = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        if (ready != INVALID_HANDLE_VALUE) CloseHandle(ready);
    }
    // Ten minutes at most, should a scenario forget to end it.
    Sleep(600000);
    if (image != INVALID_HANDLE_VALUE) CloseHandle(image);
    return 0;
}
