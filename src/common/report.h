// Report lines and the status text: both travel to the main window as
// synchronous messages whose numbers the window reinterprets.
#pragma once

#include "platform/win32.h"

// The numbers of two system messages that the window never gets
// otherwise, reused for ours.
const UINT kReportLineMessage = WM_SETREDRAW;  // the window appends ReportLine
const UINT kStatusPathMessage = WM_ENABLE;     // the window shows StatusPath

const int kReportLineSize = 500;
const int kStatusPathSize = 260;

extern char ReportLine[500];
extern char StatusPath[260];

// Sends kReportLineMessage.
void EmitReportLine();
// Formats into ReportLine (cut at its size, never overrun) and emits it.
void EmitFormattedReportLine(const char* format, ...) __attribute__((format(printf, 1, 2)));
// Sends kStatusPathMessage.
void SendStatusPath();
// Copies a text into StatusPath (bounded) and sends it.
void ShowStatusText(const char* text);
