// What happens to a detected file: removal with its fallbacks, renaming,
// leaving, unknown actions, and the memory stage's acting call. Samples are
// matches of record 3 (the smallest file of the table).
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "common/report.h"
#include "sample_fixture.h"

namespace {

const int kRecord = 3;
const char kFamily[] = "W32/Gorvex.Trojan ";

class ActionTest : public SampleTest {
protected:
    std::string Line(const std::string& path, const std::string& outcome) {
        return path + "     " + NameOf(kRecord) + " " + outcome;
    }
    void Hold(const std::string& path) { machine().files.NoteOpen(HostPath(path), FILE_SHARE_READ); }
};

TEST_F(ActionTest, ReadOnlyHiddenSystemFileIsRemoved) {
    MakeFolder("C:\\sys");
    WriteMatch("C:\\sys\\svc.exe", kRecord);
    ASSERT_TRUE(SetFileAttributesA("C:\\sys\\svc.exe",
                                   FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
    EXPECT_EQ(Inspect("C:\\sys\\svc.exe"), 1);
    EXPECT_FALSE(Exists("C:\\sys\\svc.exe"));
    EXPECT_EQ(lines(), std::vector<std::string>{Line("C:\\sys\\svc.exe", "removed")});
    EXPECT_EQ(ScanCounters.filesInfected, 1);
    EXPECT_EQ(ScanCounters.filesRemoved, 1);
}

TEST_F(ActionTest, AttributesThatCannotBeResetLeaveTheFileAlone) {
    WriteMatch("C:\\a.exe", kRecord);
    machine().faults.Fail("SetFileAttributesA", ERROR_ACCESS_DENIED, "a.exe");
    RestartNeeded = 7;
    EXPECT_EQ(Inspect("C:\\a.exe"), 1);
    EXPECT_EQ(lines(), std::vector<std::string>{"C:\\a.exe     " + NameOf(kRecord) + " Unable to remove"});
    EXPECT_TRUE(Exists("C:\\a.exe"));
    EXPECT_EQ(RestartNeeded, 7);
    EXPECT_TRUE(machine().files.PendingOperations().empty());
    EXPECT_EQ(ScanCounters.filesRemoved, 0);
}

TEST_F(ActionTest, ARefusedDeletionIsRetriedOnceTheHolderIsTerminated) {
    winsim::SetWindowsXp();
    WriteMatch("C:\\busy.exe", kRecord);
    // A running process holds its image: the first deletion is refused,
    // terminating the process releases the file for the second.
    machine().processes.Start("C:\\busy.exe");
    EXPECT_EQ(Inspect("C:\\busy.exe"), 1);
    EXPECT_FALSE(Exists("C:\\busy.exe"));
    EXPECT_EQ(lines(), std::vector<std::string>{Line("C:\\busy.exe", "removed")});
    EXPECT_EQ(ScanCounters.filesRemoved, 1);
    EXPECT_EQ(RestartNeeded, 0);
}

TEST_F(ActionTest, AFileThatStaysLockedIsDeletedAtTheNextStartOnNt) {
    winsim::SetWindowsXp();
    WriteMatch("C:\\held.exe", kRecord);
    Hold("C:\\held.exe");
    EXPECT_EQ(Inspect("C:\\held.exe"), 1);
    EXPECT_EQ(lines(), std::vector<std::string>{Line("C:\\held.exe", "Unable to remove")});
    EXPECT_TRUE(Exists("C:\\held.exe"));
    ASSERT_EQ(machine().files.PendingOperations().size(), 1u);
    EXPECT_EQ(machine().files.PendingOperations()[0].source, "\\??\\C:\\held.exe");
    EXPECT_EQ(machine().files.PendingOperations()[0].target, "");
    EXPECT_EQ(RestartNeeded, 1);
    EXPECT_EQ(ScanCounters.filesRemoved, 0);
}

TEST_F(ActionTest, EachSchedulingReplacesTheRestartFlag) {
    winsim::SetWindows98();
    MakeFolder("C:\\WINDOWS\\TEMP");
    WriteMatch("C:\\first.exe", kRecord);
    WriteMatch("C:\\second.exe", kRecord);
    Hold("C:\\first.exe");
    Hold("C:\\second.exe");
    EXPECT_EQ(Inspect("C:\\first.exe"), 1);
    EXPECT_EQ(RestartNeeded, 1);
    EXPECT_EQ(ReadFile("C:\\WINDOWS\\wininit.ini"), "[rename]\r\nNUL=C:\\first.exe\r\n");
    // The second scheduling fails: the flag goes back to 0.
    machine().faults.Fail("CopyFileA", ERROR_ACCESS_DENIED);
    EXPECT_EQ(Inspect("C:\\second.exe"), 1);
    EXPECT_EQ(RestartNeeded, 0);
    EXPECT_EQ(lines(), (std::vector<std::string>{Line("C:\\first.exe", "Unable to remove"),
                                                 Line("C:\\second.exe", "Unable to remove")}));
}

TEST_F(ActionTest, RemovalCodes100And102AreTheSame) {
    WriteMatch("C:\\one.exe", kRecord);
    WriteMatch("C:\\two.exe", kRecord);
    ActionCode = kActionRemoveToo;
    EXPECT_EQ(Inspect("C:\\one.exe"), 1);
    ActionCode = kActionRemove;
    EXPECT_EQ(Inspect("C:\\two.exe"), 1);
    EXPECT_EQ(lines(), (std::vector<std::string>{Line("C:\\one.exe", "removed"), Line("C:\\two.exe", "removed")}));
}

TEST_F(ActionTest, RenameTurnsTheCharacterAfterTheLastDotIntoV) {
    struct Row {
        const char* folder;
        const char* path;
        const char* renamed;  // nullptr: the rename fails
    };
    const Row rows[] = {
        {"C:\\a", "C:\\a\\b.exe", "C:\\a\\b.Vxe"},
        {"C:\\tools", "C:\\tools\\setup.exe", "C:\\tools\\setup.Vxe"},
        // The last dot is in the folder name: that folder does not exist.
        {"C:\\my.dir", "C:\\my.dir\\file", nullptr},
        // No dot at all: the file is "renamed" onto its own name.
        {"C:\\plain", "C:\\plain\\setup", "C:\\plain\\setup"},
        // A final dot gets the V appended, never written over the terminator.
        {"C:\\dot", "C:\\dot\\name.", "C:\\dot\\name.V"},
    };
    ActionCode = kActionRename;
    int renamed = 0;
    for (const Row& row : rows) {
        MakeFolder(row.folder);
        WriteMatch(row.path, kRecord);
        EXPECT_EQ(Inspect(row.path), 1) << row.path;
        if (row.renamed) {
            ++renamed;
            EXPECT_EQ(lines().back(), Line(row.path, "renamed"));
            EXPECT_TRUE(Exists(row.renamed)) << row.renamed;
        } else {
            EXPECT_EQ(lines().back(), Line(row.path, "Rename failed"));
            EXPECT_TRUE(Exists(row.path));
        }
        EXPECT_EQ(ScanCounters.filesRenamed, renamed) << row.path;
    }
    EXPECT_EQ(ScanCounters.filesRemoved, 0);
}

TEST_F(ActionTest, ARenameThatWouldNotFitItsBufferFails) {
    // 259 characters ending in '.': with the V it would need 261 bytes.
    std::string folder = "C:";
    while (folder.size() < 240) folder += "\\" + std::string(9, 'd');
    MakeFolder(folder);
    std::string path = folder + "\\" + std::string(259 - folder.size() - 2, 'f') + ".";
    ASSERT_EQ(path.size(), 259u);
    WriteMatch(path, kRecord);
    ActionCode = kActionRename;
    EXPECT_EQ(Inspect(path), 1);
    EXPECT_EQ(lines().back(), Line(path, "Rename failed"));
    EXPECT_EQ(ScanCounters.filesRenamed, 0);
}

TEST_F(ActionTest, LeaveReportsAndTouchesNothing) {
    WriteMatch("C:\\keep.exe", kRecord);
    ActionCode = kActionLeave;
    RestartNeeded = 5;
    EXPECT_EQ(Inspect("C:\\keep.exe"), 1);
    EXPECT_EQ(lines(), std::vector<std::string>{"C:\\keep.exe     " + NameOf(kRecord) +
                                                " not disinfected as per user's selection"});
    EXPECT_TRUE(Exists("C:\\keep.exe"));
    EXPECT_EQ(RestartNeeded, 5);
    EXPECT_EQ(ScanCounters.filesInfected, 1);
    EXPECT_EQ(ScanCounters.filesRemoved + ScanCounters.filesRenamed, 0);
}

TEST_F(ActionTest, AnUnknownActionCountsTheFileAndDoesNothingElse) {
    WriteMatch("C:\\odd.exe", kRecord);
    for (int code : {104, 99, 0}) {
        ActionCode = code;
        EXPECT_EQ(Inspect("C:\\odd.exe"), 1) << code;
    }
    EXPECT_TRUE(lines().empty());
    EXPECT_TRUE(Exists("C:\\odd.exe"));
    EXPECT_EQ(ScanCounters.filesInfected, 3);
}

// The acting call of the memory stage, with a window that notes the time
// of every line.
struct TimedLine {
    std::string text;
    uint64_t atMs;
};
std::vector<TimedLine>& TimedLines() {
    static std::vector<TimedLine> timed;
    return timed;
}
LRESULT TimingWindow(HWND, UINT message, WPARAM, LPARAM) {
    if (message == kReportLineMessage) TimedLines().push_back({ReportLine, winsim::TheMachine().clock.nowMs});
    return 0;
}

class MemoryRemovalTest : public ActionTest {
protected:
    void SetUp() override {
        ActionTest::SetUp();
        TimedLines().clear();
        MainWindowHandle = machine().ui.CreateWindowWithProc(TimingWindow);
        MemoryActionCode = kActionRemove;
        ActionCode = 0;
    }
};

TEST_F(MemoryRemovalTest, ReportsTheMemoryLineWaitsASecondAndRemovesUnderTheFamilyName) {
    MakeFile("C:\\proc.exe", "not even a program: the file is not opened");
    strcpy(CurrentFilePath, "C:\\proc.exe");
    EXPECT_EQ(InspectFile(kFamily, "C:\\proc.exe"), 0);
    ASSERT_EQ(TimedLines().size(), 2u);
    EXPECT_EQ(TimedLines()[0].text, "System Memory    W32/Gorvex.Trojan  removed");
    EXPECT_EQ(TimedLines()[1].text, "C:\\proc.exe     W32/Gorvex.Trojan  removed");
    EXPECT_EQ(TimedLines()[1].atMs - TimedLines()[0].atMs, 1000u);
    EXPECT_EQ(machine().clock.sleeps, std::vector<DWORD>{1000});
    EXPECT_EQ(ActionCode, kActionRemove);
    EXPECT_FALSE(Exists("C:\\proc.exe"));
    EXPECT_EQ(ScanCounters.filesInfected, 0);
    EXPECT_EQ(ScanCounters.filesRemoved, 1);
    EXPECT_EQ(CurrentFilePath[0], '\0');
}

TEST_F(MemoryRemovalTest, LinesFromTheSharedTextsShowTheShortenedPathAndTheVariant) {
    MakeFile("C:\\proc.exe");
    strcpy(StatusPath, "C:\\pr...exe");
    strcpy(LastDetectionName, "W32/Gorvex.Pfw.Trojan");
    machine().faults.Fail("SetFileAttributesA", ERROR_ACCESS_DENIED);
    EXPECT_EQ(InspectFile(kFamily, "C:\\proc.exe"), 0);
    ASSERT_EQ(TimedLines().size(), 2u);
    EXPECT_EQ(TimedLines()[1].text, "C:\\pr...exe     W32/Gorvex.Pfw.Trojan Unable to remove");

    MemoryActionCode = kActionLeave;
    EXPECT_EQ(InspectFile(kFamily, "C:\\proc.exe"), 0);
    EXPECT_EQ(TimedLines().back().text, "C:\\pr...exe     W32/Gorvex.Pfw.Trojan not disinfected as per user's selection");
    EXPECT_EQ(ActionCode, kActionLeave);
}

TEST_F(MemoryRemovalTest, WithoutAWindowTheFileIsInspectedNormally) {
    WriteMatch("C:\\proc.exe", kRecord);
    MainWindowHandle = nullptr;
    ActionCode = 104;
    EXPECT_EQ(InspectFile(kFamily, "C:\\proc.exe"), 1);
    EXPECT_TRUE(machine().clock.sleeps.empty());
    EXPECT_EQ(ScanCounters.filesInfected, 1);
}

}  // namespace
