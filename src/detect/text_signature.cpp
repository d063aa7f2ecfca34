// The text-signature check on one file, and what it does with a match.
// Unlike an infected executable, a matching file is simply deleted: no
// attribute reset, no process termination, no deletion at the next start.
#include <cstring>

#include "common/report.h"
#include "common/shared_state.h"
#include "detect/renamed_path.h"
#include "detect/text_signature.h"
#include "platform/win32.h"
#include "repair/uninstall_entries.h"

namespace {

void RemoveMatchedFile(const char* path) {
    if (DeleteFileA(path)) {
        ++ScanCounters.filesRemoved;
        RemoveUninstallEntries();
        EmitFormattedReportLine("%s     %s removed", path, TextSignatureMatchedName);
    } else {
        EmitFormattedReportLine("%s     %s Remove failed", path, TextSignatureMatchedName);
    }
}

void RenameMatchedFile(const char* path) {
    char renamed[kPathBufferSize];
    if (MakeRenamedPath(path, renamed, sizeof renamed) && MoveFileA(path, renamed)) {
        ++ScanCounters.filesRenamed;
        EmitFormattedReportLine("%s     %s renamed", path, TextSignatureMatchedName);
    } else {
        EmitFormattedReportLine("%s     %s Rename failed", path, TextSignatureMatchedName);
    }
}

}  // namespace

int CheckTextSignature(const char* name, const char* path) {
    (void)name;  // a match always reports the record's own name
    if (TextSignaturesUnscrambled == 0) {
        TextSignaturesUnscrambled = 1;
        UnscrambleTextSignatures();
    }
    int fd = _open(path, _O_RDONLY | _O_BINARY);
    if (fd == -1) return 0;
    int matched = MatchTextSignature(fd);
    if (matched) {
        CopyText(LastDetectionName, sizeof LastDetectionName, TextSignatureMatchedName);
        CopyText(StatusPath, sizeof StatusPath, path);
    }
    _close(fd);
    if (!matched) return 0;

    switch (ActionCode) {
    case kActionRemove:
    case kActionRemoveToo:
        RemoveMatchedFile(path);
        break;
    case kActionRename:
        RenameMatchedFile(path);
        break;
    case kActionLeave:
        EmitFormattedReportLine("%s     %s Not Disinfected As Per User's Selection", StatusPath, LastDetectionName);
        break;
    default:
        break;
    }
    return 1;
}
