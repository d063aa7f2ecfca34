// Windows-to-host path translation with the remembered folder: every path
// translates exactly as a machine that remembers nothing translates it,
// also after the host folders changed behind its back.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "test_machine.h"
#include "winsim/filesystem.h"

namespace {

class PathTranslationTest : public MachineTest {
protected:
    void SetUp() override {
        MachineTest::SetUp();
        drive_ = MapDrive('C');
        MakeFolder("C:\\dir\\sub");
        MakeFile("C:\\dir\\file.exe");
        MakeFile("C:\\dir\\Mixed.Case");
        MakeFile("C:\\dir\\sub\\deep.dll");
    }

    // What a machine without memory answers.
    bool Fresh(const std::string& path, std::string* host) {
        winsim::FileSystem fresh;
        fresh.MapDrive('C', drive_);
        return fresh.ToHostPath(path, host);
    }

    void ExpectAsFresh(const std::string& primer, const std::string& path, CallSite caller = CallSite()) {
        ::testing::ScopedTrace trace(caller.file, caller.line, "called from here");
        std::string ignored, remembered, fresh;
        machine().files.ToHostPath(primer, &ignored);
        bool ok = machine().files.ToHostPath(path, &remembered);
        bool freshOk = Fresh(path, &fresh);
        EXPECT_EQ(ok, freshOk) << primer << " then " << path;
        if (ok && freshOk) {
            EXPECT_EQ(remembered, fresh) << primer << " then " << path;
        }
    }

    std::string drive_;
};

TEST_F(PathTranslationTest, EveryPathTranslatesAsWithoutMemory) {
    const char* primers[] = {"C:\\dir\\", "C:\\dir\\file.exe", "C:\\", "C:\\dir\\sub\\deep.dll", "C:\\DIR\\"};
    const char* paths[] = {
        "C:\\dir\\file.exe",    "C:\\dir\\FILE.EXE",     "C:\\dir\\mixed.case", "C:\\dir\\missing.txt",
        "C:\\dir\\",            "C:\\dir",               "C:\\dir\\.",          "C:\\dir\\..",
        "C:\\dir\\..\\dir\\file.exe", "C:\\dir\\sub",    "C:\\dir\\sub\\deep.dll", "C:\\dir\\\\file.exe",
        "C:\\dir/file.exe",     "C:\\Dir\\file.exe",     "C:\\dir\\file.exe\\x", "C:\\",
        "C:\\dir\\missing\\x",  "C:dir\\file.exe",
    };
    for (const char* primer : primers)
        for (const char* path : paths) ExpectAsFresh(primer, path);
}

TEST_F(PathTranslationTest, FolderRenamedOnTheHostIsFoundUnderItsNewSpelling) {
    std::string host;
    ASSERT_TRUE(machine().files.ToHostPath("C:\\dir\\file.exe", &host));
    std::filesystem::rename(drive_ + "/dir", drive_ + "/Dir");
    ASSERT_TRUE(machine().files.ToHostPath("C:\\dir\\file.exe", &host));
    EXPECT_EQ(host, drive_ + "/Dir/file.exe");
}

TEST_F(PathTranslationTest, FolderReplacedByALinkIsRefused) {
    std::string host;
    ASSERT_TRUE(machine().files.ToHostPath("C:\\dir\\file.exe", &host));
    std::filesystem::rename(drive_ + "/dir", drive_ + "/moved");
    ASSERT_EQ(symlink((drive_ + "/moved").c_str(), (drive_ + "/dir").c_str()), 0);
    EXPECT_FALSE(machine().files.ToHostPath("C:\\dir\\file.exe", &host)) << host;
    // The control: the moved folder itself translates.
    EXPECT_TRUE(machine().files.ToHostPath("C:\\moved\\file.exe", &host));
}

TEST_F(PathTranslationTest, FolderRemadeOnTheHostIsNotTakenForTheOldOne) {
    std::string host;
    ASSERT_TRUE(machine().files.ToHostPath("C:\\dir\\sub\\deep.dll", &host));
    std::filesystem::remove_all(drive_ + "/dir");
    std::filesystem::create_directories(drive_ + "/DIR/SUB");
    std::ofstream(drive_ + "/DIR/SUB/deep.dll") << "x";
    ASSERT_TRUE(machine().files.ToHostPath("C:\\dir\\sub\\deep.dll", &host));
    EXPECT_EQ(host, drive_ + "/DIR/SUB/deep.dll");
}

TEST_F(PathTranslationTest, ALinkInTheRememberedFolderIsStillRefused) {
    std::string host;
    ASSERT_TRUE(machine().files.ToHostPath("C:\\dir\\file.exe", &host));
    ASSERT_EQ(symlink("/etc/passwd", (drive_ + "/dir/passwd").c_str()), 0);
    EXPECT_FALSE(machine().files.ToHostPath("C:\\dir\\passwd", &host)) << host;
}

TEST_F(PathTranslationTest, RemappingTheDriveForgetsTheFolder) {
    std::string host;
    ASSERT_TRUE(machine().files.ToHostPath("C:\\dir\\file.exe", &host));
    std::string other = HostRoot() + "/other";
    std::filesystem::create_directories(other + "/dir");
    machine().files.MapDrive('C', other);
    ASSERT_TRUE(machine().files.ToHostPath("C:\\dir\\file.exe", &host));
    EXPECT_EQ(host, other + "/dir/file.exe");
}

}  // namespace
