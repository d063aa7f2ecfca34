// The runtime library's descriptor calls (_open, _read, _lseek, ...) over
// kernel file handles, as the Microsoft runtime builds them.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <memory>

#include "file_parts.h"

using winsim::TheMachine;

namespace winsim {

namespace {

int HostErrorToRuntime(int hostError) { return hostError == ENOENT || hostError == ENOTDIR ? ENOENT : EACCES; }

HANDLE AddFileHandle(int fd, const std::string& host, DWORD access, DWORD share) {
    Machine& m = TheMachine();
    std::unique_ptr<FileObject> file(new FileObject);
    file->fd = fd;
    file->hostPath = host;
    file->share = share;
    file->access = access;
    Files().sharing.NoteOpen(host, share, access);
    return m.handles.Add(std::move(file));
}

// A plain open for reading, one look at the file at most. A file the
// listing has just handed out is open already (the search looked at it
// that way), or is opened relative to the listing's open folder; its
// length is the one handed out. Any other is opened by its path and the
// open file looked at. Never through a link (O_NOFOLLOW), and never
// waiting on a pipe put in place of a listed file (O_NONBLOCK, which
// regular files ignore); a folder put there since opens but answers no
// read.
HANDLE OpenForReading(const std::string& host, const ListedFile& listed, DWORD share, int* error, int64_t* length) {
    const int flags = O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
    int fd = Files().recent.TakeOpenedFile(listed.entry, TheMachine().files.Generation());
    if (fd < 0) fd = listed.folderFd >= 0 ? openat(listed.folderFd, listed.hostName, flags) : open(host.c_str(), flags);
    if (fd < 0) {
        *error = HostErrorToRuntime(errno);
        return nullptr;
    }
    *length = listed.size;
    if (listed.size < 0) {
        struct stat st;
        if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
            close(fd);
            *error = EACCES;  // a folder, as the runtime answers; nothing else is a file of a Windows disk
            return nullptr;
        }
        *length = static_cast<int64_t>(st.st_size);
    }
    if (!Files().sharing.MayOpen(host, GENERIC_READ, share)) {
        close(fd);
        *error = EACCES;  // what the runtime makes of a sharing violation
        return nullptr;
    }
    return AddFileHandle(fd, host, GENERIC_READ, share);
}

// Opens a file the way the runtime library does (sharing read and write,
// never delete). `oflag` and `pmode` as for _open. Returns the kernel
// handle, or nullptr with *error set to an errno value. *length is the
// file's length as the open found it, or -1 when it did not look.
HANDLE RuntimeOpen(const char* path, int oflag, int pmode, int* error, int64_t* length) {
    Machine& m = TheMachine();
    *length = -1;
    // Both paths in storage kept from open to open: the walk opens every
    // file once, and each would otherwise allocate twice.
    thread_local std::string windows;
    thread_local std::string host;
    ListedFile listed;
    if (path == nullptr) {
        *error = ENOENT;
        return nullptr;
    }
    windows.assign(path);
    host.clear();
    if (!Files().paths.ToHostPath(windows, &host, &listed)) {
        *error = ENOENT;
        return nullptr;
    }
    int accessMode = oflag & 3;
    if (accessMode == 3) {
        *error = EINVAL;
        return nullptr;
    }
    const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE;  // _SH_DENYNO
    if (accessMode == _O_RDONLY && !(oflag & (_O_CREAT | _O_TRUNC))) return OpenForReading(host, listed, share, error, length);

    // Writing or creating: everything that may refuse the open is asked
    // before it, since the open itself may truncate or create the file.
    bool writing = accessMode != _O_RDONLY;
    struct stat st;
    bool exists = stat(host.c_str(), &st) == 0;
    if (exists && S_ISDIR(st.st_mode)) {
        *error = EACCES;
        return nullptr;
    }
    if (exists && (oflag & _O_CREAT) && (oflag & _O_EXCL)) {
        *error = EEXIST;
        return nullptr;
    }
    if (!exists && !(oflag & _O_CREAT)) {
        *error = ENOENT;
        return nullptr;
    }
    if (exists && writing && (m.files.Attributes(host) & FILE_ATTRIBUTE_READONLY)) {
        *error = EACCES;
        return nullptr;
    }
    DWORD access = (accessMode == _O_WRONLY ? 0 : GENERIC_READ) | (writing ? GENERIC_WRITE : 0);
    if (!m.files.MayOpen(host, access, share)) {
        *error = EACCES;
        return nullptr;
    }
    int flags = accessMode == _O_RDONLY ? O_RDONLY : accessMode == _O_WRONLY ? O_WRONLY : O_RDWR;
    if (oflag & _O_CREAT) flags |= O_CREAT;
    if (oflag & _O_TRUNC) flags |= O_TRUNC;
    if (oflag & _O_APPEND) flags |= O_APPEND;
    m.files.NoteChange();
    // Never through a link: the translation refuses links, and one put in
    // place of the file since (the walk translates from its listing) is
    // refused here.
    int fd = open(host.c_str(), flags | O_NOFOLLOW, 0644);
    if (fd < 0) {
        *error = HostErrorToRuntime(errno);
        return nullptr;
    }
    if (!exists) {
        m.files.NoteRemoved(host);  // nothing kept from an earlier file of that name
        // Without _S_IWRITE the new file is read-only (for later opens).
        if (!(pmode & _S_IWRITE)) m.files.SetAttributes(host, FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE);
    }
    return AddFileHandle(fd, host, access, share);
}

// Text-mode translation of the Microsoft runtime, at the descriptor's own
// position (*position moves on): reading turns CR LF into LF and stops at
// Ctrl+Z (setting *ended); writing turns LF into CR LF and answers the
// count of the caller's bytes. -1 on a host error.
long ReadText(int hostFd, int64_t* position, char* out, size_t count, bool* ended) {
    if (*ended || count == 0) return 0;
    // Like the runtime: the raw bytes land in the caller's buffer and are
    // squeezed there, so bytes past the answered count are not kept.
    ssize_t n = pread(hostFd, out, count, static_cast<off_t>(*position));
    if (n <= 0) return n < 0 ? -1 : 0;
    int64_t next = *position + n;  // where the following read starts
    size_t produced = 0;
    for (ssize_t i = 0; i < n; ++i) {
        char c = out[i];
        if (c == 0x1A) {  // Ctrl+Z ends the text; the position stays on it
            *ended = true;
            next = *position + i;
            break;
        }
        if (c != '\r') {
            out[produced++] = c;
            continue;
        }
        if (i + 1 < n) {
            if (out[i + 1] == '\n') {
                out[produced++] = '\n';
                ++i;
            } else {
                out[produced++] = '\r';
            }
            continue;
        }
        // A CR at the end of the chunk: the next byte decides.
        char following = 0;
        ssize_t more = pread(hostFd, &following, 1, static_cast<off_t>(next));
        if (more == 1 && following == '\n') {
            out[produced++] = '\n';
            next += 1;
        } else {
            out[produced++] = '\r';
        }
    }
    *position = next;
    return static_cast<long>(produced);
}

// Writes at the descriptor's position, or at the end for an appending
// descriptor; *position ends after the bytes written. -1 on a host error.
long WriteAt(int hostFd, bool append, int64_t* position, const void* data, size_t count) {
    if (!append) {
        ssize_t n = pwrite(hostFd, data, count, static_cast<off_t>(*position));
        if (n < 0) return -1;
        *position += n;
        return static_cast<long>(n);
    }
    // An appending descriptor writes at the end whatever its position
    // (the host descriptor is opened O_APPEND) and is left at the end.
    ssize_t n = write(hostFd, data, count);
    if (n < 0) return -1;
    off_t end = lseek(hostFd, 0, SEEK_CUR);
    if (end >= 0) *position = end;
    return static_cast<long>(n);
}

long WriteText(int hostFd, bool append, int64_t* position, const char* data, size_t count) {
    std::string expanded;
    expanded.reserve(count + count / 8 + 1);
    for (size_t i = 0; i < count; ++i) {
        if (data[i] == '\n') expanded += '\r';
        expanded += data[i];
    }
    long n = WriteAt(hostFd, append, position, expanded.data(), expanded.size());
    if (n < 0 || static_cast<size_t>(n) != expanded.size()) return -1;
    return static_cast<long>(count);
}

}  // namespace

}  // namespace winsim

