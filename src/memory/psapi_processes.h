// The NT family's processes over psapi: every process whose main module
// path could be read, in the order EnumProcesses returns the ids. The
// termination of NT 5.x and the scan of every NT use the same list.
#pragma once

#include "memory/process_list.h"
#include "platform/win32.h"

enum class PsapiListResult {
    kUnavailable,  // psapi or one of its functions missing, or no process id returned
    kListed,
    kOutOfMemory,  // a record could not be allocated; the list is already freed
};

// Opens a process for reading its module name; nullptr when it cannot.
typedef HANDLE (*ProcessOpener)(DWORD processId);

// Fills `list` (empty on entry). Only the first 1024 ids are seen.
PsapiListResult TakePsapiProcessList(ProcessOpener openProcess, ProcessList* list);

// True when the process list could be taken (psapi.dll and its functions
// present, at least one id); every process started from exactly `path`
// (ignoring case) is terminated. Not a statement about termination.
int KillByPsapi(const char* path);

// The scan for infected processes, with the debug privilege enabled when
// an open is denied; its result as ExamineProcesses gives it (see
// process_scan.h).
int ScanProcessesPsapi();
