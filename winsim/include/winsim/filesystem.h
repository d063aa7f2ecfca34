// The machine's files, as tests and tools set them up and inspect them.
// A drive letter maps to a host folder and a drive type; the files
// themselves are real host files below that folder. Name lookup ignores
// case, as on Windows; what Windows keeps and the host cannot (attributes,
// 8.3 aliases, open handles' sharing, the runtime's descriptors, the
// operations for the next start) is kept by the machine. Each of those
// jobs has its own part in winsim/src (file_parts.h lists them).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "winsim/files_api.h"
#include "winsim/types.h"

namespace winsim {

struct FileParts;

// False for a name Windows cannot hold: control characters, wildcards,
// quotes, angle brackets, '|' and path separators. A case-sensitive host
// may hold such names; Wine lists them but cannot open them.
bool IsValidWindowsName(const std::string& name);

struct Drive {
    std::string hostRoot;  // empty: the letter has no folder behind it
    UINT type = 1;         // DRIVE_NO_ROOT_DIR
};

// One entry of the machine-wide list of operations carried out at the
// next start, spelled the way NT keeps them in PendingFileRenameOperations:
// source "\??\C:\dir\file"; target "" for a deletion, "\??\C:\new" for a
// rename, "!\??\C:\new" when the rename may replace an existing file.
struct PendingFileOperation {
    std::string source;
    std::string target;
};

class FileSystem {
public:
    FileSystem();
    FileSystem(const FileSystem&) = delete;
    FileSystem& operator=(const FileSystem&) = delete;
    ~FileSystem();

    // Folders that GetWindowsDirectoryA and GetTempPathA report.
    std::string windowsDirectory = "C:\\WINDOWS";
    std::string tempPath = "C:\\WINDOWS\\TEMP\\";

    // Maps "C" (or 'c') to a host folder with a drive type (DRIVE_FIXED by default).
    void MapDrive(char letter, const std::string& hostRoot, UINT type = 3);
    // A drive letter of a given type with no folder (CD-ROM without disc, ...).
    void SetDriveType(char letter, UINT type);
    const Drive& DriveOf(char letter) const;

    // Windows path -> host path. Existing components are matched ignoring
    // case, or by their 8.3 alias; the rest are kept as written. False when
    // the path is not an absolute drive path of a mapped drive.
    bool ToHostPath(const std::string& windowsPath, std::string* hostPath) const;

    // Test conveniences over Windows paths.
    bool WriteFile(const std::string& windowsPath, const std::string& contents);
    bool ReadFile(const std::string& windowsPath, std::string* contents) const;
    bool Exists(const std::string& windowsPath) const;
    bool MakeDirectory(const std::string& windowsPath);

    // Attributes of the file or folder at a host path (as Windows keeps them).
    DWORD Attributes(const std::string& hostPath) const;
    void SetAttributes(const std::string& hostPath, DWORD attributes);
    // A file or folder moved on the host: its attributes follow it, and it
    // gets a fresh alias in its new folder.
    void NoteMoved(const std::string& fromHostPath, const std::string& toHostPath);
    // A file or folder gone from the host: nothing kept for it stays.
    void NoteRemoved(const std::string& hostPath);

    // Open handles: sharing decides whether another open or a deletion may
    // proceed. A simulated process that runs a file holds it with
    // NoteOpen(host path, FILE_SHARE_READ) until it ends (ReleaseOpen with
    // the same arguments); `access` is GENERIC_READ / GENERIC_WRITE bits.
    bool MayOpen(const std::string& hostPath, DWORD access, DWORD share) const;
    void NoteOpen(const std::string& hostPath, DWORD share, DWORD access = 0x80000000u);
    void ReleaseOpen(const std::string& hostPath, DWORD share, DWORD access = 0x80000000u);
    size_t OpenCount(const std::string& hostPath) const;

    // Operations for the next start (MoveFileExA with MOVEFILE_DELAY_UNTIL_REBOOT).
    void AddPendingOperation(const PendingFileOperation& operation);
    const std::vector<PendingFileOperation>& PendingOperations() const;
    // The REG_MULTI_SZ data of PendingFileRenameOperations for the list:
    // source and target of each entry, each zero-terminated, and a final zero.
    std::string PendingFileRenameOperationsData() const;

    // Runtime-library descriptors open now (_open, fopen).
    size_t DescriptorCount() const;

    // Raised by every change the machine makes to files, folders or their
    // attributes; a listing kept from before such a change is not reused.
    void NoteChange() { ++generation_; }
    uint64_t Generation() const { return generation_; }

    // A listing is kept for reuse only when its folder last changed at least
    // this long ago (a coarse clock may not move on for a change within a
    // tick). Tests set 0. foldersRead counts the listings read in full.
    int listingSettleMs = 50;
    uint64_t foldersRead = 0;

    void Clear();

    // The parts behind all of the above, for winsim's own calls.
    FileParts& Parts() const { return *parts_; }

private:
    std::unique_ptr<FileParts> parts_;
    uint64_t generation_ = 0;
};

}  // namespace winsim