namespace {

// The open descriptor with its host file, or nullptr with errno EBADF.
winsim::CrtDescriptor* Lookup(int fd, winsim::FileObject** file) {
    winsim::Machine& m = TheMachine();
    winsim::CrtDescriptor* descriptor = winsim::Files().descriptors.Find(fd);
    // The object the open made, if its handle is still there: compared,
    // not cast, since the handle cannot have changed kind.
    *file = descriptor != nullptr && descriptor->file != nullptr && m.handles.Find(descriptor->handle) == descriptor->file
                ? descriptor->file
                : nullptr;
    if (descriptor == nullptr || *file == nullptr) {
        errno = EBADF;
        return nullptr;
    }
    return descriptor;
}

}  // namespace

int _open(const char* path, int oflag, int pmode) {
    if (path == nullptr) {
        errno = EINVAL;
        return -1;
    }
    if (winsim::Injected("_open", path)) {
        errno = EACCES;
        return -1;
    }
    int error = 0;
    int64_t length = -1;
    HANDLE handle = winsim::RuntimeOpen(path, oflag, pmode, &error, &length);
    if (handle == nullptr) {
        errno = error;
        return -1;
    }
    int fd = 0;
    winsim::CrtDescriptor& descriptor = *winsim::Files().descriptors.Add(&fd);
    // RuntimeOpen's handles are always file objects: no cast to check.
    descriptor.file = static_cast<winsim::FileObject*>(TheMachine().handles.Find(handle));
    descriptor.lengthAtOpen = length;
    descriptor.generationAtOpen = TheMachine().files.Generation();
    descriptor.handle = handle;
    descriptor.windowsPath.assign(path);
    descriptor.text = (oflag & _O_BINARY) == 0;
    descriptor.append = (oflag & _O_APPEND) != 0;
    descriptor.readable = (oflag & 3) != _O_WRONLY;
    descriptor.writable = (oflag & 3) != _O_RDONLY;
    return fd;
}

