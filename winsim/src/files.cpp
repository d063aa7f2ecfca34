// Listing, creating and deleting files and folders on the mapped drives.
#include <dirent.h>
#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <ctime>
#include <memory>
#include <vector>

#include "winsim/files_internal.h"
#include "winsim/machine.h"

using winsim::FileSystem;
using winsim::TheMachine;

namespace winsim {

namespace {

// "*" and "*.*" match every name (the DOS rule below lets "*.*" match
// names without a dot); the walk lists with nothing else.
bool TakesEveryName(const char* pattern) { return strcmp(pattern, "*") == 0 || strcmp(pattern, "*.*") == 0; }

}  // namespace

bool MatchesWildcard(const char* pattern, const char* name) {
    if (TakesEveryName(pattern)) return true;
    // Iterative '*' / '?' matching ignoring case, with the DOS rule that a
    // trailing ".*" also matches a name without any extension.
    const char* p = pattern;
    const char* n = name;
    const char* starP = nullptr;
    const char* starN = nullptr;
    while (*n) {
        if (*p == '*') {
            starP = p++;
            starN = n;
        } else if (*p == '?' ||
                   std::tolower(static_cast<unsigned char>(*p)) == std::tolower(static_cast<unsigned char>(*n))) {
            ++p;
            ++n;
        } else if (starP) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (*p == '*') ++p;
    if (*p == '\0') return true;
    return strcmp(p, ".*") == 0 || (p[0] == '.' && p[1] == '*' && p[2] == '\0');
}

bool SplitFolderAndName(const std::string& path, std::string* folder, std::string* name) {
    size_t slash = path.find_last_of("\\/");
    if (slash == std::string::npos) return false;
    *folder = path.substr(0, slash + 1);
    *name = path.substr(slash + 1);
    return true;
}

bool HostPathOf(const char* windowsPath, std::string* host) {
    if (windowsPath == nullptr) return false;
    return TheMachine().files.ToHostPath(windowsPath, host);
}

FileObject::~FileObject() {
    if (fd >= 0) close(fd);
    TheMachine().files.ReleaseOpen(hostPath, share, access);
}

}  // namespace winsim

namespace {

bool SameTime(const struct timespec& a, const struct timespec& b) {
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

// A folder changed within the last few clock ticks could change again
// without its times moving on a coarse clock: such a folder is not kept.
bool ChangedJustNow(const struct stat& st) {
    if (TheMachine().files.listingSettleMs <= 0) return false;
    struct timespec now;
    clock_gettime(CLOCK_REALTIME_COARSE, &now);
    long long ageNs = (static_cast<long long>(now.tv_sec) - st.st_ctim.tv_sec) * 1000000000LL +
                      (now.tv_nsec - st.st_ctim.tv_nsec);
    return ageNs < TheMachine().files.listingSettleMs * 1000000LL;
}

// The kept listing serves a second listing of its folder while the host
// path still leads to the same folder (device and inode, not through a
// link) with the same change and modification times. Sizes of files
// written by another program in between may then lag, as NTFS directory
// entries lag for files still being written.
const FileSystem::FolderListing* KeptListingOf(const std::string& windowsFolder) {
    const FileSystem::FolderListing* kept = TheMachine().files.KeptListing();
    if (kept == nullptr || kept->windows != windowsFolder) return nullptr;
    struct stat st;
    if (lstat(kept->entries->host.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_dev != kept->device ||
        st.st_ino != kept->inode || !SameTime(st.st_ctim, kept->changed) || !SameTime(st.st_mtim, kept->modified))
        return nullptr;
    return kept;
}

// The entries of one search: the whole listing when the pattern takes
// every name, else its own filtered copy.
struct FindObject : winsim::HandleObject {
    std::shared_ptr<FileSystem::FolderEntries> entries;
    size_t next = 0;
};

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
                  WIN32_FIND_DATAA* data, bool* sizeKnown) {
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
    data->dwFileAttributes = TheMachine().files.AttributesOfEntry(hostFolder, dots ? nullptr : name, folder);
    size_t length = strnlen(name, sizeof data->cFileName - 1);  // the rest stays zero
    memcpy(data->cFileName, name, length);
    return true;
}

bool LessIgnoringCase(const WIN32_FIND_DATAA& a, const WIN32_FIND_DATAA& b) {
    return strcasecmp(a.cFileName, b.cFileName) < 0;
}

bool IsDriveRoot(const std::string& folder) { return folder.size() == 3 && folder[1] == ':'; }

// Reads a folder in full, in Wine's order: case-insensitive by name ("."
// and ".." first), which keeps host and Wine runs comparable. Sorted once
// here, every search filtered from it keeps the order. Files' sizes are
// looked up now only when `sized`.
std::shared_ptr<FileSystem::FolderEntries> ReadFolder(DIR* dir, const std::string& hostFolder, bool root,
                                                      bool sized) {
    std::vector<WIN32_FIND_DATAA> read;
    std::vector<uint8_t> known;
    read.reserve(64);  // most folders hold fewer; growing from one entry copied each many times
    known.reserve(64);
    while (struct dirent* entry = readdir(dir)) {
        const char* entryName = entry->d_name;
        bool dots = strcmp(entryName, ".") == 0 || strcmp(entryName, "..") == 0;
        if (dots && root) continue;  // drive roots list no "." or ".."
        read.emplace_back();
        bool sizeKnown = true;
        if (FillFindData(dir, hostFolder, entry, dots, sized, &read.back(), &sizeKnown))
            known.push_back(sizeKnown);
        else
            read.pop_back();
    }
    // Sorted by position (an entry is large), then copied once in order.
    std::vector<uint32_t> order(read.size());
    for (uint32_t i = 0; i < order.size(); ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(),
                     [&read](uint32_t a, uint32_t b) { return LessIgnoringCase(read[a], read[b]); });
    std::shared_ptr<FileSystem::FolderEntries> sorted = std::make_shared<FileSystem::FolderEntries>();
    sorted->host = hostFolder;
    sorted->found.reserve(order.size());
    sorted->sizeKnown.reserve(order.size());
    for (uint32_t i : order) {
        sorted->found.push_back(read[i]);
        sorted->sizeKnown.push_back(known[i]);
    }
    return sorted;
}

void SetSize(WIN32_FIND_DATAA* entry, uint64_t size) {
    entry->nFileSizeLow = static_cast<DWORD>(size);
    entry->nFileSizeHigh = static_cast<DWORD>(size >> 32);
}

// Looks up the size of a listed file not yet handed out. In the kept
// listing's folder, and when `forOpen` (the search is about to hand the
// file to a caller that will open it, as the walk does), the look is an
// open relative to the folder, kept for that open: one look at the name
// instead of two. A file gone or no longer a file since the listing is
// handed out as listed, with no size: its open will fail or read nothing.
void SettleSize(FileSystem::FolderEntries* entries, size_t index, bool forOpen) {
    if (entries->sizeKnown[index]) return;
    entries->sizeKnown[index] = 1;
    WIN32_FIND_DATAA* entry = &entries->found[index];
    FileSystem& files = TheMachine().files;
    const FileSystem::FolderListing* kept = files.KeptListing();
    int folderFd = kept != nullptr && kept->entries.get() == entries ? dirfd(kept->folder.get()) : AT_FDCWD;
    std::string path = folderFd == AT_FDCWD ? entries->host + "/" + entry->cFileName : std::string();
    const char* name = folderFd == AT_FDCWD ? path.c_str() : entry->cFileName;
    struct stat st;
    if (forOpen && folderFd != AT_FDCWD) {
        int fd = openat(folderFd, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        if (fd >= 0 && fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
            SetSize(entry, static_cast<uint64_t>(st.st_size));
            files.ParkOpenFile(fd, entry);
            return;
        }
        if (fd >= 0) close(fd);
    }
    if (fstatat(folderFd, name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode))
        SetSize(entry, static_cast<uint64_t>(st.st_size));
}

// Hands out the search's next entry.
void HandOut(FindObject* find, LPWIN32_FIND_DATAA data) {
    SettleSize(find->entries.get(), find->next, true);
    *data = find->entries->found[find->next++];
}

}  // namespace

HANDLE FindFirstFileA(LPCSTR pattern, LPWIN32_FIND_DATAA data) {
    winsim::Machine& m = TheMachine();
    std::string folder, name, hostFolder;
    if (pattern == nullptr || data == nullptr || !winsim::SplitFolderAndName(pattern, &folder, &name)) {
        m.lastError = ERROR_PATH_NOT_FOUND;
        return INVALID_HANDLE_VALUE;
    }
    // The folder listed last, listed again, costs one look at its path;
    // any other is translated and opened in one go.
    const FileSystem::FolderListing* kept = name.empty() ? nullptr : KeptListingOf(folder);
    std::unique_ptr<DIR, FileSystem::FolderCloser> dir;
    struct stat st;
    bool translated = true;
    DWORD openError = ERROR_PATH_NOT_FOUND;
    if (name.empty())
        translated = m.files.ToHostPath(folder, &hostFolder);
    else if (kept == nullptr)
        dir.reset(m.files.OpenFolder(folder, &hostFolder, &st, &translated, &openError));
    if (!translated) {
        m.lastError = ERROR_PATH_NOT_FOUND;
        return INVALID_HANDLE_VALUE;
    }
    if (winsim::Injected("FindFirstFileA", pattern)) return INVALID_HANDLE_VALUE;
    if (name.empty()) {
        m.lastError = ERROR_FILE_NOT_FOUND;
        return INVALID_HANDLE_VALUE;
    }
    std::shared_ptr<FileSystem::FolderEntries> listed;
    if (kept != nullptr) {
        listed = kept->entries;
    } else {
        ++m.files.foldersRead;
        if (dir == nullptr) {
            m.lastError = openError;
            return INVALID_HANDLE_VALUE;
        }
        // The times were taken before the entries are read: a change while
        // reading moves them on, and the listing is not reused. A listing
        // not kept closes its folder at once, so its sizes are read now.
        bool keep = !ChangedJustNow(st);
        listed = ReadFolder(dir.get(), hostFolder, IsDriveRoot(folder), !keep);
        if (!keep) {
            m.files.ForgetListing();
        } else {
            FileSystem::FolderListing listing;
            listing.windows = folder;
            listing.folder = std::move(dir);
            listing.device = st.st_dev;
            listing.inode = st.st_ino;
            listing.changed = st.st_ctim;
            listing.modified = st.st_mtim;
            listing.entries = listed;
            m.files.KeepListing(std::move(listing));
        }
    }
    std::unique_ptr<FindObject> find(new FindObject);
    if (winsim::TakesEveryName(name.c_str())) {
        find->entries = listed;
    } else {
        std::shared_ptr<FileSystem::FolderEntries> matching = std::make_shared<FileSystem::FolderEntries>();
        matching->host = listed->host;
        for (size_t i = 0; i < listed->found.size(); ++i) {
            if (!winsim::MatchesWildcard(name.c_str(), listed->found[i].cFileName)) continue;
            SettleSize(listed.get(), i, false);
            matching->found.push_back(listed->found[i]);
            matching->sizeKnown.push_back(1);
        }
        find->entries = matching;
    }
    if (find->entries->found.empty()) {
        m.lastError = ERROR_FILE_NOT_FOUND;
        return INVALID_HANDLE_VALUE;
    }
    HandOut(find.get(), data);
    return m.handles.Add(std::move(find));
}

BOOL FindNextFileA(HANDLE handle, LPWIN32_FIND_DATAA data) {
    winsim::Machine& m = TheMachine();
    FindObject* find = m.handles.Get<FindObject>(handle);
    if (find == nullptr || data == nullptr) {
        m.lastError = ERROR_INVALID_HANDLE;
        return FALSE;
    }
    if (winsim::Injected("FindNextFileA")) return FALSE;
    if (find->next >= find->entries->found.size()) {
        m.lastError = ERROR_NO_MORE_FILES;
        return FALSE;
    }
    HandOut(find, data);
    return TRUE;
}

BOOL FindClose(HANDLE handle) {
    winsim::Machine& m = TheMachine();
    if (m.handles.Get<FindObject>(handle) == nullptr) {
        m.lastError = ERROR_INVALID_HANDLE;
        return FALSE;
    }
    m.handles.Remove(handle);
    return TRUE;
}

UINT GetDriveTypeA(LPCSTR root) {
    if (root == nullptr || root[0] == '\0' || root[1] != ':') return DRIVE_NO_ROOT_DIR;
    if (winsim::Injected("GetDriveTypeA", root)) return DRIVE_UNKNOWN;
    return TheMachine().files.DriveOf(root[0]).type;
}

BOOL CreateDirectoryA(LPCSTR path, LPSECURITY_ATTRIBUTES) {
    winsim::Machine& m = TheMachine();
    std::string host;
    if (!winsim::HostPathOf(path, &host)) {
        m.lastError = ERROR_PATH_NOT_FOUND;
        return FALSE;
    }
    if (winsim::Injected("CreateDirectoryA", path)) return FALSE;
    m.files.NoteChange();
    if (mkdir(host.c_str(), 0755) != 0) {
        m.lastError = errno == EEXIST ? ERROR_ALREADY_EXISTS : ERROR_PATH_NOT_FOUND;
        return FALSE;
    }
    return TRUE;
}

BOOL RemoveDirectoryA(LPCSTR path) {
    winsim::Machine& m = TheMachine();
    std::string host;
    if (!winsim::HostPathOf(path, &host)) {
        m.lastError = ERROR_PATH_NOT_FOUND;
        return FALSE;
    }
    if (winsim::Injected("RemoveDirectoryA", path)) return FALSE;
    m.files.NoteChange();
    if (rmdir(host.c_str()) != 0) {
        m.lastError = errno == ENOTEMPTY || errno == EEXIST ? ERROR_DIR_NOT_EMPTY
                      : errno == ENOTDIR                   ? ERROR_DIRECTORY_NAME_INVALID
                                                           : ERROR_FILE_NOT_FOUND;
        return FALSE;
    }
    m.files.NoteRemoved(host);
    return TRUE;
}

HANDLE CreateFileA(LPCSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES, DWORD disposition, DWORD,
                   HANDLE) {
    winsim::Machine& m = TheMachine();
    std::string host;
    if (!winsim::HostPathOf(path, &host)) {
        m.lastError = ERROR_PATH_NOT_FOUND;
        return INVALID_HANDLE_VALUE;
    }
    if (winsim::Injected("CreateFileA", path)) return INVALID_HANDLE_VALUE;
    struct stat st;
    bool exists = stat(host.c_str(), &st) == 0;
    if (exists && S_ISDIR(st.st_mode)) {
        m.lastError = ERROR_ACCESS_DENIED;
        return INVALID_HANDLE_VALUE;
    }
    bool writing = (access & GENERIC_WRITE) != 0;
    if (exists && writing && (m.files.Attributes(host) & FILE_ATTRIBUTE_READONLY)) {
        m.lastError = ERROR_ACCESS_DENIED;
        return INVALID_HANDLE_VALUE;
    }
    if (!m.files.MayOpen(host, access, share)) {
        m.lastError = ERROR_SHARING_VIOLATION;
        return INVALID_HANDLE_VALUE;
    }
    int flags = writing ? ((access & GENERIC_READ) ? O_RDWR : O_WRONLY) : O_RDONLY;
    switch (disposition) {
    case CREATE_NEW:
        if (exists) {
            m.lastError = ERROR_FILE_EXISTS;
            return INVALID_HANDLE_VALUE;
        }
        flags |= O_CREAT;
        break;
    case CREATE_ALWAYS: flags |= O_CREAT | O_TRUNC; break;
    case OPEN_EXISTING:
        if (!exists) {
            m.lastError = ERROR_FILE_NOT_FOUND;
            return INVALID_HANDLE_VALUE;
        }
        break;
    case OPEN_ALWAYS: flags |= O_CREAT; break;
    case TRUNCATE_EXISTING:
        if (!exists) {
            m.lastError = ERROR_FILE_NOT_FOUND;
            return INVALID_HANDLE_VALUE;
        }
        flags |= O_TRUNC;
        break;
    default: m.lastError = ERROR_INVALID_PARAMETER; return INVALID_HANDLE_VALUE;
    }
    if (writing || (flags & O_CREAT)) m.files.NoteChange();
    // Never through a link: the translation refuses links, and one put in
    // place of the file since (the walk translates from its listing) is
    // refused here.
    int fd = open(host.c_str(), flags | O_NOFOLLOW, 0644);
    if (fd < 0) {
        m.lastError = ERROR_PATH_NOT_FOUND;
        return INVALID_HANDLE_VALUE;
    }
    std::unique_ptr<winsim::FileObject> file(new winsim::FileObject);
    file->fd = fd;
    file->hostPath = host;
    file->share = share;
    file->access = access & (GENERIC_READ | GENERIC_WRITE);
    m.files.NoteOpen(host, share, file->access);
    return m.handles.Add(std::move(file));
}

BOOL WriteFile(HANDLE handle, LPCVOID buffer, DWORD count, LPDWORD written, LPOVERLAPPED) {
    winsim::Machine& m = TheMachine();
    winsim::FileObject* file = m.handles.Get<winsim::FileObject>(handle);
    if (written) *written = 0;
    if (file == nullptr) {
        m.lastError = ERROR_INVALID_HANDLE;
        return FALSE;
    }
    if (winsim::Injected("WriteFile")) return FALSE;
    m.files.NoteChange();
    ssize_t n = write(file->fd, buffer, count);
    if (n < 0) {
        m.lastError = ERROR_ACCESS_DENIED;
        return FALSE;
    }
    if (written) *written = static_cast<DWORD>(n);
    return TRUE;
}

BOOL ReadFile(HANDLE handle, LPVOID buffer, DWORD count, LPDWORD readCount, LPOVERLAPPED) {
    winsim::Machine& m = TheMachine();
    winsim::FileObject* file = m.handles.Get<winsim::FileObject>(handle);
    if (readCount) *readCount = 0;
    if (file == nullptr) {
        m.lastError = ERROR_INVALID_HANDLE;
        return FALSE;
    }
    if (winsim::Injected("ReadFile")) return FALSE;
    ssize_t n = read(file->fd, buffer, count);
    if (n < 0) {
        m.lastError = ERROR_ACCESS_DENIED;
        return FALSE;
    }
    if (readCount) *readCount = static_cast<DWORD>(n);
    return TRUE;
}

DWORD GetFileAttributesA(LPCSTR path) {
    winsim::Machine& m = TheMachine();
    std::string host;
    if (!winsim::HostPathOf(path, &host)) {
        m.lastError = ERROR_PATH_NOT_FOUND;
        return INVALID_FILE_ATTRIBUTES;
    }
    if (winsim::Injected("GetFileAttributesA", path)) return INVALID_FILE_ATTRIBUTES;
    DWORD attributes = m.files.Attributes(host);
    if (attributes == INVALID_FILE_ATTRIBUTES) m.lastError = ERROR_FILE_NOT_FOUND;
    return attributes;
}

BOOL SetFileAttributesA(LPCSTR path, DWORD attributes) {
    winsim::Machine& m = TheMachine();
    std::string host;
    if (!winsim::HostPathOf(path, &host)) {
        m.lastError = ERROR_PATH_NOT_FOUND;
        return FALSE;
    }
    if (winsim::Injected("SetFileAttributesA", path)) return FALSE;
    if (m.files.Attributes(host) == INVALID_FILE_ATTRIBUTES) {
        m.lastError = ERROR_FILE_NOT_FOUND;
        return FALSE;
    }
    // FILE_ATTRIBUTE_NORMAL alone means "no attributes".
    m.files.SetAttributes(host, attributes == FILE_ATTRIBUTE_NORMAL ? 0 : attributes);
    return TRUE;
}

BOOL DeleteFileA(LPCSTR path) {
    winsim::Machine& m = TheMachine();
    std::string host;
    if (!winsim::HostPathOf(path, &host)) {
        m.lastError = ERROR_PATH_NOT_FOUND;
        return FALSE;
    }
    if (winsim::Injected("DeleteFileA", path)) return FALSE;
    DWORD attributes = m.files.Attributes(host);
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        m.lastError = ERROR_FILE_NOT_FOUND;
        return FALSE;
    }
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) || (attributes & FILE_ATTRIBUTE_READONLY)) {
        m.lastError = ERROR_ACCESS_DENIED;
        return FALSE;
    }
    if (m.files.HeldWithoutDeleteSharing(host)) {
        m.lastError = ERROR_SHARING_VIOLATION;
        return FALSE;
    }
    m.files.NoteChange();
    if (unlink(host.c_str()) != 0) {
        m.lastError = ERROR_ACCESS_DENIED;
        return FALSE;
    }
    m.files.NoteRemoved(host);
    return TRUE;
}

int _access(const char* path, int mode) {
    winsim::Machine& m = TheMachine();
    std::string host;
    if (!winsim::HostPathOf(path, &host)) {
        errno = ENOENT;
        return -1;
    }
    if (winsim::Injected("_access", path)) {
        errno = EACCES;
        return -1;
    }
    DWORD attributes = m.files.Attributes(host);
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        errno = ENOENT;
        return -1;
    }
    if ((mode & 2) && (attributes & FILE_ATTRIBUTE_READONLY)) {
        errno = EACCES;
        return -1;
    }
    return 0;
}
