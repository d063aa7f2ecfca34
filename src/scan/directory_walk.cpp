#include "scan/directory_walk.h"

#include <cstring>

#include "common/ansi_text.h"
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
const char kUnableToScan[] = "     Unable to scan";
const size_t kAliasSize = sizeof(WIN32_FIND_DATAA::cAlternateFileName);

// One walk of one folder (or, in the single-file form, of one file).
struct WalkedFolder {
    const char* pattern;
    int prefixLength;  // the folder part of the pattern; -1 when it holds no '.'
    bool singleFile;
    bool reported;     // its "Unable to scan" line is out: one per folder
};

// Length of the folder part of a pattern: everything before the character
// that precedes its last '.', so "C:\dir\*.*" gives "C:\dir\". -1 when
// the pattern has no '.'. ('.' is never the second byte of a character.)
int FolderPrefixLength(const char* pattern) {
    const char* lastDot = strrchr(pattern, '.');
    if (lastDot == nullptr) return -1;
    if (lastDot == pattern) return 0;
    return static_cast<int>(CharacterStart(pattern, lastDot - 1) - pattern);
}

// The name the walk reaches an entry by. A name the ANSI code page cannot
// spell is listed with a '?' for each character it lacks ('?' is never
// part of a real name, nor the second byte of a character); such a name
// neither opens nor lists, but its 8.3 alias in cAlternateFileName does.
// nullptr when there is no way: no alias, or a name holding a separator,
// which Windows never lists but a foreign file system seen through Wine
// can ("x\..\..\other.exe" would name some other file, a folder "a\.."
// the walk's own folder again and again).
const char* ReachableName(const WIN32_FIND_DATAA& found) {
    const char* name = found.cFileName;
    // Nearly every name holds none of the three: one byte-wise look.
    if (strpbrk(name, "?\\/") == nullptr) return name;
    if (strchr(name, '?') != nullptr) {
        if (found.cAlternateFileName[0] == '\0' || strnlen(found.cAlternateFileName, kAliasSize) == kAliasSize)
            return nullptr;
        name = found.cAlternateFileName;
    }
    // A 0x5C second byte of a double-byte character is no separator.
    return FindFirstOf(name, "\\/") == nullptr ? name : nullptr;
}

// prefix (the first prefixLength bytes of pattern) + name + suffix into a
// 260-byte buffer. False when it would not fit: such entries are reported,
// never truncated into a wrong path.
bool BuildPath(char* out, const char* pattern, int prefixLength, const char* name, const char* suffix) {
    size_t nameLength = strlen(name);
    size_t suffixLength = strlen(suffix);
    size_t total = static_cast<size_t>(prefixLength) + nameLength + suffixLength;
    if (total >= static_cast<size_t>(kPathBufferSize)) return false;
    memcpy(out, pattern, static_cast<size_t>(prefixLength));
    memcpy(out + prefixLength, name, nameLength);
    memcpy(out + prefixLength + nameLength, suffix, suffixLength + 1);
    return true;
}

// "<path>     Unable to scan" for what the walk cannot reach, so that a
// skipped entry or folder never goes unmentioned. The path is formed as
// far as it can be: the first prefixLength bytes of the pattern and the
// name, cut at a character so that the words always fit the line.
void ReportUnreachable(const char* pattern, int prefixLength, const char* name) {
    if (MainWindowHandle == nullptr) return;
    char path[kReportLineSize];
    const size_t room = sizeof path - sizeof kUnableToScan;  // the words and the terminator stay
    size_t used = static_cast<size_t>(prefixLength);
    if (used > room) used = static_cast<size_t>(CharacterStart(pattern, pattern + room) - pattern);
    memcpy(path, pattern, used);
    size_t take = strlen(name);
    if (take > room - used) take = static_cast<size_t>(CharacterStart(name, name + (room - used)) - name);
    memcpy(path + used, name, take);
    path[used + take] = '\0';
    EmitFormattedReportLine("%s%s", path, kUnableToScan);
}

// The folder of a walk whose listing was refused, by its path without the
// final backslash (a drive root keeps it).
void ReportRefusedFolder(WalkedFolder* folder) {
    if (folder->singleFile || folder->reported || folder->prefixLength < 0) return;
    folder->reported = true;
    const char* pattern = folder->pattern;
    int length = folder->prefixLength;
    bool root = length == 3 && pattern[1] == ':';
    if (length > 0 && !root && pattern[length - 1] == '\\' &&
        CharacterStart(pattern, pattern + length - 1) == pattern + length - 1)
        --length;
    ReportUnreachable(folder->pattern, length, "");
}

// A listing that ends with anything but "no (more) entries" missed part of
// its folder.
bool ListingRefused(DWORD error) { return error != ERROR_FILE_NOT_FOUND && error != ERROR_NO_MORE_FILES; }

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
// catch-up of that drive. (':' is never the second byte of a character.)
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

// Ends a listing, reporting the folder when the listing broke off.
void EndListing(WalkedFolder* folder, HANDLE listing) {
    DWORD error = GetLastError();
    FindClose(listing);
    if (ListingRefused(error)) ReportRefusedFolder(folder);
}