int _read(int fd, void* buffer, unsigned int count) {
    winsim::FileObject* file;
    winsim::CrtDescriptor* descriptor = Lookup(fd, &file);
    if (descriptor == nullptr) return -1;
    if (!descriptor->readable) {
        errno = EBADF;
        return -1;
    }
    if (count > static_cast<unsigned int>(INT_MAX) || buffer == nullptr) {
        errno = EINVAL;
        return -1;
    }
    if (winsim::Injected("_read", descriptor->windowsPath.c_str())) {
        errno = EIO;
        return -1;
    }
    descriptor->lengthAtOpen = -1;
    long n;
    if (descriptor->text) {
        n = winsim::ReadText(file->fd, &descriptor->position, static_cast<char*>(buffer), count, &descriptor->ended);
    } else {
        n = static_cast<long>(pread(file->fd, buffer, count, static_cast<off_t>(descriptor->position)));
        if (n > 0) descriptor->position += n;
    }
    if (n < 0) {
        errno = EIO;
        return -1;
    }
    return static_cast<int>(n);
}

int _write(int fd, const void* buffer, unsigned int count) {
    winsim::FileObject* file;
    winsim::CrtDescriptor* descriptor = Lookup(fd, &file);
    if (descriptor == nullptr) return -1;
    if (!descriptor->writable) {
        errno = EBADF;
        return -1;
    }
    if (count > static_cast<unsigned int>(INT_MAX) || (buffer == nullptr && count > 0)) {
        errno = EINVAL;
        return -1;
    }
    if (winsim::Injected("_write", descriptor->windowsPath.c_str())) {
        errno = ENOSPC;
        return -1;
    }
    if (count == 0) return 0;
    winsim::TheMachine().files.NoteChange();
    descriptor->lengthAtOpen = -1;
    long n = descriptor->text ? winsim::WriteText(file->fd, descriptor->append, &descriptor->position,
                                                  static_cast<const char*>(buffer), count)
                              : winsim::WriteAt(file->fd, descriptor->append, &descriptor->position, buffer, count);
    if (n < 0) {
        errno = ENOSPC;
        return -1;
    }
    return static_cast<int>(n);
}

LONG _lseek(int fd, LONG offset, int origin) {
    winsim::FileObject* file;
    winsim::CrtDescriptor* descriptor = Lookup(fd, &file);
    if (descriptor == nullptr) return -1;
    if (winsim::Injected("_lseek", descriptor->windowsPath.c_str())) {
        errno = EINVAL;
        return -1;
    }
    descriptor->lengthAtOpen = -1;
    int64_t base;
    if (origin == SEEK_SET) {
        base = 0;
    } else if (origin == SEEK_CUR) {
        base = descriptor->position;
    } else if (origin == SEEK_END) {
        struct stat st;
        base = fstat(file->fd, &st) == 0 ? static_cast<int64_t>(st.st_size) : -1;
    } else {
        errno = EINVAL;
        return -1;
    }
    if (base < 0) {
        errno = EINVAL;
        return -1;
    }
    // The position travels back as a 32-bit long: anything outside
    // 0 .. 2^31 - 1 is refused and the position stays where it was.
    int64_t position = base + offset;
    if (position < 0 || position > INT32_MAX) {
        errno = EINVAL;
        return -1;
    }
    descriptor->position = position;
    descriptor->ended = false;
    return static_cast<LONG>(position);
}

LONG _filelength(int fd) {
    winsim::FileObject* file;
    winsim::CrtDescriptor* descriptor = Lookup(fd, &file);
    if (descriptor == nullptr) return -1;
    if (winsim::Injected("_filelength", descriptor->windowsPath.c_str())) {
        errno = EBADF;
        return -1;
    }
    int64_t length = descriptor->lengthAtOpen;
    if (length < 0 || descriptor->generationAtOpen != winsim::TheMachine().files.Generation()) {
        struct stat st;
        if (fstat(file->fd, &st) != 0) {
            errno = EINVAL;
            return -1;
        }
        length = static_cast<int64_t>(st.st_size);
    }
    if (length > INT32_MAX) {
        errno = EINVAL;
        return -1;
    }
    return static_cast<LONG>(length);
}

int _close(int fd) {
    winsim::Machine& m = TheMachine();
    winsim::RuntimeDescriptors& descriptors = winsim::Files().descriptors;
    winsim::CrtDescriptor* descriptor = descriptors.Find(fd);
    if (descriptor == nullptr) {
        errno = EBADF;
        return -1;
    }
    // An injected failure leaves the descriptor open, as a refused
    // CloseHandle leaves its handle.
    if (winsim::Injected("_close", descriptor->windowsPath.c_str())) {
        errno = EIO;
        return -1;
    }
    HANDLE handle = descriptor->handle;
    descriptors.Remove(fd);
    m.handles.Remove(handle);
    return 0;
}
