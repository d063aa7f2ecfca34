// What the floor does with one file: the least I/O any inspection of its
// headers needs, in two spellings.
#pragma once

#include <cstdint>

// One per reading thread, added up at the end.
struct FloorTotals {
    uint64_t files = 0;
    uint64_t unopened = 0;
    uint64_t peFiles = 0;
    uint64_t bytesRead = 0;

    void Add(const FloorTotals& other) {
        files += other.files;
        unopened += other.unopened;
        peFiles += other.peFiles;
        bytesRead += other.bytesRead;
    }
};

// Opened relative to its folder's descriptor, the length taken from the
// open file (fstat), one 4 KiB read from the start, closed.
void ReadFirstPage(int dirfd, const char* name, FloorTotals* totals);

// Opened by its full path, the length taken, the PE headers read: one
// read of the first 4 KiB and a second only when they lie beyond it.
void ReadHeadersByPath(const char* path, FloorTotals* totals);
