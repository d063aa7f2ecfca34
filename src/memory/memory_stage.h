// The first stage of every scan: infected processes in memory.
#pragma once

// Returns to the scan driver, or ends the program on the NT family after a
// find in memory.
void MemoryStage();
