#include "windows_installation.h"

#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>

#include <vector>

namespace {

// Every entry of `folder` named `name` ignoring case: a case-sensitive
// Linux file system can hold "Windows" and "WINDOWS" side by side.
std::vector<std::string> EntriesIgnoringCase(const std::string& folder, const std::string& name, bool wantFolder) {
    std::vector<std::string> names;
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr) return names;
    while (dirent* entry = readdir(dir)) {
        if (strcasecmp(entry->d_name, name.c_str()) != 0) continue;
        struct stat st;
        std::string path = folder + "/" + entry->d_name;
        if (lstat(path.c_str(), &st) != 0) continue;
        if (wantFolder ? S_ISDIR(st.st_mode) : S_ISREG(st.st_mode)) names.push_back(entry->d_name);
    }
    closedir(dir);
    return names;
}

// The NT hives of one Windows folder. False with *why when the folder is
// not an NT installation's; `why` stays empty when nothing of one is there.
bool FindNtHives(const std::string& root, const std::string& windowsName, WindowsInstallation* found,
                 std::string* why) {
    std::string windows = root + "/" + windowsName;
    std::string system32 = FindEntryIgnoringCase(windows, "System32", true);
    std::string config = system32.empty() ? "" : FindEntryIgnoringCase(windows + "/" + system32, "config", true);
    if (config.empty()) return false;
    std::string configFolder = windows + "/" + system32 + "/" + config;
    std::string configWindowsPath = "C:\\" + windowsName + "\\" + system32 + "\\" + config;
    std::string software = FindEntryIgnoringCase(configFolder, "SOFTWARE", false);
    std::string system = FindEntryIgnoringCase(configFolder, "SYSTEM", false);
    if (software.empty() && system.empty()) return false;
    if (software.empty() || system.empty()) {
        *why = configWindowsPath + " has no " + (software.empty() ? "SOFTWARE" : "SYSTEM") + " hive";
        return false;
    }
    found->windowsFolder = windowsName;
    found->configFolder = configFolder;
    found->configWindowsPath = configWindowsPath;
    found->softwareHive = configFolder + "/" + software;
    found->systemHive = configFolder + "/" + system;
    found->nineX = false;
    return true;
}

bool FindNineXRegistry(const std::string& root, const std::string& windowsName, WindowsInstallation* found) {
    if (FindEntryIgnoringCase(root + "/" + windowsName, "SYSTEM.DAT", false).empty()) return false;
    found->windowsFolder = windowsName;
    found->nineX = true;
    return true;
}

}  // namespace

std::string FindEntryIgnoringCase(const std::string& folder, const std::string& name, bool wantFolder) {
    std::vector<std::string> names = EntriesIgnoringCase(folder, name, wantFolder);
    // Two spellings of one name: Windows could reach only one of them, and
    // we cannot tell which; take neither.
    return names.size() == 1 ? names[0] : std::string();
}

bool FindWindowsInstallation(const std::string& root, WindowsInstallation* found, std::string* error) {
    std::vector<std::string> candidates = EntriesIgnoringCase(root, "Windows", true);
    for (const std::string& name : EntriesIgnoringCase(root, "WINNT", true)) candidates.push_back(name);

    std::vector<WindowsInstallation> installations;
    std::string why;
    for (const std::string& name : candidates) {
        WindowsInstallation candidate;
        candidate.root = root;
        if (FindNtHives(root, name, &candidate, &why) || FindNineXRegistry(root, name, &candidate))
            installations.push_back(candidate);
    }
    if (installations.size() == 1) {
        *found = installations[0];
        return true;
    }
    if (installations.size() > 1) {
        *error = "'" + root + "' holds more than one Windows folder with a registry (" +
                 installations[0].windowsFolder + ", " + installations[1].windowsFolder +
                 "); scan it with --drive C=" + root + " instead";
        return false;
    }
    *error = "'" + root + "' is not a Windows installation: " +
             (why.empty() ? std::string("it has no Windows folder with a registry "
                                        "(Windows\\System32\\config\\SOFTWARE and SYSTEM, or WINDOWS\\SYSTEM.DAT)")
                          : why);
    return false;
}
