// A small infected Windows installation for the offline tests, written at
// run time: the Windows folder as each version spells it, an infected
// program (a synthetic sample) with the Run and RunServices values that
// start it, the trojan's uninstall entry and Run value, neighbours that
// must stay, a service registration in both control sets, and the
// SOFTWARE and SYSTEM hives made through test_hives.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace testhives {

enum class WindowsKind { kNt4, kXp, kWindows7, kWindows10x64, kWindows98 };

struct InstallationValue {
    std::string hive;     // "SOFTWARE" or "SYSTEM"
    std::string keyPath;  // below the hive's root; SOFTWARE keys with inView below the 32-bit view
    bool inView;          // on 64-bit Windows under Wow6432Node
    std::string name;
    uint32_t type;
    std::string data;  // UTF-8 text for the string types, else the bytes
};

struct InstallationFile {
    std::string path;  // below the root, with '/'
    int record;        // a matching sample of this record, or 0 for `contents`
    std::string contents;
};

struct TestInstallation {
    WindowsKind kind;
    std::string windowsFolder;  // "WINDOWS", "WINNT", "Windows"
    std::string systemFolder;   // "system32", "System32", "SYSTEM"
    std::string configFolder;   // "config"
    std::string softwareFile;   // "software" (XP) or "SOFTWARE"
    std::string systemFile;
    bool wow64 = false;
    std::vector<InstallationValue> values;
    std::vector<std::pair<std::string, std::string>> keys;  // hive, key path: keys without values
    std::vector<InstallationFile> files;
    std::string infectedFile;  // Windows path of the sample, "C:\WINDOWS\system32\svcupd.exe"
};

TestInstallation InfectedInstallation(WindowsKind kind);

// Folders, files and hives below `root` (which must exist).
bool WriteInstallation(const TestInstallation& installation, const std::string& root, std::string* error);

// Host paths of the two hives, and a value's key path in its hive.
std::string SoftwareHivePath(const TestInstallation& installation, const std::string& root);
std::string SystemHivePath(const TestInstallation& installation, const std::string& root);
std::string HiveKeyPath(const TestInstallation& installation, const InstallationValue& value);

}  // namespace testhives
