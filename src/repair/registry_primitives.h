// The three registry operations the repair and the main window use.
// Each opens what it needs, does one thing, closes what it opened.
#pragma once

#include "platform/win32.h"

// 1 when the key was opened, the value deleted and the key closed.
int DeleteRegistryValue(HKEY root, const char* keyPath, const char* valueName);
// 1 when the value's data (any type) was read into `buffer` of `capacity`
// bytes; data larger than the buffer counts as failure.
int ReadRegistryValue(HKEY root, const char* keyPath, const char* valueName, char* buffer, DWORD capacity);
// 1 when the key below HKEY_LOCAL_MACHINE was deleted (subkeys are not).
int DeleteMachineKey(const char* keyPath);
