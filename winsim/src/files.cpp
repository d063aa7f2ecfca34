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

// The last folder read in full, kept so that listing it again at once (a
// walk lists every folder twice: its files, then its subfolders) reads
// nothing but the folder's own times. It is reused only while the folder
// has the same device, inode, change and modification times, and the
// machine itself changed nothing since. Sizes of files written by another
// program in between may then lag, as NTFS directory entries lag for
// files still being written.
struct FolderSnapshot {
    bool valid = false;
    std::string host;
    dev_t device = 0;
    ino_t inode = 0;
    struct timespec changed = {0, 0};
    struct timespec modified = {0, 0};
    uint64_t generation = 0;
    bool root = false;
    // Every listed entry, in listing order; shared with the open searches
    // that take every entry, and never changed once listed.
    std::shared_ptr<const std::vector<WIN32_FIND_DATAA>> entries;
};

FolderSnapshot& LastFolder() {
    static FolderSnapshot snapshot;
    return snapshot;
}

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

bool SnapshotFits(const FolderSnapshot& snapshot, const std::string& hostFolder, bool root) {
    if (!snapshot.valid || snapshot.host != hostFolder || snapshot.root != root ||
        snapshot.generation != TheMachine().files.Generation())
        return false;
    struct stat st;
    return lstat(hostFolder.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_dev == snapshot.device &&
           st.st_ino == snapshot.inode && SameTime(st.st_ctim, snapshot.changed) &&
           SameTime(st.st_mtim, snapshot.modified);
}

// The entries of one search: the whole listing when the pattern takes
// every name, else its own filtered copy.
struct FindObject : winsim::HandleObject {
    std::shared_ptr<const std::vector<WIN32_FIND_DATAA>> entries;
    size_t next = 0;
};

// A listed entry's kind, size and attributes. A file is looked at once,
// relative to the open folder, for its size; a folder's kind is in the
// folder's own entry ("." and ".." are the folder and its parent). False
// for what is not listed: an entry that vanished since the folder was
// read, and anything that is neither a file nor a folder. A symbolic link
// could lead the walk out of the mapped folder, and a pipe or device
// could block or answer a read with anything; a Windows disk holds
// neither.
bool FillFindData(DIR* dir, const std::string& hostFolder, const struct dirent* entry, bool dots,
                  WIN32_FIND_DATAA* data) {
    const char* name = entry->d_name;
    bool folder = dots || entry->d_type == DT_DIR;
    uint64_t size = 0;
    if (!folder) {
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

}  // namespace

HANDLE FindFirstFileA(LPCSTR pattern, LPWIN32_FIND_DATAA data) {
    winsim::Machine& m = TheMachine();
    std::string folder, name, hostFolder;
    if (pattern == nullptr || data == nullptr || !winsim::SplitFolderAndName(pattern, &folder, &name) ||
        !m.files.ToHostPath(folder, &hostFolder)) {
        m.lastError = ERROR_PATH_NOT_FOUND;
        return INVALID_HANDLE_VALUE;
    }
    if (winsim::Injected("FindFirstFileA", pattern)) return INVALID_HANDLE_VALUE;
    if (name.empty()) {
        m.lastError = ERROR_FILE_NOT_FOUND;
        return INVALID_HANDLE_VALUE;
    }
    std::unique_ptr<FindObject> find(new FindObject);
    bool root = IsDriveRoot(folder);
    FolderSnapshot& last = LastFolder();
    if (!SnapshotFits(last, hostFolder, root)) {
        last.valid = false;
        ++m.files.foldersRead;
        DIR* dir = opendir(hostFolder.c_str());
        if (dir == nullptr) {
            m.lastError = errno == EACCES ? ERROR_ACCESS_DENIED : ERROR_PATH_NOT_FOUND;
            return INVALID_HANDLE_VALUE;
        }
        // The times are taken before the entries are read: a change while
        // reading moves them on, and the snapshot is not reused.
        struct stat st;
        bool keep = fstat(dirfd(dir), &st) == 0 && !ChangedJustNow(st);
        std::vector<WIN32_FIND_DATAA> read;
        read.reserve(64);  // most folders hold fewer; growing from one entry copied each many times
        while (struct dirent* entry = readdir(dir)) {
            const char* entryName = entry->d_name;
            bool dots = strcmp(entryName, ".") == 0 || strcmp(entryName, "..") == 0;
            if (dots && root) continue;  // drive roots list no "." or ".."
            read.emplace_back();
            if (!FillFindData(dir, hostFolder, entry, dots, &read.back())) read.pop_back();
        }
        closedir(dir);
        // Wine lists folders in case-insensitive name order; listing the
        // same way keeps host and Wine runs comparable ("." and ".." sort
        // first). Sorted once here (by reference: an entry is large), every
        // listing filtered from it keeps the order.
        std::vector<const WIN32_FIND_DATAA*> order;
        order.reserve(read.size());
        for (const WIN32_FIND_DATAA& entry : read) order.push_back(&entry);
        std::stable_sort(order.begin(), order.end(),
                         [](const WIN32_FIND_DATAA* a, const WIN32_FIND_DATAA* b) { return LessIgnoringCase(*a, *b); });
        std::shared_ptr<std::vector<WIN32_FIND_DATAA>> sorted = std::make_shared<std::vector<WIN32_FIND_DATAA>>();
        sorted->reserve(order.size());
        for (const WIN32_FIND_DATAA* entry : order) sorted->push_back(*entry);
        last.entries = sorted;
        if (!keep) m.files.ForgetListing();
        if (keep) {
            std::vector<winsim::FileSystem::ListedEntry> listed;
            listed.reserve(sorted->size());
            for (const WIN32_FIND_DATAA& entry : *sorted) {
                if (strcmp(entry.cFileName, ".") == 0 || strcmp(entry.cFileName, "..") == 0) continue;
                bool folder = (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
                int64_t size = static_cast<int64_t>(static_cast<uint64_t>(entry.nFileSizeHigh) << 32 | entry.nFileSizeLow);
                listed.push_back({entry.cFileName, folder ? -1 : size});
            }
            m.files.NoteListing(hostFolder, std::move(listed));
            last.valid = true;
            last.host = hostFolder;
            last.device = st.st_dev;
            last.inode = st.st_ino;
            last.changed = st.st_ctim;
            last.modified = st.st_mtim;
            last.generation = m.files.Generation();
            last.root = root;
        }
    }
    if (winsim::TakesEveryName(name.c_str())) {
        find->entries = last.entries;
    } else {
        std::shared_ptr<std::vector<WIN32_FIND_DATAA>> matching = std::make_shared<std::vector<WIN32_FIND_DATAA>>();
        for (const WIN32_FIND_DATAA& entry : *last.entries)
            if (winsim::MatchesWildcard(name.c_str(), entry.cFileName)) matching->push_back(entry);
        find->entries = matching;
    }
    if (!last.valid) last.entries.reset();
    if (find->entries->empty()) {
        m.lastError = ERROR_FILE_NOT_FOUND;
        return INVALID_HANDLE_VALUE;
    }
    *data = (*find->entries)[0];
    find->next = 1;
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
    if (find->next >= find->entries->size()) {
        m.lastError = ERROR_NO_MORE_FILES;
        return FALSE;
    }
    *data = (*find->entries)[find->next++];
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
