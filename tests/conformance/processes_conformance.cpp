// Processes, system libraries, services, code pages and the performance
// data: what the memory stage relies on, checked the same way on winsim
// and on Wine.
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "conformance.h"
#include "ok.h"
#include "platform/win32.h"

namespace {

unsigned long Error() { return static_cast<unsigned long>(GetLastError()); }

bool SnapshotHasAt(const char* callerFile, int callerLine, DWORD processId, std::string* exeFile) {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    ok_(callerFile, callerLine)(snapshot != INVALID_HANDLE_VALUE, "CreateToolhelp32Snapshot error %lu", Error());
    if (snapshot == INVALID_HANDLE_VALUE) return false;
    PROCESSENTRY32 entry;
    memset(&entry, 0xbd, sizeof entry);
    entry.dwSize = sizeof entry - 1;
    SetLastError(0xdeadbeef);
    ok_(callerFile, callerLine)(!Process32First(snapshot, &entry), "Process32First accepted a short entry");
    ok_(callerFile, callerLine)(GetLastError() == ERROR_INSUFFICIENT_BUFFER, "short entry: error %lu", Error());
    entry.dwSize = sizeof entry;
    bool found = false;
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry)) {
        if (entry.th32ProcessID != processId) continue;
        found = true;
        *exeFile = entry.szExeFile;
    }
    ok_(callerFile, callerLine)(GetLastError() == ERROR_NO_MORE_FILES, "Process32Next ended with error %lu", Error());
    CloseHandle(snapshot);
    return found;
}
#define SnapshotHas(...) SnapshotHasAt(__FILE__, __LINE__, __VA_ARGS__)

bool EnumeratedHasAt(const char* callerFile, int callerLine, DWORD processId) {
    DWORD ids[1024];
    DWORD bytes = 0xdeadbeef;
    // Ids beyond the buffer are dropped without an error.
    BOOL listed = EnumProcesses(ids, sizeof(DWORD), &bytes);
    ok_(callerFile, callerLine)(listed && bytes == sizeof(DWORD), "EnumProcesses with room for one id gave %lu bytes",
                                static_cast<unsigned long>(bytes));
    ok_(callerFile, callerLine)(EnumProcesses(ids, sizeof ids, &bytes), "EnumProcesses error %lu", Error());
    for (DWORD i = 0; i < bytes / sizeof(DWORD); ++i)
        if (ids[i] == processId) return true;
    return false;
}
#define EnumeratedHas(...) EnumeratedHasAt(__FILE__, __LINE__, __VA_ARGS__)

void CheckModuleFileNameAt(const char* callerFile, int callerLine, DWORD processId, const char* image) {
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId);
    ok_(callerFile, callerLine)(process != nullptr, "OpenProcess for reading error %lu", Error());
    if (process == nullptr) return;
    char name[MAX_PATH];
    memset(name, 0xbd, sizeof name);
    // A process that has only just been created may not have its main
    // module loaded yet: Wine answers 0 until then. Wait for it, bounded.
    DWORD length = 0;
    for (int tries = 0; tries < 100; ++tries) {
        length = GetModuleFileNameExA(process, nullptr, name, sizeof name);
        if (length != 0) break;
        Sleep(50);
    }
    ok_(callerFile, callerLine)(length == strlen(image) && _stricmp(name, image) == 0,
                                "GetModuleFileNameExA gave %lu [%s]", static_cast<unsigned long>(length), name);
    memset(name, 'x', sizeof name);
    length = GetModuleFileNameExA(process, nullptr, name, 4);
    ok_(callerFile, callerLine)(length == 4 && name[3] == '\0' && name[4] == 'x', "a 4-byte buffer gave %lu [%.4s]",
                                static_cast<unsigned long>(length), name);
    CloseHandle(process);
}
#define CheckModuleFileName(...) CheckModuleFileNameAt(__FILE__, __LINE__, __VA_ARGS__)

}  // namespace

void TestProcesses(const char* idleProgram) {
    STARTUPINFOA startup;
    memset(&startup, 0, sizeof startup);
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info;
    memset(&info, 0, sizeof info);
    std::string commandLine = std::string("\"") + idleProgram + "\" --idle";
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    BOOL started = CreateProcessA(idleProgram, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info);
    ok(started, "CreateProcessA(%s) error %lu", idleProgram, Error());
    if (!started) return;

    std::string exeFile;
    ok(SnapshotHas(info.dwProcessId, &exeFile), "the snapshot lacks the started process");
    // NT (and Wine in every mode) shows the bare name; only real 9x shows the path.
    const char* bareName = strrchr(idleProgram, '\\') ? strrchr(idleProgram, '\\') + 1 : idleProgram;
    ok(_stricmp(exeFile.c_str(), bareName) == 0, "szExeFile is [%s]", exeFile.c_str());
    ok(EnumeratedHas(info.dwProcessId), "EnumProcesses lacks the started process");
    CheckModuleFileName(info.dwProcessId, idleProgram);

    // A running image cannot be deleted: Windows and Wine answer 5,
    // winsim's open-file model 32. The program only needs the failure.
    SetLastError(0xdeadbeef);
    ok(!DeleteFileA(idleProgram), "DeleteFileA of a running image succeeded");
    ok(GetLastError() == ERROR_ACCESS_DENIED || GetLastError() == ERROR_SHARING_VIOLATION,
       "deleting a running image: error %lu", Error());

    HANDLE process = OpenProcess(PROCESS_TERMINATE | PROCESS_QUERY_INFORMATION, FALSE, info.dwProcessId);
    ok(process != nullptr, "OpenProcess for terminating error %lu", Error());
    if (process) {
        ok(TerminateProcess(process, 0), "TerminateProcess error %lu", Error());
        CloseHandle(process);
    }
    ok(WaitForSingleObject(info.hProcess, 5000) == WAIT_OBJECT_0, "the terminated process did not end");
    DWORD exitCode = 0xdeadbeef;
    ok(GetExitCodeProcess(info.hProcess, &exitCode) && exitCode == 0, "exit code %lu",
       static_cast<unsigned long>(exitCode));
    CloseHandle(info.hProcess);
    CloseHandle(info.hThread);
    ok(DeleteFileA(idleProgram), "DeleteFileA after the end: error %lu", Error());

    // Ids that name no process, the idle process's 0 included.
    for (DWORD id : {static_cast<DWORD>(0), static_cast<DWORD>(0x7FFFFFF0)}) {
        SetLastError(0xdeadbeef);
        ok(OpenProcess(PROCESS_TERMINATE | PROCESS_QUERY_INFORMATION, FALSE, id) == nullptr &&
               GetLastError() == ERROR_INVALID_PARAMETER,
           "OpenProcess(%lu): error %lu", static_cast<unsigned long>(id), Error());
    }
}

