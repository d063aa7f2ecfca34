// The process functions that not every Windows has: the Toolhelp snapshot
// functions of kernel32 (the 9x family, NT 5 and later) and the
// process-status library psapi.dll (NT only). They are resolved by name
// where they are used; a missing one is an ordinary result.
#pragma once

#include "platform/win32.h"

typedef HANDLE(WINAPI* CreateToolhelp32SnapshotFunction)(DWORD flags, DWORD processId);
typedef BOOL(WINAPI* Process32Function)(HANDLE snapshot, PROCESSENTRY32* entry);
typedef BOOL(WINAPI* EnumProcessesFunction)(DWORD* ids, DWORD size, DWORD* bytesReturned);
typedef DWORD(WINAPI* GetModuleFileNameExFunction)(HANDLE process, HMODULE module, LPSTR fileName, DWORD size);

extern const char kToolhelpLibrary[];  // "Kernel32.dll"
extern const char kPsapiLibrary[];     // "psapi.dll"

// The function `name` of a loaded library as the given pointer type;
// nullptr when the library lacks it.
template <typename Function>
Function ResolveFunction(HMODULE library, const char* name) {
    FARPROC address = GetProcAddress(library, name);
    // Through void (*)(): the conversion between unrelated function types
    // that compilers accept without a warning.
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(address));
}
