// The runtime descriptors keep their own file position and the length
// their open looked at. Every answer must stay what the runtime gives:
// short reads at the end, reads beyond it, refused seeks, text-mode line
// ends across reads, appending writes, and a length that follows the file.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

#include "platform/win32.h"
#include "test_machine.h"

namespace {

class DescriptorPositionTest : public MachineTest {
protected:
    void SetUp() override {
        MachineTest::SetUp();
        host_ = MapDrive('C');
        std::string bytes(100, '\0');
        for (int i = 0; i < 100; ++i) bytes[i] = static_cast<char>(i);
        MakeFile("C:\\f.bin", bytes);
    }
    std::string host_;
};

enum Op { kRead, kSeek };

struct Step {
    const char* what;
    Op op;
    LONG offset;  // seek offset
    int origin;   // seek origin
    unsigned count;  // read count
    LONG answer;     // the call's result
    int firstByte;   // reads: the first byte read (-1: none)
};

TEST_F(DescriptorPositionTest, ReadsAndSeeksAnswerAsTheRuntime) {
    const Step steps[] = {
        {"first read", kRead, 0, 0, 10, 10, 0},
        {"the next read goes on", kRead, 0, 0, 5, 5, 10},
        {"where it stands", kSeek, 0, SEEK_CUR, 0, 15, -1},
        {"relative seek", kSeek, 20, SEEK_CUR, 0, 35, -1},
        {"read there", kRead, 0, 0, 1, 1, 35},
        {"from the end", kSeek, -10, SEEK_END, 0, 90, -1},
        {"short read at the end", kRead, 0, 0, 20, 10, 90},
        {"at the end after it", kSeek, 0, SEEK_CUR, 0, 100, -1},
        {"read at the end", kRead, 0, 0, 20, 0, -1},
        {"seek beyond the end", kSeek, 5000, SEEK_SET, 0, 5000, -1},
        {"read beyond the end", kRead, 0, 0, 4, 0, -1},
        {"still beyond the end", kSeek, 0, SEEK_CUR, 0, 5000, -1},
        {"back to 40", kSeek, 40, SEEK_SET, 0, 40, -1},
        {"negative seek refused", kSeek, -1, SEEK_SET, 0, -1, -1},
        {"before the start refused", kSeek, -41, SEEK_CUR, 0, -1, -1},
        {"before the start from the end refused", kSeek, -101, SEEK_END, 0, -1, -1},
        {"past 2^31 - 1 refused", kSeek, 0x7FFFFFFF, SEEK_CUR, 0, -1, -1},
        {"unknown origin refused", kSeek, 0, 7, 0, -1, -1},
        {"refusals left the position", kRead, 0, 0, 2, 2, 40},
        {"to the end exactly", kSeek, 0, SEEK_END, 0, 100, -1},
        {"zero-byte read", kRead, 0, 0, 0, 0, -1},
    };
    int fd = _open("C:\\f.bin", _O_RDONLY | _O_BINARY);
    ASSERT_NE(fd, -1);
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        if (step.op == kSeek) {
            EXPECT_EQ(_lseek(fd, step.offset, step.origin), step.answer);
            continue;
        }
        unsigned char buffer[32];
        memset(buffer, 0xBD, sizeof buffer);
        EXPECT_EQ(_read(fd, buffer, step.count), static_cast<int>(step.answer));
        if (step.firstByte >= 0) {
            EXPECT_EQ(buffer[0], step.firstByte);
        }
        if (step.answer >= 0 && static_cast<unsigned>(step.answer) < sizeof buffer) {
            EXPECT_EQ(buffer[step.answer], 0xBD) << "bytes written past the answered count";
        }
    }
    EXPECT_EQ(_close(fd), 0);
}

TEST_F(DescriptorPositionTest, TwoDescriptorsOfOneFileKeepTheirOwnPositions) {
    int a = _open("C:\\f.bin", _O_RDONLY | _O_BINARY);
    int b = _open("C:\\f.bin", _O_RDONLY | _O_BINARY);
    ASSERT_NE(a, -1);
    ASSERT_NE(b, -1);
    unsigned char byte = 0;
    ASSERT_EQ(_lseek(a, 60, SEEK_SET), 60);
    ASSERT_EQ(_read(b, &byte, 1), 1);
    EXPECT_EQ(byte, 0);
    ASSERT_EQ(_read(a, &byte, 1), 1);
    EXPECT_EQ(byte, 60);
    EXPECT_EQ(_lseek(b, 0, SEEK_CUR), 1);
    _close(a);
    _close(b);
}

