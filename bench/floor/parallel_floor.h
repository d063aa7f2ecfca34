// The parallel floor: one walking thread feeds N reading threads through
// a bounded queue; each reader does the single-threaded floor's work for
// one file (openat relative to the folder, fstat, one 4 KiB pread, close).
// On a cold disk this is what many reads in flight at once can reach.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "floor_reads.h"

// Walks every root on this thread with `readers` threads reading; returns
// their totals added up, and the number of folders in *folders.
FloorTotals RunParallelFloor(const std::vector<std::string>& roots, int readers, uint64_t* folders);
