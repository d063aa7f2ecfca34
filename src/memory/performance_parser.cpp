#include "memory/performance_parser.h"

#include <cstddef>
#include <cstdlib>
#include <cstring>

#include "common/shared_state.h"

namespace {

const DWORD kCounterDefinitionStride = 40;  // definitions are stepped by size, not by ByteLength
static_assert(sizeof(PERF_COUNTER_DEFINITION) == kCounterDefinitionStride, "40-byte counter definitions");
const int kMaxIndexDigits = 10;
const int kNameBufferSize = 260;

// ---- Counter names ----

// The trailing run of decimal digits of a string (at most 10), as text.
bool TrailingDigits(const char* text, size_t length, char out[kIndexTextSize]) {
    size_t start = length;
    while (start > 0 && text[start - 1] >= '0' && text[start - 1] <= '9') --start;
    size_t digits = length - start;
    if (digits == 0 || digits > static_cast<size_t>(kMaxIndexDigits)) return false;
    memcpy(out, text + start, digits);
    out[digits] = '\0';
    return true;
}

// ---- Performance block ----

// A view of the block that answers reads only inside it. Every offset
// is a byte position from the start of the block.
class BlockReader {
public:
    BlockReader(const BYTE* block, DWORD size) : block_(block), size_(size) {}
    DWORD size() const { return size_; }
    bool Fits(DWORD offset, DWORD length) const { return offset <= size_ && length <= size_ - offset; }
    bool Dword(DWORD offset, DWORD* value) const {
        if (!Fits(offset, sizeof(DWORD))) return false;
        memcpy(value, block_ + offset, sizeof(DWORD));
        return true;
    }
    // base + delta, when both stay inside the block.
    bool Step(DWORD base, DWORD delta, DWORD* result) const {
        if (base > size_ || delta > size_ - base) return false;
        *result = base + delta;
        return true;
    }
    // A UTF-16 name at `offset`, WCHAR-aligned and terminated inside the block.
    const WCHAR* WideName(DWORD offset) const {
        if (offset % sizeof(WCHAR) != 0) return nullptr;
        for (DWORD at = offset; Fits(at, sizeof(WCHAR)); at += sizeof(WCHAR)) {
            if (block_[at] == 0 && block_[at + 1] == 0) return reinterpret_cast<const WCHAR*>(block_ + offset);
        }
        return nullptr;
    }
    bool StartsWithSignature() const {
        static const BYTE kSignature[8] = {'P', 0, 'E', 0, 'R', 0, 'F', 0};
        return Fits(0, sizeof kSignature) && memcmp(block_, kSignature, sizeof kSignature) == 0;
    }

private:
    const BYTE* block_;
    DWORD size_;
};

struct ObjectLayout {
    DWORD firstInstance;
    DWORD instanceCount;
    DWORD idOffset;  // of the id counter inside each counter block
};

bool ReadObjectLayout(const BlockReader& reader, DWORD idCounterIndex, ObjectLayout* layout) {
    DWORD objectOffset = 0;
    DWORD objectCount = 0;
    if (!reader.StartsWithSignature()) return false;
    if (!reader.Dword(offsetof(PERF_DATA_BLOCK, HeaderLength), &objectOffset)) return false;
    // Wine answers a valid block without any object.
    if (!reader.Dword(offsetof(PERF_DATA_BLOCK, NumObjectTypes), &objectCount) || objectCount == 0) return false;
    if (!reader.Fits(objectOffset, sizeof(PERF_OBJECT_TYPE))) return false;
    DWORD headerLength = 0;
    DWORD definitionLength = 0;
    DWORD counterCount = 0;
    DWORD instanceCount = 0;
    reader.Dword(objectOffset + offsetof(PERF_OBJECT_TYPE, HeaderLength), &headerLength);
    reader.Dword(objectOffset + offsetof(PERF_OBJECT_TYPE, DefinitionLength), &definitionLength);
    reader.Dword(objectOffset + offsetof(PERF_OBJECT_TYPE, NumCounters), &counterCount);
    reader.Dword(objectOffset + offsetof(PERF_OBJECT_TYPE, NumInstances), &instanceCount);

    DWORD definition = 0;
    if (!reader.Step(objectOffset, headerLength, &definition)) return false;
    bool found = false;
    for (DWORD i = 0; i < counterCount && !found; ++i) {
        DWORD index = 0;
        if (!reader.Fits(definition, kCounterDefinitionStride)) return false;
        reader.Dword(definition + offsetof(PERF_COUNTER_DEFINITION, CounterNameTitleIndex), &index);
        if (index == idCounterIndex) {
            reader.Dword(definition + offsetof(PERF_COUNTER_DEFINITION, CounterOffset), &layout->idOffset);
            found = true;
        }
        definition += kCounterDefinitionStride;
    }
    // Without the id counter no process id can be located.
    if (!found) return false;
    if (!reader.Step(objectOffset, definitionLength, &layout->firstInstance)) return false;
    // Taken unsigned: a negative count becomes the cap.
    layout->instanceCount = instanceCount > static_cast<DWORD>(kMaxTasks) ? kMaxTasks : instanceCount;
    return true;
}

// One instance into `task`; `next` receives the following instance's
// offset. False when anything of it lies outside the block.
bool ReadInstance(const BlockReader& reader, DWORD instance, DWORD idOffset, TaskRecord* task, DWORD* next) {
    DWORD byteLength = 0;
    DWORD nameOffset = 0;
    if (!reader.Fits(instance, sizeof(PERF_INSTANCE_DEFINITION))) return false;
    reader.Dword(instance + offsetof(PERF_INSTANCE_DEFINITION, ByteLength), &byteLength);
    reader.Dword(instance + offsetof(PERF_INSTANCE_DEFINITION, NameOffset), &nameOffset);
    if (byteLength < sizeof(PERF_INSTANCE_DEFINITION)) return false;

    DWORD nameAt = 0;
    if (!reader.Step(instance, nameOffset, &nameAt)) return false;
    const WCHAR* name = reader.WideName(nameAt);
    if (name == nullptr) return false;
    char converted[kNameBufferSize];
    memset(converted, 0, sizeof converted);
    if (WideCharToMultiByte(CP_ACP, 0, name, -1, converted, sizeof converted, nullptr, nullptr) == 0)
        CopyText(task->name, sizeof task->name, "unknown");
    else if (strnlen(converted, sizeof converted) <= static_cast<size_t>(kTaskNameLength))
        CopyText(task->name, sizeof task->name, converted);

    DWORD counterBlock = 0;
    DWORD counterLength = 0;
    DWORD processId = 0;
    if (!reader.Step(instance, byteLength, &counterBlock)) return false;
    if (!reader.Dword(counterBlock, &counterLength) || counterLength < sizeof(PERF_COUNTER_BLOCK)) return false;
    // The id must lie inside its own counter block.
    if (idOffset > counterLength || counterLength - idOffset < sizeof(DWORD)) return false;
    if (!reader.Dword(counterBlock + idOffset, &processId)) return false;
    task->processId = processId == 0 ? kIdleProcessId : processId;
    return reader.Step(counterBlock, counterLength, next);
}

}  // namespace

