#include "scan/directory_walk.h"

#include <cstring>

#include "common/identity.h"
#include "common/message_dialog.h"
#include "common/report.h"
#include "common/shared_state.h"
#include "detect/file_check.h"
#include "platform/win32.h"

const FileHandlerEntry FileHandlerTable[] = {
    {kFamilyDetectionName, InspectFile},
    {nullptr, nullptr},
};

namespace {

const int kStatusLimit = 60;
const int kAbbreviateBufferSize = 512;
const int kAbbreviateWorkSize = 100;

// Length of the folder part of a pattern: everything before the character
// that precedes its last '.', so "C:\dir\*.*" gives "C:\dir\". -1 when
// the pattern has no '.'.
int FolderPrefixLength(const char* pattern) {
    const char* lastDot = strrchr(pattern, '.');
    if (lastDot == nullptr) return -1;
    int length = static_cast<int>(lastDot - pattern) - 1;
    return length < 0 ? 0 : length;
}

// prefix (the first prefixLength bytes of pattern) + name + suffix into a
// 260-byte buffer. False when it would not fit: such entries are skipped,
// never truncated into a wrong path. Also false for a name holding a path
// separator, which Windows never lists but a foreign file system seen
// through Wine can: "x\..\..\other.exe" would name some other file, and a
// folder "a\.." the walk's own folder again and again.
bool BuildPath(char* out, const char* pattern, int prefixLength, const char* name, const char* suffix) {
    if (strpbrk(name, "\\/") != nullptr) return false;
    size_t nameLength = strlen(name);
    size_t suffixLength = strlen(suffix);
    size_t total = static_cast<size_t>(prefixLength) + nameLength + suffixLength;
    if (total >= static_cast<size_t>(kPathBufferSize)) return false;
    memcpy(out, pattern, static_cast<size_t>(prefixLength));
    memcpy(out + prefixLength, name, nameLength);
    memcpy(out + prefixLength + nameLength, suffix, suffixLength + 1);
    return true;
}

void ShowEntry(const char* path) {
    char source[kAbbreviateBufferSize];
    char shortened[kAbbreviateBufferSize];
    memset(source, 0, sizeof source);
    memset(shortened, 0, sizeof shortened);
    CopyText(source, sizeof source, path);
    AbbreviatePath(source, shortened, kStatusLimit);
    CopyText(StatusPath, sizeof StatusPath, shortened);
    SendStatusPath();
}

void OfferToHandlers(const char* path) {
    for (const FileHandlerEntry* entry = FileHandlerTable; entry->detectionName != nullptr; ++entry)
        if (entry->handler(entry->detectionName, path) != 0) break;
}

// A drive root pattern such as "C:\*.*" prepares the "\Program Files"
// catch-up of that drive.
void PrepareProgramFiles(const char* pattern) {
    if (strlen(pattern) > 6) return;
    CopyText(ProgramFilesPattern, sizeof ProgramFilesPattern, pattern);
    char* colon = strchr(ProgramFilesPattern, ':');
    if (colon == nullptr) return;
    colon[1] = '\0';
    AppendText(ProgramFilesPattern, sizeof ProgramFilesPattern, "\\Program Files");
    if (_access(ProgramFilesPattern, 0) == 0) {
        ProgramFilesPending = 1;
        AppendText(ProgramFilesPattern, sizeof ProgramFilesPattern, "\\*.*");
    }
}

// One message check of the walk; closes the listing when the scan ended.
bool PumpAndCheckTerminated(HANDLE listing) {
    PumpOneMessage();
    if (!ScanTerminated) return false;
    FindClose(listing);
    return true;
}

// The file pass: every entry of the listing, files handed to the handlers.
// Returns 1 to go on, 0 when terminated, -1 when abandoned.
int FilePass(const char* pattern, bool singleFile) {
    WIN32_FIND_DATAA found;
    HANDLE listing = FindFirstFileA(pattern, &found);
    if (listing == INVALID_HANDLE_VALUE) return 1;
    int prefixLength = FolderPrefixLength(pattern);
    do {
        if (PumpAndCheckTerminated(listing)) return 0;
        char path[kPathBufferSize];
        bool usable = true;
        if (singleFile) {
            usable = CopyText(path, sizeof path, pattern);
        } else {
            if (prefixLength < 0) {
                FindClose(listing);
                return -1;
            }
            usable = BuildPath(path, pattern, prefixLength, found.cFileName, "");
        }
        if (usable) {
            ShowEntry(path);
            if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
                if (!singleFile) ++ScanCounters.filesScanned;
                OfferToHandlers(path);
            }
        }
        if (PumpAndCheckTerminated(listing)) return 0;
    } while (FindNextFileA(listing, &found));
    FindClose(listing);
    return 1;
}

