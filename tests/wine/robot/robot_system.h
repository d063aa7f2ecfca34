// What the robot asks of the machine rather than of the program's
// windows: running processes, names as the ANSI code page spells them.
#pragma once

#include <windows.h>

#include <string>

// The id of the first running process whose image file is named `name`
// (case-insensitive), 0 when none runs. Toolhelp gives the bare name
// under Wine and the full path on Windows 9x: only the file name counts.
DWORD FindProcessNamed(const char* name);
// True when the process `id` runs an image named `name`.
bool ProcessRuns(const char* name, DWORD id);
// The short (8.3) form of `path`, every component as Windows makes it, in
// the ANSI code page: the path a program reaches it by when its long
// name has characters the code page lacks. Empty when it does not exist.
std::string ShortPathInAnsi(const wchar_t* path);
