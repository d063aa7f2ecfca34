// The name a detected file is renamed to when the action is "rename".
#pragma once

#include <cstddef>

// setup.exe becomes setup.Vxe: the character after the last '.' of the
// whole path turns into 'V' (a double-byte character as a whole). A path ending in '.' gets the 'V' appended
// (never a write over its terminator); a path without '.' stays as it is.
// False when the result does not fit `size` bytes.
bool MakeRenamedPath(const char* path, char* renamed, size_t size);
