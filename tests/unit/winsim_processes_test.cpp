// The simulated processes, libraries, services and code pages: what the
// conformance suite cannot reach on Wine (the 9x view, denied opens,
// processes that refuse or survive, services that take time to stop).
#include <cstring>

#include "test_machine.h"

namespace {

class WinsimProcessTest : public MachineTest {
protected:
    void SetUp() override {
        MachineTest::SetUp();
        MapDrive('C');
        MakeFolder("C:\\apps");
        MakeFile("C:\\apps\\tool.exe");
    }
    std::vector<std::string> SnapshotNames(CallSite caller = CallSite()) {
        ::testing::ScopedTrace trace(caller.file, caller.line, "called from here");
        std::vector<std::string> names;
        HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
        PROCESSENTRY32 entry;
        memset(&entry, 0xbd, sizeof entry);
        entry.dwSize = sizeof entry;
        for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry))
            names.push_back(entry.szExeFile);
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_FILES));
        CloseHandle(snapshot);
        return names;
    }
};

TEST_F(WinsimProcessTest, ToolhelpShowsTheFullPathOn9xAndTheFileNameOnNt) {
    machine().processes.Start("C:\\apps\\tool.exe");
    // The program's own process is always there, first.
    winsim::SetWindows98();
    EXPECT_EQ(SnapshotNames(), (std::vector<std::string>{winsim::kOwnImagePath, "C:\\apps\\tool.exe"}));
    winsim::SetWindowsXp();
    EXPECT_EQ(SnapshotNames(), (std::vector<std::string>{"BRUVANE.EXE", "tool.exe"}));
    EXPECT_EQ(machine().processes.Table().back().imagePath, "C:\\apps\\tool.exe");  // the table keeps the path
}

TEST_F(WinsimProcessTest, ToolhelpNeedsTheFullEntrySizeAndKeepsItsSnapshot) {
    machine().processes.Start("C:\\apps\\tool.exe");
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    machine().processes.Start("C:\\apps\\later.exe");  // not in the snapshot
    PROCESSENTRY32 entry;
    memset(&entry, 0, sizeof entry);
    entry.dwSize = 295;
    EXPECT_FALSE(Process32First(snapshot, &entry));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    entry.dwSize = 296;
    EXPECT_TRUE(Process32First(snapshot, &entry));  // the program itself
    EXPECT_TRUE(Process32Next(snapshot, &entry));
    EXPECT_STREQ(entry.szExeFile, "tool.exe");
    EXPECT_FALSE(Process32Next(snapshot, &entry));
    CloseHandle(snapshot);
}

TEST_F(WinsimProcessTest, EnumProcessesFillsOnlyWhatTheBufferHolds) {
    for (int i = 0; i < 1100; ++i) machine().processes.Start("C:\\apps\\tool.exe");
    std::vector<DWORD> ids(1100, 0xbdbdbdbd);
    DWORD bytes = 0;
    ASSERT_TRUE(EnumProcesses(ids.data(), 4096, &bytes));
    EXPECT_EQ(bytes, 4096u);
    EXPECT_EQ(ids[1023], machine().processes.Table()[1023].id);
    EXPECT_EQ(ids[1024], 0xbdbdbdbdu);  // nothing written past the buffer
}

TEST_F(WinsimProcessTest, OpenProcessRightsAndTheDebugPrivilege) {
    winsim::SimProcess& plain = machine().processes.Start("C:\\apps\\tool.exe");
    winsim::SimProcess& system = machine().processes.Start("C:\\apps\\tool.exe");
    system.needsDebugPrivilege = true;
    winsim::SimProcess& locked = machine().processes.Start("C:\\apps\\tool.exe");
    locked.neverOpens = true;
    struct Row {
        DWORD id;
        bool privilege;
        DWORD error;  // 0: opens
    } rows[] = {
        {plain.id, false, 0},  // control
        {system.id, false, ERROR_ACCESS_DENIED},
        {system.id, true, 0},
        {locked.id, true, ERROR_ACCESS_DENIED},
        {0, true, ERROR_INVALID_PARAMETER},
        {4444, true, ERROR_INVALID_PARAMETER},
    };
    for (const Row& row : rows) {
        machine().security.enabled.clear();
        if (row.privilege) machine().security.enabled.push_back("SeDebugPrivilege");
        SetLastError(0xdeadbeef);
        HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, row.id);
        EXPECT_EQ(process == nullptr, row.error != 0) << row.id;
        if (process == nullptr) {
            EXPECT_EQ(GetLastError(), row.error) << row.id;
        } else {
            CloseHandle(process);
        }
    }
    // The 9x family has no security at all.
    winsim::SetWindows98();
    machine().security.enabled.clear();
    HANDLE process = OpenProcess(PROCESS_TERMINATE | PROCESS_QUERY_INFORMATION, FALSE, system.id);
    EXPECT_NE(process, nullptr);
    CloseHandle(process);
}

