// make_test_installation: writes the offline tests' infected Windows
// installation into a folder, for scripted runs of bruvane-scan --windows.
//
//   make_test_installation --out DIR [--windows nt4|xp|win7|win10x64|win98] [--damage-software]
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "test_installation.h"

int main(int argc, char** argv) {
    using testhives::WindowsKind;
    const std::map<std::string, WindowsKind> kinds = {{"nt4", WindowsKind::kNt4},
                                                      {"xp", WindowsKind::kXp},
                                                      {"win7", WindowsKind::kWindows7},
                                                      {"win10x64", WindowsKind::kWindows10x64},
                                                      {"win98", WindowsKind::kWindows98}};
    std::string out;
    std::string windows = "xp";
    bool damage = false;
    for (int i = 1; i < argc; ++i) {
        if (strcmp(argv[i], "--out") == 0 && i + 1 < argc) {
            out = argv[++i];
        } else if (strcmp(argv[i], "--windows") == 0 && i + 1 < argc) {
            windows = argv[++i];
        } else if (strcmp(argv[i], "--damage-software") == 0) {
            damage = true;
        } else {
            out.clear();
            break;
        }
    }
    if (out.empty() || kinds.count(windows) == 0) {
        fprintf(stderr, "usage: make_test_installation --out DIR [--windows nt4|xp|win7|win10x64|win98] "
                        "[--damage-software]\n");
        return 2;
    }
    testhives::TestInstallation installation = testhives::InfectedInstallation(kinds.at(windows));
    std::filesystem::create_directories(out);
    std::string error;
    if (!testhives::WriteInstallation(installation, out, &error)) {
        fprintf(stderr, "make_test_installation: %s\n", error.c_str());
        return 1;
    }
    if (damage) {
        // One byte of the base block changed: its checksum no longer holds.
        std::fstream hive(testhives::SoftwareHivePath(installation, out), std::ios::in | std::ios::out | std::ios::binary);
        hive.seekp(0x30);
        hive.put('\x5A');
    }
    printf("%s\n", installation.infectedFile.c_str());
    return 0;
}
