#include "common/shared_state.h"

#include <cstring>

char ScanTarget[260];
HWND MainWindowHandle;
int32_t ActionCode;
unsigned char ScanTerminated;
int32_t ScanInProgress;
unsigned char StatisticsStarted;
int32_t RestartNeeded;
// Starts at 1; the memory stage clears it before any drive is walked.
unsigned char MemoryStageActive = 1;
unsigned char InfectedFileSeen;
int32_t MemoryActionCode;
int32_t MemoryRestartNeeded;
char LastDetectionName[260];
char CurrentFilePath[261];
char StartupValueName[128];
char ProgramFilesPattern[260];
int32_t ProgramFilesPending;
int32_t ProgramFilesVisited;
int32_t LargeFonts;
ScanCountersType ScanCounters;

bool CopyText(char* destination, size_t size, const char* source) {
    if (size == 0) return false;
    size_t length = strlen(source);
    bool fits = length < size;
    size_t count = fits ? length : size - 1;
    memmove(destination, source, count);
    destination[count] = '\0';
    return fits;
}

bool AppendText(char* destination, size_t size, const char* source) {
    size_t used = strnlen(destination, size);
    if (used >= size) return false;
    return CopyText(destination + used, size - used, source);
}
