// The stand-in main window of bruvane-scan: report lines go to standard
// output as they arrive; an interrupt from the terminal ends the scan the
// way the Cancel button would, so the statistics are still written.
#pragma once

#include <cstdio>

#include "platform/win32.h"

// Registers the window with the simulated machine and returns its handle.
HWND CreateConsoleWindow(FILE* out);

// Calls `hook` once, just before the first line of the statistics: the
// scan is over then, and nothing after it changes the machine.
void CallBeforeStatistics(void (*hook)(void* context, FILE* out), void* context);

// Ctrl-C asks the scan to end at its next message check; a second one
// ends the program at once.
void CatchInterrupts();
bool Interrupted();
