// Termination by image path: the enumerator each platform uses, how each
// one matches a process to the file, and the failure box.
#include <cstring>
#include <string>
#include <vector>

#include "memory/kill_process.h"
#include "memory/performance_processes.h"
#include "memory/psapi_processes.h"
#include "memory/toolhelp_processes.h"
#include "program_drives_fixture.h"

namespace {

const char kPerflib009[] = "software\\microsoft\\windows nt\\currentversion\\perflib\\009";

class KillTest : public ProgramDrivesTest {
protected:
    void SetUp() override {
        ProgramDrivesTest::SetUp();
        machine().registry.SetValue(HKEY_LOCAL_MACHINE, kPerflib009, "Counters", REG_MULTI_SZ,
                                    winsim::EnglishCounterNames(machine().processes.performance));
    }
    winsim::SimProcess& Run(const std::string& path) { return machine().processes.Start(path); }
    std::vector<DWORD> Sleeps() { return machine().clock.sleeps; }
    const winsim::SimProcess& Named(const std::string& file, CallSite caller = CallSite()) {
        ::testing::ScopedTrace trace(caller.file, caller.line, "called from here");
        for (const winsim::SimProcess& process : machine().processes.Table())
            if (process.imagePath == "C:\\bin\\" + file) return process;
        ADD_FAILURE() << file;
        return machine().processes.Table().front();
    }
};

TEST_F(KillTest, EachPlatformHasItsEnumeratorAndItsFailureAnswer) {
    struct Row {
        const char* platform;
        void (*setUp)();
        bool processRuns;
        int result;
        bool ended;
        bool box;
    } rows[] = {
        {"9x", winsim::SetWindows98, true, 1, true, false},  // control
        {"9x", winsim::SetWindows98, false, 0, false, true},
        {"XP", winsim::SetWindowsXp, true, 1, true, false},
        {"XP", winsim::SetWindowsXp, false, 1, false, false},  // the list was taken: retry at once
        {"NT4", winsim::SetNt4, true, 1, true, false},
        {"NT4", winsim::SetNt4, false, 0, false, true},
        {"10", winsim::SetWindows10, true, 1, true, false},
        {"10", winsim::SetWindows10, false, 0, false, true},
        {"kind 0", [] { winsim::TheMachine().version.queryFails = true; }, true, 1, false, false},
        {"kind 1", [] { winsim::TheMachine().version.platformId = 0; }, true, 1, false, false},
    };
    for (const Row& row : rows) {
        machine().processes.Clear();
        machine().ui.messageBoxes.clear();
        row.setUp();
        Run("C:\\bin\\other.exe");  // a real system always has some process
        winsim::SimProcess* process = row.processRuns ? &Run("C:\\bin\\TOOL.EXE") : nullptr;
        EXPECT_EQ(KillProcessByPath("C:\\bin\\TOOL.EXE"), row.result) << row.platform;
        if (process) {
            EXPECT_EQ(!process->running, row.ended) << row.platform;
        }
        ASSERT_EQ(machine().ui.messageBoxes.size(), row.box ? 1u : 0u) << row.platform;
        if (row.box) {
            EXPECT_EQ(machine().ui.messageBoxes[0].text, "Could not kill process");
            EXPECT_EQ(machine().ui.messageBoxes[0].caption, "C:\\bin\\TOOL.EXE");  // each file its own box
            EXPECT_EQ(machine().ui.messageBoxes[0].type, 0u);
        }
        machine().version = winsim::VersionInfo();
    }
}

TEST_F(KillTest, MissingLibrariesGiveZeroWithTheirPlatformsAnswer) {
    Run("C:\\bin\\tool.exe");
    winsim::SetWindowsXp();
    machine().faults.Fail("LoadLibraryA", ERROR_MOD_NOT_FOUND, "psapi.dll");
    EXPECT_EQ(KillProcessByPath("C:\\bin\\tool.exe"), 0);
    EXPECT_TRUE(machine().ui.messageBoxes.empty());  // psapi's absence is silent
    machine().faults.Clear();
    machine().faults.Fail("GetProcAddress", ERROR_PROC_NOT_FOUND, "GetModuleFileNameExA");
    EXPECT_EQ(KillByPsapi("C:\\bin\\tool.exe"), 0);
    machine().faults.Clear();

    winsim::SetWindows98();
    machine().faults.Fail("GetProcAddress", ERROR_PROC_NOT_FOUND, "CreateToolhelp32Snapshot");
    EXPECT_EQ(KillProcessByPath("C:\\bin\\tool.exe"), 0);
    EXPECT_EQ(machine().ui.messageBoxes.size(), 1u);
    EXPECT_TRUE(machine().processes.Table()[0].running);
}

TEST_F(KillTest, ToolhelpMatchesTheFileNameAndStopsAtTheFirst) {
    winsim::SetWindows98();
    winsim::SimProcess& other = Run("C:\\bin\\other.exe");
    winsim::SimProcess& elsewhere = Run("D:\\other\\Tool.Exe");  // same name, other folder
    winsim::SimProcess& exact = Run("C:\\bin\\tool.exe");
    EXPECT_EQ(KillByToolhelp("C:\\bin\\tool.exe"), 1);
    EXPECT_TRUE(other.running);
    EXPECT_FALSE(elsewhere.running);
    EXPECT_TRUE(exact.running);  // only the first in snapshot order
    // Load, snapshot, two steps past the program itself and other.exe, then
    // the termination.
    EXPECT_EQ(Sleeps(), (std::vector<DWORD>{100, 100, 100, 100, 100, 100, 50, 500}));
    EXPECT_EQ(machine().handles.OpenCount(), 0u);
}

TEST_F(KillTest, ToolhelpReportsAFailedTerminationAndANameNotFound) {
    winsim::SetWindows98();
    winsim::SimProcess& stubborn = Run("C:\\bin\\tool.exe");
    stubborn.refusesTermination = true;
    EXPECT_EQ(KillByToolhelp("C:\\bin\\tool.exe"), 0);
    EXPECT_EQ(KillByToolhelp("C:\\bin\\absent.exe"), 0);
    EXPECT_EQ(KillByToolhelp("tool.exe"), 0);  // a bare name is its own file name
    EXPECT_EQ(machine().handles.OpenCount(), 0u);
}

TEST_F(KillTest, PsapiMatchesTheWholePathIgnoringCaseAndEndsEveryMatch) {
    winsim::SimProcess& first = Run("C:\\bin\\tool.exe");
    winsim::SimProcess& upper = Run("C:\\BIN\\TOOL.EXE");
    winsim::SimProcess& longer = Run("C:\\bin\\tool.exe.bak");
    winsim::SimProcess& elsewhere = Run("D:\\other\\tool.exe");
    winsim::SimProcess& locked = Run("C:\\bin\\tool.exe");
    locked.refusesTermination = true;
    EXPECT_EQ(KillByPsapi("C:\\bin\\tool.exe"), 1);
    EXPECT_FALSE(first.running);
    EXPECT_FALSE(upper.running);
    EXPECT_TRUE(longer.running);
    EXPECT_TRUE(elsewhere.running);
    EXPECT_TRUE(locked.running);  // passed over, still a taken list
    EXPECT_EQ(Sleeps(), (std::vector<DWORD>{500, 500}));
    EXPECT_EQ(machine().handles.OpenCount(), 0u);
}

TEST_F(KillTest, PsapiWithoutAnyProcessIdReportsFalse) {
    EXPECT_EQ(KillByPsapi("C:\\bin\\tool.exe"), 1);  // the program itself is listed
    machine().processes.End(machine().processes.currentProcessId, 0);
    EXPECT_EQ(KillByPsapi("C:\\bin\\tool.exe"), 0);  // no id at all
    Run("C:\\bin\\other.exe");
    EXPECT_EQ(KillByPsapi("C:\\bin\\tool.exe"), 1);
    machine().faults.Fail("EnumProcesses");
    EXPECT_EQ(KillByPsapi("C:\\bin\\tool.exe"), 0);
}

class PerfDataKillTest : public KillTest {
protected:
    void SetUp() override {
        KillTest::SetUp();
        winsim::SetNt4();
    }
};

TEST_F(PerfDataKillTest, InstanceNamesThatBeginWithTheFileNameAreEnded) {
    winsim::SimProcess& foo = Run("C:\\bin\\FOO.EXE");
    winsim::SimProcess& foobar = Run("D:\\other\\foobar.exe");
    winsim::SimProcess& fo = Run("C:\\bin\\FO.EXE");
    winsim::SimProcess& xfoo = Run("C:\\bin\\XFOO.EXE");
    winsim::SimProcess& longName = Run("C:\\bin\\FOOabcdefghijklmn.exe");  // 17 characters
    EXPECT_EQ(KillByPerfData("C:\\bin\\FOO.EXE"), 1);
    EXPECT_FALSE(foo.running);
    EXPECT_FALSE(foobar.running);
    EXPECT_TRUE(fo.running);
    EXPECT_TRUE(xfoo.running);
    EXPECT_TRUE(longName.running);
    EXPECT_EQ(Sleeps(), (std::vector<DWORD>{500, 500}));
    EXPECT_EQ(machine().registry.OpenKeyCount(), 0u);
    EXPECT_EQ(machine().handles.OpenCount(), 0u);
}

TEST_F(PerfDataKillTest, TheCutAlwaysTakesFourCharacters) {
    winsim::SimProcess& x = Run("C:\\bin\\X.COMX");     // instance "X"
    winsim::SimProcess& xy = Run("C:\\bin\\X.Y.EXE");   // instance "X.Y"
    EXPECT_EQ(KillByPerfData("C:\\bin\\X.COMX"), 1);     // the target name is "X."
    EXPECT_TRUE(x.running);
    EXPECT_FALSE(xy.running);
}

TEST_F(PerfDataKillTest, ShortPathsAndEmptyNamesTouchNothing) {
    winsim::SimProcess& any = Run("C:\\bin\\anything.exe");
    for (const char* path : {"a.ex", "C:\\bin\\.exe", "C:\\bin\\", ".exe"}) {
        machine().registry.calls.clear();
        EXPECT_EQ(KillByPerfData(path), 0) << path;
        EXPECT_TRUE(machine().registry.calls.empty()) << path;
        EXPECT_EQ(machine().processes.performance.queries, 0) << path;
    }
    EXPECT_TRUE(any.running);
}

TEST_F(PerfDataKillTest, Only254InstancesAreSeenAndIdZeroNeverOpens) {
    for (int i = 0; i < 299; ++i) Run("C:\\bin\\p" + std::to_string(i) + ".exe");
    winsim::SimProcess& late = Run("C:\\bin\\late.exe");  // instance 301 counting "Idle"
    EXPECT_EQ(KillByPerfData("C:\\bin\\late.exe"), 0);
    EXPECT_TRUE(late.running);
    EXPECT_EQ(KillByPerfData("C:\\bin\\p10.exe"), 1);  // and p100 .. p109 by the prefix rule
    EXPECT_FALSE(Named("p10.exe").running);
    EXPECT_FALSE(Named("p100.exe").running);
    EXPECT_TRUE(Named("p11.exe").running);

    machine().processes.Clear();
    machine().clock.sleeps.clear();
    winsim::SimProcess& idle = machine().processes.StartWithId(0, "C:\\bin\\zero.exe");
    EXPECT_EQ(KillByPerfData("C:\\bin\\zero.exe"), 0);  // id 0 is stored as -2, which never opens
    EXPECT_TRUE(idle.running);
    EXPECT_TRUE(machine().Called("OpenProcess(0x1,4294967294)"));
    EXPECT_EQ(Sleeps(), std::vector<DWORD>{500});  // the wait follows a failed open too
}

TEST_F(PerfDataKillTest, MissingNamesOrIdCounterGiveAnEmptyList) {
    struct Row {
        const char* what;
        void (*setUp)(winsim::Machine&);
    } rows[] = {
        {"control", [](winsim::Machine&) {}},
        {"no Counters value", [](winsim::Machine& m) { m.registry.DeleteTree(HKEY_LOCAL_MACHINE, kPerflib009); }},
        {"no id process name",
         [](winsim::Machine& m) {
             m.registry.SetValue(HKEY_LOCAL_MACHINE, kPerflib009, "Counters", REG_MULTI_SZ,
                                 std::string("230\0Process\0\0", 14));
         }},
        {"no id counter in the object", [](winsim::Machine& m) { m.processes.performance.withIdCounter = false; }},
        {"query fails", [](winsim::Machine& m) { m.faults.Fail("QueryPerformanceData", ERROR_ACCESS_DENIED); }},
        {"no object, as on Wine", [](winsim::Machine& m) { m.processes.performance.noObjects = true; }},
    };
    for (const Row& row : rows) {
        machine().processes.Clear();
        machine().faults.Clear();
        machine().registry.SetValue(HKEY_LOCAL_MACHINE, kPerflib009, "Counters", REG_MULTI_SZ,
                                    winsim::EnglishCounterNames(machine().processes.performance));
        winsim::SimProcess& foo = Run("C:\\bin\\foo.exe");
        row.setUp(machine());
        bool control = strcmp(row.what, "control") == 0;
        EXPECT_EQ(KillByPerfData("C:\\bin\\foo.exe"), control ? 1 : 0) << row.what;
        EXPECT_EQ(foo.running, !control) << row.what;
        EXPECT_EQ(machine().registry.OpenKeyCount(), 0u) << row.what;
    }
}

TEST_F(PerfDataKillTest, TheDataBufferGrowsInStepsUntilTheAnswerFits) {
    for (int i = 0; i < 1000; ++i) Run("C:\\bin\\p" + std::to_string(i) + ".exe");
    std::string path = "C:\\bin\\p3.exe";
    // Wine leaves 0 in the size variable: the buffer still grows.
    EXPECT_EQ(KillByPerfData(path.c_str()), 1);
    EXPECT_EQ(machine().processes.performance.querySizes, (std::vector<DWORD>{51200, 76800}));

    machine().processes.performance.querySizes.clear();
    machine().processes.performance.sizeOnMoreData = winsim::PerformanceDataOptions::kSizeNeeded;
    DWORD needed = static_cast<DWORD>(machine().processes.BuildPerformanceBlock("230").size());
    KillByPerfData(path.c_str());
    EXPECT_EQ(machine().processes.performance.querySizes, (std::vector<DWORD>{51200, needed + 25600}));
}

TEST_F(PerfDataKillTest, AnAnswerThatNeverFitsIsGivenUpAtFourMegabytes) {
    Run("C:\\bin\\foo.exe");
    winsim::PerformanceDataOptions& options = machine().processes.performance;
    options.useRawBlock = true;
    options.rawBlock.assign(5u * 1024u * 1024u, 0);
    EXPECT_EQ(KillByPerfData("C:\\bin\\foo.exe"), 0);
    ASSERT_FALSE(options.querySizes.empty());
    EXPECT_LE(options.querySizes.back(), 4u * 1024u * 1024u);
    EXPECT_GT(options.querySizes.back(), 4u * 1024u * 1024u - 25600u);
    EXPECT_TRUE(machine().processes.Table()[0].running);
}

}  // namespace
