// Creating, reading, writing and deleting files and folders on the mapped
// drives, their attributes, and drive types.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <memory>

#include "ansi_names.h"
#include "file_parts.h"

using winsim::TheMachine;

UINT GetDriveTypeA(LPCSTR root) {
    if (root == nullptr || root[0] == '\0' || root[1] != ':') return DRIVE_NO_ROOT_DIR;
    if (winsim::Injected("GetDriveTypeA", root)) return DRIVE_UNKNOWN;
    return TheMachine().files.DriveOf(root[0]).type;
}

BOOL CreateDirectoryA(LPCSTR path, LPSECURITY_ATTRIBUTES) {
    winsim::Machine& m = TheMachine();
    std::string host;
    DWORD error = ERROR_PATH_NOT_FOUND;
    if (!winsim::HostPathOf(path, &host, &error)) {
        m.lastError = error;
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

// The "A" call with the path spelt in UTF-8, which holds every name (what
// the machine keeps from a translation serves only under the code page it
// was spelt in).
BOOL CreateDirectoryW(LPCWSTR path, LPSECURITY_ATTRIBUTES security) {
    winsim::Machine& m = TheMachine();
    std::string utf8;
    if (path == nullptr || !winsim::WideToUtf8(path, &utf8)) {
        m.lastError = ERROR_PATH_NOT_FOUND;
        return FALSE;
    }
    UINT codePage = m.ansiCodePage;
    m.ansiCodePage = 65001;
    BOOL created = CreateDirectoryA(utf8.c_str(), security);
    m.ansiCodePage = codePage;
    return created;
}

BOOL RemoveDirectoryA(LPCSTR path) {
    winsim::Machine& m = TheMachine();
    std::string host;
    DWORD error = ERROR_PATH_NOT_FOUND;
    if (!winsim::HostPathOf(path, &host, &error)) {
        m.lastError = error;
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
    DWORD error = ERROR_PATH_NOT_FOUND;
    if (!winsim::HostPathOf(path, &host, &error)) {
        m.lastError = error;
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
    DWORD error = ERROR_PATH_NOT_FOUND;
    if (!winsim::HostPathOf(path, &host, &error)) {
        m.lastError = error;
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
    DWORD error = ERROR_PATH_NOT_FOUND;
    if (!winsim::HostPathOf(path, &host, &error)) {
        m.lastError = error;
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
    DWORD error = ERROR_PATH_NOT_FOUND;
    if (!winsim::HostPathOf(path, &host, &error)) {
        m.lastError = error;
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
    if (winsim::Files().sharing.HeldWithoutDeleteSharing(host)) {
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
