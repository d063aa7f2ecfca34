// Folder listings, and the one folder the machine keeps at hand.
//
// A listing reads a folder in full, in Wine's order, and searches hand its
// entries out. The folder looked at last is kept (RecentFolder): a walk
// lists every folder twice (its files, then its subfolders) and opens
// every file it is handed, so the second listing, the translation of each
// file's path and each file's open can then do without looking at the
// host path again.
#pragma once

#include <dirent.h>
#include <sys/stat.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "winsim/files_api.h"

namespace winsim {

class FileAttributes;
class ShortNames;

// A folder's entries as a listing read them, shared by the searches that
// hand them out. A file's size is looked up when a search first hands the
// file out (sizeKnown), not when the folder is read. Names are spelt in
// the ANSI code page (cFileName); the host's own spelling is kept beside
// an entry only where the two differ.
struct FolderEntries {
    std::string host;                     // the host folder
    std::vector<WIN32_FIND_DATAA> found;  // case-insensitive order of the host names
    std::vector<uint8_t> sizeKnown;       // one per entry
    // Offsets into hostNameText (zero-terminated names), one per entry, or
    // kSameName; empty when every host name is its entry's cFileName.
    std::vector<uint32_t> hostNameAt;
    std::string hostNameText;
    static constexpr uint32_t kSameName = 0xFFFFFFFFu;

    const char* HostName(size_t index) const {
        return hostNameAt.empty() || hostNameAt[index] == kSameName ? found[index].cFileName
                                                                      : hostNameText.c_str() + hostNameAt[index];
    }
    // Appends entry `index` of `from`, its host name and whether its size is known.
    void Append(const FolderEntries& from, size_t index);
};

// Reads a folder in full: case-insensitive by host name ("." and ".."
// first, none at a drive root), which keeps host and Wine runs comparable.
// Only files and folders are listed; files' sizes are looked up now only
// when `sized`. Names are spelt in `codePage`; a name holding a character
// the code page cannot hold is listed with '?' for it, and its 8.3 alias
// in cAlternateFileName (the only entries given one).
std::shared_ptr<FolderEntries> ReadFolder(DIR* dir, const std::string& hostFolder, bool root, bool sized,
                                          UINT codePage, const FileAttributes& attributes, ShortNames* shortNames);

// A file of the kept listing, as a path translated from the listing finds
// it: its size as handed out (-1 while no search has handed it out), and
// its name in the listing's open folder, so that it opens with no walk of
// its path.
struct ListedFile {
    int64_t size = -1;
    int folderFd = -1;                        // -1: not translated from the listing
    const WIN32_FIND_DATAA* entry = nullptr;  // the listing's own: valid until the next listing
    const char* hostName = nullptr;           // its name in the folder, as long as `entry` is valid
};

// The folder the machine looked at last: reached by a path spelt as on
// the host ("C:\dir\", every component found as written), or read in full
// by a listing, or both. While the host path still leads to the same
// folder, a path to one of its entries translates with one look at the
// entry instead of one per component; while it was read in full and the
// machine has changed nothing since, with no look at all. A listing is
// kept open, so that its files open relative to it. Both serve only under
// the code page they were spelt in.
class RecentFolder {
public:
    RecentFolder() = default;
    RecentFolder(const RecentFolder&) = delete;
    RecentFolder& operator=(const RecentFolder&) = delete;
    ~RecentFolder() { Forget(); }

    // A folder reached by a path spelt as on the host. Its listing stays
    // when it is the folder already kept.
    void Remember(const std::string& windowsFolder, const std::string& hostFolder, const struct stat& st);
    // A folder just read in full (`folder` now belongs to this object).
    // `spelledAsOnHost`: paths below it may translate through it.
    void KeepListing(const std::string& windowsFolder, const std::string& hostFolder, DIR* folder,
                     const struct stat& st, std::shared_ptr<FolderEntries> entries, uint64_t generation,
                     bool spelledAsOnHost);
    // Forgets the listing (closing its folder) but not the folder.
    void DropListing();
    void Forget();

