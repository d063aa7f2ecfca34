#include "memory/system_functions.h"

const char kToolhelpLibrary[] = "Kernel32.dll";
const char kPsapiLibrary[] = "psapi.dll";

bool TerminateProcessById(DWORD processId, DWORD access) {
    HANDLE process = OpenProcess(access, FALSE, processId);
    if (process == nullptr) return false;
    bool ended = TerminateProcess(process, 0) != 0;
    CloseHandle(process);
    return ended;
}
