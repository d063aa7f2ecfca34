// A folder listed twice in a row is read once: the second listing reuses
// the first only while nothing that a listing shows can have changed.
// Every row changes the folder in one way between two listings and
// expects exactly what a fresh read shows.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "platform/win32.h"
#include "test_machine.h"

namespace {

struct Listed {
    std::string name;
    DWORD attributes;
    DWORD size;
    bool operator==(const Listed& other) const {
        return name == other.name && attributes == other.attributes && size == other.size;
    }
};

std::vector<Listed> List(const char* pattern) {
    std::vector<Listed> entries;
    WIN32_FIND_DATAA found;
    HANDLE listing = FindFirstFileA(pattern, &found);
    if (listing == INVALID_HANDLE_VALUE) return entries;
    do entries.push_back({found.cFileName, found.dwFileAttributes, found.nFileSizeLow});
    while (FindNextFileA(listing, &found));
    FindClose(listing);
    return entries;
}

class ListingReuseTest : public MachineTest {
protected:
    void SetUp() override {
        MachineTest::SetUp();
        drive_ = MapDrive('C');
        machine().files.listingSettleMs = 0;
        MakeFolder("C:\\dir\\sub");
        MakeFile("C:\\dir\\a.exe", "12345");
        MakeFile("C:\\dir\\b.txt", "x");
    }
    std::string drive_;
};

TEST_F(ListingReuseTest, EveryChangeBetweenTwoListingsShows) {
    struct Row {
        const char* change;
        std::function<void(const std::string&)> apply;  // gets the host folder of C:\dir
        bool reused;
    };
    const std::vector<Row> rows = {
        {"nothing (control)", [](const std::string&) {}, true},
        {"a file made on the host", [](const std::string& d) { std::ofstream(d + "/new.dll") << "n"; }, false},
        {"a file removed on the host", [](const std::string& d) { std::filesystem::remove(d + "/b.txt"); }, false},
        {"a file renamed on the host",
         [](const std::string& d) { std::filesystem::rename(d + "/b.txt", d + "/c.txt"); }, false},
        {"a folder made on the host", [](const std::string& d) { std::filesystem::create_directory(d + "/x"); }, false},
        {"the folder made anew", [](const std::string& d) {
             std::filesystem::rename(d, d + "-old");
             std::filesystem::create_directories(d);
             std::ofstream(d + "/a.exe") << "12345";
         }, false},
        {"attributes set", [](const std::string&) { SetFileAttributesA("C:\\dir\\a.exe", FILE_ATTRIBUTE_HIDDEN); }, false},
        {"a file written through the machine", [](const std::string&) {
             HANDLE file = CreateFileA("C:\\dir\\b.txt", GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
             DWORD written = 0;
             WriteFile(file, "longer", 6, &written, nullptr);
             CloseHandle(file);
         }, false},
        {"a file deleted through the machine", [](const std::string&) { DeleteFileA("C:\\dir\\b.txt"); }, false},
    };
    for (const Row& row : rows) {
        SetUp();
        std::string host = drive_ + "/dir";
        List("C:\\dir\\*.*");
        uint64_t readsBefore = machine().files.foldersRead;
        row.apply(host);
        std::vector<Listed> second = List("C:\\dir\\*");
        EXPECT_EQ(machine().files.foldersRead == readsBefore, row.reused) << row.change;
        machine().files.NoteChange();  // the truth: a fresh read
        EXPECT_EQ(second, List("C:\\dir\\*")) << row.change;
        TearDown();
    }
}

TEST_F(ListingReuseTest, AnotherPatternOfTheSameFolderFiltersTheKeptListing) {
    EXPECT_EQ(List("C:\\dir\\*.*").size(), 5u);  // ".", "..", a.exe, b.txt, sub
    uint64_t reads = machine().files.foldersRead;
    std::vector<Listed> exes = List("C:\\dir\\*.exe");
    EXPECT_EQ(machine().files.foldersRead, reads);
    ASSERT_EQ(exes.size(), 1u);
    EXPECT_EQ(exes[0].name, "a.exe");
    EXPECT_EQ(exes[0].size, 5u);
}

TEST_F(ListingReuseTest, AFolderChangedJustNowIsNotKept) {
    machine().files.listingSettleMs = 60000;
    List("C:\\dir\\*.*");
    uint64_t reads = machine().files.foldersRead;
    List("C:\\dir\\*");
    EXPECT_EQ(machine().files.foldersRead, reads + 1);
}

TEST_F(ListingReuseTest, AnotherFolderIsReadAfresh) {
    List("C:\\dir\\*.*");
    uint64_t reads = machine().files.foldersRead;
    List("C:\\dir\\sub\\*.*");
    List("C:\\*.*");
    EXPECT_EQ(machine().files.foldersRead, reads + 2);
}

}  // namespace
