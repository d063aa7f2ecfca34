// The process table and the kernel32 calls that open, end and wait for
// processes.
#include <cstdio>
#include <cstring>

#include "character_steps.h"
#include "path_translation.h"
#include "winsim/machine.h"
#include "processes_internal.h"

using winsim::TheMachine;

namespace winsim {

const char kOwnImagePath[] = "C:\\BRUVANE\\BRUVANE.EXE";

bool OnWindows9x() { return TheMachine().version.platformId == VER_PLATFORM_WIN32_WINDOWS; }

std::string FileNameOf(const std::string& path) {
    size_t slash = FindLastCharacter(TheMachine().ansiCodePage, path.data(), path.size(), "\\");
    return slash == path.size() ? path : path.substr(slash + 1);
}

std::string IdText(DWORD id) {
    char text[16];
    snprintf(text, sizeof text, "%u", static_cast<unsigned>(id));
    return text;
}

SimProcess* ProcessForHandle(HANDLE handle, DWORD needed) {
    Machine& m = TheMachine();
    ProcessHandleObject* object = m.handles.Get<ProcessHandleObject>(handle);
    if (object == nullptr) {
        m.lastError = ERROR_INVALID_HANDLE;
        return nullptr;
    }
    if ((object->access & needed) != needed) {
        m.lastError = ERROR_ACCESS_DENIED;
        return nullptr;
    }
    SimProcess* process = m.processes.Find(object->id);
    if (process == nullptr) m.lastError = ERROR_INVALID_HANDLE;
    return process;
}

SimProcess& Processes::Start(const std::string& imagePath) {
    DWORD id = nextId_;
    nextId_ += 4;
    return StartWithId(id, imagePath);
}

SimProcess& Processes::StartWithId(DWORD id, const std::string& imagePath) {
    SimProcess process;
    process.id = id;
    process.imagePath = imagePath;
    table_.push_back(process);
    std::string host;
    // A running image cannot be deleted; files outside the mapped drives
    // (a process of the system, say) are simply not tracked.
    if (HostPathOf(imagePath.c_str(), &host) && TheMachine().files.Attributes(host) != INVALID_FILE_ATTRIBUTES) {
        TheMachine().files.NoteOpen(host, FILE_SHARE_READ);
        table_.back().heldHostPaths.push_back(host);
    }
    return table_.back();
}

SimProcess* Processes::Find(DWORD id) {
    // Ids are reused after a process ends: the running one wins.
    SimProcess* ended = nullptr;
    for (auto it = table_.rbegin(); it != table_.rend(); ++it) {
        if (it->id != id) continue;
        if (it->running) return &*it;
        if (ended == nullptr) ended = &*it;
    }
    return ended;
}

void Processes::Hold(DWORD id, const std::string& windowsPath) {
    SimProcess* process = Find(id);
    std::string host;
    if (process == nullptr || !HostPathOf(windowsPath.c_str(), &host)) return;
    TheMachine().files.NoteOpen(host, FILE_SHARE_READ);
    process->heldHostPaths.push_back(host);
}

void Processes::End(DWORD id, DWORD exitCode) {
    SimProcess* process = Find(id);
    if (process == nullptr || !process->running) return;
    process->running = false;
    process->exitCode = exitCode;
    for (const std::string& host : process->heldHostPaths) TheMachine().files.ReleaseOpen(host, FILE_SHARE_READ);
    process->heldHostPaths.clear();
}

size_t Processes::RunningCount() const {
    size_t count = 0;
    for (const SimProcess& process : table_)
        if (process.running) ++count;
    return count;
}

void Processes::AddOwnProcess() {
    // Not through Start: this runs while the machine is being built, and
    // the image is never a file of a test drive.
    SimProcess own;
    own.id = currentProcessId;
    own.imagePath = kOwnImagePath;
    table_.push_back(own);
}

void Processes::Clear() {
    // The file system is cleared on its own, open files included.
    table_.clear();
    services_.clear();
    serviceHandles.clear();
    loadCounts.clear();
    performance = PerformanceDataOptions();
    nextServiceHandle = 0x5C0000;
    currentProcessId = 4000;
    nextId_ = 1000;
    AddOwnProcess();
}

}  // namespace winsim

DWORD GetCurrentProcessId() { return TheMachine().processes.currentProcessId; }

