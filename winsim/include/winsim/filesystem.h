// Drives and files. A drive letter maps to a host folder and a drive type;
// the files themselves are real host files below that folder. Windows
// paths are translated here and nowhere else. Name lookup ignores case,
// as on Windows; attributes are kept by the machine, not on the host.
#pragma once

#include <dirent.h>
#include <sys/stat.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "winsim/files_api.h"
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

// One entry of the machine-wide list of operations carried out at the
// next start, spelled the way NT keeps them in PendingFileRenameOperations:
// source "\??\C:\dir\file"; target "" for a deletion, "\??\C:\new" for a
// rename, "!\??\C:\new" when the rename may replace an existing file.
struct PendingFileOperation {
    std::string source;
    std::string target;
};

// An open runtime-library descriptor (_open, fopen): the kernel file
// handle behind it and the translation mode.
struct FileObject;

struct CrtDescriptor {
    HANDLE handle = nullptr;
    FileObject* file = nullptr;  // the object behind the handle, while the handle is there
    std::string windowsPath;
    bool text = false;
    bool append = false;
    bool readable = false;
    bool writable = false;
    bool ended = false;  // text reads: Ctrl+Z seen; a seek clears it
    // The runtime keeps the file position itself: a read is one positioned
    // host read and a seek is no host call at all.
    int64_t position = 0;
    // The length the open looked at, answered by _filelength until the
    // descriptor reads, writes or seeks, or the machine changes anything
    // (-1: not known, ask the file).
    int64_t lengthAtOpen = -1;
    uint64_t generationAtOpen = 0;
};

class FileSystem {
public:
    FileSystem() = default;
    FileSystem(const FileSystem&) = delete;
    FileSystem& operator=(const FileSystem&) = delete;
    ~FileSystem() { ParkOpenFile(-1, nullptr); }

    // Folders that GetWindowsDirectoryA and GetTempPathA report.
    std::string windowsDirectory = "C:\\WINDOWS";
    std::string tempPath = "C:\\WINDOWS\\TEMP\\";

    // Maps "C" (or 'c') to a host folder with a drive type (DRIVE_FIXED by default).
    void MapDrive(char letter, const std::string& hostRoot, UINT type = 3);
    // A drive letter of a given type with no folder (CD-ROM without disc, ...).
    void SetDriveType(char letter, UINT type);
    const Drive& DriveOf(char letter) const;

    // A file of the kept listing: its size as handed out (-1 while no
    // search has handed it out), and its name in the listing's open folder,
    // so that it opens with no walk of its path.
    struct ListedFile {
        int64_t size = -1;
        int folderFd = -1;                     // -1: not translated from the listing
        const WIN32_FIND_DATAA* entry = nullptr;  // the listing's own: valid until the next listing
    };

    // Windows path -> host path. Existing components are matched ignoring
    // case, or by their 8.3 alias; the rest are kept as written. False when
    // the path is not an absolute drive path of a mapped drive.
    // *listed (when given): filled when the path was translated from the
    // kept listing.
    bool ToHostPath(const std::string& windowsPath, std::string* hostPath, ListedFile* listed = nullptr) const;

    // Translates a folder path and opens the host folder for reading. A
    // path spelt as on the host costs one walk of it, which meets no link
    // anywhere on the way; any other is translated component by component
    // first. *translated: whether the path translates at all (as
    // ToHostPath); when it does but the folder cannot be read, nullptr with
    // *error (ERROR_PATH_NOT_FOUND or ERROR_ACCESS_DENIED). *folderStat
    // describes the folder opened.
    DIR* OpenFolder(const std::string& windowsFolder, std::string* hostFolder, struct stat* folderStat,
                    bool* translated, DWORD* error) const;

    // Attributes of the file or folder at a host path (as Windows keeps them).
    DWORD Attributes(const std::string& hostPath) const;
    // The same for an entry a listing has already looked at: `name` in the
    // host folder (nullptr: the folder itself), a folder or not. No second
    // look at the host.
    DWORD AttributesOfEntry(const std::string& hostFolder, const char* name, bool folder) const;
    void SetAttributes(const std::string& hostPath, DWORD attributes);
    void ForgetAttributes(const std::string& hostPath);
    // A file or folder moved on the host: its attributes and alias follow it.
    void NoteMoved(const std::string& fromHostPath, const std::string& toHostPath);
    // A file or folder gone from the host.
    void NoteRemoved(const std::string& hostPath);

    // The 8.3 alias of entry `name` of a host folder: the name itself when
    // it is a valid short name, else an alias such as "FOOBAR~1.EXE". The
    // first request assigns aliases to every long name of the folder (in
    // name order, ignoring case); an alias stays with its entry.
    std::string ShortNameOf(const std::string& hostFolder, const std::string& name) const;
    // The entry of a host folder whose alias is `alias` (ignoring case).
    bool FindByShortName(const std::string& hostFolder, const std::string& alias, std::string* name) const;

    // Test conveniences over Windows paths.
    bool WriteFile(const std::string& windowsPath, const std::string& contents);
    bool ReadFile(const std::string& windowsPath, std::string* contents) const;
    bool Exists(const std::string& windowsPath) const;
    bool MakeDirectory(const std::string& windowsPath);

