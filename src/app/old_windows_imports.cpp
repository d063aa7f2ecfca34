// The compiler's run-time library asks kernel32 for a few functions that
// Windows 98 either lacks or exports only as stubs that always fail: the
// "W" forms of CreateSemaphore, GetModuleHandle and LoadLibrary (thread
// support of the exception machinery, the C library's locale look-ups)
// and IsDBCSLeadByteEx (multibyte conversion in printf). The import slots
// the library links against are filled here with our own versions built
// on functions every 32-bit Windows has, so bruvane.exe imports none of
// the four and loads on Windows 98 and NT 4 alike.
#include <windows.h>

namespace {

// Names the run-time passes are short ASCII module names ("msvcrt.dll",
// the compiler's own DLL); anything longer than a path is refused.
bool NarrowName(LPCWSTR wide, char* narrow, int size) {
    if (wide == nullptr) return false;
    int written = WideCharToMultiByte(CP_ACP, 0, wide, -1, narrow, size, nullptr, nullptr);
    return written > 0;
}

HANDLE WINAPI AnsiCreateSemaphoreW(LPSECURITY_ATTRIBUTES attributes, LONG initial, LONG maximum, LPCWSTR name) {
    if (name == nullptr) return CreateSemaphoreA(attributes, initial, maximum, nullptr);
    char narrow[MAX_PATH];
    if (!NarrowName(name, narrow, sizeof narrow)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return CreateSemaphoreA(attributes, initial, maximum, narrow);
}

HMODULE WINAPI AnsiGetModuleHandleW(LPCWSTR name) {
    if (name == nullptr) return GetModuleHandleA(nullptr);
    char narrow[MAX_PATH];
    if (!NarrowName(name, narrow, sizeof narrow)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return GetModuleHandleA(narrow);
}

HMODULE WINAPI AnsiLoadLibraryW(LPCWSTR name) {
    char narrow[MAX_PATH];
    if (!NarrowName(name, narrow, sizeof narrow)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return LoadLibraryA(narrow);
}

// The lead-byte ranges of the code page, as GetCPInfo reports them.
BOOL WINAPI LeadByteOfCodePage(UINT codePage, BYTE value) {
    CPINFO info;
    if (!GetCPInfo(codePage, &info)) return FALSE;
    for (int i = 0; i + 1 < MAX_LEADBYTES && (info.LeadByte[i] != 0 || info.LeadByte[i + 1] != 0); i += 2)
        if (value >= info.LeadByte[i] && value <= info.LeadByte[i + 1]) return TRUE;
    return FALSE;
}

}  // namespace

extern "C" {
void* ImportCreateSemaphoreW __asm__("__imp__CreateSemaphoreW@16") = reinterpret_cast<void*>(&AnsiCreateSemaphoreW);
void* ImportGetModuleHandleW __asm__("__imp__GetModuleHandleW@4") = reinterpret_cast<void*>(&AnsiGetModuleHandleW);
void* ImportLoadLibraryW __asm__("__imp__LoadLibraryW@4") = reinterpret_cast<void*>(&AnsiLoadLibraryW);
void* ImportIsDBCSLeadByteEx __asm__("__imp__IsDBCSLeadByteEx@8") = reinterpret_cast<void*>(&LeadByteOfCodePage);
}
