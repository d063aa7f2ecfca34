#include "common/report.h"

#include <cstdarg>
#include <cstdio>

#include "common/shared_state.h"
#include "platform/win32.h"

char ReportLine[500];
char StatusPath[260];

void EmitReportLine() { SendMessageA(MainWindowHandle, kReportLineMessage, 0, 0); }

void EmitFormattedReportLine(const char* format, ...) {
    va_list args;
    va_start(args, format);
    vsnprintf(ReportLine, sizeof ReportLine, format, args);
    va_end(args);
    EmitReportLine();
}

void SendStatusPath() { SendMessageA(MainWindowHandle, kStatusPathMessage, 0, 0); }

void ShowStatusText(const char* text) {
    CopyText(StatusPath, sizeof StatusPath, text);
    SendStatusPath();
}