TEST_F(WinsimProcessTest, ModuleNameNeedsQueryAndReadAndIsCutToTheBuffer) {
    winsim::SimProcess& process = machine().processes.Start("C:\\apps\\tool.exe");
    HANDLE terminateOnly = OpenProcess(PROCESS_TERMINATE, FALSE, process.id);
    char name[260];
    EXPECT_EQ(GetModuleFileNameExA(terminateOnly, nullptr, name, sizeof name), 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    CloseHandle(terminateOnly);

    HANDLE reader = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, process.id);
    EXPECT_EQ(GetModuleFileNameExA(reader, nullptr, name, sizeof name), 16u);
    EXPECT_STREQ(name, "C:\\apps\\tool.exe");
    memset(name, 'x', sizeof name);
    // Measured on Wine: cut, terminated, and the buffer size returned.
    EXPECT_EQ(GetModuleFileNameExA(reader, nullptr, name, 8), 8u);
    EXPECT_STREQ(name, "C:\\apps");
    EXPECT_EQ(name[8], 'x');
    CloseHandle(reader);
}

TEST_F(WinsimProcessTest, TerminationEndsRefusesSurvivesOrWaitsForTheService) {
    winsim::Processes& processes = machine().processes;
    winsim::SimProcess& ends = processes.Start("C:\\apps\\tool.exe");
    winsim::SimProcess& refuses = processes.Start("C:\\apps\\tool.exe");
    refuses.refusesTermination = true;
    winsim::SimProcess& survives = processes.Start("C:\\apps\\tool.exe");
    survives.survivesTerminations = 1;
    winsim::SimProcess& service = processes.Start("C:\\apps\\tool.exe");
    service.service = "tool";
    struct Row {
        winsim::SimProcess* process;
        BOOL first;
        bool runningAfterFirst;
        BOOL second;
    } rows[] = {
        {&ends, TRUE, false, FALSE},  // control: gone, the second open fails
        {&refuses, FALSE, true, FALSE},
        {&survives, TRUE, true, TRUE},
        {&service, FALSE, true, FALSE},
    };
    for (const Row& row : rows) {
        HANDLE handle = OpenProcess(PROCESS_TERMINATE | PROCESS_QUERY_INFORMATION, FALSE, row.process->id);
        EXPECT_EQ(TerminateProcess(handle, 0), row.first) << row.process->id;
        CloseHandle(handle);
        EXPECT_EQ(row.process->running, row.runningAfterFirst) << row.process->id;
        handle = OpenProcess(PROCESS_TERMINATE | PROCESS_QUERY_INFORMATION, FALSE, row.process->id);
        EXPECT_EQ(handle != nullptr && TerminateProcess(handle, 0), row.second) << row.process->id;
        if (handle) CloseHandle(handle);
    }
    // A handle without the terminate right never terminates.
    winsim::SimProcess& other = processes.Start("C:\\apps\\tool.exe");
    HANDLE reader = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, other.id);
    EXPECT_FALSE(TerminateProcess(reader, 0));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    CloseHandle(reader);
    EXPECT_EQ(machine().handles.OpenCount(), 0u);
}

TEST_F(WinsimProcessTest, HeldFilesCannotBeDeletedUntilTheProcessEnds) {
    MakeFile("C:\\apps\\data.bin");
    winsim::SimProcess& process = machine().processes.Start("C:\\apps\\tool.exe");
    machine().processes.Hold(process.id, "C:\\apps\\data.bin");
    EXPECT_FALSE(DeleteFileA("C:\\apps\\tool.exe"));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    EXPECT_FALSE(DeleteFileA("C:\\apps\\data.bin"));
    HANDLE handle = OpenProcess(PROCESS_TERMINATE, FALSE, process.id);
    ASSERT_TRUE(TerminateProcess(handle, 7));
    DWORD code = 0;
    EXPECT_TRUE(GetExitCodeProcess(handle, &code));
    EXPECT_EQ(code, 7u);
    EXPECT_EQ(WaitForSingleObject(handle, 0), static_cast<DWORD>(WAIT_OBJECT_0));
    CloseHandle(handle);
    EXPECT_TRUE(DeleteFileA("C:\\apps\\tool.exe"));
    EXPECT_TRUE(DeleteFileA("C:\\apps\\data.bin"));
}

