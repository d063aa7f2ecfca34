#include "memory/process_names.h"

#include <cstring>

#include "common/shared_state.h"

const char* FileNamePart(const char* path) {
    const char* slash = strrchr(path, '\\');
    return slash ? slash + 1 : path;
}

bool ServiceNameOf(const char* imagePath, char* name, size_t size) {
    if (!CopyText(name, size, FileNamePart(imagePath))) return false;
    char* dot = strrchr(name, '.');
    if (dot != nullptr) *dot = '\0';
    return true;
}
