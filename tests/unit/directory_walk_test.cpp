// The walk: order, counting, the single-file form, the Program Files
// preparation, long paths, the message pump and path shortening.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "common/identity.h"
#include "common/message_dialog.h"
#include "common/report.h"
#include "common/shared_state.h"
#include "scan/directory_walk.h"
#include "scripted_dialog.h"
#include "test_machine.h"

namespace {

class WalkTest : public MachineTest {
protected:
    void SetUp() override {
        MachineTest::SetUp();
        MapDrive('C');
        MemoryStageActive = 0;
    }
};

TEST_F(WalkTest, FilesOfAFolderComeBeforeItsSubfoldersDepthFirst) {
    MakeFile("C:\\a.txt");
    MakeFolder("C:\\sub\\deeper");
    MakeFile("C:\\sub\\b.txt");
    MakeFile("C:\\sub\\deeper\\c.txt");
    MakeFile("C:\\z.txt");

    EXPECT_EQ(WalkDirectory("C:\\*.*"), 4);

    // Every entry of a file pass is shown, folders and "." / ".." included.
    const std::vector<std::string> expected = {
        "C:\\a.txt",          "C:\\sub",          "C:\\z.txt",
        "C:\\sub\\.",         "C:\\sub\\..",      "C:\\sub\\b.txt",
        "C:\\sub\\deeper",    "C:\\sub\\deeper\\.", "C:\\sub\\deeper\\..",
        "C:\\sub\\deeper\\c.txt",
    };
    EXPECT_EQ(statuses(), expected);
    EXPECT_EQ(ScanCounters.filesScanned, 4);
}

TEST_F(WalkTest, ResultIsTheRunningCountNotThisCallsCount) {
    MakeFile("C:\\one.bin");
    ScanCounters.filesScanned = 41;
    EXPECT_EQ(WalkDirectory("C:\\*.*"), 42);
}

TEST_F(WalkTest, FolderNamesWithDotsAndFilesWithoutExtensionsAreWalked) {
    MakeFolder("C:\\my.dir");
    MakeFile("C:\\my.dir\\README");
    EXPECT_EQ(WalkDirectory("C:\\*.*"), 1);
    EXPECT_EQ(statuses().back(), "C:\\my.dir\\README");
}

TEST_F(WalkTest, SingleFileFormShowsTheFileOnceAndCountsNothing) {
    MakeFolder("C:\\bin");
    MakeFile("C:\\bin\\tool.exe");
    MakeFolder("C:\\bin\\tool.d");  // would match "tool.*" in a subfolder pass
    MakeFile("C:\\bin\\tool.d\\inner.exe");
    MemoryStageActive = 1;
    ScanCounters.filesScanned = 7;
    InfectedFileSeen = 1;

    EXPECT_EQ(WalkDirectory("C:\\bin\\tool.exe"), 7);
    EXPECT_EQ(statuses(), std::vector<std::string>{"C:\\bin\\tool.exe"});
    EXPECT_EQ(InfectedFileSeen, 0);
}

TEST_F(WalkTest, PatternWithoutDotAbandonsTheWalk) {
    MakeFile("C:\\a.txt");
    EXPECT_EQ(WalkDirectory("C:\\*"), -1);
    EXPECT_EQ(ScanCounters.filesScanned, 0);
    EXPECT_EQ(machine().handles.OpenCount(), 0u);
}

TEST_F(WalkTest, FolderThatCannotBeListedIsNamedAndTheWalkGoesOn) {
    MakeFolder("C:\\locked");
    MakeFile("C:\\locked\\hidden.exe");
    MakeFolder("C:\\open");
    MakeFile("C:\\open\\seen.exe");
    machine().faults.Fail("FindFirstFileA", ERROR_ACCESS_DENIED, "C:\\locked\\");

    EXPECT_EQ(WalkDirectory("C:\\*.*"), 1);
    EXPECT_EQ(statuses().back(), "C:\\open\\seen.exe");
    EXPECT_EQ(lines(), std::vector<std::string>{"C:\\locked     Unable to scan"});
    EXPECT_EQ(machine().handles.OpenCount(), 0u);
}

TEST_F(WalkTest, EntriesWhosePathWouldNotFitAreNamedNeverCut) {
    // Nest folders until the folder path is 240 characters long.
    std::string folder = "C:";
    while (folder.size() < 230) folder += "\\" + std::string(9, 'd');
    MakeFolder(folder);
    std::string fits = folder + "\\" + std::string(259 - folder.size() - 1, 'f');  // 259 characters
    std::string tooLong = folder + "\\" + std::string(260 - folder.size() - 1, 'g');  // 260 characters
    ASSERT_EQ(fits.size(), 259u);
    ASSERT_EQ(tooLong.size(), 260u);
    MakeFile(fits);
    MakeFile(tooLong);

    EXPECT_EQ(WalkDirectory("C:\\*.*"), 1);
    for (const std::string& status : statuses()) EXPECT_LT(status.size(), 61u);
    EXPECT_EQ(lines(), std::vector<std::string>{tooLong + "     Unable to scan"});
}

TEST_F(WalkTest, DriveRootPreparesProgramFilesAndOnlyExactSpellingCountsAsVisited) {
    MakeFolder("C:\\Program Files\\App");
    ProgramFilesVisited = 0;
    ProgramFilesPending = 0;
    FailSubfolderListing("C:\\*.*");
    WalkDirectory("C:\\*.*");
    EXPECT_STREQ(ProgramFilesPattern, "C:\\Program Files\\*.*");
    EXPECT_EQ(ProgramFilesPending, 1);
    EXPECT_EQ(ProgramFilesVisited, 0);

    machine().faults.Clear();
    WalkDirectory("C:\\program files\\*.*");  // a subfolder below it, but spelled in other case
    EXPECT_EQ(ProgramFilesVisited, 0);
    WalkDirectory("C:\\Program Files\\*.*");
    EXPECT_EQ(ProgramFilesVisited, 1);
}

TEST_F(WalkTest, RootWithoutProgramFilesKeepsThePendingFlag) {
    ProgramFilesPending = 1;
    WalkDirectory("C:\\*.*");
    EXPECT_EQ(ProgramFilesPending, 1);
    EXPECT_STREQ(ProgramFilesPattern, "C:\\Program Files");
    ProgramFilesPending = 0;
    WalkDirectory("C:\\*.*");
    EXPECT_EQ(ProgramFilesPending, 0);
}

class PumpTest : public WalkTest {};

TEST_F(PumpTest, EscapeAsksAndNoContinues) {
    MakeFile("C:\\a.txt");
    MakeFile("C:\\b.txt");
    machine().ui.Post(nullptr, WM_KEYDOWN, VK_ESCAPE, 0);
    Dialogs().answers.push_back(IDNO);

    EXPECT_EQ(WalkDirectory("C:\\*.*"), 2);
    ASSERT_EQ(Dialogs().calls.size(), 1u);
    EXPECT_EQ(Dialogs().calls[0].text, "Terminate the Scan now?");
    EXPECT_EQ(Dialogs().calls[0].caption, kProductTitle);
    EXPECT_EQ(Dialogs().calls[0].flags, kYesNoQuestion);
    EXPECT_EQ(ScanTerminated, 0);
    EXPECT_TRUE(machine().ui.dispatched.empty());  // the Escape message itself is dropped
}

TEST_F(PumpTest, AnyAnswerButNoEndsTheWalkAtOnce) {
    MakeFile("C:\\a.txt");
    MakeFile("C:\\b.txt");
    const int answers[] = {IDYES, IDOK, IDCANCEL, -1};
    for (int answer : answers) {
        ScanTerminated = 0;
        ScanCounters.filesScanned = 0;
        machine().ui.Post(nullptr, WM_KEYDOWN, VK_ESCAPE, 0);
        Dialogs().answers.push_back(answer);
        EXPECT_EQ(WalkDirectory("C:\\*.*"), 0) << answer;
        EXPECT_EQ(ScanTerminated, 1) << answer;
        EXPECT_EQ(ScanCounters.filesScanned, 0) << answer;
    }
}

TEST_F(PumpTest, OnlyTheLowWordOfWParamIsTested) {
    machine().ui.Post(nullptr, WM_COMMAND, 0x0005001B, 0);  // low word 27
    machine().ui.Post(nullptr, WM_COMMAND, 0x001B0000, 0);  // high word 27: dispatched
    PumpOneMessage();
    PumpOneMessage();
    EXPECT_EQ(Dialogs().calls.size(), 1u);
    ASSERT_EQ(machine().ui.dispatched.size(), 1u);
    EXPECT_EQ(machine().ui.dispatched[0].wParam, 0x001B0000u);
}

TEST_F(PumpTest, QuitAndDestroyEndTheScanWithoutAsking) {
    const UINT messages[] = {WM_QUIT, WM_DESTROY};
    for (UINT message : messages) {
        ScanTerminated = 0;
        machine().ui.Post(nullptr, message, 0, 0);
        PumpOneMessage();
        EXPECT_EQ(ScanTerminated, 1) << message;
    }
    EXPECT_TRUE(Dialogs().calls.empty());
    EXPECT_TRUE(machine().ui.dispatched.empty());
}

TEST_F(PumpTest, OtherMessagesAreTranslatedAndDispatchedOneAtATime) {
    machine().ui.Post(MainWindowHandle, WM_TIMER, 1, 0);
    machine().ui.Post(MainWindowHandle, WM_TIMER, 2, 0);
    PumpOneMessage();
    EXPECT_EQ(machine().ui.translated.size(), 1u);
    EXPECT_EQ(machine().ui.dispatched.size(), 1u);
    EXPECT_EQ(machine().ui.queue.size(), 1u);
    PumpOneMessage();
    PumpOneMessage();  // nothing waiting: returns quietly
    EXPECT_EQ(machine().ui.dispatched.size(), 2u);
}

TEST_F(PumpTest, TwoChecksPerFileEntrySoABurstDrainsOverSeveralEntries) {
    MakeFile("C:\\a.txt");
    for (int i = 0; i < 5; ++i) machine().ui.Post(MainWindowHandle, WM_TIMER, i, 0);
    WalkDirectory("C:\\*.*");
    // Two checks for the entry in the file pass, one in the subfolder pass.
    EXPECT_EQ(machine().ui.dispatched.size(), 3u);
}

std::string Abbreviated(const std::string& source, int16_t limit) {
    char in[512] = {};
    char out[512];
    memset(out, 0x5A, sizeof out);
    strncpy(in, source.c_str(), sizeof in - 1);
    AbbreviatePath(in, out, limit);
    return out;
}

TEST(AbbreviatePathTest, SixtyCharactersOrFewerAreShownWhole) {
    std::string sixty(60, 'p');
    EXPECT_EQ(Abbreviated(sixty, 60), sixty);
    EXPECT_EQ(Abbreviated("C:\\short.exe", 60), "C:\\short.exe");
    EXPECT_EQ(Abbreviated("", 60), "");
}

TEST(AbbreviatePathTest, LongerPathsKeepHeadAndTailAroundDots) {
    std::string path;
    for (int i = 0; i < 61; ++i) path += static_cast<char>('a' + i % 26);
    std::string shown = Abbreviated(path, 60);
    EXPECT_EQ(shown.size(), 60u);
    EXPECT_EQ(shown, path.substr(0, 29) + ".." + path.substr(61 - 29));

    std::string longer(200, 'x');
    longer[0] = 'H';
    longer[199] = 'T';
    shown = Abbreviated(longer, 60);
    EXPECT_EQ(shown, "H" + std::string(28, 'x') + ".." + std::string(28, 'x') + "T");
}

TEST(AbbreviatePathTest, OddLimitLeavesThreeDots) {
    std::string path(80, 'q');
    std::string shown = Abbreviated(path, 61);
    EXPECT_EQ(shown.size(), 61u);
    EXPECT_EQ(shown.substr(29, 3), "...");
    EXPECT_NE(shown[28], '.');
    EXPECT_NE(shown[32], '.');
}

TEST(AbbreviatePathTest, LimitsTooSmallToKeepAnythingCopyUnchanged) {
    std::string path(30, 'r');
    EXPECT_EQ(Abbreviated(path, 3), path);  // keep = 0
    EXPECT_EQ(Abbreviated(path, 0), path);
    EXPECT_EQ(Abbreviated(path, -8), path);
}

// A cut never leaves half a character at either end: the character's
// place goes to one more '.', and the result is still `limit` bytes.
class AbbreviateCodePageTest : public MachineTest {};

TEST_F(AbbreviateCodePageTest, CutsFallBetweenCharacters) {
    // 80 bytes; the walk's limit 60 keeps 29 at each end, so the head's
    // last kept byte is 28 and the tail's first is 51.
    const std::string head = "C:\\" + std::string(25, 'h');  // bytes 0..27
    const std::string middle(20, 'm');
    const std::string tail(28, 't');
    const std::string so("\x83\x5C", 2);   // ソ
    const std::string hyo("\x95\x5C", 2);  // 表
    const std::string split = head + so + middle + hyo + tail;     // ソ at 28-29, 表 at 50-51
    const std::string whole = head + "h" + so + middle.substr(1) + "m" + hyo + tail.substr(1);  // at 29-30, 51-52
    const std::string utf8 = head + "\xE3\x82\xBD" + std::string(49, 'u');  // ソ at 28-30
    struct Row {
        const char* label;
        UINT codePage;
        std::string source;
        std::string shown;
    };
    const std::vector<Row> rows = {
        {"932: ソ at the head's end and 表 at the tail's start give way", 932, split,
         head + "...." + tail},
        {"control: 1252 cuts the same bytes where they fall", 1252, split,
         head + so.substr(0, 1) + ".." + so.substr(1, 1) + tail},
        {"control: 932 characters that end and start at the cuts", 932, whole,
         whole.substr(0, 29) + ".." + whole.substr(51)},
        {"65001: a three-byte character at the head's end", 65001, utf8,
         head + "..." + utf8.substr(utf8.size() - 29)},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        machine().ansiCodePage = row.codePage;
        ASSERT_EQ(row.source.size(), 80u);
        std::string shown = Abbreviated(row.source, 60);
        EXPECT_EQ(shown.size(), 60u);
        EXPECT_EQ(shown, row.shown);
    }
}

TEST_F(AbbreviateCodePageTest, ACharacterAcrossTheLookedAtEndKeepsNoTail) {
    // Bytes 509-511 are one UTF-8 character, and only 511 bytes are looked
    // at: a tail of one byte would start inside it and end after it.
    machine().ansiCodePage = 65001;
    const std::string source = std::string(509, 'a') + "\xE3\x82\xBD" + std::string(88, 'b');
    char out[512];
    AbbreviatePath(source.c_str(), out, 4);
    EXPECT_STREQ(out, "a...");
    machine().ansiCodePage = 1252;  // control: single bytes cut where they fall
    AbbreviatePath(source.c_str(), out, 4);
    EXPECT_STREQ(out, "a..\x82");
}

TEST(AbbreviatePathTest, LimitAboveTheWorkingBufferIsTakenAsItsSize) {
    std::string path(300, 's');
    std::string shown = Abbreviated(path, 400);
    EXPECT_EQ(shown.size(), 100u);
    EXPECT_EQ(shown.substr(49, 2), "..");
}

}  // namespace