    // The entries of `windowsFolder` to list again, while the machine has
    // changed nothing and the host path leads to the same folder (not
    // through a link) with the same change and modification times; else
    // nullptr. Sizes of files written by another program in between may
    // then lag, as NTFS directory entries lag for files being written.
    std::shared_ptr<FolderEntries> ListingToReuse(const std::string& windowsFolder, uint64_t generation) const;

    // Translation through the folder. Whether `windowsFolder` is the folder
    // kept, spelt as on the host.
    bool Remembers(const std::string& windowsFolder) const;
    // The length of the folder's spelling when `windowsPath` (in
    // `codePage`, the machine's) starts with it and paths may translate
    // through it; 0 otherwise.
    size_t PrefixOf(const std::string& windowsPath, UINT codePage) const;
    const std::string& HostFolder() const { return host_; }
    // The host name of an entry of the listing.
    const char* HostNameOf(const WIN32_FIND_DATAA* entry) const {
        return entries_->HostName(static_cast<size_t>(entry - entries_->found.data()));
    }
    // Whether the listing may answer for the folder's entries: read in
    // full, and the machine has changed nothing since.
    bool Listed(uint64_t generation) const { return entries_ != nullptr && generation_ == generation; }
    // The listing's entry named `name` (bytewise), or nullptr; *sizeKnown:
    // whether a search has handed it out with its size. Only while Listed.
    const WIN32_FIND_DATAA* FindListed(const char* name, bool* sizeKnown) const;
    int FolderFd() const { return folder_ != nullptr ? dirfd(folder_.get()) : -1; }
    // Whether the host path still leads to the folder remembered (device
    // and inode, not through a link); when not, the folder is forgotten.
    bool StillThere();

    // The listing's open folder when `entries` are the kept listing's and
    // the machine has changed nothing, else -1.
    int FolderFdOf(const FolderEntries* entries, uint64_t generation) const;

    // The file handed out last, opened then to learn its size and kept for
    // the runtime's open of the same file that follows (the walk opens
    // every file it is handed): one look at the name instead of two. At
    // most one; closed when the next is kept or the listing goes.
    void KeepOpenedFile(int fd, const WIN32_FIND_DATAA* entry);
    // The descriptor kept for `entry`, now the caller's; -1 when there is
    // none for it or the machine has changed anything since the listing.
    int TakeOpenedFile(const WIN32_FIND_DATAA* entry, uint64_t generation);

private:
    struct FolderCloser {
        void operator()(DIR* dir) const { closedir(dir); }
    };

    // Kept while the machine's code page is the one it was spelt in.
    bool Current() const;

    bool valid_ = false;
    bool spelledAsOnHost_ = false;
    UINT codePage_ = 0;
    std::string windows_;  // "C:\\dir\\", as the caller spelt it
    std::string host_;     // the host folder it translated to
    dev_t device_ = 0;
    ino_t inode_ = 0;

    // The listing, when the folder was read in full (entries_ not null).
    std::unique_ptr<DIR, FolderCloser> folder_;
    struct timespec changed_ = {0, 0};
    struct timespec modified_ = {0, 0};
    uint64_t generation_ = 0;
    std::shared_ptr<FolderEntries> entries_;
    // Positions in the listing of all but "." and "..", bytewise by name;
    // made when a name is first looked up other than the one just handed
    // out, which is nearly never in a walk.
    mutable std::vector<uint32_t> byName_;

    int openedFd_ = -1;
    const WIN32_FIND_DATAA* openedEntry_ = nullptr;
};

// Looks up the size of a listed file that no search has handed out yet.
// In the kept listing's folder, when `forOpen` (the search is about to
// hand the file to a caller that will open it, as the walk does), the
// look is an open relative to the folder, kept for that open. A file gone
// or no longer a file since the listing is handed out as listed, with no
// size: its open will fail or read nothing.
void LookUpSize(FolderEntries* entries, size_t index, bool forOpen, RecentFolder* recent, uint64_t generation);

}  // namespace winsim
