// Stand-in until the process scans exist: the stage finds nothing, but it
// must still leave the walk in its directory form.
#include "common/shared_state.h"
#include "memory/memory_stage.h"

void MemoryStage() {
    MemoryStageActive = 1;
    MemoryStageActive = 0;
}
