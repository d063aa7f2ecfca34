// Matching one open file against the text-signature table: the head and
// the tail of the file with their blanks taken out, searched for the
// record's pattern.
#include <cstring>

#include "common/shared_state.h"
#include "detect/text_signature.h"
#include "platform/win32.h"

namespace {

const int kRegionSize = 4096;

// Reused by every check; each call fills what it reads.
char ReadBuffer[kRegionSize + 1];
char HeadText[kRegionSize];
char TailText[kRegionSize];

bool IsBlank(unsigned char c) { return c == 0x20 || c == 0x09 || c == 0x0A || c == 0x0D || c == 0x0B || c == 0x0C; }

// Reads exactly `count` bytes from `offset` into the read buffer.
bool ReadAt(int fd, long offset, int count) {
    if (_lseek(fd, offset, SEEK_SET) != offset) return false;
    return _read(fd, ReadBuffer, static_cast<unsigned>(count)) == count;
}

// The 100-byte window of the fixed-position kind; bytes outside the
// stripped text count as zero.
void CopyWindow(const char* text, int textLength, int start) {
    for (int i = 0; i < 100; ++i) {
        int at = start + i;
        ReadBuffer[i] = at >= 0 && at < textLength ? text[at] : '\0';
    }
}

bool SizeConditionHolds(const TextSignatureRecord& record, long referenceLength) {
    // The file's length stands as the reference length, as for the
    // executable signatures.
    if (record.sizeMode == 16) return referenceLength == record.referenceSize;
    if (record.sizeMode == 17)
        return record.referenceSize >= referenceLength - kRegionSize &&
               record.referenceSize <= referenceLength + kRegionSize;
    return true;
}

bool RecordMatches(const TextSignatureRecord& record, long fileLength, int headLength, int tailLength,
                   int rangeLength) {
    int patternLength = record.patternLength;
    // A length beyond the pattern field cannot be compared.
    if (patternLength == 0 || patternLength > static_cast<int>(sizeof record.pattern)) return false;
    if (fileLength < patternLength) return false;
    if (!SizeConditionHolds(record, fileLength)) return false;
    // Only the head and the tail exist; a record naming any other region
    // never matches.
    if (record.region != 0 && record.region != 1) return false;
    const char* text = record.region == 0 ? HeadText : TailText;
    int textLength = record.region == 0 ? headLength : tailLength;
    const char* pattern = reinterpret_cast<const char*>(record.pattern);

    memset(ReadBuffer, 0, sizeof ReadBuffer);
    if (record.matchKind == 1) {
        memcpy(ReadBuffer, text, static_cast<size_t>(textLength));
        return FindPattern(ReadBuffer, rangeLength, pattern, patternLength) == 1;
    }
    if (record.region == 0) {
        CopyWindow(text, textLength, record.position);
    } else if (record.position <= textLength) {
        CopyWindow(text, textLength, textLength - record.position);
    }
    return memcmp(ReadBuffer, pattern, static_cast<size_t>(patternLength)) == 0;
}

}  // namespace

char TextSignatureMatchedName[26];

int StripBlanks(const char* source, char* destination, int length) {
    int copied = 0;
    for (int i = 0; i < length; ++i)
        if (!IsBlank(static_cast<unsigned char>(source[i]))) destination[copied++] = source[i];
    return copied;
}

int FindPattern(const char* range, int rangeLength, const char* pattern, int patternLength) {
    if (patternLength <= 0 || rangeLength < patternLength) return 0;
    const char* at = range;
    const char* end = range + rangeLength;
    while (at < end) {
        const char* candidate = static_cast<const char*>(memchr(at, pattern[0], static_cast<size_t>(end - at)));
        if (candidate == nullptr) return 0;
        // A candidate counts only with the whole pattern inside the range.
        if (end - candidate < patternLength) return 0;
        if (memcmp(candidate, pattern, static_cast<size_t>(patternLength)) == 0) return 1;
        at = candidate + 1;
    }
    return 0;
}

int StartsWithBegin(int fd) {
    if (_filelength(fd) < 0) return 0;
    if (_lseek(fd, 0, SEEK_SET) != 0) return 0;
    char first[6] = {0};
    if (_read(fd, first, 5) != 5) return 0;
    return _stricmp(first, "begin") == 0 ? 1 : 0;
}

int MatchTextSignature(int fd) {
    memset(ReadBuffer, 0, sizeof ReadBuffer);
    if (!StartsWithBegin(fd)) return 0;
    long fileLength = _filelength(fd);
    if (fileLength < 0) return 0;
    int headLength = 0;
    int tailLength = 0;
    int rangeLength = 0;
    if (fileLength < kRegionSize) {
        int length = static_cast<int>(fileLength);
        if (!ReadAt(fd, 0, length)) return 0;
        headLength = StripBlanks(ReadBuffer, HeadText, length);
        memcpy(TailText, HeadText, static_cast<size_t>(headLength));
        tailLength = headLength;
        rangeLength = length;
    } else {
        if (!ReadAt(fd, 0, kRegionSize)) return 0;
        headLength = StripBlanks(ReadBuffer, HeadText, kRegionSize);
        memset(ReadBuffer, 0, sizeof ReadBuffer);
        if (!ReadAt(fd, fileLength - kRegionSize, kRegionSize)) return 0;
        tailLength = StripBlanks(ReadBuffer, TailText, kRegionSize);
        rangeLength = kRegionSize;
    }
    for (const TextSignatureRecord& record : TextSignatureTable) {
        if (!RecordMatches(record, fileLength, headLength, tailLength, rangeLength)) continue;
        ++ScanCounters.filesInfected;
        // The name field need not hold a terminator of its own.
        size_t nameLength = strnlen(record.detectionName, sizeof record.detectionName);
        memcpy(TextSignatureMatchedName, record.detectionName, nameLength);
        TextSignatureMatchedName[nameLength] = '\0';
        return 1;
    }
    return 0;
}