TEST_F(DescriptorPositionTest, WritesLandAtThePositionOrAtTheEndWhenAppending) {
    int fd = _open("C:\\f.bin", _O_RDWR | _O_BINARY);
    ASSERT_NE(fd, -1);
    ASSERT_EQ(_lseek(fd, 98, SEEK_SET), 98);
    EXPECT_EQ(_write(fd, "abcd", 4), 4);  // over the last two bytes and on
    EXPECT_EQ(_lseek(fd, 0, SEEK_CUR), 102);
    EXPECT_EQ(_filelength(fd), 102);
    unsigned char byte = 0;
    ASSERT_EQ(_lseek(fd, 97, SEEK_SET), 97);
    ASSERT_EQ(_read(fd, &byte, 1), 1);
    EXPECT_EQ(byte, 97);
    _close(fd);

    fd = _open("C:\\f.bin", _O_WRONLY | _O_APPEND | _O_BINARY);
    ASSERT_NE(fd, -1);
    EXPECT_EQ(_lseek(fd, 0, SEEK_CUR), 0);
    EXPECT_EQ(_write(fd, "xy", 2), 2);
    EXPECT_EQ(_lseek(fd, 0, SEEK_CUR), 104);  // left at the end
    ASSERT_EQ(_lseek(fd, 3, SEEK_SET), 3);
    EXPECT_EQ(_write(fd, "z", 1), 1);
    EXPECT_EQ(_lseek(fd, 0, SEEK_CUR), 105);
    _close(fd);
    std::string contents = ReadFile("C:\\f.bin");
    ASSERT_EQ(contents.size(), 105u);
    EXPECT_EQ(contents.substr(96), std::string("\x60\x61" "abcdxyz"));
    EXPECT_EQ(contents[3], '\x03');
}

// Text mode: a CR at the end of one read is decided by the next byte,
// and the following read starts right after what the first consumed.
TEST_F(DescriptorPositionTest, TextReadsContinueWhereTheTranslationStopped) {
    MakeFile("C:\\t.txt", std::string("ab\r\ncd\rxy\r\n\x1A" "tail", 16));
    int fd = _open("C:\\t.txt", _O_RDONLY | _O_TEXT);
    ASSERT_NE(fd, -1);
    char buffer[16];
    ASSERT_EQ(_read(fd, buffer, 3), 3);  // "ab\r", the CR pairs with the LF beyond the chunk
    EXPECT_EQ(std::string(buffer, 3), "ab\n");
    EXPECT_EQ(_lseek(fd, 0, SEEK_CUR), 4);
    ASSERT_EQ(_read(fd, buffer, 3), 3);  // "cd\r", a lone CR: kept, the next byte stays
    EXPECT_EQ(std::string(buffer, 3), "cd\r");
    EXPECT_EQ(_lseek(fd, 0, SEEK_CUR), 7);
    ASSERT_EQ(_read(fd, buffer, sizeof buffer), 3);  // up to Ctrl+Z
    EXPECT_EQ(std::string(buffer, 3), "xy\n");
    EXPECT_EQ(_lseek(fd, 0, SEEK_CUR), 11);  // on the Ctrl+Z
    EXPECT_EQ(_read(fd, buffer, sizeof buffer), 0);
    ASSERT_EQ(_lseek(fd, 12, SEEK_SET), 12);  // a seek ends the end of the text
    ASSERT_EQ(_read(fd, buffer, sizeof buffer), 4);
    EXPECT_EQ(std::string(buffer, 4), "tail");
    _close(fd);
}

TEST_F(DescriptorPositionTest, TheLengthFollowsTheFileOnceTheDescriptorIsUsed) {
    int fd = _open("C:\\f.bin", _O_RDONLY | _O_BINARY);
    ASSERT_NE(fd, -1);
    EXPECT_EQ(_filelength(fd), 100);  // control
    unsigned char byte;
    ASSERT_EQ(_read(fd, &byte, 1), 1);
    {
        std::ofstream other(host_ + "/f.bin", std::ios::binary | std::ios::app);
        other << "another program's bytes";
    }
    EXPECT_EQ(_filelength(fd), 123);
    _close(fd);

    // Changed by the machine itself after the open: asked afresh.
    fd = _open("C:\\f.bin", _O_RDONLY | _O_BINARY);
    ASSERT_NE(fd, -1);
    int writer = _open("C:\\f.bin", _O_WRONLY | _O_APPEND | _O_BINARY);
    ASSERT_NE(writer, -1);
    EXPECT_EQ(_write(writer, "12345", 5), 5);
    _close(writer);
    EXPECT_EQ(_filelength(fd), 128);
    _close(fd);
}