bool FindProcessCounterIndices(const char* table, DWORD size, char objectIndex[kIndexTextSize],
                               DWORD* idCounterIndex) {
    bool haveObject = false;
    bool haveCounter = false;
    const char* previous = nullptr;
    size_t previousLength = 0;
    DWORD at = 0;
    while (at < size) {
        const char* text = table + at;
        const void* end = memchr(text, '\0', size - at);
        if (end == nullptr) break;  // an unterminated last string ends the table
        size_t length = static_cast<const char*>(end) - text;
        if (length == 0) break;
        char digits[kIndexTextSize];
        if (previous != nullptr && TrailingDigits(previous, previousLength, digits)) {
            if (_stricmp(text, "process") == 0) {
                CopyText(objectIndex, kIndexTextSize, digits);
                haveObject = true;
            } else if (_stricmp(text, "id process") == 0) {
                // At most ten digits, converted without overflow.
                *idCounterIndex = static_cast<DWORD>(strtoul(digits, nullptr, 10));
                haveCounter = true;
            }
        }
        previous = text;
        previousLength = length;
        at += static_cast<DWORD>(length) + 1;
    }
    return haveObject && haveCounter;
}

int ParsePerformanceBlock(const BYTE* block, DWORD size, DWORD idCounterIndex, TaskRecord tasks[kTaskListSize]) {
    memset(tasks, 0, sizeof(TaskRecord) * kTaskListSize);
    BlockReader reader(block, size);
    ObjectLayout layout = {0, 0, 0};
    if (block == nullptr || !ReadObjectLayout(reader, idCounterIndex, &layout)) return 0;
    DWORD instance = layout.firstInstance;
    for (DWORD i = 0; i < layout.instanceCount; ++i) {
        if (!ReadInstance(reader, instance, layout.idOffset, &tasks[i], &instance)) {
            memset(tasks, 0, sizeof(TaskRecord) * kTaskListSize);
            return 0;
        }
    }
    return static_cast<int>(layout.instanceCount);
}
