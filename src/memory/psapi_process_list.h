// The NT family's process list over psapi, shared by the termination and
// the infected-process scan: every process whose main module path could
// be read, in the order EnumProcesses returns the ids.
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
