// The names a process goes by, taken from the path of its executable.
#pragma once

#include <cstddef>

// The part after the last backslash (the whole text without one). A
// double-byte character whose second byte is 0x5C is no backslash.
const char* FileNamePart(const char* path);

// The file name without anything from the last dot on (X.BIN.EXE gives
// X.BIN; a name without a dot stays whole). False when it does not fit
// into `size` bytes.
bool ImageBaseName(const char* imagePath, char* name, size_t size);
