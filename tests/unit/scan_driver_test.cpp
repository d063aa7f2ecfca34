// A whole scan: which drives, the Program Files catch-up, termination,
// the statistics, the final status and the restart offer.
#include <gtest/gtest.h>

#include <cstring>

#include "common/identity.h"
#include "common/message_dialog.h"
#include "common/report.h"
#include "common/shared_state.h"
#include "scan/scan_driver.h"
#include "scripted_dialog.h"
#include "test_machine.h"

namespace {

const char kRestartText[] =
    "The system has to be restarted to remove the virus completely from your system. \n\n Restart now?";

class ScanTest : public MachineTest {
protected:
    void SetUp() override {
        MachineTest::SetUp();
        strcpy(ScanTarget, "!:");
    }
    std::vector<std::string> Statistics(int scanned, int infected, int removed) {
        std::vector<std::string> expected;
        if (infected > 0) expected.push_back(" ");
        expected.push_back("Scanning statistics");
        expected.push_back("------------------------------");
        expected.push_back("Total files scanned\t\t:  " + std::to_string(scanned));
        expected.push_back("Total files infected\t\t:  " + std::to_string(infected));
        expected.push_back("Total files removed\t\t:  " + std::to_string(removed));
        return expected;
    }
    bool Shown(const std::string& status) {
        for (const std::string& s : statuses())
            if (s == status) return true;
        return false;
    }
};

TEST_F(ScanTest, OnlyFixedDrivesFromCToZAreWalked) {
    MapDrive('A');  // fixed, but A: and B: are never scanned
    MapDrive('B');
    MapDrive('C');
    MapDrive('D', DRIVE_CDROM);
    MapDrive('E', DRIVE_REMOTE);
    MapDrive('F', DRIVE_REMOVABLE);
    MapDrive('Z');
    for (const char* file : {"A:\\a.exe", "B:\\b.exe", "C:\\c.exe", "D:\\d.exe", "E:\\e.exe", "F:\\f.exe", "Z:\\z.exe"})
        MakeFile(file);

    EXPECT_EQ(RunScan(), 1);
    EXPECT_TRUE(Shown("C:\\c.exe"));
    EXPECT_TRUE(Shown("Z:\\z.exe"));
    EXPECT_FALSE(Shown("A:\\a.exe"));
    EXPECT_FALSE(Shown("B:\\b.exe"));
    EXPECT_FALSE(Shown("D:\\d.exe"));
    EXPECT_FALSE(Shown("E:\\e.exe"));
    EXPECT_FALSE(Shown("F:\\f.exe"));
    EXPECT_EQ(ScanCounters.filesScanned, 2);
    EXPECT_EQ(lines(), Statistics(2, 0, 0));
    EXPECT_EQ(statuses().back(), "Scanning completed");
    EXPECT_EQ(StatisticsStarted, 1);
    EXPECT_EQ(MemoryStageActive, 0);
}

TEST_F(ScanTest, ASingleFixedDriveIsWalkedOnceFromItsRoot) {
    MapDrive('C');
    MakeFile("C:\\only.txt");
    machine().faults.FailExactly("FindFirstFileA", "C:\\*.*", ERROR_ACCESS_DENIED, 1);  // the root's file pass
    RunScan();
    // The failed file pass proves the root pattern was exactly C:\*.*; no
    // second walk of C: followed it.
    EXPECT_EQ(ScanCounters.filesScanned, 0);
}

TEST_F(ScanTest, FolderTargetWalksOnlyThatFolder) {
    MapDrive('C');
    MakeFolder("C:\\data");
    MakeFile("C:\\data\\in.txt");
    MakeFile("C:\\out.txt");
    strcpy(ScanTarget, "C:\\data");
    RunScan();
    EXPECT_EQ(ScanCounters.filesScanned, 1);
    EXPECT_TRUE(Shown("C:\\data\\in.txt"));
}

TEST_F(ScanTest, EmptyTargetSkipsEveryStageButTheStatistics) {
    MapDrive('C');
    MakeFile("C:\\x.txt");
    ScanTarget[0] = '\0';
    RunScan();
    EXPECT_EQ(ScanCounters.filesScanned, 0);
    EXPECT_EQ(lines(), Statistics(0, 0, 0));
    EXPECT_EQ(MemoryStageActive, 1);  // the memory stage did not run
}

TEST_F(ScanTest, BlankLinePrecedesTheStatisticsOnlyAfterAnInfection) {
    MapDrive('C');
    ScanCounters.filesInfected = 2;
    ScanCounters.filesRemoved = 1;
    RunScan();
    EXPECT_EQ(lines(), Statistics(0, 2, 1));
}

TEST_F(ScanTest, TerminatedScanStillVisitsLaterDrivesWithoutInspecting) {
    MapDrive('C');
    MapDrive('D');
    MakeFile("C:\\c1.txt");
    MakeFile("C:\\c2.txt");
    MakeFile("D:\\d.txt");
    machine().ui.Post(nullptr, WM_KEYDOWN, VK_ESCAPE, 0, 2);  // during the first file of C:
    Dialogs().answers.push_back(IDYES);

    RunScan();
    EXPECT_EQ(ScanCounters.filesScanned, 1);
    EXPECT_FALSE(Shown("D:\\d.txt"));
    EXPECT_EQ(lines(), Statistics(1, 0, 0));
    EXPECT_EQ(statuses().back(), "Scanning terminated");
    // D: was asked for its type and its walk returned at the first check.
    EXPECT_GT(machine().ui.peekCalls, 3u);
}

TEST_F(ScanTest, ProgramFilesIsCaughtUpWhenTheRootWalkNeverEnteredIt) {
    MapDrive('C');
    MakeFolder("C:\\Program Files\\App");
    MakeFile("C:\\Program Files\\App\\app.exe");
    MakeFile("C:\\Program Files\\readme.txt");
    // The root's subfolder listing fails, so the walk never enters it.
    FailSubfolderListing("C:\\*.*");
    RunScan();
    EXPECT_TRUE(Shown("C:\\Program Files\\readme.txt"));
    EXPECT_TRUE(Shown("C:\\Program Files\\App\\app.exe"));
    EXPECT_EQ(ProgramFilesPending, 0);
}

TEST_F(ScanTest, NoCatchUpOnceAnyWalkEnteredProgramFiles) {
    MapDrive('C');
    MapDrive('D');
    MakeFolder("C:\\Program Files");
    MakeFolder("D:\\Program Files");
    MakeFile("D:\\Program Files\\late.exe");
    FailSubfolderListing("D:\\*.*");
    RunScan();
    EXPECT_EQ(ProgramFilesVisited, 1);
    EXPECT_FALSE(Shown("D:\\Program Files\\late.exe"));
}

class RestartTest : public ScanTest {};

TEST_F(RestartTest, OfferedWhenABootDeletionWasScheduledAndYesRestarts) {
    MapDrive('C');
    RestartNeeded = 1;
    Dialogs().answers.push_back(IDYES);
    RunScan();
    ASSERT_EQ(Dialogs().calls.size(), 1u);
    EXPECT_EQ(Dialogs().calls[0].text, kRestartText);
    EXPECT_EQ(Dialogs().calls[0].caption, kProductTitle);
    EXPECT_EQ(Dialogs().calls[0].flags, kYesNoQuestion);
    EXPECT_TRUE(machine().Called("ExitWindowsEx(6,0)"));
}

TEST_F(RestartTest, AnyOtherAnswerLeavesTheProgramRunning) {
    MapDrive('C');
    RestartNeeded = 1;
    for (int answer : {IDNO, IDOK, IDCANCEL, -1}) {
        Dialogs().answers.push_back(answer);
        RunScan();
    }
    EXPECT_FALSE(machine().Called("ExitWindowsEx"));
    EXPECT_FALSE(machine().Called("OpenProcessToken"));
}

TEST_F(RestartTest, OfferedAfterATerminatedScanToo) {
    MapDrive('C');
    MakeFile("C:\\a.txt");
    RestartNeeded = 1;
    machine().ui.Post(nullptr, WM_DESTROY, 0, 0);
    RunScan();
    EXPECT_EQ(statuses().back(), "Scanning terminated");
    EXPECT_EQ(Dialogs().calls.size(), 1u);
}

TEST_F(RestartTest, NoOfferWithoutScheduledDeletion) {
    MapDrive('C');
    RunScan();
    EXPECT_TRUE(Dialogs().calls.empty());
}

TEST_F(RestartTest, Windows9xRestartsWithoutAnyPrivilegeHandling) {
    winsim::SetWindows98();
    RestartComputer();
    EXPECT_EQ(machine().calls, std::vector<std::string>{"ExitWindowsEx(6,0)"});
}

TEST_F(RestartTest, NtEnablesTheShutdownPrivilegeFirst) {
    winsim::SetWindowsXp();
    RestartComputer();
    const std::vector<std::string> expected = {
        "OpenProcessToken(0x28)",
        "LookupPrivilegeValueA(SeShutdownPrivilege)",
        "AdjustTokenPrivileges(SeShutdownPrivilege)",
        "ExitWindowsEx(6,0)",
    };
    EXPECT_EQ(machine().calls, expected);
    EXPECT_TRUE(machine().security.IsEnabled("SeShutdownPrivilege"));
    EXPECT_EQ(machine().handles.OpenCount(), 0u);
}

TEST_F(RestartTest, FailedVersionQueryTakesTheNtRoute) {
    machine().version.queryFails = true;
    RestartComputer();
    EXPECT_TRUE(machine().Called("OpenProcessToken(0x28)"));
    EXPECT_TRUE(machine().Called("ExitWindowsEx(6,0)"));
}

TEST_F(RestartTest, GivesUpSilentlyWhenTheTokenCannotBeOpened) {
    winsim::SetWindowsXp();
    machine().security.tokenOpenFails = true;
    RestartComputer();
    EXPECT_FALSE(machine().Called("LookupPrivilegeValueA"));
    EXPECT_FALSE(machine().Called("ExitWindowsEx"));
}

TEST_F(RestartTest, GivesUpSilentlyWhenThePrivilegeIsNotHeld) {
    winsim::SetWindows10();
    machine().security.held.clear();
    RestartComputer();
    EXPECT_TRUE(machine().Called("AdjustTokenPrivileges"));
    EXPECT_FALSE(machine().Called("ExitWindowsEx"));
}

TEST_F(RestartTest, RefusedRestartIsNotReported) {
    winsim::SetWindowsXp();
    MapDrive('C');
    RestartNeeded = 1;
    Dialogs().answers.push_back(IDYES);
    machine().faults.Fail("ExitWindowsEx");
    EXPECT_EQ(RunScan(), 1);
    EXPECT_EQ(lines(), Statistics(0, 0, 0));
}

}  // namespace