void TestSystemLibraries() {
    HMODULE kernel = LoadLibraryA("Kernel32.dll");
    HMODULE psapi = LoadLibraryA("psapi.dll");
    ok(kernel != nullptr && psapi != nullptr, "LoadLibraryA error %lu", Error());
    if (kernel == nullptr || psapi == nullptr) return;
    for (const char* name : {"CreateToolhelp32Snapshot", "Process32First", "Process32Next"})
        ok(GetProcAddress(kernel, name) != nullptr, "kernel32 lacks %s", name);
    for (const char* name : {"EnumProcesses", "GetModuleFileNameExA"})
        ok(GetProcAddress(psapi, name) != nullptr, "psapi lacks %s", name);
    SetLastError(0xdeadbeef);
    ok(GetProcAddress(psapi, "enumprocesses") == nullptr && GetLastError() == ERROR_PROC_NOT_FOUND,
       "a name in the wrong case resolved (error %lu)", Error());
}

void TestServiceManager() {
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    ok(manager != nullptr, "OpenSCManagerA error %lu", Error());
    if (manager == nullptr) return;
    SetLastError(0xdeadbeef);
    // The program asks its service for the manager's number too.
    SC_HANDLE service = OpenServiceA(manager, "BruvaneNoSuchService", SC_MANAGER_ALL_ACCESS);
    ok(service == nullptr && GetLastError() == ERROR_SERVICE_DOES_NOT_EXIST, "unknown service: error %lu", Error());
    if (service) CloseServiceHandle(service);
    ok(CloseServiceHandle(manager), "CloseServiceHandle error %lu", Error());
}

void TestCodePages() {
    if (GetACP() == 932) {
        const WCHAR japanese[] = {'a', 0x4E2D, 0};  // a中
        char out[8];
        memset(out, 'x', sizeof out);
        int count = WideCharToMultiByte(CP_ACP, 0, japanese, -1, out, sizeof out, nullptr, nullptr);
        ok(count == 4 && memcmp(out, "a\x92\x86", 4) == 0, "932: WideCharToMultiByte gave %d", count);
        return;
    }
    const WCHAR text[] = {'a', 0xE9, 0x4E2D, 0};
    char out[8];
    memset(out, 'x', sizeof out);
    int count = WideCharToMultiByte(CP_ACP, 0, text, -1, out, sizeof out, nullptr, nullptr);
    ok(count == 4 && out[0] == 'a' && static_cast<unsigned char>(out[1]) == 0xE9 && out[2] == '?' && out[3] == '\0',
       "WideCharToMultiByte gave %d [%.4s]", count, out);
    ok(WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr) == 4, "the size query");
    SetLastError(0xdeadbeef);
    ok(WideCharToMultiByte(CP_ACP, 0, text, -1, out, 2, nullptr, nullptr) == 0 &&
           GetLastError() == ERROR_INSUFFICIENT_BUFFER,
       "a small buffer: error %lu", Error());
}

void TestPerformanceData() {
    BYTE small[16];
    DWORD size = sizeof small;
    DWORD type = 0;
    LONG result = RegQueryValueExA(HKEY_PERFORMANCE_DATA, "230", nullptr, &type, small, &size);
    // Windows leaves the size undefined here; Wine and winsim leave 0.
    ok(result == ERROR_MORE_DATA, "a 16-byte buffer: result %ld", static_cast<long>(result));
    static BYTE block[1 << 18];
    size = sizeof block;
    result = RegQueryValueExA(HKEY_PERFORMANCE_DATA, "230", nullptr, &type, block, &size);
    ok(result == ERROR_SUCCESS, "the process object: result %ld", static_cast<long>(result));
    if (result == ERROR_SUCCESS) {
        DWORD total = 0;
        memcpy(&total, block + offsetof(PERF_DATA_BLOCK, TotalByteLength), sizeof total);
        ok(memcmp(block, "P\0E\0R\0F\0", 8) == 0, "no PERF signature");
        ok(type == REG_BINARY && total == size, "type %lu, total %lu of %lu", static_cast<unsigned long>(type),
           static_cast<unsigned long>(total), static_cast<unsigned long>(size));
    }
    ok(RegCloseKey(HKEY_PERFORMANCE_DATA) == ERROR_SUCCESS, "RegCloseKey(HKEY_PERFORMANCE_DATA)");
}
