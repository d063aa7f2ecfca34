#include "memory/service_stop.h"

#include <cstring>

#include "platform/win32.h"

namespace {

const DWORD kFullAccess = 0xF003F;  // all manager rights; as service rights it includes stop and query
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
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, kFullAccess);
    if (manager == nullptr) return 0;
    SC_HANDLE service = OpenServiceA(manager, name, kFullAccess);
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
