#include "folder_listing.h"

#include <fcntl.h>
#include <strings.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "ansi_names.h"
#include "file_attributes.h"
#include "short_names.h"
#include "winsim/machine.h"

namespace winsim {

namespace {

bool SameTime(const struct timespec& a, const struct timespec& b) {
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

// A listed entry's kind and attributes, and a file's size when `sized`
// (else it is looked up as a search hands the file out). A folder's kind
// is in the folder's own entry ("." and ".." are the folder and its
// parent); a file is looked at only when its kind is not in the entry.
// False for what is not listed: an entry that vanished since the folder
// was read, and anything that is neither a file nor a folder. A symbolic
// link could lead the walk out of the mapped folder, and a pipe or device
// could block or answer a read with anything; a Windows disk holds
// neither.
bool FillFindData(DIR* dir, const std::string& hostFolder, const struct dirent* entry, bool dots, bool sized,
                  const FileAttributes& attributes, WIN32_FIND_DATAA* data, bool* sizeKnown) {
    const char* name = entry->d_name;
    bool folder = dots || entry->d_type == DT_DIR;
    uint64_t size = 0;
    *sizeKnown = true;
    if (!folder && entry->d_type == DT_REG && !sized) {
        *sizeKnown = false;
    } else if (!folder) {
        if (entry->d_type != DT_REG && entry->d_type != DT_UNKNOWN) return false;
        struct stat st;
        if (fstatat(dirfd(dir), name, &st, AT_SYMLINK_NOFOLLOW) != 0) return false;
        folder = S_ISDIR(st.st_mode);
        if (!folder && !S_ISREG(st.st_mode)) return false;
        if (!folder) size = static_cast<uint64_t>(st.st_size);
    }
    memset(data, 0, sizeof *data);
    data->nFileSizeLow = static_cast<DWORD>(size);
    data->nFileSizeHigh = static_cast<DWORD>(size >> 32);
    data->dwFileAttributes = attributes.OfEntry(hostFolder, dots ? nullptr : name, folder);
    return true;
}

// Writes `text` into a fixed name field; the rest of the field stays zero.
void CopyName(const char* text, size_t length, char* field, size_t fieldSize) {
    if (length > fieldSize - 1) length = fieldSize - 1;
    memcpy(field, text, length);
}

void SetSize(WIN32_FIND_DATAA* entry, uint64_t size) {
    entry->nFileSizeLow = static_cast<DWORD>(size);
    entry->nFileSizeHigh = static_cast<DWORD>(size >> 32);
}

}  // namespace

void FolderEntries::Append(const FolderEntries& from, size_t index) {
    found.push_back(from.found[index]);
    sizeKnown.push_back(from.sizeKnown[index]);
    if (from.hostNameAt.empty() || from.hostNameAt[index] == kSameName) {
        if (!hostNameAt.empty()) hostNameAt.push_back(kSameName);
        return;
    }
    if (hostNameAt.empty()) hostNameAt.assign(found.size() - 1, kSameName);
    hostNameAt.push_back(static_cast<uint32_t>(hostNameText.size()));
    hostNameText.append(from.HostName(index));
    hostNameText.push_back('\0');
}

// Sorted once here, every search filtered from it keeps the order.
std::shared_ptr<FolderEntries> ReadFolder(DIR* dir, const std::string& hostFolder, bool root, bool sized,
                                          UINT codePage, const FileAttributes& attributes, ShortNames* shortNames) {
    FolderEntries read;
    read.found.reserve(64);  // most folders hold fewer; growing from one entry copied each many times
    read.sizeKnown.reserve(64);
    std::string ansi;
    while (struct dirent* entry = readdir(dir)) {
        const char* entryName = entry->d_name;
        bool dots = strcmp(entryName, ".") == 0 || strcmp(entryName, "..") == 0;
        if (dots && root) continue;  // drive roots list no "." or ".."
        read.found.emplace_back();
        WIN32_FIND_DATAA* data = &read.found.back();
        bool sizeKnown = true;
        if (!FillFindData(dir, hostFolder, entry, dots, sized, attributes, data, &sizeKnown)) {
            read.found.pop_back();
            continue;
        }
        read.sizeKnown.push_back(sizeKnown);
        if (codePage == 65001) {  // the host's spelling: nothing to convert
            CopyName(entryName, strnlen(entryName, sizeof data->cFileName), data->cFileName, sizeof data->cFileName);
            continue;
        }
        size_t hostLength = strlen(entryName);
        bool held = HostNameToAnsi(codePage, entryName, &ansi);
        CopyName(ansi.data(), ansi.size(), data->cFileName, sizeof data->cFileName);
        if (!held) {
            std::string alias = shortNames->ShortNameOf(hostFolder, entryName);
            CopyName(alias.data(), alias.size(), data->cAlternateFileName, sizeof data->cAlternateFileName);
        }
        if (ansi.size() == hostLength && memcmp(ansi.data(), entryName, hostLength) == 0) {
            if (!read.hostNameAt.empty()) read.hostNameAt.push_back(FolderEntries::kSameName);
            continue;
        }
        if (read.hostNameAt.empty()) read.hostNameAt.assign(read.found.size() - 1, FolderEntries::kSameName);
        read.hostNameAt.push_back(static_cast<uint32_t>(read.hostNameText.size()));
        read.hostNameText.append(entryName, hostLength + 1);
    }
    // Sorted by position (an entry is large), then copied once in order.
    // Where every host name is its entry's name (always in UTF-8), the
    // names themselves are sorted and copied.
    bool sameNames = read.hostNameAt.empty();
    std::vector<uint32_t> order(read.found.size());
    for (uint32_t i = 0; i < order.size(); ++i) order[i] = i;
    if (sameNames)
        std::stable_sort(order.begin(), order.end(), [&read](uint32_t a, uint32_t b) {
            return strcasecmp(read.found[a].cFileName, read.found[b].cFileName) < 0;
        });
    else
        std::stable_sort(order.begin(), order.end(), [&read](uint32_t a, uint32_t b) {
            return strcasecmp(read.HostName(a), read.HostName(b)) < 0;
        });
    std::shared_ptr<FolderEntries> sorted = std::make_shared<FolderEntries>();
    sorted->host = hostFolder;
    sorted->found.reserve(order.size());
    sorted->sizeKnown.reserve(order.size());
    for (uint32_t i : order) {
        if (sameNames) {
            sorted->found.push_back(read.found[i]);
            sorted->sizeKnown.push_back(read.sizeKnown[i]);
        } else {
            sorted->Append(read, i);
        }
    }
    return sorted;
}

void RecentFolder::Remember(const std::string& windowsFolder, const std::string& hostFolder, const struct stat& st) {
    bool same = Current() && windows_ == windowsFolder && host_ == hostFolder && device_ == st.st_dev &&
                inode_ == st.st_ino;
    if (!same) {
        DropListing();
        windows_ = windowsFolder;
        host_ = hostFolder;
        device_ = st.st_dev;
        inode_ = st.st_ino;
    }
    valid_ = true;
    spelledAsOnHost_ = true;
    codePage_ = TheMachine().ansiCodePage;
}

void RecentFolder::KeepListing(const std::string& windowsFolder, const std::string& hostFolder, DIR* folder,
                               const struct stat& st, std::shared_ptr<FolderEntries> entries, uint64_t generation,
                               bool spelledAsOnHost) {
    DropListing();
    valid_ = true;
    spelledAsOnHost_ = spelledAsOnHost;
    codePage_ = TheMachine().ansiCodePage;
    windows_ = windowsFolder;
    host_ = hostFolder;
    device_ = st.st_dev;
    inode_ = st.st_ino;
    folder_.reset(folder);
    changed_ = st.st_ctim;
    modified_ = st.st_mtim;
    generation_ = generation;
    entries_ = std::move(entries);
}

void RecentFolder::DropListing() {
    KeepOpenedFile(-1, nullptr);
    folder_.reset();
    entries_.reset();
    byName_.clear();
}

void RecentFolder::Forget() {
    DropListing();
    valid_ = false;
}

std::shared_ptr<FolderEntries> RecentFolder::ListingToReuse(const std::string& windowsFolder,
                                                            uint64_t generation) const {
    if (!Listed(generation) || !Current() || windows_ != windowsFolder) return nullptr;
    struct stat st;
    if (lstat(host_.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_dev != device_ || st.st_ino != inode_ ||
        !SameTime(st.st_ctim, changed_) || !SameTime(st.st_mtim, modified_))
        return nullptr;
    return entries_;
}

bool RecentFolder::Current() const { return valid_ && codePage_ == TheMachine().ansiCodePage; }

bool RecentFolder::Remembers(const std::string& windowsFolder) const {
    return Current() && spelledAsOnHost_ && windows_ == windowsFolder;
}

size_t RecentFolder::PrefixOf(const std::string& windowsPath, UINT codePage) const {
    size_t length = windows_.size();
    if (!valid_ || codePage != codePage_ || !spelledAsOnHost_ || windowsPath.size() < length ||
        memcmp(windowsPath.data(), windows_.data(), length) != 0)
        return 0;
    return length;
}

const WIN32_FIND_DATAA* RecentFolder::FindListed(const char* name, bool* sizeKnown) const {
    // The walk opens each file just after its listing hands it out.
    if (openedEntry_ != nullptr && strcmp(openedEntry_->cFileName, name) == 0) {
        *sizeKnown = true;
        return openedEntry_;
    }
    const std::vector<WIN32_FIND_DATAA>& found = entries_->found;
    if (byName_.empty()) {
        byName_.reserve(found.size());
        for (uint32_t i = 0; i < found.size(); ++i) {
            const char* entryName = found[i].cFileName;
            if (strcmp(entryName, ".") != 0 && strcmp(entryName, "..") != 0) byName_.push_back(i);
        }
        std::sort(byName_.begin(), byName_.end(),
                  [&found](uint32_t a, uint32_t b) { return strcmp(found[a].cFileName, found[b].cFileName) < 0; });
    }
    auto it = std::lower_bound(byName_.begin(), byName_.end(), name, [&found](uint32_t index, const char* wanted) {
        return strcmp(found[index].cFileName, wanted) < 0;
    });
    if (it == byName_.end() || strcmp(found[*it].cFileName, name) != 0) return nullptr;
    *sizeKnown = entries_->sizeKnown[*it] != 0;
    return &found[*it];
}

// lstat: a folder since replaced by a link to itself is not the same.
bool RecentFolder::StillThere() {
    struct stat st;
    if (valid_ && lstat(host_.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_dev == device_ &&
        st.st_ino == inode_)
        return true;
    Forget();
    return false;
}

int RecentFolder::FolderFdOf(const FolderEntries* entries, uint64_t generation) const {
    return Listed(generation) && entries_.get() == entries ? FolderFd() : -1;
}

void RecentFolder::KeepOpenedFile(int fd, const WIN32_FIND_DATAA* entry) {
    if (openedFd_ >= 0) close(openedFd_);
    openedFd_ = fd;
    openedEntry_ = entry;
}

int RecentFolder::TakeOpenedFile(const WIN32_FIND_DATAA* entry, uint64_t generation) {
    if (openedFd_ < 0 || entry == nullptr || entry != openedEntry_ || !Listed(generation)) return -1;
    int fd = openedFd_;
    openedFd_ = -1;
    openedEntry_ = nullptr;
    return fd;
}

void LookUpSize(FolderEntries* entries, size_t index, bool forOpen, RecentFolder* recent, uint64_t generation) {
    if (entries->sizeKnown[index]) return;
    entries->sizeKnown[index] = 1;
    WIN32_FIND_DATAA* entry = &entries->found[index];
    int listedFolder = recent->FolderFdOf(entries, generation);
    int folderFd = listedFolder >= 0 ? listedFolder : AT_FDCWD;
    const char* hostName = entries->HostName(index);
    std::string path = folderFd == AT_FDCWD ? entries->host + "/" + hostName : std::string();
    const char* name = folderFd == AT_FDCWD ? path.c_str() : hostName;
    struct stat st;
    if (forOpen && folderFd != AT_FDCWD) {
        int fd = openat(folderFd, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        if (fd >= 0 && fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
            SetSize(entry, static_cast<uint64_t>(st.st_size));
            recent->KeepOpenedFile(fd, entry);
            return;
        }
        if (fd >= 0) close(fd);
    }
    if (fstatat(folderFd, name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode))
        SetSize(entry, static_cast<uint64_t>(st.st_size));
}

}  // namespace winsim
