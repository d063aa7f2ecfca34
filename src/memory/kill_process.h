// Termination of the processes started from a file that must be deleted.
// Each platform generation enumerates processes its own way and so sees a
// different name for a process: the file name (Toolhelp, 9x), the full
// path (psapi, NT 5.x), the instance name (performance data, other NT).
#pragma once

#include "platform/win32.h"

// 1 when the caller may retry the deletion, 0 when termination failed.
int KillProcessByPath(const char* path);

// Access rights the memory code asks for.
const DWORD kTerminateAndQuery = PROCESS_TERMINATE | PROCESS_QUERY_INFORMATION;
const DWORD kQueryAndRead = PROCESS_QUERY_INFORMATION | PROCESS_VM_READ;
const DWORD kTerminateOnly = PROCESS_TERMINATE;

// Opens a process with `access`, terminates it with exit code 0 and
// closes it again. True when the termination call succeeded.
bool TerminateProcessById(DWORD processId, DWORD access);
