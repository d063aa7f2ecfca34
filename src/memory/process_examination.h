// What both process scans do with their lists.
#pragma once

#include "memory/process_list.h"

enum class ScanFamily { kWindows9x, kWindowsNt };

// Inspects the image of every record in memory mode and deals with each
// infected one as its family does. 1 when at least one infected process
// was dealt with (see process_scan.h), else 0.
int ExamineProcesses(const ProcessList& list, ScanFamily family);
