// The machine's environment variables and its system folder, as
// ExpandEnvironmentStringsA and GetSystemDirectoryA report them.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace winsim {

class Environment {
public:
    // SystemRoot is C:\WINDOWS. windir is not kept here unless Set: the
    // expansion answers it from the file system's windowsDirectory, so that
    // %windir% and GetWindowsDirectoryA cannot name different folders.
    Environment();

    // Names ignore case, as on Windows. Get answers only what was Set.
    void Set(const std::string& name, const std::string& value);
    void Unset(const std::string& name);
    bool Get(const std::string& name, std::string* value) const;

    // What GetSystemDirectoryA answers; empty: C:\WINDOWS\SYSTEM32 on the NT
    // family, C:\WINDOWS\SYSTEM on the 9x family.
    std::string systemDirectory;
    std::string SystemDirectory(bool ntFamily) const;

private:
    std::vector<std::pair<std::string, std::string>> variables_;
};

}  // namespace winsim