HANDLE OpenProcess(DWORD access, BOOL inheritHandle, DWORD processId) {
    (void)inheritHandle;
    winsim::Machine& m = TheMachine();
    char entry[64];
    snprintf(entry, sizeof entry, "OpenProcess(0x%x,%u)", static_cast<unsigned>(access),
             static_cast<unsigned>(processId));
    m.Log(entry);
    if (winsim::Injected("OpenProcess", winsim::IdText(processId).c_str())) return nullptr;
    winsim::SimProcess* process = m.processes.Find(processId);
    // Windows answers an id that names no process (0, the idle process,
    // included) with ERROR_INVALID_PARAMETER.
    if (processId == 0 || process == nullptr || !process->running) {
        m.lastError = ERROR_INVALID_PARAMETER;
        return nullptr;
    }
    bool denied = process->neverOpens;
    // The 9x family has no security: every process opens.
    if (process->needsDebugPrivilege && !winsim::OnWindows9x() && !m.security.IsEnabled(SE_DEBUG_NAME)) denied = true;
    if (denied) {
        m.lastError = ERROR_ACCESS_DENIED;
        return nullptr;
    }
    return m.handles.Add(std::unique_ptr<winsim::HandleObject>(new winsim::ProcessHandleObject(processId, access)));
}

BOOL TerminateProcess(HANDLE process, UINT exitCode) {
    winsim::Machine& m = TheMachine();
    winsim::SimProcess* target = winsim::ProcessForHandle(process, PROCESS_TERMINATE);
    if (target == nullptr) return FALSE;
    m.Log("TerminateProcess(" + winsim::IdText(target->id) + ")");
    ++target->terminateCalls;
    if (winsim::Injected("TerminateProcess", winsim::IdText(target->id).c_str())) return FALSE;
    if (!target->running) {
        // Windows refuses a process that has already ended (Wine answers TRUE).
        m.lastError = ERROR_ACCESS_DENIED;
        return FALSE;
    }
    if (target->refusesTermination || !target->service.empty()) {
        m.lastError = ERROR_ACCESS_DENIED;
        return FALSE;
    }
    if (target->survivesTerminations > 0) {
        --target->survivesTerminations;
        return TRUE;
    }
    m.processes.End(target->id, exitCode);
    return TRUE;
}

BOOL GetExitCodeProcess(HANDLE process, LPDWORD exitCode) {
    winsim::SimProcess* target = winsim::ProcessForHandle(process, 0);
    if (target == nullptr || exitCode == nullptr) return FALSE;
    *exitCode = target->running ? STILL_ACTIVE : target->exitCode;
    return TRUE;
}

DWORD WaitForSingleObject(HANDLE object, DWORD milliseconds) {
    winsim::Machine& m = TheMachine();
    winsim::SimProcess* target = winsim::ProcessForHandle(object, 0);
    if (target == nullptr) return WAIT_FAILED;
    if (!target->running) return WAIT_OBJECT_0;
    // Nothing else runs in the simulation: an endless wait on a running
    // process would never return, so it fails instead.
    if (milliseconds == INFINITE) {
        m.lastError = ERROR_INVALID_PARAMETER;
        return WAIT_FAILED;
    }
    Sleep(milliseconds);
    return WAIT_TIMEOUT;
}

BOOL CreateProcessA(LPCSTR applicationName, LPSTR commandLine, LPSECURITY_ATTRIBUTES processAttributes,
                    LPSECURITY_ATTRIBUTES threadAttributes, BOOL inheritHandles, DWORD creationFlags,
                    LPVOID environment, LPCSTR currentDirectory, LPSTARTUPINFOA startupInfo,
                    LPPROCESS_INFORMATION processInformation) {
    (void)processAttributes;
    (void)threadAttributes;
    (void)inheritHandles;
    (void)creationFlags;
    (void)environment;
    (void)currentDirectory;
    winsim::Machine& m = TheMachine();
    if (startupInfo == nullptr || processInformation == nullptr) {
        m.lastError = ERROR_INVALID_PARAMETER;
        return FALSE;
    }
    std::string image;
    if (applicationName != nullptr) {
        image = applicationName;
    } else if (commandLine != nullptr) {
        // The first token of the command line, quoted or up to a blank.
        const char* text = commandLine;
        if (*text == '"') {
            const char* end = strchr(text + 1, '"');
            image = end ? std::string(text + 1, end) : std::string(text + 1);
        } else {
            const char* end = strchr(text, ' ');
            image = end ? std::string(text, end) : std::string(text);
        }
    }
    if (winsim::Injected("CreateProcessA", image.c_str())) return FALSE;
    if (image.empty() || GetFileAttributesA(image.c_str()) == INVALID_FILE_ATTRIBUTES) {
        m.lastError = ERROR_FILE_NOT_FOUND;
        return FALSE;
    }
    winsim::SimProcess& process = m.processes.Start(image);
    m.Log("CreateProcessA(" + image + ")");
    processInformation->dwProcessId = process.id;
    processInformation->dwThreadId = process.id + 2;
    processInformation->hProcess = m.handles.Add(
        std::unique_ptr<winsim::HandleObject>(new winsim::ProcessHandleObject(process.id, PROCESS_ALL_ACCESS)));
    processInformation->hThread =
        m.handles.Add(std::unique_ptr<winsim::HandleObject>(new winsim::ThreadHandleObject(process.id)));
    return TRUE;
}
