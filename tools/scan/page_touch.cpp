#include "page_touch.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <cstdint>

namespace {

// O_NONBLOCK: a pipe put in place of a listed file would block the open
// for reading until a writer came. O_NOCTTY: a terminal never becomes
// ours. A device is refused by fstat before anything is read from it.
const int kOpenFlags = O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;

// The inspection's first read, and where it looks for the PE headers.
const unsigned int kFirstReadSize = 4096;
const unsigned int kPeOffsetPosition = 0x3C;
// Signature, file header, optional header and at most 20 section headers:
// everything the inspection reads from the header offset on.
const unsigned int kHeaderSpan = 4 + 20 + 224 + 20 * 40;
const uint32_t kPeSignature = 0x00004550;

uint32_t Le16(const unsigned char* bytes) { return static_cast<uint32_t>(bytes[0] | bytes[1] << 8); }

uint32_t Le32(const unsigned char* bytes) {
    return static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
           static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
}

// The headers where the first page does not hold them: the signature
// first (most such offsets point into text or data, where no signature
// stands), the rest of the span only behind a signature.
void ReadHeadersBeyond(int fd, uint32_t offset) {
    unsigned char headers[kHeaderSpan];
    if (pread(fd, headers, 4, offset) != 4 || Le32(headers) != kPeSignature) return;
    (void)pread(fd, headers + 4, kHeaderSpan - 4, offset + 4);
}

// The first page, from the cache when it is all there; *cached says so.
ssize_t ReadFirstPage(int fd, off_t size, unsigned char* page, bool* cached) {
    struct iovec wanted = {page, kFirstReadSize};
    ssize_t got = preadv2(fd, &wanted, 1, 0, RWF_NOWAIT);
    off_t expected = size < static_cast<off_t>(kFirstReadSize) ? size : static_cast<off_t>(kFirstReadSize);
    *cached = got >= 0 && got >= expected;
    if (*cached) return got;
    return pread(fd, page, kFirstReadSize, 0);
}

}  // namespace

TouchResult TouchFile(int dirfd, const char* name) {
    int fd = openat(dirfd, name, kOpenFlags);
    if (fd < 0) return TouchResult::kNotOpened;
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        return TouchResult::kNotRegular;
    }
    unsigned char first[kFirstReadSize];
    bool cached = false;
    ssize_t got = ReadFirstPage(fd, st.st_size, first, &cached);
    // The headers lie past the first page only in a file longer than it.
    if (got == static_cast<ssize_t>(kFirstReadSize)) {
        uint32_t offset = Le16(first + kPeOffsetPosition);
        if (offset + 4 > kFirstReadSize)
            ReadHeadersBeyond(fd, offset);
        else if (Le32(first + offset) == kPeSignature && offset + kHeaderSpan > kFirstReadSize)
            (void)pread(fd, first, offset + kHeaderSpan - kFirstReadSize, kFirstReadSize);
    }
    close(fd);
    return cached ? TouchResult::kCached : TouchResult::kRead;
}
