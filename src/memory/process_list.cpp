#include "memory/process_list.h"

#include <cstdlib>
#include <cstring>

bool AppendProcessRecord(ProcessList* list, DWORD processId, const char* reportedPath) {
    ProcessRecord* record = static_cast<ProcessRecord*>(calloc(1, sizeof(ProcessRecord)));
    if (record == nullptr) return false;
    record->processId = processId;
    // The 80 zero bytes behind the copied 260 terminate even a path the
    // system left unterminated.
    memcpy(record->imagePath, reportedPath, kProcessImageUsed);
    if (list->tail == nullptr)
        list->head = record;
    else
        list->tail->next = record;
    list->tail = record;
    return true;
}

void FreeProcessList(ProcessList* list) {
    ProcessRecord* record = list->head;
    while (record != nullptr) {
        ProcessRecord* next = record->next;
        free(record);
        record = next;
    }
    list->head = nullptr;
    list->tail = nullptr;
}
