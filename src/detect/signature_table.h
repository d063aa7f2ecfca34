// The signature table: one record per known build of the W32/Gorvex family.
// A file is that build when its length passes the record's size condition
// and the two 20-byte patterns stand at the two distances from its entry
// point. Records are tried in order; the first match names the file.
#pragma once

#include <cstdint>

// The records are stored exactly as they are laid out on disk in the
// scanner's data: 108 bytes, no padding, several fields at odd offsets.
#pragma pack(push, 1)
struct SignatureRecord {
    char detectionName[50];          // zero-terminated; empty marks the end of the table
    int32_t firstOffset;             // from the entry point, in address space
    unsigned char firstPattern[21];  // 20 compared bytes and a zero
    int32_t secondOffset;
    unsigned char secondPattern[21];
    int32_t fileSize;
    int32_t sizeMode;
};
#pragma pack(pop)
static_assert(sizeof(SignatureRecord) == 108, "a signature record is 108 packed bytes");

const int kSignatureRecordCount = 110;
const int kPatternLength = 20;
// SizeNear accepts lengths strictly within this many bytes either way.
const int32_t kSizeTolerance = 4096;

const int32_t kSizeExact = 1;
const int32_t kSizeNear = 2;
const int32_t kSizeAny = 3;

// The records followed by one record whose bytes are all zero.
extern const SignatureRecord SignatureTable[kSignatureRecordCount + 1];
