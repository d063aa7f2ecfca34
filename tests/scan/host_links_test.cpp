// Symbolic links (and pipes, sockets, devices) below a mapped folder: the
// simulated machine neither lists them nor translates a Windows path
// through them, so a scan of a mounted disk never reads or deletes
// anything outside its folders, and never blocks on a pipe.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#include "platform/win32.h"
#include "scan_folders.h"
#include "test_machine.h"

namespace {

class HostLinksTest : public MachineTest {
protected:
    void SetUp() override {
        MachineTest::SetUp();
        drive_ = MapDrive('C');
        outside_ = HostRoot() + "/outside";
        std::filesystem::create_directories(outside_ + "/deep");
        std::ofstream(outside_ + "/secret.exe") << "outside";
        std::ofstream(outside_ + "/deep/more.exe") << "outside";
        MakeFolder("C:\\real");
        MakeFile("C:\\real\\inside.exe", "inside");
        ASSERT_EQ(symlink(outside_.c_str(), (drive_ + "/dirlink").c_str()), 0);
        ASSERT_EQ(symlink((outside_ + "/secret.exe").c_str(), (drive_ + "/filelink.exe").c_str()), 0);
        ASSERT_EQ(symlink("/nonexistent-target", (drive_ + "/dangling").c_str()), 0);
        // A pipe would block the first read of its inspection for ever.
        ASSERT_EQ(mkfifo((drive_ + "/real/pipe.exe").c_str(), 0600), 0);
    }

    std::set<std::string> List(const char* pattern) {
        std::set<std::string> names;
        WIN32_FIND_DATAA found;
        HANDLE listing = FindFirstFileA(pattern, &found);
        if (listing == INVALID_HANDLE_VALUE) return names;
        do names.insert(found.cFileName);
        while (FindNextFileA(listing, &found));
        FindClose(listing);
        return names;
    }

    std::string drive_;
    std::string outside_;
};

TEST_F(HostLinksTest, ListingsLeaveOutLinksAndPipes) {
    EXPECT_EQ(List("C:\\*.*"), (std::set<std::string>{"real"}));
    EXPECT_EQ(List("C:\\*"), (std::set<std::string>{"real"}));
    // The control: a real folder below the drive lists as usual.
    EXPECT_EQ(List("C:\\real\\*.*"), (std::set<std::string>{".", "..", "inside.exe"}));
}

TEST_F(HostLinksTest, NoPathThroughALinkIsTranslated) {
    const char* throughLinks[] = {"C:\\dirlink\\secret.exe", "C:\\DIRLINK\\deep\\more.exe", "C:\\filelink.exe",
                                  "C:\\dangling", "C:\\real\\pipe.exe"};
    for (const char* path : throughLinks) {
        std::string host;
        EXPECT_FALSE(machine().files.ToHostPath(path, &host)) << path << " -> " << host;
        EXPECT_EQ(GetFileAttributesA(path), INVALID_FILE_ATTRIBUTES) << path;
        EXPECT_FALSE(DeleteFileA(path)) << path;
        EXPECT_NE(_access(path, 0), 0) << path;
    }
    EXPECT_TRUE(List("C:\\dirlink\\*.*").empty());
    EXPECT_TRUE(std::filesystem::exists(outside_ + "/secret.exe"));
    EXPECT_TRUE(std::filesystem::is_symlink(drive_ + "/filelink.exe"));
    // The control: the real file resolves, in any letter case.
    std::string host;
    EXPECT_TRUE(machine().files.ToHostPath("C:\\REAL\\Inside.EXE", &host));
    EXPECT_EQ(host, drive_ + "/real/inside.exe");
}

// A folder of the tree moved away and a link put in its place after the
// walk went below it: nothing below the link is listed any more, however
// recently a folder there was translated, and a drive whose own folder
// is a link (the walk's fast open refuses any link on the way) still lists.
TEST_F(HostLinksTest, AFolderSwappedForALinkMidWalkIsNotListedThrough) {
    MakeFolder("C:\\real\\sub\\deeper");
    MakeFile("C:\\real\\sub\\deeper\\x.exe");
    EXPECT_EQ(List("C:\\real\\sub\\*.*"), (std::set<std::string>{".", "..", "deeper"}));
    std::filesystem::rename(drive_ + "/real", outside_ + "/real");
    ASSERT_EQ(symlink((outside_ + "/real").c_str(), (drive_ + "/real").c_str()), 0);
    EXPECT_TRUE(List("C:\\real\\sub\\deeper\\*.*").empty());
    EXPECT_TRUE(List("C:\\real\\*.*").empty());

    std::string linkToDrive = HostRoot() + "/drive-link";
    ASSERT_EQ(symlink(drive_.c_str(), linkToDrive.c_str()), 0);
    machine().files.MapDrive('D', linkToDrive);
    std::filesystem::create_directories(drive_ + "/plain");
    EXPECT_EQ(List("D:\\plain\\*.*"), (std::set<std::string>{".", ".."}));
}

TEST_F(HostLinksTest, AFolderGivenThroughALinkIsResolvedOnce) {
    std::string linkToDrive = HostRoot() + "/drive-link";
    ASSERT_EQ(symlink(drive_.c_str(), linkToDrive.c_str()), 0);
    std::vector<std::string> resolved;
    std::string error;
    ASSERT_TRUE(MapScanFolders({{'D', linkToDrive}}, &resolved, &error)) << error;
    ASSERT_EQ(resolved.size(), 1u);
    EXPECT_EQ(resolved[0], std::filesystem::canonical(drive_).string());
    EXPECT_EQ(List("D:\\real\\*.*"), (std::set<std::string>{".", "..", "inside.exe"}));
}

TEST_F(HostLinksTest, FoldersThatCannotBeScannedAreRefusedAndNothingIsMapped) {
    struct Row {
        std::string folder;
        const char* reason;
    };
    const Row rows[] = {
        {HostRoot() + "/missing", "No such file or directory"},
        {outside_ + "/secret.exe", "Not a directory"},
        {drive_ + "/dangling", "No such file or directory"},
    };
    for (const Row& row : rows) {
        std::vector<std::string> resolved;
        std::string error;
        EXPECT_FALSE(MapScanFolders({{'E', outside_}, {'F', row.folder}}, &resolved, &error)) << row.folder;
        EXPECT_NE(error.find(row.reason), std::string::npos) << error;
        EXPECT_NE(error.find(row.folder), std::string::npos) << error;
        EXPECT_TRUE(machine().files.DriveOf('E').hostRoot.empty()) << "a refused run maps nothing";
    }
}

}  // namespace
