// Where a mounted Windows installation keeps its Windows folder and its
// registry. Names are matched ignoring case, as Windows matches them: a
// Linux mount keeps each name as the installation spelt it (XP writes
// "WINDOWS\system32\config\software", Windows 10 "Windows\System32\config\SOFTWARE").
#pragma once

#include <string>

struct WindowsInstallation {
    std::string root;           // host folder of the installation (drive C:)
    std::string windowsFolder;  // the Windows folder's name as on disk: "Windows", "WINDOWS", "WINNT"
    // NT family: the two hives in Windows\System32\config, host paths and
    // the Windows path of their folder as the scan shows it.
    std::string softwareHive;
    std::string systemHive;
    std::string configFolder;        // host path
    std::string configWindowsPath;   // "C:\WINDOWS\system32\config"
    // Windows 95/98/Me: the registry is SYSTEM.DAT and USER.DAT, which
    // hivex cannot read; only the files are scanned.
    bool nineX = false;
};

// Finds the Windows folder below `root` (Windows, or WINNT as NT 4 and
// 2000 name it) and its registry files. False with *error when `root`
// holds no Windows installation, or two of them.
bool FindWindowsInstallation(const std::string& root, WindowsInstallation* found, std::string* error);

// The entry of `folder` whose name equals `name` ignoring ASCII case; ""
// when there is none. Links are not followed.
std::string FindEntryIgnoringCase(const std::string& folder, const std::string& name, bool wantFolder);
