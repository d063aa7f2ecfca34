// bruvane-scan's stand-in window: report lines reach the output as they
// are emitted, and Ctrl-C ends a scan the way Cancel does, with the
// statistics still written.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <string>

#include "common/report.h"
#include "common/shared_state.h"
#include "console_window.h"
#include "scan/scan_driver.h"
#include "test_machine.h"

namespace {

std::string Contents(FILE* file) {
    std::string text;
    rewind(file);
    int c;
    while ((c = fgetc(file)) != EOF) text += static_cast<char>(c);
    return text;
}

class ConsoleWindowTest : public MachineTest {
protected:
    void SetUp() override {
        MachineTest::SetUp();
        out_ = tmpfile();
        ASSERT_NE(out_, nullptr);
        MainWindowHandle = CreateConsoleWindow(out_);
    }
    void TearDown() override {
        fclose(out_);
        MachineTest::TearDown();
    }
    FILE* out_ = nullptr;
};

TEST_F(ConsoleWindowTest, ReportLinesAreWrittenStatusTextsAreNot) {
    EmitFormattedReportLine("C:\\a.exe     %s not disinfected as per user's selection", "W32/Gorvex.Pfw.Trojan");
    ShowStatusText("C:\\somewhere");
    EmitFormattedReportLine("Total files scanned\t\t:  %d", 7);
    EXPECT_EQ(Contents(out_),
              "C:\\a.exe     W32/Gorvex.Pfw.Trojan not disinfected as per user's selection\n"
              "Total files scanned\t\t:  7\n");
    EXPECT_EQ(ScanTerminated, 0);
}

// One test for the whole interrupt story: the flag lives for the process.
TEST_F(ConsoleWindowTest, CtrlCEndsTheScanAtItsNextCheckAndTheStatisticsFollow) {
    MapDrive('C');
    MakeFile("C:\\one.txt");
    MakeFile("C:\\two.txt");
    MakeFile("C:\\three.txt");
    CopyText(ScanTarget, sizeof ScanTarget, "!:");
    ActionCode = kActionLeave;
    CatchInterrupts();
    EXPECT_FALSE(Interrupted());
    raise(SIGINT);
    EXPECT_TRUE(Interrupted());
    EXPECT_EQ(signal(SIGINT, SIG_DFL), SIG_DFL) << "a second Ctrl-C ends the program at once";

    RunScan();

    // The first entry was shown (and so counted) before the check that ends the walk.
    std::string text = Contents(out_);
    EXPECT_NE(text.find("Scanning statistics\n"), std::string::npos) << text;
    EXPECT_NE(text.find("Total files scanned\t\t:  1\n"), std::string::npos) << text;
    EXPECT_STREQ(StatusPath, "Scanning terminated");
}

}  // namespace
