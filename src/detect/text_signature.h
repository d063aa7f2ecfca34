// The text-signature check: a file that begins with "begin" and carries a
// known sequence once its blanks are taken out. Run on the hosts file
// around every detection.
#pragma once

#include <cstdint>

#pragma pack(push, 1)
// One record, 170 bytes packed, integers little-endian.
struct TextSignatureRecord {
    char detectionName[25];  // zero-terminated, zero-padded
    int32_t referenceSize;   // for size modes 16 and 17
    int16_t position;        // window start for the fixed-position kind
    uint16_t patternLength;  // 0 disables the record
    int16_t region;          // 0 head text, 1 tail text
    unsigned char pattern[100];  // the first patternLength bytes stored XOR 0x55
    int16_t matchKind;       // 1 anywhere in the region, else fixed position
    int16_t reserved137;
    int16_t sizeMode;        // 16 exact size, 17 within 4096 either way, else none
    int16_t reserved141;
    unsigned char reserved143[27];
};
#pragma pack(pop)
static_assert(sizeof(TextSignatureRecord) == 170, "a text-signature record is 170 bytes");

const int kTextSignatureCount = 1;
extern TextSignatureRecord TextSignatureTable[kTextSignatureCount];
// 0 at program start; set by the first check, which unscrambles the table.
extern unsigned char TextSignaturesUnscrambled;

// 1 when the file matched (whatever the action then did), 0 when it could
// not be opened or did not match. `name` is the caller's default name; a
// match reports the record's name instead.
int CheckTextSignature(const char* name, const char* path);
// 1 on a match, with the record's name in TextSignatureMatchedName.
int MatchTextSignature(int fd);
// 1 when the first five bytes are "begin", ignoring case.
int StartsWithBegin(int fd);
// Copies the bytes that are not blanks; returns how many.
int StripBlanks(const char* source, char* destination, int length);
// 1 when the pattern lies wholly inside the range at some position.
int FindPattern(const char* range, int rangeLength, const char* pattern, int patternLength);
// Restores the stored pattern bytes of the table (XOR 0x55, in place).
void UnscrambleTextSignatures();

extern char TextSignatureMatchedName[26];
