#include "detect/signature_match.h"

#include <cstring>

#include "detect/pe_image.h"

namespace {

// The pattern at file position `place`. The position goes to the seek as
// a signed 32-bit value, so positions of 2^31 and above are never read.
bool PatternAt(int fd, DWORD place, const unsigned char* pattern) {
    if (_lseek(fd, static_cast<LONG>(place), SEEK_SET) < 0) return false;
    unsigned char bytes[kPatternLength];
    if (_read(fd, bytes, kPatternLength) != kPatternLength) return false;
    return memcmp(bytes, pattern, kPatternLength) == 0;
}

}  // namespace

bool PassesSizeCondition(const SignatureRecord& record, int32_t length) {
    int32_t fileSize = record.fileSize;
    switch (record.sizeMode) {
    case kSizeExact: return length == fileSize;
    case kSizeNear: {
        int64_t difference = static_cast<int64_t>(fileSize) - length;
        return difference > -kSizeTolerance && difference < kSizeTolerance;
    }
    case kSizeAny: return true;
    default: return false;
    }
}

bool PatternsMatch(const SignatureRecord& record, int fd, DWORD entryPoint) {
    // Offsets reach before the entry point by wrapping modulo 2^32.
    DWORD first = RvaToFileOffset(entryPoint + static_cast<DWORD>(record.firstOffset), fd);
    if (!PatternAt(fd, first, record.firstPattern)) return false;
    DWORD second = RvaToFileOffset(entryPoint + static_cast<DWORD>(record.secondOffset), fd);
    return PatternAt(fd, second, record.secondPattern);
}

bool RecordMatches(const SignatureRecord& record, int fd, int32_t length, DWORD entryPoint) {
    return PassesSizeCondition(record, length) && PatternsMatch(record, fd, entryPoint);
}
