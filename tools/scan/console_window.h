// The stand-in main window of bruvane-scan: report lines go to standard
// output as they arrive; an interrupt from the terminal ends the scan the
// way the Cancel button would, so the statistics are still written.
#pragma once

#include <cstdio>

#include "platform/win32.h"

// Registers the window with the simulated machine and returns its handle.
HWND CreateConsoleWindow(FILE* out);

// Ctrl-C asks the scan to end at its next message check; a second one
// ends the program at once.
void CatchInterrupts();
bool Interrupted();
