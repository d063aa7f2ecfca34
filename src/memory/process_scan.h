// The scans of the running processes at the start of every scan: each
// enumerator lists the processes with the path of their executable
// (ScanProcessesToolhelp, ScanProcessesPsapi); here the walk inspects each
// executable in memory mode, and the infected ones are dealt with.
//
// The result (the memory stage's only input from here) is 1 when at least
// one infected process was found in memory and dealt with, else 0:
//  - dealt with means that the scan acted against it: the file was acted
//    on (removed or renamed by the acting walk), or, on NT 4 and NT 5.x,
//    the service named after a process that survived termination was
//    handled (stopped, or its keys removed and a restart marked);
//  - a detection under kActionLeave is not dealt with;
//  - on NT after 5.x a process that survives both termination attempts is
//    not dealt with: it is left to the drive walk, which falls back to
//    deletion at the next start and offers the restart.
// When the process survives the second termination attempt, its file is
// acted on only if the service stopped or the first attempt reported
// success: the process was ended then, and the second attempt found it
// gone. A process still running holds its file, so acting on it could
// only fail.
#pragma once

#include "memory/process_list.h"

enum class ScanFamily { kWindows9x, kWindowsNt };

// Inspects the image of every record in memory mode and deals with each
// infected one as its family does. The result as above.
int ExamineProcesses(const ProcessList& list, ScanFamily family);
