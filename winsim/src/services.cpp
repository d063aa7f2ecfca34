// The service control manager: services with scripted stop sequences.
// Service handles are not kernel handles; CloseServiceHandle closes them.
#include <strings.h>

#include "winsim/machine.h"
#include "processes_internal.h"

using winsim::TheMachine;

namespace winsim {

SimService& Processes::AddService(const std::string& name) {
    SimService service;
    service.name = name;
    services_.push_back(service);
    return services_.back();
}

SimService* Processes::FindService(const std::string& name) {
    // Service names ignore case, as on Windows.
    for (SimService& service : services_)
        if (strcasecmp(service.name.c_str(), name.c_str()) == 0) return &service;
    return nullptr;
}

void Processes::ServiceStopped(SimService& service) {
    for (SimProcess& process : table_)
        if (process.running && strcasecmp(process.service.c_str(), service.name.c_str()) == 0) End(process.id, 0);
}

}  // namespace winsim

namespace {

winsim::Processes::ServiceHandle* HandleOf(SC_HANDLE handle) {
    winsim::Processes& p = TheMachine().processes;
    auto it = p.serviceHandles.find(reinterpret_cast<uintptr_t>(handle));
    return it == p.serviceHandles.end() ? nullptr : &it->second;
}

SC_HANDLE NewHandle(bool manager, const std::string& service, DWORD access) {
    winsim::Processes& p = TheMachine().processes;
    uintptr_t value = p.nextServiceHandle;
    p.nextServiceHandle += 8;
    p.serviceHandles[value] = {manager, service, access};
    return reinterpret_cast<SC_HANDLE>(value);
}

// The service behind a service handle that carries `needed`.
winsim::SimService* ServiceFor(SC_HANDLE handle, DWORD needed) {
    winsim::Machine& m = TheMachine();
    winsim::Processes::ServiceHandle* h = HandleOf(handle);
    if (h == nullptr || h->manager) {
        m.lastError = ERROR_INVALID_HANDLE;
        return nullptr;
    }
    if ((h->access & needed) != needed) {
        m.lastError = ERROR_ACCESS_DENIED;
        return nullptr;
    }
    winsim::SimService* service = m.processes.FindService(h->service);
    if (service == nullptr) m.lastError = ERROR_INVALID_HANDLE;
    return service;
}

// The next state of the stop script; reaching "stopped" ends the
// service's processes.
void Advance(winsim::SimService& service) {
    if (service.afterStop.empty()) return;
    size_t index = service.reported < service.afterStop.size() ? service.reported : service.afterStop.size() - 1;
    service.state = service.afterStop[index];
    if (service.reported < service.afterStop.size()) ++service.reported;
    if (service.state == SERVICE_STOPPED) TheMachine().processes.ServiceStopped(service);
}

void Fill(const winsim::SimService& service, LPSERVICE_STATUS status) {
    status->dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    status->dwCurrentState = service.state;
    status->dwControlsAccepted = service.state == SERVICE_RUNNING ? SERVICE_ACCEPT_STOP : 0;
    status->dwWin32ExitCode = 0;
    status->dwServiceSpecificExitCode = 0;
    status->dwCheckPoint = 0;
    status->dwWaitHint = service.state == SERVICE_STOP_PENDING ? 1000 : 0;
}

}  // namespace

SC_HANDLE OpenSCManagerA(LPCSTR machineName, LPCSTR databaseName, DWORD access) {
    winsim::Machine& m = TheMachine();
    m.Log("OpenSCManagerA");
    if (winsim::OnWindows9x()) {
        m.lastError = ERROR_CALL_NOT_IMPLEMENTED;
        return nullptr;
    }
    if ((machineName != nullptr && machineName[0] != '\0') ||
        (databaseName != nullptr && strcasecmp(databaseName, "ServicesActive") != 0)) {
        m.lastError = ERROR_INVALID_PARAMETER;
        return nullptr;
    }
    if (winsim::Injected("OpenSCManagerA")) return nullptr;
    return NewHandle(true, std::string(), access);
}

SC_HANDLE OpenServiceA(SC_HANDLE manager, LPCSTR serviceName, DWORD access) {
    winsim::Machine& m = TheMachine();
    m.Log(std::string("OpenServiceA(") + (serviceName ? serviceName : "") + ")");
    winsim::Processes::ServiceHandle* h = HandleOf(manager);
    if (h == nullptr || !h->manager) {
        m.lastError = ERROR_INVALID_HANDLE;
        return nullptr;
    }
    if (serviceName == nullptr || serviceName[0] == '\0') {
        m.lastError = ERROR_INVALID_NAME;
        return nullptr;
    }
    if (winsim::Injected("OpenServiceA", serviceName)) return nullptr;
    winsim::SimService* service = m.processes.FindService(serviceName);
    if (service == nullptr) {
        m.lastError = ERROR_SERVICE_DOES_NOT_EXIST;
        return nullptr;
    }
    return NewHandle(false, service->name, access);
}

BOOL ControlService(SC_HANDLE handle, DWORD control, LPSERVICE_STATUS status) {
    winsim::Machine& m = TheMachine();
    if (status == nullptr) {
        m.lastError = ERROR_INVALID_PARAMETER;
        return FALSE;
    }
    if (control != SERVICE_CONTROL_STOP) {
        m.lastError = ERROR_INVALID_SERVICE_CONTROL;
        return FALSE;
    }
    winsim::SimService* service = ServiceFor(handle, SERVICE_STOP);
    if (service == nullptr) return FALSE;
    m.Log("ControlService(" + service->name + ")");
    ++service->stopRequests;
    if (winsim::Injected("ControlService", service->name.c_str())) return FALSE;
    if (service->state == SERVICE_STOPPED) {
        m.lastError = ERROR_SERVICE_NOT_ACTIVE;
        return FALSE;
    }
    if (service->refusesStop || service->state == SERVICE_STOP_PENDING) {
        // A second stop request while the first is pending is refused too.
        m.lastError = ERROR_SERVICE_CANNOT_ACCEPT_CTRL;
        return FALSE;
    }
    service->stopRequested = true;
    Advance(*service);
    Fill(*service, status);
    return TRUE;
}

BOOL QueryServiceStatus(SC_HANDLE handle, LPSERVICE_STATUS status) {
    winsim::Machine& m = TheMachine();
    if (status == nullptr) {
        m.lastError = ERROR_INVALID_PARAMETER;
        return FALSE;
    }
    winsim::SimService* service = ServiceFor(handle, SERVICE_QUERY_STATUS);
    if (service == nullptr) return FALSE;
    ++service->queries;
    if (winsim::Injected("QueryServiceStatus", service->name.c_str())) return FALSE;
    if (service->stopRequested) Advance(*service);
    Fill(*service, status);
    return TRUE;
}

BOOL CloseServiceHandle(SC_HANDLE handle) {
    winsim::Machine& m = TheMachine();
    if (m.processes.serviceHandles.erase(reinterpret_cast<uintptr_t>(handle)) == 0) {
        m.lastError = ERROR_INVALID_HANDLE;
        return FALSE;
    }
    return TRUE;
}
