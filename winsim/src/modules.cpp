// The system libraries the program loads at run time and the functions it
// resolves in them by name. What each platform lacks is missing here too:
// the 9x family has no psapi.dll, and NT 4's kernel32 has no Toolhelp
// functions. A test can remove any library or function with the faults
// "LoadLibraryA" and "GetProcAddress", the name as the argument.
#include <strings.h>

#include <cstring>

#include "winsim/machine.h"
#include "processes_internal.h"

using winsim::TheMachine;

namespace {

struct Export {
    const char* name;
    FARPROC address;
};

struct Library {
    const char* name;  // lower case, with the extension
    uintptr_t base;
};

// Plain function pointers stand in for the library's exports; the cast
// through void (*)() is the one the compiler accepts between unrelated
// function types.
template <typename Function>
FARPROC AsFarProc(Function* function) {
    return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(function));
}

const Library kLibraries[] = {
    {"kernel32.dll", 0x7C800000},
    {"psapi.dll", 0x76BF0000},
    {"advapi32.dll", 0x77DD0000},
    {"user32.dll", 0x7E410000},
};

bool HasToolhelp() {
    winsim::VersionInfo& v = TheMachine().version;
    return v.platformId == VER_PLATFORM_WIN32_WINDOWS || v.major >= 5;
}

// The library named by a LoadLibraryA argument ("PSAPI", "psapi.dll",
// "C:\WINDOWS\system32\psapi.dll"), or nullptr.
const Library* LibraryNamed(const char* name) {
    std::string file = winsim::FileNameOf(name);
    if (file.find('.') == std::string::npos) file += ".dll";
    for (const Library& library : kLibraries)
        if (strcasecmp(library.name, file.c_str()) == 0) return &library;
    return nullptr;
}

const Library* LibraryAt(HMODULE module) {
    for (const Library& library : kLibraries)
        if (reinterpret_cast<uintptr_t>(module) == library.base) return &library;
    return nullptr;
}

FARPROC Lookup(const Library& library, const char* name) {
    if (strcmp(library.name, "kernel32.dll") == 0) {
        if (!HasToolhelp()) return nullptr;
        const Export exports[] = {
            {"CreateToolhelp32Snapshot", AsFarProc(&CreateToolhelp32Snapshot)},
            {"Process32First", AsFarProc(&Process32First)},
            {"Process32Next", AsFarProc(&Process32Next)},
        };
        for (const Export& e : exports)
            if (strcmp(e.name, name) == 0) return e.address;
    }
    if (strcmp(library.name, "psapi.dll") == 0) {
        const Export exports[] = {
            {"EnumProcesses", AsFarProc(&EnumProcesses)},
            {"GetModuleFileNameExA", AsFarProc(&GetModuleFileNameExA)},
        };
        for (const Export& e : exports)
            if (strcmp(e.name, name) == 0) return e.address;
    }
    return nullptr;
}

}  // namespace

HMODULE LoadLibraryA(LPCSTR name) {
    winsim::Machine& m = TheMachine();
    m.Log(std::string("LoadLibraryA(") + (name ? name : "") + ")");
    if (name == nullptr) {
        m.lastError = ERROR_INVALID_PARAMETER;
        return nullptr;
    }
    const Library* library = LibraryNamed(name);
    if (library != nullptr && strcmp(library->name, "psapi.dll") == 0 && winsim::OnWindows9x()) library = nullptr;
    if (winsim::Injected("LoadLibraryA", name)) return nullptr;
    if (library == nullptr) {
        m.lastError = ERROR_MOD_NOT_FOUND;
        return nullptr;
    }
    ++m.processes.loadCounts[library->name];
    return reinterpret_cast<HMODULE>(library->base);
}

FARPROC GetProcAddress(HMODULE module, LPCSTR name) {
    winsim::Machine& m = TheMachine();
    const Library* library = LibraryAt(module);
    // Names only: an ordinal (a value below 0x10000) is not supported here.
    if (reinterpret_cast<uintptr_t>(name) < 0x10000) {
        m.lastError = ERROR_PROC_NOT_FOUND;
        return nullptr;
    }
    m.Log(std::string("GetProcAddress(") + name + ")");
    // kernel32 is mapped into every process; the others only once loaded.
    bool mapped = library != nullptr &&
                  (strcmp(library->name, "kernel32.dll") == 0 || m.processes.loadCounts[library->name] > 0);
    if (!mapped) {
        m.lastError = ERROR_MOD_NOT_FOUND;
        return nullptr;
    }
    if (winsim::Injected("GetProcAddress", name)) return nullptr;
    FARPROC address = Lookup(*library, name);
    if (address == nullptr) m.lastError = ERROR_PROC_NOT_FOUND;
    return address;
}

BOOL FreeLibrary(HMODULE module) {
    winsim::Machine& m = TheMachine();
    const Library* library = LibraryAt(module);
    if (library == nullptr || m.processes.loadCounts[library->name] <= 0) {
        m.lastError = ERROR_MOD_NOT_FOUND;
        return FALSE;
    }
    --m.processes.loadCounts[library->name];
    return TRUE;
}
