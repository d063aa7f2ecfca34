// Environment strings and the system folder.
#pragma once

#include "winsim/types.h"

DWORD ExpandEnvironmentStringsA(LPCSTR source, LPSTR destination, DWORD size);
UINT GetSystemDirectoryA(LPSTR buffer, UINT size);
