// Deletion at the next start: the NT pending list, wininit.ini on the 9x
// family in all its shapes, and the failures that must leave it sound.
#include <gtest/gtest.h>

#include <string>

#include "detect/boot_deletion.h"
#include "test_machine.h"

namespace {

const char kWininit[] = "C:\\WINDOWS\\wininit.ini";
const char kCopy[] = "C:\\WINDOWS\\TEMP\\wininit.ini";

class BootDeletionTest : public MachineTest {
protected:
    void SetUp() override {
        MachineTest::SetUp();
        MapDrive('C');
        MakeFolder("C:\\WINDOWS\\TEMP");
        MakeFolder("C:\\WINDOWS\\SYSTEM");
        winsim::SetWindows98();
    }
};

TEST_F(BootDeletionTest, NtRecordsThePendingDeletionAndAlwaysAnswersOne) {
    winsim::SetNt4();
    MakeFile("C:\\WINDOWS\\SYSTEM\\Long Name.exe");
    EXPECT_EQ(ScheduleBootDeletion("C:\\WINDOWS\\SYSTEM\\Long Name.exe"), 1);
    ASSERT_EQ(machine().files.PendingOperations().size(), 1u);
    EXPECT_EQ(machine().files.PendingOperations()[0].source, "\\??\\C:\\WINDOWS\\SYSTEM\\Long Name.exe");
    // A refusal goes unnoticed.
    machine().faults.Fail("MoveFileExA", ERROR_ACCESS_DENIED);
    EXPECT_EQ(ScheduleBootDeletion("C:\\WINDOWS\\SYSTEM\\Long Name.exe"), 1);
    EXPECT_FALSE(Exists(kWininit));
}

TEST_F(BootDeletionTest, OtherPlatformsScheduleNothing) {
    MakeFile("C:\\x.exe");
    machine().version.platformId = 0;  // Win32s
    EXPECT_EQ(ScheduleBootDeletion("C:\\x.exe"), 0);
    machine().version.queryFails = true;
    EXPECT_EQ(ScheduleBootDeletion("C:\\x.exe"), 0);
    EXPECT_FALSE(Exists(kWininit));
    EXPECT_TRUE(machine().files.PendingOperations().empty());
}

TEST_F(BootDeletionTest, WithoutWininitTheFileIsCreatedWithTheSectionAndTheShortPath) {
    MakeFile("C:\\WINDOWS\\SYSTEM\\abcdefgh_long.exe");
    EXPECT_EQ(ScheduleBootDeletion("C:\\WINDOWS\\SYSTEM\\abcdefgh_long.exe"), 1);
    EXPECT_EQ(ReadFile(kWininit), "[rename]\r\nNUL=C:\\WINDOWS\\SYSTEM\\ABCDEF~1.EXE\r\n");
    EXPECT_FALSE(Exists(kCopy));
}

TEST_F(BootDeletionTest, TheLineGoesToTheEndOfTheRenameSectionWhereverThatIs) {
    struct Row {
        const char* name;
        const char* before;
        const char* after;
    };
    const Row rows[] = {
        {"followed by another section", "[rename]\r\nNUL=C:\\OLD.EXE\r\n[other]\r\na=b\r\n",
         "[rename]\r\nNUL=C:\\OLD.EXE\r\nNUL=C:\\X.EXE\r\n[other]\r\na=b\r\n"},
        {"last section", "[boot]\r\nk=v\r\n[rename]\r\nNUL=C:\\OLD.EXE\r\n",
         "[boot]\r\nk=v\r\n[rename]\r\nNUL=C:\\OLD.EXE\r\nNUL=C:\\X.EXE\r\n"},
        {"only other sections", "[boot]\r\nk=v\r\n", "[boot]\r\nk=v\r\n[rename]\r\nNUL=C:\\X.EXE\r\n"},
        {"header in capitals", "[RENAME]\r\n[next]\r\n", "[RENAME]\r\nNUL=C:\\X.EXE\r\n[next]\r\n"},
        {"header with more on its line", "[rename] ; pending\r\n[x]\r\n", "[rename] ; pending\r\nNUL=C:\\X.EXE\r\n[x]\r\n"},
        {"a longer name is another section", "[renamed]\r\n", "[renamed]\r\n[rename]\r\nNUL=C:\\X.EXE\r\n"},
        {"indented header is not one", " [rename]\r\n[x]\r\n", " [rename]\r\n[x]\r\n[rename]\r\nNUL=C:\\X.EXE\r\n"},
        {"empty file", "", "[rename]\r\nNUL=C:\\X.EXE\r\n"},
        // A last line without its line end gets one rather than the new line glued on.
        {"last line without line end", "[rename]\r\nNUL=C:\\OLD.EXE", "[rename]\r\nNUL=C:\\OLD.EXE\r\nNUL=C:\\X.EXE\r\n"},
        {"bare line feeds kept", "[rename]\nNUL=C:\\OLD.EXE\n[x]\n", "[rename]\nNUL=C:\\OLD.EXE\nNUL=C:\\X.EXE\r\n[x]\n"},
    };
    for (const Row& row : rows) {
        MakeFile(kWininit, row.before);
        EXPECT_TRUE(AddWininitRenameLine("NUL", "C:\\X.EXE")) << row.name;
        EXPECT_EQ(ReadFile(kWininit), row.after) << row.name;
        // The working copy holds what was there before.
        EXPECT_EQ(ReadFile(kCopy), row.before) << row.name;
    }
}

TEST_F(BootDeletionTest, ALongLineIsReadInPiecesButOnlyLineStartsCanBeHeaders) {
    // The piece boundary falls on a '[' in the middle of a line.
    std::string longLine = "k=" + std::string(645, 'v') + "[not a header]";
    std::string before = "[rename]\r\n" + longLine + "\r\n[x]\r\n";
    MakeFile(kWininit, before);
    EXPECT_TRUE(AddWininitRenameLine("NUL", "C:\\X.EXE"));
    EXPECT_EQ(ReadFile(kWininit), "[rename]\r\n" + longLine + "\r\nNUL=C:\\X.EXE\r\n[x]\r\n");
}

TEST_F(BootDeletionTest, TwoDeletionsInOneScanShareTheSection) {
    MakeFile("C:\\WINDOWS\\first infected.exe");
    MakeFile("C:\\WINDOWS\\second infected.exe");
    MakeFile(kWininit, "[rename]\r\n[boot]\r\n");
    EXPECT_EQ(ScheduleBootDeletion("C:\\WINDOWS\\first infected.exe"), 1);
    EXPECT_EQ(ScheduleBootDeletion("C:\\WINDOWS\\second infected.exe"), 1);
    EXPECT_EQ(ReadFile(kWininit), "[rename]\r\nNUL=C:\\WINDOWS\\FIRSTI~1.EXE\r\nNUL=C:\\WINDOWS\\SECOND~1.EXE\r\n[boot]\r\n");
}

TEST_F(BootDeletionTest, AFileWithoutAShortPathIsNotScheduled) {
    EXPECT_EQ(ScheduleBootDeletion("C:\\WINDOWS\\vanished file.exe"), 0);
    MakeFile("C:\\WINDOWS\\present file.exe");
    machine().faults.Fail("GetShortPathNameA", ERROR_ACCESS_DENIED);
    EXPECT_EQ(ScheduleBootDeletion("C:\\WINDOWS\\present file.exe"), 0);
    EXPECT_FALSE(Exists(kWininit));
}

TEST_F(BootDeletionTest, FailuresAnswerFalseAndNeverWriteFromAStaleCopy) {
    MakeFile(kCopy, "[rename]\r\nNUL=C:\\STALE.EXE\r\n");
    MakeFile(kWininit, "[rename]\r\nNUL=C:\\CURRENT.EXE\r\n");
    machine().faults.Fail("CopyFileA", ERROR_ACCESS_DENIED, "", 1);
    EXPECT_FALSE(AddWininitRenameLine("NUL", "C:\\X.EXE"));
    EXPECT_EQ(ReadFile(kWininit), "[rename]\r\nNUL=C:\\CURRENT.EXE\r\n");

    machine().faults.Fail("fopen", ERROR_ACCESS_DENIED, "TEMP", 1);
    EXPECT_FALSE(AddWininitRenameLine("NUL", "C:\\X.EXE"));
    EXPECT_EQ(ReadFile(kWininit), "[rename]\r\nNUL=C:\\CURRENT.EXE\r\n");

    ASSERT_TRUE(SetFileAttributesA(kWininit, FILE_ATTRIBUTE_READONLY));
    EXPECT_FALSE(AddWininitRenameLine("NUL", "C:\\X.EXE"));
    ASSERT_TRUE(SetFileAttributesA(kWininit, FILE_ATTRIBUTE_ARCHIVE));

    // A short write stops the rewrite; the copy keeps the old content.
    winsim::FaultRule rule;
    rule.operation = "_write";
    rule.argument = "C:\\WINDOWS\\wininit.ini";
    rule.exact = true;
    rule.skip = 1;
    rule.count = 1;
    machine().faults.Add(rule);
    EXPECT_FALSE(AddWininitRenameLine("NUL", "C:\\X.EXE"));
    EXPECT_EQ(ReadFile(kCopy), "[rename]\r\nNUL=C:\\CURRENT.EXE\r\n");

    machine().faults.Fail("GetWindowsDirectoryA", ERROR_ACCESS_DENIED, "", 1);
    EXPECT_FALSE(AddWininitRenameLine("NUL", "C:\\X.EXE"));
    machine().faults.Fail("GetTempPathA", ERROR_ACCESS_DENIED, "", 1);
    EXPECT_FALSE(AddWininitRenameLine("NUL", "C:\\X.EXE"));
    EXPECT_EQ(machine().files.DescriptorCount(), 0u);
}

TEST_F(BootDeletionTest, CreatingWininitCanFail) {
    machine().faults.Fail("_open", ERROR_ACCESS_DENIED, "wininit.ini", 1);
    EXPECT_FALSE(AddWininitRenameLine("NUL", "C:\\X.EXE"));
    machine().faults.Fail("_write", ERROR_ACCESS_DENIED, "wininit.ini", 1);
    EXPECT_FALSE(AddWininitRenameLine("NUL", "C:\\X.EXE"));
    EXPECT_EQ(machine().files.DescriptorCount(), 0u);
    // A folder that is too long for the path leaves everything alone.
    machine().files.windowsDirectory = "C:\\" + std::string(340, 'w');
    EXPECT_FALSE(AddWininitRenameLine("NUL", "C:\\X.EXE"));
}

}  // namespace
