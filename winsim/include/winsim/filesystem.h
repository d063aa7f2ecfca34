// Drives and files. A drive letter maps to a host folder and a drive type;
// the files themselves are real host files below that folder. Windows
// paths are translated here and nowhere else. Name lookup ignores case,
// as on Windows; attributes are kept by the machine, not on the host.
#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <map>
#include <string>

#include "winsim/types.h"

namespace winsim {

// False for a name Windows cannot hold: control characters, wildcards,
// quotes, angle brackets, '|' and path separators. A case-sensitive host
// may hold such names; Wine lists them but cannot open them.
bool IsValidWindowsName(const std::string& name);

struct Drive {
    std::string hostRoot;  // empty: the letter has no folder behind it
    UINT type = 1;         // DRIVE_NO_ROOT_DIR
};

class FileSystem {
public:
    // Maps "C" (or 'c') to a host folder with a drive type (DRIVE_FIXED by default).
    void MapDrive(char letter, const std::string& hostRoot, UINT type = 3);
    // A drive letter of a given type with no folder (CD-ROM without disc, ...).
    void SetDriveType(char letter, UINT type);
    const Drive& DriveOf(char letter) const;

    // Windows path -> host path. Existing components are matched ignoring
    // case; the rest are kept as written. False when the path is not an
    // absolute drive path of a mapped drive.
    bool ToHostPath(const std::string& windowsPath, std::string* hostPath) const;

    // Attributes of the file or folder at a host path (as Windows keeps them).
    DWORD Attributes(const std::string& hostPath) const;
    // The same for an entry a listing has already looked at: `name` in the
    // host folder (nullptr: the folder itself), a folder or not. No second
    // look at the host.
    DWORD AttributesOfEntry(const std::string& hostFolder, const char* name, bool folder) const;
    void SetAttributes(const std::string& hostPath, DWORD attributes);
    void ForgetAttributes(const std::string& hostPath);

    // Test conveniences over Windows paths.
    bool WriteFile(const std::string& windowsPath, const std::string& contents);
    bool ReadFile(const std::string& windowsPath, std::string* contents) const;
    bool Exists(const std::string& windowsPath) const;
    bool MakeDirectory(const std::string& windowsPath);

    // Open handles: sharing decides whether another open or a deletion may proceed.
    bool MayOpen(const std::string& hostPath, DWORD access, DWORD share) const;
    void NoteOpen(const std::string& hostPath, DWORD share);
    void ReleaseOpen(const std::string& hostPath, DWORD share);
    bool HeldWithoutDeleteSharing(const std::string& hostPath) const;

    void Clear();

    // Raised by every change the machine makes to files, folders or their
    // attributes; a listing kept from before such a change is not reused.
    void NoteChange() { ++generation_; }
    uint64_t Generation() const { return generation_; }

    // A listing is kept for reuse only when its folder last changed at least
    // this long ago (a coarse clock may not move on for a change within a
    // tick). Tests set 0. foldersRead counts the listings read in full.
    int listingSettleMs = 50;
    uint64_t foldersRead = 0;

private:
    struct RecentFolder {
        std::string windows;  // "C:\\dir\\", as the caller spelt it
        std::string host;     // the host folder it translated to
        dev_t device = 0;
        ino_t inode = 0;
        bool valid = false;
    };
    void RememberFolder(const std::string& windowsFolder, const std::string& hostFolder,
                        const struct stat* known) const;
    // 1: translated through the remembered folder; -1: refused; 0: not in it.
    int TranslateInRecentFolder(const std::string& windowsPath, std::string* hostPath) const;

    mutable RecentFolder recentFolder_;
    uint64_t generation_ = 0;
    std::multimap<std::string, DWORD> openShares_;  // host path -> share mode of each open handle
    Drive drives_[26];
    std::map<std::string, DWORD> attributes_;  // host path -> attributes other than the default
};

}  // namespace winsim
