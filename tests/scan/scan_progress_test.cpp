// The progress line, read back from a pseudo-terminal byte for byte: at
// most ten drawings a second, the folder of the entry shown, cut to the
// terminal's width, cleared before a report line and at the end of the
// walk. A clock the test sets stands in for the real one.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "common/report.h"
#include "common/shared_state.h"
#include "console_window.h"
#include "scan_progress.h"
#include "test_machine.h"

namespace {

double TestNow = 0;
double TestClock() { return TestNow; }

class ScanProgressTest : public MachineTest {
protected:
    void SetUp() override {
        MachineTest::SetUp();
        ASSERT_EQ(openpty(&master_, &slave_, nullptr, nullptr, nullptr), 0);
        // Raw: the bytes written are the bytes read, no "\n" made "\r\n".
        struct termios raw;
        ASSERT_EQ(tcgetattr(slave_, &raw), 0);
        cfmakeraw(&raw);
        ASSERT_EQ(tcsetattr(slave_, TCSANOW, &raw), 0);
        fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
        terminal_ = fdopen(slave_, "w");
        ASSERT_NE(terminal_, nullptr);
        TestNow = 0;
    }
    void TearDown() override {
        fclose(terminal_);
        close(master_);
        MachineTest::TearDown();
    }

    // Everything written to the terminal since the last call.
    std::string Screen() {
        fflush(terminal_);
        std::string text;
        char buffer[512];
        ssize_t got;
        while ((got = read(master_, buffer, sizeof buffer)) > 0) text.append(buffer, static_cast<size_t>(got));
        return text;
    }

    int master_ = -1;
    int slave_ = -1;
    FILE* terminal_ = nullptr;
};

TEST_F(ScanProgressTest, DrawsAtMostTenTimesASecondAndClearsAtTheEnd) {
    ScanProgress progress(terminal_, &TestClock);
    progress.SetColumns(60);
    progress.EntryShown(0, "C:\\Windows\\System32\\.");
    std::string first = "0 files  0 files/s  C:\\Windows\\System32";
    EXPECT_EQ(Screen(), "\r" + first);
    TestNow = 0.0625;
    progress.EntryShown(1, "C:\\Windows\\System32\\a.exe");
    EXPECT_EQ(Screen(), "") << "within a tenth of a second of the last drawing";
    TestNow = 0.125;
    progress.EntryShown(2500, "C:\\b.exe");
    std::string second = "2,500 files  20,000 files/s  C:\\";
    // The shorter line covers the rest of the longer one.
    EXPECT_EQ(Screen(), "\r" + second + std::string(first.size() - second.size(), ' '));
    TestNow = 2.125;
    progress.EntryShown(1234567, "C:\\Program Files\\Maker\\..._long_name.dll");
    std::string third = "1,234,567 files  580,972 files/s  C:\\Program Files\\Maker";
    EXPECT_EQ(Screen(), "\r" + third);
    progress.WalkEnded();
    EXPECT_EQ(Screen(), "\r" + std::string(third.size(), ' ') + "\r") << "cleared, then nothing more";
    TestNow = 5;
    progress.EntryShown(1234568, "C:\\c.exe");
    EXPECT_EQ(Screen(), "");
}

TEST_F(ScanProgressTest, ALineIsCutOneColumnShortOfTheWidthAtACharacter) {
    ScanProgress progress(terminal_, &TestClock);
    progress.SetColumns(30);
    // 29 columns of "0 files  0 files/s  C:\Ωmega\folder": the Greek
    // letter is two bytes and one column.
    progress.EntryShown(0, "C:\\\xCE\xA9mega\\folder\\x");
    EXPECT_EQ(Screen(), "\r0 files  0 files/s  C:\\\xCE\xA9mega\\");
}

TEST_F(ScanProgressTest, TheConsoleWindowClearsTheLineBeforeEveryReportLine) {
    ScanProgress progress(terminal_, &TestClock);
    progress.SetColumns(80);
    MainWindowHandle = CreateConsoleWindow(terminal_);
    FollowScan(&progress);
    ScanCounters.filesScanned = 7;
    ShowStatusText("C:\\dir\\a.exe");
    std::string line = "7 files  0 files/s  C:\\dir";
    EXPECT_EQ(Screen(), "\r" + line);
    EmitFormattedReportLine("C:\\dir\\a.exe     W32/Gorvex.Pos.Trojan not disinfected as per user's selection");
    EXPECT_EQ(Screen(), "\r" + std::string(line.size(), ' ') + "\r" +
                            "C:\\dir\\a.exe     W32/Gorvex.Pos.Trojan not disinfected as per user's selection\n");
    // A prompt of the program's own clears it the same way.
    TestNow = 1;
    ShowStatusText("C:\\dir\\b.exe");
    EXPECT_EQ(Screen(), "\r7 files  7 files/s  C:\\dir");
    BeforeConsoleOutput();
    EXPECT_EQ(Screen(), "\r" + std::string(line.size(), ' ') + "\r");
    // The statistics end the walk: the line is gone for good.
    StatisticsStarted = 1;
    EmitFormattedReportLine("Scanning statistics");
    TestNow = 2;
    ShowStatusText("Scanning completed");
    EXPECT_EQ(Screen(), "Scanning statistics\n");
}

TEST_F(ScanProgressTest, ShownOnlyOnATerminalAndNeverWhenQuiet) {
    int pipeEnds[2];
    ASSERT_EQ(pipe(pipeEnds), 0);
    struct Row {
        const char* what;
        int fd;
        bool quiet;
        bool wanted;
    } const kRows[] = {
        {"a terminal", slave_, false, true},
        {"a terminal, --quiet", slave_, true, false},
        {"a pipe", pipeEnds[1], false, false},
        {"a closed descriptor", 1000, false, false},
    };
    for (const Row& row : kRows) EXPECT_EQ(WantsProgressLine(row.fd, row.quiet), row.wanted) << row.what;
    close(pipeEnds[0]);
    close(pipeEnds[1]);
}

}  // namespace
