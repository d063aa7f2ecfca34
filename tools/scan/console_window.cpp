#include "console_window.h"

#include <csignal>

#include "common/report.h"
#include "common/shared_state.h"
#include "winsim/machine.h"

namespace {

const int kMaximumFollowers = 4;

FILE* ReportOutput = stdout;
volatile sig_atomic_t InterruptRequested = 0;
void (*BeforeStatistics)(void* context, FILE* out) = nullptr;
void* BeforeStatisticsContext = nullptr;
ScanFollower* Followers[kMaximumFollowers];
int FollowerCount = 0;
bool WalkOver = false;

void OnInterrupt(int) {
    InterruptRequested = 1;
    signal(SIGINT, SIG_DFL);
}

void EndWalk() {
    if (WalkOver) return;
    WalkOver = true;
    for (int i = 0; i < FollowerCount; ++i) Followers[i]->WalkEnded();
}

LRESULT ConsoleWindowProc(HWND, UINT message, WPARAM, LPARAM) {
    if (message == kReportLineMessage) {
        if (StatisticsStarted) EndWalk();
        BeforeConsoleOutput();
        if (StatisticsStarted && BeforeStatistics != nullptr) {
            void (*hook)(void*, FILE*) = BeforeStatistics;
            BeforeStatistics = nullptr;
            hook(BeforeStatisticsContext, ReportOutput);
        }
        fputs(ReportLine, ReportOutput);
        fputc('\n', ReportOutput);
    }
    // The status message arrives for every entry of the walk, just before
    // its next message check: the place where Cancel takes effect too.
    // The texts themselves are not printed; the final one is, after the
    // scan.
    if (message == kStatusPathMessage) {
        if (InterruptRequested) {
            ScanTerminated = 1;
            EndWalk();
        } else if (!StatisticsStarted && !WalkOver) {
            for (int i = 0; i < FollowerCount; ++i) Followers[i]->EntryShown(ScanCounters.filesScanned, StatusPath);
        }
    }
    return 0;
}

}  // namespace

HWND CreateConsoleWindow(FILE* out) {
    ReportOutput = out;
    FollowerCount = 0;
    WalkOver = false;
    InterruptRequested = 0;
    return winsim::TheMachine().ui.CreateWindowWithProc(ConsoleWindowProc);
}

void CallBeforeStatistics(void (*hook)(void* context, FILE* out), void* context) {
    BeforeStatistics = hook;
    BeforeStatisticsContext = context;
}

void FollowScan(ScanFollower* follower) {
    if (FollowerCount < kMaximumFollowers) Followers[FollowerCount++] = follower;
}

void BeforeConsoleOutput() {
    for (int i = 0; i < FollowerCount; ++i) Followers[i]->BeforeOutput();
}

void CatchInterrupts() { signal(SIGINT, OnInterrupt); }

bool Interrupted() { return InterruptRequested != 0; }
