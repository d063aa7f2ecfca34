#include "scan_folders.h"

#include <dirent.h>
#include <sys/stat.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "winsim/machine.h"

namespace {

bool CheckFolder(const std::string& folder, std::string* resolved, std::string* error) {
    char real[PATH_MAX];
    if (realpath(folder.c_str(), real) == nullptr) {
        *error = "cannot scan '" + folder + "': " + strerror(errno);
        return false;
    }
    struct stat st;
    if (stat(real, &st) != 0 || !S_ISDIR(st.st_mode)) {
        *error = "cannot scan '" + folder + "': " + strerror(ENOTDIR);
        return false;
    }
    DIR* dir = opendir(real);
    if (dir == nullptr) {
        *error = "cannot scan '" + folder + "': " + strerror(errno);
        return false;
    }
    closedir(dir);
    *resolved = real;
    return true;
}

}  // namespace

bool MapScanFolders(const std::vector<DriveMapping>& drives, std::vector<std::string>* resolved,
                    std::string* error) {
    resolved->clear();
    for (const DriveMapping& drive : drives) {
        std::string real;
        if (!CheckFolder(drive.hostFolder, &real, error)) {
            resolved->clear();
            return false;
        }
        resolved->push_back(real);
    }
    for (size_t i = 0; i < drives.size(); ++i)
        winsim::TheMachine().files.MapDrive(drives[i].letter, (*resolved)[i], DRIVE_FIXED);
    return true;
}
