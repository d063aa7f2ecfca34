// The depth-first walk of a folder (or, during the memory stage, of one
// file), with the message pump that keeps the window alive.
#pragma once

#include <cstdint>

typedef int (*FileHandler)(const char* detectionName, const char* path);

struct FileHandlerEntry {
    const char* detectionName;  // nullptr ends the table
    FileHandler handler;
};

extern const FileHandlerEntry FileHandlerTable[];

// Directory form: a folder followed by "\*.*". Single-file form (while
// MemoryStageActive is set): the full path of one file. Returns -1 when
// the pattern holds no '.', 0 when the scan was terminated, otherwise the
// running count of files scanned. In the directory form, whatever the walk
// cannot reach (a folder it cannot list, a path too long for its buffers,
// a name it cannot use) is reported as "<path>     Unable to scan".
int WalkDirectory(const char* pattern);

// Handles at most one queued message; Escape (by wParam) asks whether to
// end the scan, WM_QUIT and WM_DESTROY end it.
void PumpOneMessage();

// Shortens `source` to exactly `limit` characters (head, dots, tail) when
// it is longer. `destination` must hold 512 bytes; `limit` above 100 is
// taken as 100, the size of the working buffer.
void AbbreviatePath(const char* source, char* destination, int16_t limit);
