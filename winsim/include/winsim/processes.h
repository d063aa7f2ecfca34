// The simulated process table, the loadable system libraries, the
// services and the performance data built from the table.
//
// A test starts processes with Start() and shapes how each one behaves;
// the Win32 calls of process_api.h then report them the way each
// enumerator of the platform does: Toolhelp gives the full path on the 9x
// family and the bare file name on NT, psapi gives the full path, the
// performance data gives the file name without its extension.
#pragma once

#include <deque>
#include <map>
#include <string>
#include <vector>

#include "winsim/process_api.h"
#include "winsim/types.h"

namespace winsim {

struct SimProcess {
    DWORD id = 0;
    std::string imagePath;       // full Windows path of the executable
    std::string toolhelpName;    // szExeFile override; empty: by platform
    std::string moduleFileName;  // GetModuleFileNameExA override; empty: imagePath
    bool moduleNameFails = false;  // GetModuleFileNameExA fails (ERROR_PARTIAL_COPY)
    std::string instanceName;    // performance-data override; empty: file name without extension
    bool needsDebugPrivilege = false;  // NT: OpenProcess denied until SeDebugPrivilege is enabled
    bool neverOpens = false;           // OpenProcess denied even with the privilege
    bool refusesTermination = false;   // TerminateProcess fails with access denied
    int survivesTerminations = 0;      // this many TerminateProcess calls succeed but leave it running
    std::string service;               // it runs this service: it ends only when the service stops
    bool running = true;
    DWORD exitCode = STILL_ACTIVE;
    std::vector<std::string> heldHostPaths;  // files it keeps open (share read), its image included
    int terminateCalls = 0;
};

// What a service reports once it has been asked to stop: ControlService
// answers with the first state, each later QueryServiceStatus with the
// next one, and the last state stays. A service whose script reaches
// SERVICE_STOPPED ends its processes.
struct SimService {
    std::string name;
    DWORD state = SERVICE_RUNNING;
    std::vector<DWORD> afterStop = {SERVICE_STOPPED};
    bool refusesStop = false;  // ControlService fails with ERROR_SERVICE_CANNOT_ACCEPT_CTRL
    size_t reported = 0;       // how much of afterStop has been reported
    bool stopRequested = false;
    int stopRequests = 0;
    int queries = 0;
};

// How HKEY_PERFORMANCE_DATA answers.
struct PerformanceDataOptions {
    enum SizeOnMoreData { kSizeZero, kSizeUnchanged, kSizeNeeded };

    DWORD processObjectIndex = 230;  // the English title indices of Windows
    DWORD idCounterIndex = 784;
    bool withIdCounter = true;       // false: the object lacks the "ID Process" counter
    bool withIdleAndTotal = true;    // the "Idle" (id 0) and "_Total" instances Windows adds
    bool noObjects = false;          // a valid block with no object, as Wine answers
    bool overrideInstanceCount = false;
    LONG instanceCount = 0;          // NumInstances written when overridden
    // What the size variable holds after ERROR_MORE_DATA. Windows leaves
    // it undefined; Wine sets it to 0, which is the default here.
    SizeOnMoreData sizeOnMoreData = kSizeZero;
    bool useRawBlock = false;        // answer rawBlock instead of a built block
    std::vector<BYTE> rawBlock;
    int queries = 0;
    std::vector<DWORD> querySizes;   // the buffer size of every query
};

// The program itself: every real process list holds at least the process
// that asks. Its image lies on no test drive, so the scans pass it over.
extern const char kOwnImagePath[];

class Processes {
public:
    Processes() { AddOwnProcess(); }
    // Starts a process from an image; it holds the image open (share read)
    // when the path lies on a mapped drive. Ids are multiples of four.
    SimProcess& Start(const std::string& imagePath);
    SimProcess& StartWithId(DWORD id, const std::string& imagePath);
    SimProcess* Find(DWORD id);
    // The process keeps a file open, so that deleting it fails until it ends.
    void Hold(DWORD id, const std::string& windowsPath);
    // The process ends: its files are released, its id no longer opens.
    void End(DWORD id, DWORD exitCode);
    const std::deque<SimProcess>& Table() const { return table_; }
    size_t RunningCount() const;

    SimService& AddService(const std::string& name);
    SimService* FindService(const std::string& name);
    // A stop script reached SERVICE_STOPPED: the service's processes end.
    void ServiceStopped(SimService& service);

    // The module libraries the program can load; a library or a function
    // can also be made missing through the faults "LoadLibraryA" and
    // "GetProcAddress" with the name as the argument.
    std::map<std::string, int> loadCounts;  // lower-case library name -> loads not yet freed

    PerformanceDataOptions performance;
    // The block for a query of HKEY_PERFORMANCE_DATA (value name as given).
    std::vector<BYTE> BuildPerformanceBlock(const std::string& valueName) const;

    // Service control handles (not kernel handles).
    struct ServiceHandle {
        bool manager;
        std::string service;
        DWORD access;
    };
    std::map<uintptr_t, ServiceHandle> serviceHandles;
    uintptr_t nextServiceHandle = 0x5C0000;
    size_t OpenServiceHandles() const { return serviceHandles.size(); }

    DWORD currentProcessId = 4000;  // what GetCurrentProcessId answers, the own process's id

    // Back to a machine where only the program itself runs.
    void Clear();

private:
    void AddOwnProcess();

    std::deque<SimProcess> table_;  // a deque: references stay valid while processes start
    std::deque<SimService> services_;
    DWORD nextId_ = 1000;
};

// Queries of HKEY_PERFORMANCE_DATA: the registry hands them here, where
// the block is built from the process table. Same contract as
// RegQueryValueExA (ERROR_MORE_DATA when the buffer is too small).
LONG QueryPerformanceData(const char* valueName, DWORD* type, BYTE* data, DWORD* size);

// The English counter names ("Counters" of Perflib\009) for the indices
// the performance data uses: the alternating index and name strings,
// each NUL-terminated, ended by an empty string. A test sets the value.
std::string EnglishCounterNames(const PerformanceDataOptions& options);

}  // namespace winsim