// The subfolder pass: recurse into every folder but "." and "..".
int SubfolderPass(const char* pattern) {
    char folderPattern[kPathBufferSize];
    const char* lastDot = strrchr(pattern, '.');
    int keep = lastDot ? static_cast<int>(lastDot - pattern) + 1 : static_cast<int>(strlen(pattern));
    if (!BuildPath(folderPattern, pattern, keep, "*", "")) return ScanCounters.filesScanned;
    WIN32_FIND_DATAA found;
    HANDLE listing = FindFirstFileA(folderPattern, &found);
    if (listing == INVALID_HANDLE_VALUE) return ScanCounters.filesScanned;
    int prefixLength = FolderPrefixLength(pattern);
    do {
        if (PumpAndCheckTerminated(listing)) return 0;
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) continue;
        if (strcmp(found.cFileName, ".") == 0 || strcmp(found.cFileName, "..") == 0) continue;
        // Junctions, folder links and mounted folders lead to folders that
        // are walked under their own paths, or back up the tree: following
        // them would inspect and count files again, or never end.
        if (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) continue;
        if (prefixLength < 0) {
            FindClose(listing);
            return -1;
        }
        char subfolder[kPathBufferSize];
        if (!BuildPath(subfolder, pattern, prefixLength, found.cFileName, "\\*.*")) continue;
        if (strstr(subfolder, "\\Program Files\\") != nullptr) ProgramFilesVisited = 1;
        if (WalkDirectory(subfolder) == -1) {
            FindClose(listing);
            return -1;
        }
    } while (FindNextFileA(listing, &found));
    FindClose(listing);
    return ScanCounters.filesScanned;
}

}  // namespace

int WalkDirectory(const char* pattern) {
    InfectedFileSeen = 0;
    bool singleFile = MemoryStageActive != 0;
    PrepareProgramFiles(pattern);
    int result = FilePass(pattern, singleFile);
    if (result <= 0) return result;
    // A single file has no subfolders; its "name.*" pattern would only
    // build a meaningless path, so that pass is skipped.
    if (singleFile) return ScanCounters.filesScanned;
    return SubfolderPass(pattern);
}

void PumpOneMessage() {
    MSG msg;
    if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) return;
    // Only wParam is looked at: any message carrying the Escape code asks.
    if (LOWORD(msg.wParam) == VK_ESCAPE) {
        if (ShowMessageDialog("Terminate the Scan now?", kProductTitle, kYesNoQuestion) == IDNO) return;
        ScanTerminated = 1;
        return;
    }
    if (msg.message == WM_QUIT || msg.message == WM_DESTROY) {
        ScanTerminated = 1;
        return;
    }
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
}

void AbbreviatePath(const char* source, char* destination, int16_t limit) {
    int effectiveLimit = limit > kAbbreviateWorkSize ? kAbbreviateWorkSize : limit;
    size_t length = strnlen(source, kAbbreviateBufferSize - 1);
    int keep = effectiveLimit / 2 - 1;
    if (static_cast<long>(length) > effectiveLimit && keep > 0) {
        char work[kAbbreviateWorkSize];
        memset(work, '.', sizeof work);
        memcpy(work, source, static_cast<size_t>(keep));
        memcpy(work + effectiveLimit - keep, source + length - keep, static_cast<size_t>(keep));
        memcpy(destination, work, static_cast<size_t>(effectiveLimit));
        destination[effectiveLimit] = '\0';
        return;
    }
    memcpy(destination, source, length);
    destination[length] = '\0';
}
