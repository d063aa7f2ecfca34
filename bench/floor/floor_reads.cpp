#include "floor_reads.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const size_t kFirstRead = 4096;
const uint32_t kSectionTableOffset = 248;  // signature, file header, 224-byte optional header
const uint32_t kMaxSections = 20;
const uint32_t kHeaderSpan = kSectionTableOffset + kMaxSections * 40;
const uint32_t kPeSignature = 0x4550;
// O_NONBLOCK: a pipe put in place of a listed file never blocks the open.
const int kOpenFlags = O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;

uint16_t Le16(const unsigned char* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
uint32_t Le32(const unsigned char* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}

// The open file's length, as the inspection takes it; false for anything
// but a regular file.
bool RegularFile(int fd) {
    struct stat st;
    return fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
}

bool SignatureInFirstPage(const unsigned char* first, ssize_t got) {
    if (got < 0x3E) return false;
    uint32_t peOffset = Le16(first + 0x3C);
    return peOffset + 4 <= static_cast<uint32_t>(got) && Le32(first + peOffset) == kPeSignature;
}

}  // namespace

void ReadFirstPage(int dirfd, const char* name, FloorTotals* totals) {
    ++totals->files;
    int fd = openat(dirfd, name, kOpenFlags);
    if (fd < 0) {
        ++totals->unopened;
        return;
    }
    if (RegularFile(fd)) {
        unsigned char first[kFirstRead];
        ssize_t got = pread(fd, first, sizeof first, 0);
        if (got > 0) totals->bytesRead += static_cast<uint64_t>(got);
        if (SignatureInFirstPage(first, got)) ++totals->peFiles;
    }
    close(fd);
}

void ReadHeadersByPath(const char* path, FloorTotals* totals) {
    ++totals->files;
    int fd = open(path, kOpenFlags);
    if (fd < 0) {
        ++totals->unopened;
        return;
    }
    if (!RegularFile(fd)) {
        close(fd);
        return;
    }
    unsigned char first[kFirstRead];
    ssize_t got = pread(fd, first, sizeof first, 0);
    if (got >= 0x3E) {
        totals->bytesRead += static_cast<uint64_t>(got);
        uint32_t peOffset = Le16(first + 0x3C);
        const unsigned char* headers = nullptr;
        unsigned char beyond[kHeaderSpan];
        if (peOffset + kHeaderSpan <= static_cast<uint32_t>(got) || got < static_cast<ssize_t>(kFirstRead)) {
            if (peOffset + 4 <= static_cast<uint32_t>(got)) headers = first + peOffset;
        } else {
            ssize_t more = pread(fd, beyond, sizeof beyond, peOffset);
            if (more >= 4) {
                totals->bytesRead += static_cast<uint64_t>(more);
                headers = beyond;
            }
        }
        if (headers != nullptr && Le32(headers) == kPeSignature)
            ++totals->peFiles;
    }
    close(fd);
}
