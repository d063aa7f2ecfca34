// The process list of the performance data: the English counter-name
// table gives the indices of the "process" object and its "id process"
// counter; the block queried for that object holds one instance per
// running process. Both parsers work over plain byte buffers and read
// nothing outside them.
#pragma once

#include "platform/win32.h"

const int kTaskListSize = 255;
const int kMaxTasks = 254;               // entries filled at most
const int kTaskNameLength = 16;          // longer instance names leave the name empty
const DWORD kIdleProcessId = 0xFFFFFFFE; // stands for a process id of 0
const int kIndexTextSize = 16;

struct TaskRecord {
    DWORD processId;
    char name[kTaskNameLength + 1];
};

// Walks the "Counters" strings (index, title, index, title, ..., empty)
// within `size` bytes. The index text before the last "process" goes to
// `objectIndex`, the index before the last "id process" to `idCounterIndex`
// (titles compared ignoring case). False unless both were found.
bool FindProcessCounterIndices(const char* table, DWORD size, char objectIndex[kIndexTextSize],
                               DWORD* idCounterIndex);

// Fills `tasks` (zeroed first) from a performance block of `size` bytes:
// the first object's instances, at most 254, each with its instance name
// and the id counter's value. Returns the number filled; a block that is
// malformed anywhere (an offset or length outside the block, no "PERF"
// signature, no object, no counter with `idCounterIndex`) fills none.
int ParsePerformanceBlock(const BYTE* block, DWORD size, DWORD idCounterIndex, TaskRecord tasks[kTaskListSize]);
