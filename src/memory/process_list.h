// The process lists of the termination and the scans: singly linked,
// appended at the tail in enumeration order, freed whole by the operation
// that built them.
#pragma once

#include "platform/win32.h"

const int kProcessImageBufferSize = 340;
const int kProcessImageUsed = 260;  // what the system reports fills at most this much

struct ProcessRecord {
    DWORD processId;
    char imagePath[kProcessImageBufferSize];  // zero-filled, so always terminated
    ProcessRecord* next;
};

struct ProcessList {
    ProcessRecord* head;
    ProcessRecord* tail;
};

// Appends a zero-filled record with the id and the first 260 bytes of
// `reportedPath` (a buffer of at least that size, as the system fills it).
// False when the record cannot be allocated; the list is then unchanged.
bool AppendProcessRecord(ProcessList* list, DWORD processId, const char* reportedPath);
void FreeProcessList(ProcessList* list);
