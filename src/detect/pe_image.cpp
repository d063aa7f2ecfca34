#include "detect/pe_image.h"

#include <cstring>

PeImageInfo PeImage;

namespace {

// The section table is taken to follow a 224-byte optional header,
// whatever SizeOfOptionalHeader says: 4 signature bytes, the file header,
// the optional header.
const DWORD kSectionTableDistance = 4 + kFileHeaderSize + 224;
const DWORD kPeSignature = 0x00004550;  // "PE\0\0"

DWORD Le16(const unsigned char* bytes) { return static_cast<DWORD>(bytes[0] | bytes[1] << 8); }

DWORD Le32(const unsigned char* bytes) {
    return static_cast<DWORD>(bytes[0]) | static_cast<DWORD>(bytes[1]) << 8 | static_cast<DWORD>(bytes[2]) << 16 |
           static_cast<DWORD>(bytes[3]) << 24;
}

// The start of the file under inspection, read once by ReadFileHeader:
// nearly every header lies in it, so one read serves the five header
// reads. Anything the window does not hold whole is read from the file.
const unsigned int kHeaderWindowSize = 4096;
struct HeaderWindow {
    int fd = -1;
    unsigned int length = 0;  // bytes held; fewer than the size only at the end of the file
    unsigned char bytes[kHeaderWindowSize];
};
HeaderWindow Window;

// False when the file cannot be read at all: the inspection then ends as
// the first of the separate header reads would have ended it.
bool LoadWindow(int fd) {
    Window.fd = -1;
    if (_lseek(fd, 0, SEEK_SET) < 0) return false;
    int got = _read(fd, Window.bytes, kHeaderWindowSize);
    if (got < 0) return false;
    Window.fd = fd;
    Window.length = static_cast<unsigned int>(got);
    return true;
}

// Seek from the start, then read exactly `count` bytes. From the window
// when it holds them, or when it holds the whole file and they lie past
// its end (a short read at the end of the file fails the same way). An
// empty read goes to the file: past the end it still succeeds.
bool ReadAt(int fd, DWORD offset, void* buffer, unsigned int count) {
    if (fd == Window.fd && count > 0) {
        uint64_t end = static_cast<uint64_t>(offset) + count;
        if (end <= Window.length) {
            memcpy(buffer, Window.bytes + offset, count);
            return true;
        }
        if (Window.length < kHeaderWindowSize && offset <= 0x7FFFFFFFu) return false;
    }
    if (_lseek(fd, static_cast<LONG>(offset), SEEK_SET) < 0) return false;
    return _read(fd, buffer, count) == static_cast<int>(count);
}

}  // namespace

uint16_t PeNumberOfSections() { return static_cast<uint16_t>(Le16(PeImage.fileHeader + 2)); }
DWORD PeEntryPoint() { return Le32(PeImage.optionalHeader + 16); }
DWORD PeSizeOfHeaders() { return Le32(PeImage.optionalHeader + 60); }

int ReadFileHeader(int fd) {
    PeImage.peHeaderOffset = 0;
    memset(PeImage.fileHeader, 0, sizeof PeImage.fileHeader);
    if (!LoadWindow(fd)) return 0;
    // Only the low two bytes of e_lfanew are read: a header past 65535
    // bytes is not found, and 0x12345 leads to 0x2345.
    unsigned char offsetBytes[2];
    if (!ReadAt(fd, 0x3C, offsetBytes, sizeof offsetBytes)) return 0;
    PeImage.peHeaderOffset = static_cast<uint16_t>(Le16(offsetBytes));
    unsigned char signature[4];
    if (!ReadAt(fd, PeImage.peHeaderOffset, signature, sizeof signature)) return 0;
    if (Le32(signature) != kPeSignature) return 0;
    return ReadAt(fd, PeImage.peHeaderOffset + 4u, PeImage.fileHeader, sizeof PeImage.fileHeader) ? 1 : 0;
}

int ReadSectionTable(int fd) {
    if (!ReadAt(fd, PeImage.peHeaderOffset + 24u, PeImage.optionalHeader, sizeof PeImage.optionalHeader)) return 0;
    DWORD sections = PeNumberOfSections();
    if (sections > static_cast<DWORD>(kMaxSections)) return 0;
    memset(PeImage.sectionTable, 0, sizeof PeImage.sectionTable);
    return ReadAt(fd, PeImage.peHeaderOffset + kSectionTableDistance, PeImage.sectionTable,
                  sections * kSectionHeaderSize)
               ? 1
               : 0;
}

DWORD RvaToFileOffset(DWORD address, int fd) {
    DWORD sections = PeNumberOfSections();
    if (sections > static_cast<DWORD>(kMaxSections)) sections = kMaxSections;  // never past the table
    // The first section that ends above the address; its start is not
    // compared, so an address below the first section falls to section 0.
    DWORD chosen = sections > 0 ? sections - 1 : 0;
    for (DWORD i = 0; i < sections; ++i) {
        const unsigned char* header = PeImage.sectionTable[i];
        if (Le32(header + 12) + Le32(header + 8) > address) {
            chosen = i;
            break;
        }
    }
    const unsigned char* section = PeImage.sectionTable[chosen];
    DWORD offset = address + Le32(section + 20) - Le32(section + 12);
    // A position past the end of the file falls back to the address itself.
    if (offset >= static_cast<DWORD>(_filelength(fd))) offset = address;
    return offset == 0 ? PeSizeOfHeaders() : offset;
}