// A file the listing has just looked at is opened with no second look.
// What was put in its place since is still never followed (a link), never
// waited on (a pipe) and never read as a file (a folder); any other path is
// looked at as before.
TEST_F(DescriptorPositionTest, OpeningForReadingRefusesWhatIsNoFile) {
    MakeFolder("C:\\dir");
    MakeFile("C:\\dir\\a.exe", "MZ");
    MakeFile("C:\\dir\\b.exe", "MZ");
    MakeFile("C:\\dir\\c.exe", "MZ");
    MakeFile("C:\\dir\\d.exe", "MZ!!");
    std::string outside = HostRoot() + "/outside.exe";
    { std::ofstream(outside) << "secret"; }
    // Kept at once and handed out in full, as the walk lists, so that the
    // paths are translated from the listing with no look at the host.
    machine().files.listingSettleMs = 0;
    WIN32_FIND_DATAA found;
    HANDLE listing = FindFirstFileA("C:\\dir\\*.*", &found);
    ASSERT_NE(listing, INVALID_HANDLE_VALUE);
    while (FindNextFileA(listing, &found)) {
    }
    FindClose(listing);
    // Replaced behind the machine's back after the listing read them.
    ASSERT_EQ(unlink((host_ + "/dir/a.exe").c_str()), 0);
    ASSERT_EQ(symlink(outside.c_str(), (host_ + "/dir/a.exe").c_str()), 0);
    ASSERT_EQ(unlink((host_ + "/dir/b.exe").c_str()), 0);
    ASSERT_EQ(mkfifo((host_ + "/dir/b.exe").c_str(), 0600), 0);
    ASSERT_EQ(unlink((host_ + "/dir/c.exe").c_str()), 0);
    ASSERT_EQ(mkdir((host_ + "/dir/c.exe").c_str(), 0755), 0);

    struct Case {
        const char* path;
        int error;   // 0: opens
        LONG length;  // when it opens
        bool readable;
    } cases[] = {
        {"C:\\dir\\d.exe", 0, 4, true},  // control: the listed length
        {"C:\\dir\\a.exe", EACCES, 0, false},
        {"C:\\dir\\b.exe", 0, 2, false},
        {"C:\\dir\\c.exe", 0, 2, false},
        {"C:\\f.bin", 0, 100, true},  // not from the listing: looked at
        {"C:\\dir", EACCES, 0, false},
        {"C:\\missing.bin", ENOENT, 0, false},
        {"C:\\missing\\x.bin", ENOENT, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        errno = 0;
        int fd = _open(c.path, _O_RDONLY | _O_BINARY);
        if (c.error != 0) {
            EXPECT_EQ(fd, -1);
            EXPECT_EQ(errno, c.error);
            continue;
        }
        ASSERT_NE(fd, -1);
        EXPECT_EQ(_filelength(fd), c.length);
        char buffer[4];
        EXPECT_EQ(_read(fd, buffer, 2) == 2, c.readable);
        _close(fd);
    }
    EXPECT_EQ(machine().files.DescriptorCount(), 0u);
    EXPECT_EQ(machine().files.OpenCount(host_ + "/dir/a.exe"), 0u);
}

// A listed file no search has handed out yet has no listed length: its
// open looks at it, and refuses a pipe put in its place.
TEST_F(DescriptorPositionTest, AListedFileNotYetHandedOutIsLookedAtWhenOpened) {
    MakeFolder("C:\\dir");
    MakeFile("C:\\dir\\a.exe", "MZ");
    MakeFile("C:\\dir\\b.exe", "MZ");
    machine().files.listingSettleMs = 0;
    WIN32_FIND_DATAA found;
    HANDLE listing = FindFirstFileA("C:\\dir\\*.*", &found);  // hands out "." only
    ASSERT_NE(listing, INVALID_HANDLE_VALUE);
    FindClose(listing);
    ASSERT_EQ(unlink((host_ + "/dir/a.exe").c_str()), 0);
    ASSERT_EQ(mkfifo((host_ + "/dir/a.exe").c_str(), 0600), 0);
    { std::ofstream(host_ + "/dir/b.exe", std::ios::app) << "longer"; }

    errno = 0;
    EXPECT_EQ(_open("C:\\dir\\a.exe", _O_RDONLY | _O_BINARY), -1);
    EXPECT_EQ(errno, EACCES);
    int fd = _open("C:\\dir\\b.exe", _O_RDONLY | _O_BINARY);
    ASSERT_NE(fd, -1);
    EXPECT_EQ(_filelength(fd), 8);
    _close(fd);
}

}  // namespace
