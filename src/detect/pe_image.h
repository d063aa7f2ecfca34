// The PE headers of the file under inspection: where the entry point is and
// how addresses map to file positions through the section table.
#pragma once

#include <cstdint>

#include "platform/win32.h"

const int kMaxSections = 20;
const int kFileHeaderSize = 20;
const int kOptionalHeaderPrefixSize = 96;  // the fields before the data directories
const int kSectionHeaderSize = 40;

// The headers as stored in the file; rewritten for every file inspected.
struct PeImageInfo {
    uint16_t peHeaderOffset;  // the low 16 bits of e_lfanew
    unsigned char fileHeader[kFileHeaderSize];
    unsigned char optionalHeader[kOptionalHeaderPrefixSize];
    unsigned char sectionTable[kMaxSections][kSectionHeaderSize];  // zero past NumberOfSections
};

extern PeImageInfo PeImage;

uint16_t PeNumberOfSections();
DWORD PeEntryPoint();
DWORD PeSizeOfHeaders();

// 1 when the PE signature stands at the offset kept at 0x3C and the file
// header was read whole, else 0. "MZ" is not looked at.
int ReadFileHeader(int fd);
// 1 when the optional-header prefix and every section header were read,
// else 0 (also for more than kMaxSections sections). After ReadFileHeader.
int ReadSectionTable(int fd);
// The file position of a relative virtual address; never fails. All
// arithmetic is unsigned 32-bit and wraps, as the format is.
DWORD RvaToFileOffset(DWORD address, int fd);