TEST_F(WinsimProcessTest, LibrariesAndFunctionsFollowThePlatform) {
    struct Row {
        void (*platform)();
        const char* library;
        const char* function;
        bool present;
    } rows[] = {
        {winsim::SetWindowsXp, "psapi.dll", "EnumProcesses", true},  // control
        {winsim::SetWindowsXp, "Kernel32.dll", "CreateToolhelp32Snapshot", true},
        {winsim::SetWindows98, "Kernel32.dll", "Process32Next", true},
        {winsim::SetWindows98, "psapi.dll", "EnumProcesses", false},
        {winsim::SetNt4, "Kernel32.dll", "CreateToolhelp32Snapshot", false},
        {winsim::SetNt4, "psapi.dll", "GetModuleFileNameExA", true},
        {winsim::SetWindowsXp, "psapi.dll", "getmodulefilenameexa", false},  // names are case-sensitive
    };
    for (const Row& row : rows) {
        row.platform();
        HMODULE library = LoadLibraryA(row.library);
        FARPROC function = library ? GetProcAddress(library, row.function) : nullptr;
        EXPECT_EQ(function != nullptr, row.present) << row.library << " " << row.function;
    }
    winsim::SetWindowsXp();
    machine().faults.Fail("LoadLibraryA", ERROR_MOD_NOT_FOUND, "psapi.dll");
    machine().faults.Fail("GetProcAddress", ERROR_PROC_NOT_FOUND, "Process32First");
    EXPECT_EQ(LoadLibraryA("psapi.dll"), nullptr);
    EXPECT_EQ(GetProcAddress(LoadLibraryA("Kernel32.dll"), "Process32First"), nullptr);
    EXPECT_NE(GetProcAddress(LoadLibraryA("Kernel32.dll"), "Process32Next"), nullptr);
}

TEST_F(WinsimProcessTest, ServiceStopScriptsEndTheServiceProcesses) {
    winsim::SimService& service = machine().processes.AddService("Tool");
    service.afterStop = {SERVICE_STOP_PENDING, SERVICE_STOP_PENDING, SERVICE_STOPPED};
    winsim::SimProcess& process = machine().processes.Start("C:\\apps\\tool.exe");
    process.service = "tool";
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    ASSERT_NE(manager, nullptr);
    EXPECT_EQ(OpenServiceA(manager, "nothing", SERVICE_ALL_ACCESS), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SERVICE_DOES_NOT_EXIST));
    SC_HANDLE queryOnly = OpenServiceA(manager, "TOOL", SERVICE_QUERY_STATUS);
    SERVICE_STATUS status;
    EXPECT_FALSE(ControlService(queryOnly, SERVICE_CONTROL_STOP, &status));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    CloseServiceHandle(queryOnly);

    SC_HANDLE handle = OpenServiceA(manager, "tool", SERVICE_ALL_ACCESS);
    ASSERT_TRUE(ControlService(handle, SERVICE_CONTROL_STOP, &status));
    EXPECT_EQ(status.dwCurrentState, static_cast<DWORD>(SERVICE_STOP_PENDING));
    EXPECT_FALSE(ControlService(handle, SERVICE_CONTROL_STOP, &status));  // already stopping
    ASSERT_TRUE(QueryServiceStatus(handle, &status));
    EXPECT_EQ(status.dwCurrentState, static_cast<DWORD>(SERVICE_STOP_PENDING));
    EXPECT_TRUE(process.running);
    ASSERT_TRUE(QueryServiceStatus(handle, &status));
    EXPECT_EQ(status.dwCurrentState, static_cast<DWORD>(SERVICE_STOPPED));
    EXPECT_FALSE(process.running);
    EXPECT_FALSE(ControlService(handle, SERVICE_CONTROL_STOP, &status));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SERVICE_NOT_ACTIVE));
    CloseServiceHandle(handle);
    CloseServiceHandle(manager);
    EXPECT_EQ(machine().processes.OpenServiceHandles(), 0u);

    winsim::SetWindows98();
    EXPECT_EQ(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CALL_NOT_IMPLEMENTED));
}

TEST_F(WinsimProcessTest, WideCharToMultiByteCountsTheTerminatorAndRefusesSmallBuffers) {
    const WCHAR text[] = {'a', 0xE9, 0x4E2D, 0};
    char out[8];
    memset(out, 'x', sizeof out);
    EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, text, -1, out, sizeof out, nullptr, nullptr), 4);
    EXPECT_EQ(out[0], 'a');
    EXPECT_EQ(static_cast<unsigned char>(out[1]), 0xE9u);
    EXPECT_EQ(out[2], '?');  // not in the code page
    EXPECT_EQ(out[3], '\0');
    EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr), 4);
    EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, text, -1, out, 3, nullptr, nullptr), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
}

}  // namespace
