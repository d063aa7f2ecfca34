#include "detect/renamed_path.h"

#include <cstring>

#include "common/shared_state.h"

bool MakeRenamedPath(const char* path, char* renamed, size_t size) {
    if (!CopyText(renamed, size, path)) return false;
    char* lastDot = strrchr(renamed, '.');
    if (lastDot == nullptr) return true;
    if (lastDot[1] != '\0') {
        lastDot[1] = 'V';
        return true;
    }
    return AppendText(renamed, size, "V");
}
