// A program that does nothing but stay running: the scenarios turn it
// into an "infected" process image with mksample --runnable. Windows
// keeps a running program's image from being deleted; Wine does not, so
// the program holds its own file open without delete sharing, the way
// Windows would. Given a path, it holds that file instead: a file locked
// by a process that is not running it. Given "--guarded", it holds its
// own file and refuses to be terminated by anyone, as a process that
// runs under a service account does to an ordinary program.
#include <windows.h>

namespace {

// Everyone may do anything to this process except terminate it: the
// denial comes first, so it wins over the grant.
bool RefuseTermination() {
    SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
    PSID everyone = nullptr;
    if (!AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone)) return false;
    DWORD sidLength = GetLengthSid(everyone);
    DWORD aclSize = sizeof(ACL) + 2 * (sizeof(ACCESS_ALLOWED_ACE) - sizeof(DWORD) + sidLength);
    HANDLE heap = GetProcessHeap();
    PACL acl = static_cast<PACL>(HeapAlloc(heap, HEAP_ZERO_MEMORY, aclSize));
    bool done = acl != nullptr && InitializeAcl(acl, aclSize, ACL_REVISION) &&
                AddAccessDeniedAce(acl, ACL_REVISION, PROCESS_TERMINATE, everyone) &&
                AddAccessAllowedAce(acl, ACL_REVISION, PROCESS_ALL_ACCESS & ~PROCESS_TERMINATE, everyone);
    SECURITY_DESCRIPTOR descriptor;
    done = done && InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) &&
           SetSecurityDescriptorDacl(&descriptor, TRUE, acl, FALSE) &&
           SetKernelObjectSecurity(GetCurrentProcess(), DACL_SECURITY_INFORMATION, &descriptor);
    if (acl != nullptr) HeapFree(heap, 0, acl);
    FreeSid(everyone);
    return done;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int) {
    char path[MAX_PATH];
    DWORD length = 0;
    bool guarded = commandLine != nullptr && lstrcmpA(commandLine, "--guarded") == 0;
    if (commandLine != nullptr && commandLine[0] != '\0' && !guarded) {
        lstrcpynA(path, commandLine, sizeof path);
        length = static_cast<DWORD>(lstrlenA(path));
    } else {
        length = GetModuleFileNameA(nullptr, path, sizeof path);
    }
    // A guarded program that could not guard itself says nothing is ready.
    if (guarded && !RefuseTermination()) return 1;
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
