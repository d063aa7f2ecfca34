// Module-level state shared by the scanning parts. Everything runs on the
// one user-interface thread, so these are plain variables.
#pragma once

#include <cstdint>

#include "platform/win32.h"

struct ScanCountersType {
    int32_t filesScanned;   // raised by the directory walk
    int32_t filesInfected;  // raised by the inspection and the text-signature check
    int32_t filesRemoved;
    int32_t filesRenamed;   // kept, but no statistics line shows it
};

const int kPathBufferSize = 260;

// What the scan does with an infected file: the values of ActionCode.
const int32_t kActionRemove = 100;
const int32_t kActionRename = 101;
const int32_t kActionRemoveToo = 102;  // removes, as kActionRemove does
const int32_t kActionLeave = 103;      // reports the file and leaves it

extern char ScanTarget[260];          // "!:" = every fixed drive, else a folder path
extern HWND MainWindowHandle;         // receiver of the report and status messages
extern int32_t ActionCode;            // one of the kAction codes above; others do nothing
extern unsigned char ScanTerminated;  // the user ended the scan
extern int32_t ScanInProgress;
extern unsigned char StatisticsStarted;
extern int32_t RestartNeeded;           // result of the latest boot-time deletion scheduling
extern unsigned char MemoryStageActive; // single-file walk, detections only recorded
extern unsigned char InfectedFileSeen;
extern int32_t MemoryActionCode;        // non-zero during the acting walk of the memory stage
extern int32_t MemoryRestartNeeded;
extern char LastDetectionName[260];
extern char CurrentFilePath[261];
extern char StartupValueName[128];
extern char ProgramFilesPattern[260];
extern int32_t ProgramFilesPending;
extern int32_t ProgramFilesVisited;
extern int32_t LargeFonts;            // 120 or more logical pixels per inch
extern ScanCountersType ScanCounters;

// Bounded copy: at most size - 1 bytes, always terminated. Returns false
// when the source did not fit (the destination then holds its head).
bool CopyText(char* destination, size_t size, const char* source);
// Bounded append with the same rule.
bool AppendText(char* destination, size_t size, const char* source);
