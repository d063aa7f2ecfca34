// The one header through which the core reaches the platform: the Win32
// API and the runtime library's calls, by their own names. The target
// build sees the real headers; the host build sees winsim, which declares
// the same names with the same widths.
#pragma once

#if defined(_WIN32)
#include <windows.h>
#include <fcntl.h>
#include <io.h>
#include <psapi.h>
#include <sys/stat.h>
#include <tlhelp32.h>
#include <winperf.h>
#include <winsvc.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#else
#include "winsim/api.h"
#endif
