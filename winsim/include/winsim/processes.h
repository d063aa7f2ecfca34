// The simulated process table and the services.
#pragma once

#include "winsim/types.h"

namespace winsim {

class Processes {
public:
    void Clear() {}
};

// Queries of HKEY_PERFORMANCE_DATA: the registry hands them here, where
// the block is built from the process table. Same contract as
// RegQueryValueExA (ERROR_MORE_DATA with the needed size when too small).
LONG QueryPerformanceData(const char* valueName, DWORD* type, BYTE* data, DWORD* size);

}  // namespace winsim