// The file pass: every entry of the listing, files handed to the handlers.
// Folders that cannot be reached are the subfolder pass's to report.
// Returns 1 to go on, 0 when terminated, -1 when abandoned.
int FilePass(WalkedFolder* folder) {
    WIN32_FIND_DATAA found;
    HANDLE listing = FindFirstFileA(folder->pattern, &found);
    if (listing == INVALID_HANDLE_VALUE) {
        if (ListingRefused(GetLastError())) ReportRefusedFolder(folder);
        return 1;
    }
    do {
        if (PumpAndCheckTerminated(listing)) return 0;
        char path[kPathBufferSize];
        bool usable = true;
        bool isFile = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
        if (folder->singleFile) {
            usable = CopyText(path, sizeof path, folder->pattern);
        } else {
            if (folder->prefixLength < 0) {
                FindClose(listing);
                return -1;
            }
            const char* name = ReachableName(found);
            usable = name != nullptr && BuildPath(path, folder->pattern, folder->prefixLength, name, "");
            if (!usable && isFile)
                ReportUnreachable(folder->pattern, folder->prefixLength, name ? name : found.cFileName);
        }
        if (usable) {
            ShowEntry(path);
            if (isFile) {
                if (!folder->singleFile) ++ScanCounters.filesScanned;
                OfferToHandlers(path);
            }
        }
        if (PumpAndCheckTerminated(listing)) return 0;
    } while (FindNextFileA(listing, &found));
    EndListing(folder, listing);
    return 1;
}

// The subfolder pass: recurse into every folder but "." and "..".
int SubfolderPass(WalkedFolder* folder) {
    const char* pattern = folder->pattern;
    char folderPattern[kPathBufferSize];
    const char* lastDot = strrchr(pattern, '.');
    int keep = lastDot ? static_cast<int>(lastDot - pattern) + 1 : static_cast<int>(strlen(pattern));
    if (!BuildPath(folderPattern, pattern, keep, "*", "")) return ScanCounters.filesScanned;
    WIN32_FIND_DATAA found;
    HANDLE listing = FindFirstFileA(folderPattern, &found);
    if (listing == INVALID_HANDLE_VALUE) {
        if (ListingRefused(GetLastError())) ReportRefusedFolder(folder);
        return ScanCounters.filesScanned;
    }
    do {
        if (PumpAndCheckTerminated(listing)) return 0;
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) continue;
        if (strcmp(found.cFileName, ".") == 0 || strcmp(found.cFileName, "..") == 0) continue;
        // Junctions, folder links and mounted folders lead to folders that
        // are walked under their own paths, or back up the tree: following
        // them would inspect and count files again, or never end.
        if (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) continue;
        if (folder->prefixLength < 0) {
            FindClose(listing);
            return -1;
        }
        char subfolder[kPathBufferSize];
        const char* name = ReachableName(found);
        if (name == nullptr || !BuildPath(subfolder, pattern, folder->prefixLength, name, "\\*.*")) {
            ReportUnreachable(pattern, folder->prefixLength, name ? name : found.cFileName);
            continue;
        }
        if (FindInText(subfolder, "\\Program Files\\") != nullptr) ProgramFilesVisited = 1;
        if (WalkDirectory(subfolder) == -1) {
            FindClose(listing);
            return -1;
        }
    } while (FindNextFileA(listing, &found));
    EndListing(folder, listing);
    return ScanCounters.filesScanned;
}

}  // namespace

int WalkDirectory(const char* pattern) {
    InfectedFileSeen = 0;
    WalkedFolder folder = {pattern, -1, MemoryStageActive != 0, false};
    if (!folder.singleFile) folder.prefixLength = FolderPrefixLength(pattern);
    PrepareProgramFiles(pattern);
    int result = FilePass(&folder);
    if (result <= 0) return result;
    // A single file has no subfolders; its "name.*" pattern would only
    // build a meaningless path, so that pass is skipped.
    if (folder.singleFile) return ScanCounters.filesScanned;
    return SubfolderPass(&folder);
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

// Head and tail are cut at characters: a double-byte character that would
// be split at either end gives its place to one more '.', so a cut result
// is still exactly `limit` bytes.
void AbbreviatePath(const char* source, char* destination, int16_t limit) {
    int effectiveLimit = limit > kAbbreviateWorkSize ? kAbbreviateWorkSize : limit;
    size_t length = strnlen(source, kAbbreviateBufferSize - 1);
    int keep = effectiveLimit / 2 - 1;
    if (static_cast<long>(length) > effectiveLimit && keep > 0) {
        char work[kAbbreviateWorkSize];
        memset(work, '.', sizeof work);
        const char* headEnd = CharacterStart(source, source + keep);
        memcpy(work, source, static_cast<size_t>(headEnd - source));
        const char* end = source + length;
        const char* tail = end - keep;
        const char* holder = CharacterStart(source, tail);
        if (holder != tail) tail = NextCharacter(holder);
        // Only the first 511 bytes of a longer source are looked at, and a
        // character may cross that end: then no tail is kept at all.
        if (tail > end) tail = end;
        size_t tailLength = static_cast<size_t>(end - tail);
        memcpy(work + effectiveLimit - tailLength, tail, tailLength);
        memcpy(destination, work, static_cast<size_t>(effectiveLimit));
        destination[effectiveLimit] = '\0';
        return;
    }
    memcpy(destination, source, length);
    destination[length] = '\0';
}
