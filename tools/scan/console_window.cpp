#include "console_window.h"

#include <csignal>

#include "common/report.h"
#include "common/shared_state.h"
#include "winsim/machine.h"

namespace {

FILE* ReportOutput = stdout;
volatile sig_atomic_t InterruptRequested = 0;
void (*BeforeStatistics)(void* context, FILE* out) = nullptr;
void* BeforeStatisticsContext = nullptr;

void OnInterrupt(int) {
    InterruptRequested = 1;
    signal(SIGINT, SIG_DFL);
}

LRESULT ConsoleWindowProc(HWND, UINT message, WPARAM, LPARAM) {
    if (message == kReportLineMessage) {
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
    // The texts themselves are not shown; the final one is printed after
    // the scan.
    if (message == kStatusPathMessage && InterruptRequested) ScanTerminated = 1;
    return 0;
}

}  // namespace

HWND CreateConsoleWindow(FILE* out) {
    ReportOutput = out;
    return winsim::TheMachine().ui.CreateWindowWithProc(ConsoleWindowProc);
}

void CallBeforeStatistics(void (*hook)(void* context, FILE* out), void* context) {
    BeforeStatistics = hook;
    BeforeStatisticsContext = context;
}

void CatchInterrupts() { signal(SIGINT, OnInterrupt); }

bool Interrupted() { return InterruptRequested != 0; }
