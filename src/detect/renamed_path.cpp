#include "detect/renamed_path.h"

#include <cstring>

#include "common/ansi_text.h"
#include "common/shared_state.h"

bool MakeRenamedPath(const char* path, char* renamed, size_t size) {
    if (!CopyText(renamed, size, path)) return false;
    // '.' is never the second byte of a character: a byte search is exact.
    char* lastDot = strrchr(renamed, '.');
    if (lastDot == nullptr) return true;
    char* after = lastDot + 1;
    if (*after == '\0') return AppendText(renamed, size, "V");
    // The whole character gives way to the 'V', never only its first byte:
    // a lone second byte could be a '\' and move the file elsewhere.
    const char* next = NextCharacter(after);
    *after = 'V';
    memmove(after + 1, next, strlen(next) + 1);
    return true;
}
