// Environment strings and the system folder of the simulated machine.
#include "winsim/environment.h"

#include <algorithm>
#include <cstring>

#include "winsim/machine.h"
#include "winsim/registry.h"

namespace winsim {

Environment::Environment() { Set("SystemRoot", "C:\\WINDOWS"); }

void Environment::Set(const std::string& name, const std::string& value) {
    for (auto& variable : variables_) {
        if (CompareRegistryNames(variable.first, name) == 0) {
            variable.second = value;
            return;
        }
    }
    variables_.emplace_back(name, value);
}

void Environment::Unset(const std::string& name) {
    for (auto it = variables_.begin(); it != variables_.end(); ++it) {
        if (CompareRegistryNames(it->first, name) != 0) continue;
        variables_.erase(it);
        return;
    }
}

bool Environment::Get(const std::string& name, std::string* value) const {
    for (const auto& variable : variables_) {
        if (CompareRegistryNames(variable.first, name) != 0) continue;
        *value = variable.second;
        return true;
    }
    return false;
}

std::string Environment::SystemDirectory(bool ntFamily) const {
    if (!systemDirectory.empty()) return systemDirectory;
    return ntFamily ? "C:\\WINDOWS\\SYSTEM32" : "C:\\WINDOWS\\SYSTEM";
}

}  // namespace winsim

using winsim::TheMachine;

// A variable's value; windir, unless set, is the Windows folder that
// GetWindowsDirectoryA answers.
static bool Lookup(const winsim::Machine& m, const std::string& name, std::string* value) {
    if (m.environment.Get(name, value)) return true;
    if (winsim::CompareRegistryNames(name, "windir") != 0) return false;
    *value = m.files.windowsDirectory;
    return true;
}

// %NAME% of a defined variable is replaced; an undefined %NAME% stays as
// written, and scanning goes on after its closing "%" (Wine 8 turns
// "%FOO%windir%" into itself); a lone "%" stays too.
static std::string Expand(const winsim::Machine& m, const std::string& source) {
    std::string out;
    size_t i = 0;
    while (i < source.size()) {
        if (source[i] != '%') {
            out += source[i++];
            continue;
        }
        size_t close = source.find('%', i + 1);
        if (close == std::string::npos) {
            out += source.substr(i);
            break;
        }
        std::string value;
        if (close > i + 1 && Lookup(m, source.substr(i + 1, close - i - 1), &value)) {
            out += value;
            i = close + 1;
        } else {
            out += source.substr(i, close - i + 1);
            i = close + 1;
        }
    }
    return out;
}

DWORD ExpandEnvironmentStringsA(LPCSTR source, LPSTR destination, DWORD size) {
    winsim::Machine& m = TheMachine();
    if (source == nullptr) {
        m.lastError = ERROR_INVALID_PARAMETER;
        return 0;
    }
    if (winsim::Injected("ExpandEnvironmentStringsA", source)) return 0;
    std::string expanded = Expand(m, source);
    // Success and too small both answer the characters needed with the
    // terminator; a buffer too small receives as much as fits, terminated
    // (as Wine 8 does).
    DWORD needed = static_cast<DWORD>(expanded.size() + 1);
    if (destination != nullptr && size > 0) {
        DWORD copied = std::min<DWORD>(needed - 1, size - 1);
        memcpy(destination, expanded.data(), copied);
        destination[copied] = '\0';
    }
    return needed;
}

UINT GetSystemDirectoryA(LPSTR buffer, UINT size) {
    winsim::Machine& m = TheMachine();
    if (winsim::Injected("GetSystemDirectoryA")) return 0;
    std::string folder = m.environment.SystemDirectory(m.version.platformId == VER_PLATFORM_WIN32_NT);
    // Fits: the length without the terminator; else the size needed with it.
    if (buffer == nullptr || size <= folder.size()) return static_cast<UINT>(folder.size() + 1);
    memcpy(buffer, folder.c_str(), folder.size() + 1);
    return static_cast<UINT>(folder.size());
}
