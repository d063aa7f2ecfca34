// A locked infected file named like one of the system's own processes:
// every enumerator passes that process over as if it had not matched, and
// the file goes the way of a file whose holder was not found. A process
// of any other name is still ended.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "memory/critical_processes.h"
#include "memory/kill_process.h"
#include "memory/performance_processes.h"
#include "sample_fixture.h"

namespace {

const int kRecord = 3;
const char kPerflib009[] = "software\\microsoft\\windows nt\\currentversion\\perflib\\009";

class CriticalProcessTest : public SampleTest {
protected:
    void SetUp() override {
        SampleTest::SetUp();
        Prepare();
    }
    void Prepare() {
        MakeFolder("C:\\bin");
        MakeFolder("C:\\WINDOWS\\TEMP");
        machine().registry.SetValue(HKEY_LOCAL_MACHINE, kPerflib009, "Counters", REG_MULTI_SZ,
                                    winsim::EnglishCounterNames(machine().processes.performance));
    }
    std::string Line(const std::string& path, const std::string& outcome) {
        return path + "     " + NameOf(kRecord) + " " + outcome;
    }
};

TEST_F(CriticalProcessTest, EveryEnumeratorPassesTheSystemsOwnOver) {
    enum class Way { kEnded, kAtNextStartNt, kAtNextStart9x };
    struct Row {
        const char* label;
        void (*platform)();
        const char* file;  // in C:\bin, infected, and running: it holds itself
        Way way;
        bool box;
    };
    const Row rows[] = {
        {"9x, Toolhelp: services", winsim::SetWindows98, "services.exe", Way::kAtNextStart9x, true},
        {"9x, Toolhelp: KERNEL32", winsim::SetWindows98, "KERNEL32.DLL", Way::kAtNextStart9x, true},
        {"control: 9x, Toolhelp: spoolsv", winsim::SetWindows98, "spoolsv.exe", Way::kEnded, false},
        {"XP, psapi: csrss", winsim::SetWindowsXp, "CSRSS.EXE", Way::kAtNextStartNt, false},
        {"control: XP, psapi: svchost", winsim::SetWindowsXp, "svchost.exe", Way::kEnded, false},
        {"NT 4, performance data: lsass", winsim::SetNt4, "Lsass.exe", Way::kAtNextStartNt, true},
        {"NT 4, performance data: winlogon", winsim::SetNt4, "winlogon.exe", Way::kAtNextStartNt, true},
        {"control: NT 4, performance data: spoolsv", winsim::SetNt4, "spoolsv.exe", Way::kEnded, false},
        {"10, performance data: wininit", winsim::SetWindows10, "wininit.exe", Way::kAtNextStartNt, true},
        {"10, performance data: smss", winsim::SetWindows10, "smss.exe", Way::kAtNextStartNt, true},
        {"control: 10, performance data: svchost", winsim::SetWindows10, "svchost.exe", Way::kEnded, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        ResetMachine();
        std::filesystem::remove_all(HostRoot());
        MapDrive('C');
        Prepare();
        MemoryStageActive = 0;
        ActionCode = kActionRemove;
        row.platform();
        const std::string path = std::string("C:\\bin\\") + row.file;
        WriteMatch(path, kRecord);
        const DWORD id = machine().processes.Start(path).id;

        EXPECT_EQ(Inspect(path), 1);
        bool ended = row.way == Way::kEnded;
        EXPECT_EQ(machine().processes.Find(id)->running, !ended);
        EXPECT_EQ(lines(), std::vector<std::string>{Line(path, ended ? "removed" : "Unable to remove")});
        EXPECT_EQ(Exists(path), !ended);
        EXPECT_EQ(RestartNeeded, ended ? 0 : 1);
        std::vector<std::string> boxes;
        for (const auto& box : machine().ui.messageBoxes) boxes.push_back(box.text);
        EXPECT_EQ(boxes, row.box ? std::vector<std::string>{"Could not kill process"} : std::vector<std::string>{});
        const std::vector<winsim::PendingFileOperation>& pending = machine().files.PendingOperations();
        std::vector<std::string> pendingSources;
        for (const winsim::PendingFileOperation& operation : pending) pendingSources.push_back(operation.source);
        EXPECT_EQ(pendingSources, row.way == Way::kAtNextStartNt ? std::vector<std::string>{"\\??\\" + path}
                                                                 : std::vector<std::string>{});
        EXPECT_EQ(Exists("C:\\WINDOWS\\wininit.ini"), row.way == Way::kAtNextStart9x);
        if (row.way == Way::kAtNextStart9x) {
            EXPECT_EQ(ReadFile("C:\\WINDOWS\\wininit.ini"), "[rename]\r\nNUL=" + path + "\r\n");
        }
    }
}

// The prefix rule of the performance data still reaches every other name:
// s.exe ends spoolsv and svchost, never smss, services or System.
TEST_F(CriticalProcessTest, ThePrefixRuleKeepsItsReachBeyondTheList) {
    for (void (*platform)() : {winsim::SetNt4, winsim::SetWindows10}) {
        ResetMachine();
        std::filesystem::remove_all(HostRoot());
        MapDrive('C');
        Prepare();
        platform();
        std::vector<std::pair<winsim::SimProcess*, bool>> processes;  // and whether it must end
        for (const char* name : {"smss", "services", "spoolsv", "svchost", "csrss"})
            processes.push_back({&machine().processes.Start(std::string("C:\\WINDOWS\\system32\\") + name + ".exe"),
                                 name[1] == 'p' || name[1] == 'v'});
        winsim::SimProcess& kernel = machine().processes.Start("C:\\WINDOWS\\system32\\ntoskrnl.exe");
        kernel.instanceName = "System";
        processes.push_back({&kernel, false});

        EXPECT_EQ(KillByPerfData("C:\\bin\\s.exe"), 1);
        for (const auto& process : processes)
            EXPECT_EQ(process.first->running, !process.second) << process.first->imagePath;
    }
}

TEST_F(CriticalProcessTest, NamesAreComparedWholeIgnoringCase) {
    struct Row {
        const char* image;
        bool critical;
    };
    const Row rows[] = {
        {"C:\\WINDOWS\\system32\\CSRSS.EXE", true},  {"\\SystemRoot\\System32\\smss.exe", true},
        {"C:\\WINDOWS\\SYSTEM\\KERNEL32.DLL", true}, {"C:\\WINDOWS\\SYSTEM\\MMTASK.TSK", true},
        {"lsass", true},                            {"C:\\x\\lsass.exe.exe", false},
        {"C:\\x\\lsass2.exe", false},               {"C:\\x\\las.exe", false},
        {"C:\\services\\x.exe", false},             {"C:\\x\\svchost.exe", false},
    };
    for (const Row& row : rows) EXPECT_EQ(IsCriticalProcessImage(row.image), row.critical) << row.image;
    EXPECT_TRUE(IsCriticalProcessName("IDLE"));
    EXPECT_FALSE(IsCriticalProcessName("lsass.exe"));  // an instance name has no extension
}

}  // namespace
