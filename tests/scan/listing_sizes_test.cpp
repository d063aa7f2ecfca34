// A file's size is looked up when a search hands the file out, and the
// open that looks also serves the runtime's open that follows. What a
// search hands out must still be what a Windows listing shows, and no
// host descriptor may stay behind.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <string>

#include "platform/win32.h"
#include "test_machine.h"

namespace {

size_t OpenHostDescriptors() {
    size_t count = 0;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
        (void)entry;
        ++count;
    }
    return count;
}

class ListingSizesTest : public MachineTest {
protected:
    void SetUp() override {
        MachineTest::SetUp();
        drive_ = MapDrive('C');
        machine().files.listingSettleMs = 0;  // kept at once, as an unchanged folder is
        MakeFolder("C:\\dir");
        MakeFile("C:\\dir\\a.exe", "12345");
        MakeFile("C:\\dir\\b.exe", "12");
        MakeFile("C:\\dir\\c.exe", "1234567");
    }

    // Hands out the entries after "." and "..", running `before` ahead of
    // each and `handedOut` on each, as the walk would.
    void Walk(const std::function<void(const std::string& name)>& before,
              const std::function<void(const WIN32_FIND_DATAA&)>& handedOut, CallSite caller = CallSite()) {
        ::testing::ScopedTrace trace(caller.file, caller.line, "called from here");
        WIN32_FIND_DATAA found;
        HANDLE listing = FindFirstFileA("C:\\dir\\*.*", &found);
        ASSERT_NE(listing, INVALID_HANDLE_VALUE);
        ASSERT_TRUE(FindNextFileA(listing, &found));  // ".."
        for (const char* name : {"a.exe", "b.exe", "c.exe"}) {
            before(name);
            ASSERT_TRUE(FindNextFileA(listing, &found)) << name;
            ASSERT_STREQ(found.cFileName, name);
            handedOut(found);
        }
        EXPECT_FALSE(FindNextFileA(listing, &found));
        FindClose(listing);
    }

    std::string drive_;
};

TEST_F(ListingSizesTest, EachFileHandedOutWithItsSizeAndOpenedAsHandedOut) {
    Walk([](const std::string&) {},
         [](const WIN32_FIND_DATAA& found) {
             std::string path = std::string("C:\\dir\\") + found.cFileName;
             int fd = _open(path.c_str(), _O_RDONLY | _O_BINARY);
             ASSERT_NE(fd, -1) << path;
             EXPECT_EQ(static_cast<DWORD>(_filelength(fd)), found.nFileSizeLow) << path;
             char first = 0;
             EXPECT_EQ(_read(fd, &first, 1), 1);
             EXPECT_EQ(first, '1');
             _close(fd);
         });
    EXPECT_EQ(machine().files.DescriptorCount(), 0u);
}

// Changed on the host after the folder was read: a file that grew shows
// its size when handed out; one that vanished is still handed out, as a
// listing read before shows it, and then does not open.
TEST_F(ListingSizesTest, ChangesAfterTheFolderWasReadShowWhenTheFileIsHandedOut) {
    std::string host = drive_ + "/dir";
    std::map<std::string, DWORD> sizes;
    Walk(
        [&host](const std::string& name) {
            if (name == "a.exe") std::ofstream(host + "/a.exe", std::ios::app) << "678";
            if (name == "b.exe") std::filesystem::remove(host + "/b.exe");
        },
        [&sizes](const WIN32_FIND_DATAA& found) { sizes[found.cFileName] = found.nFileSizeLow; });
    EXPECT_EQ(sizes["a.exe"], 8u);
    EXPECT_EQ(sizes["b.exe"], 0u);
    EXPECT_EQ(sizes["c.exe"], 7u);  // control: unchanged
    errno = 0;
    EXPECT_EQ(_open("C:\\dir\\b.exe", _O_RDONLY | _O_BINARY), -1);
    EXPECT_EQ(errno, ENOENT);
}

// Files handed out and never opened, or opened twice: at most the one
// file last handed out is held open besides the folder, and nothing once
// the listing is gone.
TEST_F(ListingSizesTest, NoHostDescriptorStaysBehind) {
    size_t before = OpenHostDescriptors();
    Walk([](const std::string&) {}, [](const WIN32_FIND_DATAA&) {});
    EXPECT_LE(OpenHostDescriptors(), before + 2);
    Walk([](const std::string&) {},
         [](const WIN32_FIND_DATAA& found) {
             std::string path = std::string("C:\\dir\\") + found.cFileName;
             for (int i = 0; i < 2; ++i) {
                 int fd = _open(path.c_str(), _O_RDONLY | _O_BINARY);
                 ASSERT_NE(fd, -1) << path;
                 _close(fd);
             }
         });
    EXPECT_LE(OpenHostDescriptors(), before + 2);
    machine().files.NoteChange();  // the machine changed something: the listing is not reused
    MakeFile("C:\\other.txt");
    WIN32_FIND_DATAA found;
    HANDLE root = FindFirstFileA("C:\\*.*", &found);
    ASSERT_NE(root, INVALID_HANDLE_VALUE);
    FindClose(root);
    winsim::Reset();
    EXPECT_EQ(OpenHostDescriptors(), before);
}

}  // namespace
