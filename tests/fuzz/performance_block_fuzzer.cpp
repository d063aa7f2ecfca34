// The performance-data parsers over arbitrary counter-name tables and
// arbitrary blocks: every offset, length and count of the block comes
// from the input. The task list must stay inside its 255 entries, each
// name terminated inside its 17 bytes, every entry past the count zero.
// Then the same table and block reach KillByPerfData through the registry
// of the simulated machine: only processes listed under a name that begins
// with the target's may end, and no handle may stay open.
#include <cstdint>
#include <cstring>
#include <vector>

#include "fuzz_world.h"
#include "memory/performance_parser.h"
#include "memory/performance_processes.h"
#include "winsim/machine.h"

namespace {

const char kCountersKey[] = "software\\microsoft\\windows nt\\currentversion\\perflib\\009";
const char kTarget[] = "C:\\WINDOWS\\ZGORVEX.EXE";

// Input: a 16-bit table length, the table, a 32-bit id-counter index (used
// when the table names none), then the block.
struct Parts {
    std::vector<char> table;
    DWORD fallbackIndex;
    std::vector<BYTE> block;
};

Parts Split(const uint8_t* data, size_t size) {
    fuzz::ByteReader input(data, size);
    Parts parts;
    size_t tableLength = input.Word();
    if (tableLength > input.Left()) tableLength = input.Left();
    for (size_t i = 0; i < tableLength; ++i) parts.table.push_back(static_cast<char>(input.Byte()));
    parts.fallbackIndex = input.Dword();
    std::string rest = input.Rest();
    parts.block.assign(rest.begin(), rest.end());
    return parts;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::ResetWorld();
    Parts parts = Split(data, size);

    char objectIndex[kIndexTextSize];
    memset(objectIndex, 0xBD, sizeof objectIndex);
    DWORD idIndex = parts.fallbackIndex;
    // Exactly the table's bytes are allocated: a read past them is reported.
    if (FindProcessCounterIndices(parts.table.data(), static_cast<DWORD>(parts.table.size()), objectIndex,
                                  &idIndex))
        fuzz::Check(strnlen(objectIndex, sizeof objectIndex) < sizeof objectIndex, "object index not terminated");

    // The tasks sit in an allocation of exactly 255 entries.
    std::vector<TaskRecord> tasks(kTaskListSize);
    memset(tasks.data(), 0xBD, sizeof(TaskRecord) * tasks.size());
    int filled = ParsePerformanceBlock(parts.block.empty() ? nullptr : parts.block.data(),
                                       static_cast<DWORD>(parts.block.size()), idIndex, tasks.data());
    fuzz::Check(filled >= 0 && filled <= kMaxTasks, "task count outside 0..254");
    for (int i = 0; i < kTaskListSize; ++i) {
        const TaskRecord& task = tasks[i];
        fuzz::Check(strnlen(task.name, sizeof task.name) < sizeof task.name, "task name not terminated");
        if (i < filled) {
            fuzz::Check(task.processId != 0, "a process id of 0 was not stored as -2");
        } else {
            static const TaskRecord kZero = {};
            fuzz::Check(memcmp(&task, &kZero, sizeof task) == 0, "entry past the count not zero");
        }
    }

    // The same data, answered by the machine's registry.
    winsim::Machine& machine = winsim::TheMachine();
    winsim::SetNt4();
    machine.registry.SetValue(HKEY_LOCAL_MACHINE, kCountersKey, "Counters", REG_MULTI_SZ,
                              std::string(parts.table.begin(), parts.table.end()));
    machine.processes.performance.useRawBlock = true;
    machine.processes.performance.rawBlock = parts.block;
    std::vector<DWORD> ids;
    for (int i = 0; i < filled; ++i) ids.push_back(tasks[i].processId);
    for (DWORD id : ids)
        if (machine.processes.Find(id) == nullptr && id % 4 == 0 && id != 0) machine.processes.StartWithId(id, kTarget);
    KillByPerfData(kTarget);
    fuzz::Check(machine.registry.OpenKeyCount() == 0, "a registry key was left open");
    fuzz::Check(machine.handles.OpenCount() == 0, "a process handle was left open");
    for (const winsim::SimProcess& process : machine.processes.Table()) {
        if (process.running) continue;
        bool listed = false;
        for (int i = 0; i < filled && !listed; ++i)
            listed = tasks[i].processId == process.id && _strnicmp(tasks[i].name, "ZGORVEX", 7) == 0;
        fuzz::Check(listed, "a process not listed under the target's name was ended");
    }
    return 0;
}
