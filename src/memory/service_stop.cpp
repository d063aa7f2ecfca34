#include "memory/service_stop.h"

#include <cstring>

#include "platform/win32.h"

namespace {

// The service is opened with the number the manager gets,
// SC_MANAGER_ALL_ACCESS; as service rights it reads as these, every right
// up to stopping: more than the stop and the status query need.
const DWORD kServiceRights = STANDARD_RIGHTS_REQUIRED | SERVICE_QUERY_CONFIG | SERVICE_CHANGE_CONFIG |
                             SERVICE_QUERY_STATUS | SERVICE_ENUMERATE_DEPENDENTS | SERVICE_START | SERVICE_STOP;
static_assert(kServiceRights == SC_MANAGER_ALL_ACCESS, "the manager's number");
const DWORD kPendingPause = 1000;

// The state after a granted stop request: waits while the service says
// stop pending, but never longer than the cap, since a hung service would
// otherwise hold the scan for good.
DWORD StateAfterStop(SC_HANDLE service, DWORD reportedByStop) {
    DWORD state = reportedByStop;
    SERVICE_STATUS status;
    memset(&status, 0, sizeof status);
    for (int waits = 0; QueryServiceStatus(service, &status); ++waits) {
        state = status.dwCurrentState;
        if (state != SERVICE_STOP_PENDING || waits == kMaxStopPendingWaits) break;
        Sleep(kPendingPause);
    }
    return state;
}

}  // namespace

int StopService(const char* name) {
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    if (manager == nullptr) return 0;
    SC_HANDLE service = OpenServiceA(manager, name, kServiceRights);
    if (service == nullptr) {
        CloseServiceHandle(manager);
        return 0;
    }
    int result = 0;
    SERVICE_STATUS status;
    memset(&status, 0, sizeof status);
    // A service that is already stopped refuses the request: 0 as well.
    if (ControlService(service, SERVICE_CONTROL_STOP, &status))
        result = StateAfterStop(service, status.dwCurrentState) == SERVICE_STOPPED ? 1 : 0;
    CloseServiceHandle(service);
    CloseServiceHandle(manager);
    return result;
}
