// The header reads served from one read of the file's start: for every
// header position and every length the file is cut to, ReadFileHeader and
// ReadSectionTable answer and fill exactly what the same reads straight
// from the file give.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "detect/pe_image.h"
#include "test_machine.h"

namespace {

// The reads as the format describes them, one seek and read each.
struct Reference {
    int header = 0, sections = 0;
    PeImageInfo image;
};

bool Read(int fd, DWORD offset, void* buffer, unsigned int count) {
    if (_lseek(fd, static_cast<LONG>(offset), SEEK_SET) < 0) return false;
    return _read(fd, buffer, count) == static_cast<int>(count);
}

Reference ReadDirectly(int fd) {
    Reference r;
    memset(&r.image, 0, sizeof r.image);
    unsigned char two[2], four[4];
    if (!Read(fd, 0x3C, two, 2)) return r;
    r.image.peHeaderOffset = static_cast<uint16_t>(two[0] | two[1] << 8);
    if (!Read(fd, r.image.peHeaderOffset, four, 4) || memcmp(four, "PE\0\0", 4) != 0) return r;
    if (!Read(fd, r.image.peHeaderOffset + 4u, r.image.fileHeader, kFileHeaderSize)) return r;
    r.header = 1;
    if (!Read(fd, r.image.peHeaderOffset + 24u, r.image.optionalHeader, kOptionalHeaderPrefixSize)) return r;
    unsigned sections = r.image.fileHeader[2] | r.image.fileHeader[3] << 8;
    if (sections > static_cast<unsigned>(kMaxSections)) return r;
    r.sections = Read(fd, r.image.peHeaderOffset + 248u, r.image.sectionTable, sections * kSectionHeaderSize) ? 1 : 0;
    return r;
}

std::string Image(uint32_t peOffset, uint16_t sections, size_t size) {
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(i * 7 + 3);
    if (size < 0x40) return bytes;
    bytes[0x3C] = static_cast<char>(peOffset & 0xFF);
    bytes[0x3D] = static_cast<char>((peOffset >> 8) & 0xFF);
    uint32_t at = peOffset & 0xFFFF;
    if (at + 8 <= size) {
        memcpy(&bytes[at], "PE\0\0", 4);
        bytes[at + 6] = static_cast<char>(sections & 0xFF);
        bytes[at + 7] = static_cast<char>(sections >> 8);
    }
    return bytes;
}

class HeaderWindowTest : public MachineTest {
protected:
    void SetUp() override {
        MachineTest::SetUp();
        MapDrive('C');
    }
};

TEST_F(HeaderWindowTest, EveryHeaderPlaceAndCutReadsAsDirectly) {
    // Header positions: early, ending just inside, at and just past the
    // first 4 KiB, far beyond it, and past 64 KiB (only 16 bits count).
    const uint32_t offsets[] = {0x40, 0x80, 4096 - 248 - 800, 4096 - 248 - 799, 4096 - 120, 4096 - 4, 4096 - 2,
                                4096, 0x2345, 0x12345};
    const uint16_t sectionCounts[] = {0, 1, 20, 21};
    int cases = 0;
    for (uint32_t offset : offsets) {
        for (uint16_t sections : sectionCounts) {
            uint32_t at = offset & 0xFFFF;
            uint32_t full = at + 248 + sections * 40;
            // Cut at every field boundary, one byte either side.
            const uint32_t cuts[] = {0x3D, 0x3E, at + 3, at + 4, at + 23, at + 24, at + 119, at + 120,
                                     full - 1, full, full + 1, 4095, 4096, 4097, full + 5000};
            for (uint32_t size : cuts) {
                std::string bytes = Image(offset, sections, size);
                MakeFile("C:\\h.bin", bytes);
                int fd = _open("C:\\h.bin", _O_RDONLY | _O_BINARY);
                ASSERT_GE(fd, 0);
                Reference expected = ReadDirectly(fd);
                memset(&PeImage, 0xA5, sizeof PeImage);
                int header = ReadFileHeader(fd);
                int table = header ? ReadSectionTable(fd) : 0;
                _close(fd);
                std::string what = "offset " + std::to_string(offset) + " sections " + std::to_string(sections) +
                                   " size " + std::to_string(size);
                ASSERT_EQ(header, expected.header) << what;
                ASSERT_EQ(table, expected.sections) << what;
                if (header) {
                    EXPECT_EQ(PeImage.peHeaderOffset, expected.image.peHeaderOffset) << what;
                    EXPECT_EQ(memcmp(PeImage.fileHeader, expected.image.fileHeader, kFileHeaderSize), 0) << what;
                }
                if (table) {
                    EXPECT_EQ(memcmp(PeImage.optionalHeader, expected.image.optionalHeader, kOptionalHeaderPrefixSize), 0) << what;
                    EXPECT_EQ(memcmp(PeImage.sectionTable, expected.image.sectionTable, sizeof PeImage.sectionTable), 0)
                        << what;
                }
                ++cases;
            }
        }
    }
    EXPECT_GT(cases, 500);
}

TEST_F(HeaderWindowTest, AnotherFileOnTheSameDescriptorNumberIsReadAfresh) {
    MakeFile("C:\\a.bin", Image(0x80, 3, 8192));
    MakeFile("C:\\b.bin", Image(0x100, 5, 8192));
    int fd = _open("C:\\a.bin", _O_RDONLY | _O_BINARY);
    ASSERT_EQ(ReadFileHeader(fd), 1);
    EXPECT_EQ(PeNumberOfSections(), 3);
    _close(fd);
    int again = _open("C:\\b.bin", _O_RDONLY | _O_BINARY);
    ASSERT_EQ(again, fd) << "the descriptor number is handed out again";
    ASSERT_EQ(ReadFileHeader(again), 1);
    EXPECT_EQ(PeImage.peHeaderOffset, 0x100);
    EXPECT_EQ(PeNumberOfSections(), 5);
    _close(again);
}

}  // namespace
