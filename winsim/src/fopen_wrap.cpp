// fopen with Windows drive paths. The host build links with
// --wrap=fopen: calls to fopen land here, drive paths ("C:\...") become
// streams over the runtime descriptors of winsim (so sharing, attributes,
// text mode and faults behave as for _open), and any other path goes to
// the C library unchanged (so test frameworks keep working).
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "winsim/faults.h"
#include "winsim/machine.h"

extern "C" FILE* __real_fopen(const char* path, const char* mode);

namespace {

// The Microsoft runtime's reading of a mode string; false when invalid.
bool ParseMode(const char* mode, int* oflag) {
    int flags;
    switch (mode[0]) {
    case 'r': flags = _O_RDONLY; break;
    case 'w': flags = _O_WRONLY | _O_CREAT | _O_TRUNC; break;
    case 'a': flags = _O_WRONLY | _O_CREAT | _O_APPEND; break;
    default: return false;
    }
    for (const char* c = mode + 1; *c; ++c) {
        if (*c == '+') flags = (flags & ~(_O_WRONLY | _O_RDONLY)) | _O_RDWR;
        else if (*c == 'b') flags |= _O_BINARY;
        else if (*c == 't') flags |= _O_TEXT;
    }
    *oflag = flags;
    return true;
}

ssize_t StreamRead(void* cookie, char* buffer, size_t size) {
    int fd = static_cast<int>(reinterpret_cast<intptr_t>(cookie));
    unsigned int count = size > 0x40000000u ? 0x40000000u : static_cast<unsigned int>(size);
    return _read(fd, buffer, count);
}

ssize_t StreamWrite(void* cookie, const char* buffer, size_t size) {
    int fd = static_cast<int>(reinterpret_cast<intptr_t>(cookie));
    unsigned int count = size > 0x40000000u ? 0x40000000u : static_cast<unsigned int>(size);
    int written = _write(fd, buffer, count);
    return written < 0 ? 0 : written;  // 0 tells stdio the write failed
}

int StreamSeek(void* cookie, off64_t* position, int whence) {
    int fd = static_cast<int>(reinterpret_cast<intptr_t>(cookie));
    if (*position < INT32_MIN || *position > INT32_MAX) {
        errno = EINVAL;
        return -1;
    }
    LONG result = _lseek(fd, static_cast<LONG>(*position), whence);
    if (result < 0) return -1;
    *position = result;
    return 0;
}

int StreamClose(void* cookie) {
    int fd = static_cast<int>(reinterpret_cast<intptr_t>(cookie));
    return _close(fd);
}

}  // namespace

extern "C" FILE* __wrap_fopen(const char* path, const char* mode) {
    if (path == nullptr || path[0] == '\0' || path[1] != ':') return __real_fopen(path, mode);
    int oflag = 0;
    if (mode == nullptr || !ParseMode(mode, &oflag)) {
        errno = EINVAL;
        return nullptr;
    }
    if (winsim::Injected("fopen", path)) {
        errno = EACCES;
        return nullptr;
    }
    int fd = _open(path, oflag, _S_IREAD | _S_IWRITE);
    if (fd < 0) return nullptr;
    cookie_io_functions_t functions;
    functions.read = StreamRead;
    functions.write = StreamWrite;
    functions.seek = StreamSeek;
    functions.close = StreamClose;
    // stdio needs only to know which directions are open.
    const char* hostMode = (oflag & _O_RDWR) ? "r+" : (oflag & _O_WRONLY) ? "w" : "r";
    FILE* stream = fopencookie(reinterpret_cast<void*>(static_cast<intptr_t>(fd)), hostMode, functions);
    if (stream == nullptr) _close(fd);
    return stream;
}
