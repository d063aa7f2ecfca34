// The 9x family's processes, from a Toolhelp snapshot. Toolhelp names a
// process by its file: the full path on Windows 9x.
#pragma once

// Terminates the first process whose file name equals the file name of
// `path` (ignoring case); 1 when that succeeded, else 0.
int KillByToolhelp(const char* path);

// The scan for infected processes; its result as ExamineProcesses gives
// it (see process_scan.h).
int ScanProcessesToolhelp();
