#include "pe_samples.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace {

const uint32_t kPeOffset = 0x80;
const uint32_t kHeadersSize = 0x200;
const uint32_t kSectionAddress = 0x1000;

void Put16(std::string* file, size_t at, uint32_t value) {
    (*file)[at] = static_cast<char>(value & 0xFF);
    (*file)[at + 1] = static_cast<char>((value >> 8) & 0xFF);
}

void Put32(std::string* file, size_t at, uint32_t value) {
    Put16(file, at, value & 0xFFFF);
    Put16(file, at + 2, value >> 16);
}

// Headers of a file of `size` bytes whose entry point is `entry` bytes
// into its one section, which starts at file position kHeadersSize.
std::string Image(size_t size, uint32_t entry, int sections) {
    std::string file(size, '\0');
    file[0] = 'M';
    file[1] = 'Z';
    Put32(&file, 0x3C, kPeOffset);
    memcpy(&file[kPeOffset], "PE\0\0", 4);
    Put16(&file, kPeOffset + 4, 0x14C);                        // i386
    Put16(&file, kPeOffset + 6, static_cast<uint32_t>(sections));
    Put16(&file, kPeOffset + 20, 224);                         // SizeOfOptionalHeader
    Put16(&file, kPeOffset + 24, 0x10B);                       // Magic
    Put32(&file, kPeOffset + 24 + 16, kSectionAddress + entry);  // AddressOfEntryPoint
    Put32(&file, kPeOffset + 24 + 60, kHeadersSize);           // SizeOfHeaders
    size_t section = kPeOffset + 248;
    memcpy(&file[section], ".text", 5);
    Put32(&file, section + 8, static_cast<uint32_t>(size) * 2);  // VirtualSize: past every address
    Put32(&file, section + 12, kSectionAddress);
    Put32(&file, section + 16, static_cast<uint32_t>(size - kHeadersSize));
    Put32(&file, section + 20, kHeadersSize);
    return file;
}

}  // namespace

std::string SampleFor(const SignatureRecord& record) {
    int64_t low = std::min<int64_t>({record.firstOffset, record.secondOffset, 0});
    int64_t first = kHeadersSize - low + record.firstOffset;
    int64_t second = kHeadersSize - low + record.secondOffset;
    if (record.fileSize <= 0 || std::max(first, second) + kPatternLength > record.fileSize) return std::string();
    std::string file = Image(static_cast<size_t>(record.fileSize), static_cast<uint32_t>(-low), 1);
    memcpy(&file[static_cast<size_t>(first)], record.firstPattern, kPatternLength);
    memcpy(&file[static_cast<size_t>(second)], record.secondPattern, kPatternLength);
    return file;
}

std::string NearMissFor(const SignatureRecord& record) {
    std::string file = SampleFor(record);
    if (file.empty()) return file;
    int64_t low = std::min<int64_t>({record.firstOffset, record.secondOffset, 0});
    size_t second = static_cast<size_t>(kHeadersSize - low + record.secondOffset);
    file[second + kPatternLength - 1] ^= 0x01;
    return file;
}

std::string PlainImage(size_t size, int sections) {
    if (size < kHeadersSize + 16) size = kHeadersSize + 16;
    return Image(size, 0, sections);
}
