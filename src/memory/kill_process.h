// Termination of the processes started from a file that must be deleted.
// Each platform generation enumerates processes its own way and so sees a
// different name for a process: the file name (Toolhelp, 9x), the full
// path (psapi, NT 5.x), the instance name (performance data, other NT).
#pragma once

// 1 when the caller may retry the deletion, 0 when termination failed.
int KillProcessByPath(const char* path);

// 1 when it terminated the first process whose file name equals the
// file name of `path` (ignoring case), else 0.
int KillByToolhelp(const char* path);

// True when the process list could be taken (psapi.dll and its functions
// present, at least one id); every process started from exactly `path`
// (ignoring case) is terminated. Not a statement about termination.
int KillByPsapi(const char* path);

// 1 when it terminated at least one process whose performance-data
// instance name begins with the file's name without its extension.
int KillByPerfData(const char* path);
