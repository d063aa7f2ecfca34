// Stand-in until the process table builds performance blocks.
#include "winsim/processes.h"

namespace winsim {

LONG QueryPerformanceData(const char*, DWORD*, BYTE*, DWORD*) { return ERROR_FILE_NOT_FOUND; }

}  // namespace winsim
