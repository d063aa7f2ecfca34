// HKEY_PERFORMANCE_DATA: the process object built from the process table
// in the platform's published layout (winperf.h), one instance per running
// process named after its image without the extension, plus the "Idle"
// and "_Total" instances Windows adds.
#include <cstring>
#include <sstream>

#include "winsim/machine.h"
#include "processes_internal.h"

using winsim::TheMachine;

namespace winsim {

namespace {

const DWORD kProcessorTimeIndex = 6;
const DWORD kThreadCountIndex = 680;
const DWORD kCreatingProcessIdIndex = 1410;
const DWORD kCounterBlockSize = 24;  // block header, processor time (8), two ids (4 + 4)
const LONG kBadKey = 1010;           // ERROR_BADKEY: the 9x registry has no such root
const DWORD kBinaryType = 3;         // REG_BINARY
const char kSystemName[] = "WINSIM";

DWORD Align8(DWORD value) { return (value + 7u) & ~7u; }

void Put(std::vector<BYTE>* block, size_t offset, const void* data, size_t size) {
    if (block->size() < offset + size) block->resize(offset + size);
    memcpy(block->data() + offset, data, size);
}

// 8-bit text as UTF-16 with its terminator, padded with zeros to `padded` bytes.
void PutWideName(std::vector<BYTE>* block, size_t offset, const std::string& name, size_t padded) {
    block->resize(offset + padded);
    for (size_t i = 0; i < name.size(); ++i) {
        WCHAR c = static_cast<unsigned char>(name[i]);
        memcpy(block->data() + offset + 2 * i, &c, sizeof c);
    }
}

struct Instance {
    std::string name;
    DWORD id;
};

std::string InstanceNameOf(const SimProcess& process) {
    if (!process.instanceName.empty()) return process.instanceName;
    std::string name = FileNameOf(process.imagePath);
    size_t dot = name.rfind('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}

// True when the value name asks for the process object: "Global", or a
// list of decimal indices naming it.
bool AsksForProcesses(const std::string& valueName, DWORD processIndex) {
    if (valueName == "Global") return true;
    std::istringstream tokens(valueName);
    std::string token;
    while (tokens >> token)
        if (token == std::to_string(processIndex)) return true;
    return false;
}

PERF_COUNTER_DEFINITION Counter(DWORD index, DWORD type, DWORD size, DWORD offset) {
    PERF_COUNTER_DEFINITION counter;
    memset(&counter, 0, sizeof counter);
    counter.ByteLength = sizeof counter;
    counter.CounterNameTitleIndex = index;
    counter.CounterHelpTitleIndex = index + 1;
    counter.DetailLevel = PERF_DETAIL_NOVICE;
    counter.CounterType = type;
    counter.CounterSize = size;
    counter.CounterOffset = offset;
    return counter;
}

void AppendProcessObject(std::vector<BYTE>* block, const PerformanceDataOptions& options,
                         const std::vector<Instance>& instances) {
    size_t objectStart = block->size();
    std::vector<PERF_COUNTER_DEFINITION> counters;
    counters.push_back(Counter(kProcessorTimeIndex, PERF_100NSEC_TIMER, 8, 8));
    if (options.withIdCounter)
        counters.push_back(Counter(options.idCounterIndex, PERF_COUNTER_RAWCOUNT, 4, 16));
    else
        counters.push_back(Counter(kThreadCountIndex, PERF_COUNTER_RAWCOUNT, 4, 16));
    counters.push_back(Counter(kCreatingProcessIdIndex, PERF_COUNTER_RAWCOUNT, 4, 20));

    PERF_OBJECT_TYPE object;
    memset(&object, 0, sizeof object);
    object.HeaderLength = sizeof object;
    object.DefinitionLength = static_cast<DWORD>(sizeof object + counters.size() * sizeof(PERF_COUNTER_DEFINITION));
    object.ObjectNameTitleIndex = options.processObjectIndex;
    object.ObjectHelpTitleIndex = options.processObjectIndex + 1;
    object.DetailLevel = PERF_DETAIL_NOVICE;
    object.NumCounters = static_cast<DWORD>(counters.size());
    object.DefaultCounter = 0;
    object.NumInstances = options.overrideInstanceCount ? options.instanceCount : static_cast<LONG>(instances.size());
    object.CodePage = 0;  // instance names are UTF-16
    Put(block, objectStart, &object, sizeof object);
    for (size_t i = 0; i < counters.size(); ++i)
        Put(block, objectStart + sizeof object + i * sizeof(PERF_COUNTER_DEFINITION), &counters[i],
            sizeof counters[i]);

    for (const Instance& instance : instances) {
        size_t start = block->size();
        DWORD nameBytes = static_cast<DWORD>((instance.name.size() + 1) * sizeof(WCHAR));
        PERF_INSTANCE_DEFINITION definition;
        memset(&definition, 0, sizeof definition);
        definition.NameOffset = sizeof definition;
        definition.NameLength = nameBytes;
        definition.ByteLength = Align8(static_cast<DWORD>(sizeof definition) + nameBytes);
        definition.UniqueID = PERF_NO_UNIQUE_ID;
        Put(block, start, &definition, sizeof definition);
        PutWideName(block, start + sizeof definition, instance.name, definition.ByteLength - sizeof definition);

        size_t counterStart = start + definition.ByteLength;
        BYTE counterBlock[kCounterBlockSize];
        memset(counterBlock, 0, sizeof counterBlock);
        DWORD length = kCounterBlockSize;
        memcpy(counterBlock, &length, sizeof length);
        memcpy(counterBlock + 16, &instance.id, sizeof instance.id);
        Put(block, counterStart, counterBlock, sizeof counterBlock);
    }
    DWORD total = static_cast<DWORD>(block->size() - objectStart);
    memcpy(block->data() + objectStart + offsetof(PERF_OBJECT_TYPE, TotalByteLength), &total, sizeof total);
}

}  // namespace

std::vector<BYTE> Processes::BuildPerformanceBlock(const std::string& valueName) const {
    std::vector<BYTE> block;
    PERF_DATA_BLOCK header;
    memset(&header, 0, sizeof header);
    const char signature[] = "PERF";
    for (int i = 0; i < 4; ++i) header.Signature[i] = static_cast<WCHAR>(signature[i]);
    header.LittleEndian = 1;
    header.Version = 1;
    header.Revision = 1;
    header.DefaultObject = static_cast<LONG>(performance.processObjectIndex);
    header.PerfFreq.QuadPart = 3579545;
    header.PerfTime.QuadPart = static_cast<LONGLONG>(TheMachine().clock.nowMs) * 3579;
    header.PerfTime100nSec.QuadPart = static_cast<LONGLONG>(TheMachine().clock.nowMs) * 10000;
    DWORD nameBytes = static_cast<DWORD>(sizeof kSystemName * sizeof(WCHAR));
    header.SystemNameOffset = sizeof header;
    header.SystemNameLength = nameBytes;
    header.HeaderLength = Align8(static_cast<DWORD>(sizeof header) + nameBytes);
    Put(&block, 0, &header, sizeof header);
    PutWideName(&block, sizeof header, kSystemName, header.HeaderLength - sizeof header);

    if (!performance.noObjects && AsksForProcesses(valueName, performance.processObjectIndex)) {
        std::vector<Instance> instances;
        if (performance.withIdleAndTotal) instances.push_back({"Idle", 0});
        for (const SimProcess& process : table_)
            if (process.running) instances.push_back({InstanceNameOf(process), process.id});
        if (performance.withIdleAndTotal) instances.push_back({"_Total", 0});
        AppendProcessObject(&block, performance, instances);
        header.NumObjectTypes = 1;
    }
    header.TotalByteLength = static_cast<DWORD>(block.size());
    Put(&block, 0, &header, sizeof header);
    return block;
}

LONG QueryPerformanceData(const char* valueName, DWORD* type, BYTE* data, DWORD* size) {
    Machine& m = TheMachine();
    PerformanceDataOptions& options = m.processes.performance;
    if (size == nullptr && data != nullptr) return ERROR_INVALID_PARAMETER;
    if (OnWindows9x()) return kBadKey;
    ++options.queries;
    options.querySizes.push_back(size ? *size : 0);
    DWORD error = 0;
    if (InjectedWithError("QueryPerformanceData", valueName, &error)) return static_cast<LONG>(error);
    std::vector<BYTE> built;
    if (!options.useRawBlock) built = m.processes.BuildPerformanceBlock(valueName ? valueName : "");
    const std::vector<BYTE>& block = options.useRawBlock ? options.rawBlock : built;
    if (data == nullptr || size == nullptr || *size < block.size()) {
        if (size != nullptr) {
            if (options.sizeOnMoreData == PerformanceDataOptions::kSizeZero) *size = 0;
            if (options.sizeOnMoreData == PerformanceDataOptions::kSizeNeeded) *size = static_cast<DWORD>(block.size());
        }
        return ERROR_MORE_DATA;
    }
    if (!block.empty()) memcpy(data, block.data(), block.size());
    *size = static_cast<DWORD>(block.size());
    if (type != nullptr) *type = kBinaryType;
    return ERROR_SUCCESS;
}

std::string EnglishCounterNames(const PerformanceDataOptions& options) {
    const std::pair<DWORD, const char*> names[] = {
        {1, "1847"},
        {2, "System"},
        {4, "Memory"},
        {kProcessorTimeIndex, "% Processor Time"},
        {options.processObjectIndex, "Process"},
        {232, "Thread"},
        {kThreadCountIndex, "Thread Count"},
        {options.idCounterIndex, "ID Process"},
        {kCreatingProcessIdIndex, "Creating Process ID"},
    };
    std::string text;
    for (const auto& name : names) {
        text += std::to_string(name.first);
        text.push_back('\0');
        text += name.second;
        text.push_back('\0');
    }
    text.push_back('\0');
    return text;
}

}  // namespace winsim
