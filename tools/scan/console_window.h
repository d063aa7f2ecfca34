// The stand-in main window of bruvane-scan: report lines go to standard
// output as they arrive; an interrupt from the terminal ends the scan the
// way the Cancel button would, so the statistics are still written. The
// engine's messages also tell the scan's followers (the read-ahead, the
// progress line) how far the walk has got.
#pragma once

#include <cstdio>

#include "platform/win32.h"
#include "scan_follower.h"

// Registers the window with the simulated machine and returns its handle.
// A new window has no followers and no interrupt asked for.
HWND CreateConsoleWindow(FILE* out);

// Calls `hook` once, just before the first line of the statistics: the
// scan is over then, and nothing after it changes the machine.
void CallBeforeStatistics(void (*hook)(void* context, FILE* out), void* context);

// Adds a follower (at most four), told in the order added. It must stay
// until the window is replaced.
void FollowScan(ScanFollower* follower);
// The program is about to write something of its own to the terminal
// (a prompt): the followers make room for it.
void BeforeConsoleOutput();

// Ctrl-C asks the scan to end at its next message check; a second one
// ends the program at once.
void CatchInterrupts();
bool Interrupted();