    // Open handles: sharing decides whether another open or a deletion may
    // proceed. A simulated process that runs a file holds it with
    // NoteOpen(host path, FILE_SHARE_READ) until it ends (ReleaseOpen with
    // the same arguments); `access` is GENERIC_READ / GENERIC_WRITE bits.
    bool MayOpen(const std::string& hostPath, DWORD access, DWORD share) const;
    void NoteOpen(const std::string& hostPath, DWORD share, DWORD access = 0x80000000u);
    void ReleaseOpen(const std::string& hostPath, DWORD share, DWORD access = 0x80000000u);
    bool HeldWithoutDeleteSharing(const std::string& hostPath) const;
    size_t OpenCount(const std::string& hostPath) const;

    // Operations for the next start (MoveFileExA with MOVEFILE_DELAY_UNTIL_REBOOT).
    void AddPendingOperation(const PendingFileOperation& operation) { pending_.push_back(operation); }
    const std::vector<PendingFileOperation>& PendingOperations() const { return pending_; }
    // The REG_MULTI_SZ data of PendingFileRenameOperations for the list:
    // source and target of each entry, each zero-terminated, and a final zero.
    std::string PendingFileRenameOperationsData() const;

    // Runtime-library descriptors, numbered the lowest free from 3 up.
    // A fresh descriptor (every field as a new CrtDescriptor's) for the
    // caller to fill in; its number in *fd. The pointer stays valid until
    // the descriptor is removed.
    CrtDescriptor* NewDescriptor(int* fd);
    CrtDescriptor* Descriptor(int fd);
    bool RemoveDescriptor(int fd);
    size_t DescriptorCount() const;

    void Clear();

    // A folder's entries as a listing read them, shared by the searches
    // that hand them out. A file's size is looked up when a search first
    // hands the file out (sizeKnown), not when the folder is read: in the
    // kept listing's folder that look is an open, kept for the runtime's
    // open of the file that follows it (ParkOpenFile).
    struct FolderEntries {
        std::string host;                    // the host folder
        std::vector<WIN32_FIND_DATAA> found;  // case-insensitive name order
        std::vector<uint8_t> sizeKnown;       // one per entry
    };

    // The folder a listing has just read in full, kept so that listing it
    // again at once (a walk lists every folder twice: its files, then its
    // subfolders) reads nothing but the folder's own times, and so that a
    // path to one of its entries translates, and a file of it opens, with
    // no walk of the host path. It serves only while the machine changes
    // nothing; whether the host folder changed is for the listing to check.
    struct FolderCloser {
        void operator()(DIR* dir) const { closedir(dir); }
    };
    struct FolderListing {
        std::string windows;  // the folder as the listing's caller spelt it ("C:\\dir\\")
        std::unique_ptr<DIR, FolderCloser> folder;  // kept open for opens relative to it
        dev_t device = 0;
        ino_t inode = 0;
        struct timespec changed = {0, 0};
        struct timespec modified = {0, 0};
        uint64_t generation = 0;
        std::shared_ptr<FolderEntries> entries;
    };
    // Keeps a complete listing, in place of the one kept before.
    void KeepListing(FolderListing listing);
    // The kept listing, or nullptr when there is none or the machine has
    // changed anything since it was read.
    const FolderListing* KeptListing() const;
    void ForgetListing();

    // A file of the kept listing opened when a search handed it out, kept
    // (one at a time) for the runtime's open of it. TakeParkedFile answers
    // the descriptor, now the caller's, or -1 when `entry` is not parked.
    void ParkOpenFile(int fd, const WIN32_FIND_DATAA* entry);
    int TakeParkedFile(const WIN32_FIND_DATAA* entry);

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
    int TranslateInRecentFolder(const std::string& windowsPath, std::string* hostPath, ListedFile* listed) const;

    mutable RecentFolder recentFolder_;
    // The kept listing's entry named `name` (bytewise), or nullptr.
    const WIN32_FIND_DATAA* FindListed(const char* name, bool* sizeKnown) const;

    FolderListing listing_;  // none kept while its entries are null
    // Positions in the kept listing of all but "." and "..", bytewise by
    // name; made when a name is first looked up other than the one just
    // handed out, which is nearly never in a walk (and again for a folder
    // that holds no names, which costs nothing).
    mutable std::vector<uint32_t> listingByName_;
    int parkedFd_ = -1;
    const WIN32_FIND_DATAA* parkedEntry_ = nullptr;
    uint64_t generation_ = 0;
    // One open handle's sharing. Entries are kept when their handle goes
    // (inUse false), so a later open reuses one and its path's storage.
    struct OpenEntry {
        bool inUse = false;
        std::string hostPath;
        DWORD share = 0;
        DWORD access = 0;
    };
    void AssignShortNames(const std::string& hostFolder) const;

    std::vector<OpenEntry> openShares_;  // every open handle's, in no order
    Drive drives_[26];
    std::map<std::string, DWORD> attributes_;  // host path -> attributes other than the default
    // host folder -> (entry name -> alias); aliases are handed out lazily.
    mutable std::map<std::string, std::map<std::string, std::string>> shortNames_;
    std::vector<PendingFileOperation> pending_;
    // Descriptor number n lives in slot n - 3. Slots are kept when their
    // descriptor closes, so an open reuses one (and its path's storage).
    struct DescriptorSlot {
        bool inUse = false;
        CrtDescriptor descriptor;
    };
    std::vector<std::unique_ptr<DescriptorSlot>> descriptors_;
};

}  // namespace winsim
