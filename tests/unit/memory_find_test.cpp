// Infected processes in memory: what each scan does with them, the rule
// that forms the scans' result, and the memory stage's end of the program.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "common/identity.h"
#include "common/shared_state.h"
#include "detect/signature_table.h"
#include "memory/memory_stage.h"
#include "memory/psapi_processes.h"
#include "memory/toolhelp_processes.h"
#include "program_drives_fixture.h"
#include "sample_builder.h"
#include "scripted_dialog.h"

namespace {

const char kTrojan[] = "C:\\bin\\trojan.exe";
const char kServiceKey[] = "SYSTEM\\ControlSet001\\Services\\trojan";
const char kRestartQuestion[] =
    "W32/Gorvex.Trojan  found in memory! registry entries created by the worm are removed. You must restart the "
    "computer and run this program to continue scanning.\n\nRestart the computer now?";

class MemoryFindTest : public ProgramDrivesTest {
protected:
    void SetUp() override {
        ProgramDrivesTest::SetUp();
        MakeFolder("C:\\WINDOWS");
        MemoryStageActive = 1;  // as the memory stage runs the scans
        ActionCode = kActionRemove;
    }
    void WriteInfected(const std::string& path, CallSite caller = CallSite()) {
        ::testing::ScopedTrace trace(caller.file, caller.line, "called from here");
        samples::Sample sample;
        std::string error;
        ASSERT_TRUE(samples::BuildSample(1, samples::Kind::kMatch, samples::Options(), &sample, &error)) << error;
        std::string host;
        ASSERT_TRUE(machine().files.ToHostPath(path, &host)) << path;
        ASSERT_TRUE(samples::WriteSampleFile(host, sample, &error)) << error;
    }
    winsim::SimProcess& RunInfected(const std::string& path) {
        WriteInfected(path);
        return machine().processes.Start(path);
    }
    winsim::SimProcess& RunClean(const std::string& path) {
        MakeFile(path, "MZ clean");
        return machine().processes.Start(path);
    }
    std::string Removed(const std::string& path) { return path + "     W32/Gorvex.Trojan  removed"; }
    static std::string MemoryLine() { return "System Memory    W32/Gorvex.Trojan  removed"; }
    bool Logged(const std::string& prefix) { return machine().Called(prefix); }
    // Ends every process, so that their files are let go, and forgets them.
    void EndAll() {
        std::vector<DWORD> ids;
        for (const winsim::SimProcess& process : machine().processes.Table()) ids.push_back(process.id);
        for (DWORD id : ids) machine().processes.End(id, 0);
        machine().processes.Clear();
    }
};

// The result rule, one row per outcome: 1 only when an infected process
// was found and dealt with; whether its file was acted on in memory.
TEST_F(MemoryFindTest, TheScanResultMeansAnInfectedProcessWasDealtWith) {
    struct Row {
        const char* what;
        void (*platform)();
        void (*shape)(winsim::Machine&, winsim::SimProcess&);
        bool infected;
        int32_t action;
        int result;
        int32_t restartNeeded;
        bool fileRemoved;
    } rows[] = {
        {"control: a clean process", winsim::SetWindowsXp, [](winsim::Machine&, winsim::SimProcess&) {}, false,
         kActionRemove, 0, 0, false},
        {"XP: ended at once, no such service", winsim::SetWindowsXp,
         [](winsim::Machine&, winsim::SimProcess&) {}, true, kActionRemove, 1, 1, true},
        {"XP: survives the first attempt", winsim::SetWindowsXp,
         [](winsim::Machine&, winsim::SimProcess& p) { p.survivesTerminations = 1; }, true, kActionRemove, 1, 0,
         true},
        {"XP: its service stops", winsim::SetWindowsXp,
         [](winsim::Machine& m, winsim::SimProcess& p) {
             p.service = "trojan";
             m.processes.AddService("trojan");
         },
         true, kActionRemove, 1, 0, true},
        {"XP: its service will not stop", winsim::SetWindowsXp,
         [](winsim::Machine& m, winsim::SimProcess& p) {
             p.service = "trojan";
             m.processes.AddService("trojan").refusesStop = true;
         },
         true, kActionRemove, 1, 1, false},
        {"XP: left as the user chose", winsim::SetWindowsXp, [](winsim::Machine&, winsim::SimProcess&) {}, true,
         kActionLeave, 0, 0, false},
        {"XP: renamed", winsim::SetWindowsXp, [](winsim::Machine&, winsim::SimProcess&) {}, true, kActionRename, 1,
         1, true},
        {"NT 4: its service stops", winsim::SetNt4,
         [](winsim::Machine& m, winsim::SimProcess& p) {
             p.service = "trojan";
             m.processes.AddService("trojan");
         },
         true, kActionRemove, 1, 0, true},
        {"10: ended at once", winsim::SetWindows10, [](winsim::Machine&, winsim::SimProcess&) {}, true,
         kActionRemove, 1, 0, true},
        {"10: refuses termination, no service handling", winsim::SetWindows10,
         [](winsim::Machine&, winsim::SimProcess& p) { p.refusesTermination = true; }, true, kActionRemove, 0, 0,
         false},
        {"98: ended and removed", winsim::SetWindows98, [](winsim::Machine&, winsim::SimProcess&) {}, true,
         kActionRemove, 1, 0, true},
        {"98: left as the user chose", winsim::SetWindows98, [](winsim::Machine&, winsim::SimProcess&) {}, true,
         kActionLeave, 0, 0, false},
    };
    for (const Row& row : rows) {
        machine().calls.clear();
        MemoryRestartNeeded = 0;
        ActionCode = row.action;
        row.platform();
        winsim::SimProcess& process = row.infected ? RunInfected(kTrojan) : RunClean(kTrojan);
        row.shape(machine(), process);
        bool nine = machine().version.platformId == VER_PLATFORM_WIN32_WINDOWS;
        int result = nine ? ScanProcessesToolhelp() : ScanProcessesPsapi();
        EXPECT_EQ(result, row.result) << row.what;
        EXPECT_EQ(MemoryRestartNeeded, row.restartNeeded) << row.what;
        // Renaming moves the file away as well.
        EXPECT_EQ(!Exists(kTrojan), row.fileRemoved) << row.what;
        EXPECT_EQ(MemoryActionCode, 0) << row.what;
        EndAll();
    }
}

TEST_F(MemoryFindTest, NtTriesTwiceThenActsAndReportsTheRemovalFromMemory) {
    winsim::SimProcess& trojan = RunInfected(kTrojan);
    trojan.survivesTerminations = 1;
    EXPECT_EQ(ScanProcessesPsapi(), 1);
    EXPECT_EQ(trojan.terminateCalls, 2);
    EXPECT_FALSE(Logged("OpenSCManagerA"));  // the second attempt ended it: no service handling
    EXPECT_EQ(lines(), (std::vector<std::string>{MemoryLine(), Removed(kTrojan)}));
    EXPECT_EQ(ScanCounters.filesInfected, 1);  // counted by the recording walk only
    EXPECT_EQ(ScanCounters.filesRemoved, 1);
}

TEST_F(MemoryFindTest, ASurvivorIsStoppedAsTheServiceNamedAfterItsExecutable) {
    const char* image = "C:\\bin\\X.BIN.EXE";
    winsim::SimProcess& trojan = RunInfected(image);
    trojan.service = "X.BIN";
    winsim::SimService& service = machine().processes.AddService("X.BIN");
    service.afterStop = {SERVICE_STOP_PENDING, SERVICE_STOPPED};
    machine().registry.CreateKey(HKEY_LOCAL_MACHINE, "SYSTEM\\ControlSet001\\Services\\X.BIN");
    machine().registry.CreateKey(HKEY_LOCAL_MACHINE, "SYSTEM\\ControlSet002\\Services\\X.BIN");
    EXPECT_EQ(ScanProcessesPsapi(), 1);
    EXPECT_TRUE(Logged("OpenServiceA(X.BIN)"));
    EXPECT_FALSE(machine().registry.HasKey(HKEY_LOCAL_MACHINE, "SYSTEM\\ControlSet001\\Services\\X.BIN"));
    EXPECT_FALSE(machine().registry.HasKey(HKEY_LOCAL_MACHINE, "SYSTEM\\ControlSet002\\Services\\X.BIN"));
    EXPECT_FALSE(trojan.running);
    EXPECT_FALSE(Exists(image));
    EXPECT_EQ(MemoryRestartNeeded, 0);
    EXPECT_EQ(lines().back(), Removed(image));
}

TEST_F(MemoryFindTest, AServiceThatWillNotStopLosesItsKeysAndAsksForARestart) {
    winsim::SimProcess& trojan = RunInfected(kTrojan);
    trojan.service = "trojan";
    machine().processes.AddService("trojan").afterStop = {SERVICE_STOP_PENDING, SERVICE_RUNNING};
    machine().registry.CreateKey(HKEY_LOCAL_MACHINE, kServiceKey);
    EXPECT_EQ(ScanProcessesPsapi(), 1);
    EXPECT_FALSE(machine().registry.HasKey(HKEY_LOCAL_MACHINE, kServiceKey));
    EXPECT_EQ(MemoryRestartNeeded, 1);
    EXPECT_TRUE(trojan.running);
    EXPECT_TRUE(Exists(kTrojan));  // still running: its file is left for after the restart
    EXPECT_TRUE(lines().empty());
}

TEST_F(MemoryFindTest, ATerminatedProcessStillHasItsNamesakeServiceRemoved) {
    // The first attempt ends it; the second finds it gone, which the scan
    // takes as a survivor: keys removed, restart asked, file acted on.
    RunInfected(kTrojan);
    machine().registry.CreateKey(HKEY_LOCAL_MACHINE, kServiceKey);
    EXPECT_EQ(ScanProcessesPsapi(), 1);
    EXPECT_TRUE(Logged("OpenServiceA(trojan)"));
    EXPECT_FALSE(machine().registry.HasKey(HKEY_LOCAL_MACHINE, kServiceKey));
    EXPECT_EQ(MemoryRestartNeeded, 1);
    EXPECT_FALSE(Exists(kTrojan));
}

TEST_F(MemoryFindTest, NtAfter5xNeverStopsServices) {
    winsim::SetWindows10();
    winsim::SimProcess& trojan = RunInfected(kTrojan);
    trojan.service = "trojan";
    machine().processes.AddService("trojan");
    EXPECT_EQ(ScanProcessesPsapi(), 0);
    EXPECT_FALSE(Logged("OpenSCManagerA"));
    EXPECT_EQ(MemoryRestartNeeded, 0);
    EXPECT_TRUE(trojan.running);
    EXPECT_TRUE(Exists(kTrojan));
}

TEST_F(MemoryFindTest, TheDebugPrivilegeOpensAProcessOfAnotherAccount) {
    winsim::SimProcess& trojan = RunInfected(kTrojan);
    trojan.needsDebugPrivilege = true;
    trojan.survivesTerminations = 1;
    EXPECT_EQ(ScanProcessesPsapi(), 1);
    EXPECT_TRUE(machine().security.IsEnabled("SeDebugPrivilege"));
    EXPECT_FALSE(trojan.running);
    EXPECT_FALSE(Exists(kTrojan));
}

TEST_F(MemoryFindTest, AnUnreadableImageRightAfterAnInfectedOneIsPassedOver) {
    winsim::SimProcess& trojan = RunInfected(kTrojan);
    trojan.survivesTerminations = 1;
    winsim::SimProcess& hidden = RunInfected("C:\\bin\\hidden.exe");
    hidden.moduleFileName = "\\SystemRoot\\hidden.exe";  // a form _access cannot open
    EXPECT_EQ(ScanProcessesPsapi(), 1);
    EXPECT_FALSE(trojan.running);
    EXPECT_TRUE(hidden.running);
    EXPECT_EQ(hidden.terminateCalls, 0);
    EXPECT_TRUE(Exists("C:\\bin\\hidden.exe"));
}

TEST_F(MemoryFindTest, LeftAsChosenTheFindIsRecordedButNothingIsTouched) {
    for (void (*platform)() : {winsim::SetWindowsXp, winsim::SetWindows98}) {
        EndAll();
        machine().calls.clear();
        platform();
        ActionCode = kActionLeave;
        memset(&ScanCounters, 0, sizeof ScanCounters);
        winsim::SimProcess& trojan = RunInfected(kTrojan);
        int result = machine().version.platformId == VER_PLATFORM_WIN32_WINDOWS ? ScanProcessesToolhelp()
                                                                                 : ScanProcessesPsapi();
        EXPECT_EQ(result, 0);
        EXPECT_EQ(InfectedFileSeen, 1);  // the recording walk found it
        EXPECT_EQ(ScanCounters.filesInfected, 1);
        EXPECT_FALSE(Logged("TerminateProcess"));
        EXPECT_TRUE(trojan.running);
        EXPECT_TRUE(Exists(kTrojan));
        EXPECT_TRUE(lines().empty());
    }
}

TEST_F(MemoryFindTest, NineXActsEvenWhenTheTerminationFailed) {
    winsim::SetWindows98();
    winsim::SimProcess& trojan = RunInfected(kTrojan);
    trojan.refusesTermination = true;
    EXPECT_EQ(ScanProcessesToolhelp(), 1);
    EXPECT_TRUE(trojan.running);
    // The acting walk tried: the deletion failed on the running image, the
    // name match of Toolhelp could not end it either, and the file is left
    // for the next start.
    ASSERT_EQ(lines().size(), 2u);
    EXPECT_EQ(lines()[0], MemoryLine());
    EXPECT_EQ(lines()[1], std::string(kTrojan) + "     W32/Gorvex.Trojan  Unable to remove");
    ASSERT_EQ(machine().ui.messageBoxes.size(), 1u);
    EXPECT_EQ(machine().ui.messageBoxes[0].caption, kTrojan);
}

TEST_F(MemoryFindTest, NineXTerminationByNameEndsOnlyTheFirstOfThatName) {
    winsim::SetWindows98();
    RunInfected(kTrojan);
    winsim::SimProcess& namesake = RunClean("D:\\other\\trojan.exe");
    winsim::SimProcess& second = machine().processes.Start(kTrojan);  // the same image once more
    EXPECT_EQ(ScanProcessesToolhelp(), 1);
    // The first acting walk found the image still held by the second
    // process; the name match ended the namesake from the other folder
    // instead, so the second process was dealt with as its own record.
    EXPECT_FALSE(namesake.running);
    EXPECT_FALSE(second.running);
    EXPECT_FALSE(Exists(kTrojan));
    EXPECT_EQ(lines().back(), Removed(kTrojan));
}

// ---- The memory stage's end of the program ----

// Written by the child of a death test just before it ends.
void PrintOutcome() {
    const DialogScript& dialogs = Dialogs();
    fprintf(stderr, "dialogs=%zu", dialogs.calls.size());
    if (!dialogs.calls.empty()) {
        const DialogCall& call = dialogs.calls[0];
        bool same = call.text == kRestartQuestion && call.caption == kProductTitle;
        fprintf(stderr, " flags=0x%x question=%s", static_cast<unsigned>(call.flags), same ? "yes" : "no");
    }
    fprintf(stderr, " restart=%s active=%d\n", winsim::TheMachine().Called("ExitWindowsEx") ? "yes" : "no",
            MemoryStageActive);
}

class MemoryStageEndTest : public MemoryFindTest {
protected:
    void SetUp() override {
        MemoryFindTest::SetUp();
        GTEST_FLAG_SET(death_test_style, "threadsafe");
    }
};

TEST_F(MemoryStageEndTest, AnNtFindWithoutARestartNeedEndsTheProgramSilently) {
    RunInfected(kTrojan).survivesTerminations = 1;  // ended by the second attempt
    EXPECT_EXIT(
        {
            atexit(PrintOutcome);
            MemoryStage();
        },
        ::testing::ExitedWithCode(0), "dialogs=0 restart=no active=1");
}

TEST_F(MemoryStageEndTest, ARestartNeedAsksAndRestartsOnlyOnOk) {
    RunInfected(kTrojan);  // no such service: a restart is asked for
    Dialogs().answers.push_back(IDOK);
    EXPECT_EXIT(
        {
            atexit(PrintOutcome);
            MemoryStage();
        },
        ::testing::ExitedWithCode(0), "dialogs=1 flags=0x41 question=yes restart=yes");
    Dialogs().answers.clear();
    Dialogs().answers.push_back(IDCANCEL);
    EXPECT_EXIT(
        {
            atexit(PrintOutcome);
            MemoryStage();
        },
        ::testing::ExitedWithCode(0), "dialogs=1 flags=0x41 question=yes restart=no");
}

TEST_F(MemoryStageEndTest, AnEarlierRestartNeedIsStillAskedAbout) {
    MemoryRestartNeeded = 1;  // a memory stage earlier in the run set it
    RunInfected(kTrojan).survivesTerminations = 1;
    Dialogs().answers.push_back(IDCANCEL);
    EXPECT_EXIT(
        {
            atexit(PrintOutcome);
            MemoryStage();
        },
        ::testing::ExitedWithCode(0), "dialogs=1 flags=0x41 question=yes restart=no");
}

TEST_F(MemoryStageEndTest, NineXNeverAsksNorEnds) {
    winsim::SetWindows98();
    MemoryRestartNeeded = 1;
    RunInfected(kTrojan);
    MemoryStage();
    EXPECT_TRUE(Dialogs().calls.empty());
    EXPECT_EQ(MemoryStageActive, 0);
    EXPECT_FALSE(Exists(kTrojan));
}

}  // namespace
