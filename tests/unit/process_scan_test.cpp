// The process scans of the memory stage: which images they walk, the
// debug privilege, and what missing system functions do.
#include <algorithm>
#include <string>
#include <vector>

#include "common/shared_state.h"
#include "memory/psapi_processes.h"
#include "memory/toolhelp_processes.h"
#include "test_machine.h"

namespace {

class ProcessScanTest : public MachineTest {
protected:
    void SetUp() override {
        MachineTest::SetUp();
        MapDrive('C');
        MakeFolder("C:\\bin");
        MemoryStageActive = 1;  // as the memory stage runs the scans
        ActionCode = kActionRemove;
    }
    winsim::SimProcess& Run(const std::string& path) {
        MakeFile(path, "MZ");
        return machine().processes.Start(path);
    }
    // The images the walk was shown, in order.
    std::vector<std::string> Walked() {
        std::vector<std::string> walked;
        for (const std::string& status : statuses())
            if (std::find(walked.begin(), walked.end(), status) == walked.end()) walked.push_back(status);
        return walked;
    }
};

TEST_F(ProcessScanTest, PsapiWalksEveryReadableImageInIdOrder) {
    Run("C:\\bin\\one.exe");
    machine().processes.Start("C:\\bin\\gone.exe");  // its image is not there
    winsim::SimProcess& nameless = Run("C:\\bin\\nameless.exe");
    nameless.moduleNameFails = true;
    Run("C:\\bin\\two.exe");
    EXPECT_EQ(ScanProcessesPsapi(), 0);
    EXPECT_EQ(Walked(), (std::vector<std::string>{"C:\\bin\\one.exe", "C:\\bin\\two.exe"}));
    EXPECT_EQ(ScanCounters.filesScanned, 0);  // single-file walks count nothing
    EXPECT_EQ(machine().handles.OpenCount(), 0u);
}

TEST_F(ProcessScanTest, ADeniedOpenEnablesTheDebugPrivilegeAndOpensAgain) {
    winsim::SimProcess& system = Run("C:\\bin\\system.exe");
    system.needsDebugPrivilege = true;
    Run("C:\\bin\\user.exe");
    EXPECT_EQ(ScanProcessesPsapi(), 0);
    EXPECT_TRUE(machine().security.IsEnabled("SeDebugPrivilege"));
    EXPECT_TRUE(machine().Called("OpenProcessToken(0x28)"));
    EXPECT_EQ(Walked(), (std::vector<std::string>{"C:\\bin\\system.exe", "C:\\bin\\user.exe"}));
    EXPECT_TRUE(machine().ui.messageBoxes.empty());
    EXPECT_EQ(machine().handles.OpenCount(), 0u);  // the token is closed too
}

TEST_F(ProcessScanTest, AnUnopenableTokenShowsFalseTempOncePerDeniedProcess) {
    machine().security.tokenOpenFails = true;
    for (const char* path : {"C:\\bin\\a.exe", "C:\\bin\\b.exe"}) Run(path).needsDebugPrivilege = true;
    Run("C:\\bin\\c.exe");
    EXPECT_EQ(ScanProcessesPsapi(), 0);
    ASSERT_EQ(machine().ui.messageBoxes.size(), 2u);
    EXPECT_EQ(machine().ui.messageBoxes[0].text, "false");
    EXPECT_EQ(machine().ui.messageBoxes[0].caption, "TEMP");
    EXPECT_EQ(machine().ui.messageBoxes[0].type, 0u);
    EXPECT_EQ(Walked(), std::vector<std::string>{"C:\\bin\\c.exe"});
}

TEST_F(ProcessScanTest, OnlyTheFirst1024ProcessIdsAreSeen) {
    for (int i = 0; i < 1024; ++i) machine().processes.Start("C:\\bin\\absent.exe");
    Run("C:\\bin\\late.exe");
    EXPECT_EQ(ScanProcessesPsapi(), 0);
    EXPECT_TRUE(Walked().empty());
}

TEST_F(ProcessScanTest, ToolhelpWalksTheFullPathsOf9x) {
    winsim::SetWindows98();
    Run("C:\\bin\\one.exe");
    Run("C:\\bin\\two.exe").toolhelpName = "two.exe";  // a bare name, as Wine reports it
    EXPECT_EQ(ScanProcessesToolhelp(), 0);
    EXPECT_EQ(Walked(), std::vector<std::string>{"C:\\bin\\one.exe"});
}

TEST_F(ProcessScanTest, MissingFunctionsEndTheScanBeforeAnyProcess) {
    Run("C:\\bin\\one.exe");
    struct Row {
        void (*platform)();
        const char* operation;
        const char* name;
        int (*scan)();
    } rows[] = {
        {winsim::SetWindowsXp, "LoadLibraryA", "psapi.dll", ScanProcessesPsapi},
        {winsim::SetWindowsXp, "GetProcAddress", "EnumProcesses", ScanProcessesPsapi},
        {winsim::SetWindowsXp, "GetProcAddress", "GetModuleFileNameExA", ScanProcessesPsapi},
        {winsim::SetWindowsXp, "EnumProcesses", "", ScanProcessesPsapi},
        {winsim::SetWindows98, "LoadLibraryA", "Kernel32.dll", ScanProcessesToolhelp},
        {winsim::SetWindows98, "GetProcAddress", "CreateToolhelp32Snapshot", ScanProcessesToolhelp},
        {winsim::SetWindows98, "CreateToolhelp32Snapshot", "", ScanProcessesToolhelp},
        {winsim::SetWindows98, "GetProcAddress", "Process32First", ScanProcessesToolhelp},
        {winsim::SetWindows98, "GetProcAddress", "Process32Next", ScanProcessesToolhelp},
    };
    for (const Row& row : rows) {
        Recorded().statuses.clear();
        machine().faults.Clear();
        row.platform();
        machine().faults.Fail(row.operation, ERROR_PROC_NOT_FOUND, row.name);
        EXPECT_EQ(row.scan(), 0) << row.operation << " " << row.name;
        EXPECT_TRUE(Walked().empty()) << row.operation << " " << row.name;
        EXPECT_EQ(machine().handles.OpenCount(), 0u) << row.operation << " " << row.name;
    }
}

}  // namespace
