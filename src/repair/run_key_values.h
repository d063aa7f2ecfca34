// The walk over one startup key for values that start the infected file.
#pragma once

#include "platform/win32.h"

// Deletes every value of a startup key whose command starts the file in
// CurrentFilePath, and remembers the matched name in StartupValueName.
void CleanRunKeyValues(HKEY root, const char* keyPath);
