#include "memory/process_names.h"

#include <cstring>

#include "common/ansi_text.h"
#include "common/shared_state.h"

const char* FileNamePart(const char* path) {
    const char* slash = FindLastOf(path, "\\");
    return slash ? slash + 1 : path;
}

bool ImageBaseName(const char* imagePath, char* name, size_t size) {
    if (!CopyText(name, size, FileNamePart(imagePath))) return false;
    // '.' is never the second byte of a character: a byte search is exact.
    char* dot = strrchr(name, '.');
    if (dot != nullptr) *dot = '\0';
    return true;
}
