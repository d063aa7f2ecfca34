// Report lines and the status text: both travel to the main window as
// synchronous messages whose numbers the window reinterprets.
#pragma once

const int kReportLineSize = 500;
const int kStatusPathSize = 260;

extern char ReportLine[500];
extern char StatusPath[260];

// Sends 0x000B (WM_SETREDRAW, reused): the window appends ReportLine.
void EmitReportLine();
// Formats into ReportLine (cut at its size, never overrun) and emits it.
void EmitFormattedReportLine(const char* format, ...) __attribute__((format(printf, 1, 2)));
// Sends 0x000A (WM_ENABLE, reused): the window shows StatusPath.
void SendStatusPath();
// Copies a text into StatusPath (bounded) and sends it.
void ShowStatusText(const char* text);
