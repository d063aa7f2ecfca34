#include "test_machine.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <cstring>

#include "common/report.h"
#include "common/shared_state.h"
#include "scripted_dialog.h"

namespace {

std::vector<void (*)()>& StateResets() {
    static std::vector<void (*)()> resets;
    return resets;
}

}  // namespace

StateReset::StateReset(void (*reset)()) { StateResets().push_back(reset); }

void ResetProgramState() {
    memset(ScanTarget, 0, sizeof ScanTarget);
    MainWindowHandle = nullptr;
    ActionCode = 0;
    ScanTerminated = 0;
    ScanInProgress = 0;
    StatisticsStarted = 0;
    RestartNeeded = 0;
    MemoryStageActive = 1;
    InfectedFileSeen = 0;
    MemoryActionCode = 0;
    MemoryRestartNeeded = 0;
    memset(LastDetectionName, 0, sizeof LastDetectionName);
    memset(CurrentFilePath, 0, sizeof CurrentFilePath);
    memset(StartupValueName, 0, sizeof StartupValueName);
    memset(ProgramFilesPattern, 0, sizeof ProgramFilesPattern);
    ProgramFilesPending = 0;
    ProgramFilesVisited = 0;
    LargeFonts = 0;
    memset(&ScanCounters, 0, sizeof ScanCounters);
    memset(ReportLine, 0, sizeof ReportLine);
    memset(StatusPath, 0, sizeof StatusPath);
    for (void (*reset)() : StateResets()) reset();
}

RecordedWindow& Recorded() {
    static RecordedWindow window;
    return window;
}

static LRESULT RecordingWindowProc(HWND, UINT message, WPARAM, LPARAM) {
    if (message == kReportLineMessage) Recorded().lines.push_back(ReportLine);
    if (message == kStatusPathMessage) Recorded().statuses.push_back(StatusPath);
    return 0;
}

void MachineTest::ResetMachine() {
    winsim::Reset();
    ResetProgramState();
    Dialogs().Clear();
    Recorded().lines.clear();
    Recorded().statuses.clear();
    Recorded().handle = machine().ui.CreateWindowWithProc(RecordingWindowProc);
    MainWindowHandle = Recorded().handle;
}

void MachineTest::SetUp() {
    ResetMachine();
    char pattern[] = "/tmp/bruvane-test-XXXXXX";
    const char* made = mkdtemp(pattern);
    ASSERT_NE(made, nullptr);
    root_ = made;
}

void MachineTest::TearDown() {
    winsim::Reset();
    std::error_code error;
    if (!root_.empty()) std::filesystem::remove_all(root_, error);
}

std::string MachineTest::MapDrive(char letter, UINT type) {
    std::string folder = root_ + "/drive_" + static_cast<char>(tolower(letter));
    std::filesystem::create_directories(folder);
    machine().files.MapDrive(letter, folder, type);
    return folder;
}

void MachineTest::MakeFolder(const std::string& windowsPath, CallSite caller) {
    ::testing::ScopedTrace trace(caller.file, caller.line, "called from here");
    ASSERT_TRUE(machine().files.MakeDirectory(windowsPath)) << windowsPath;
}

void MachineTest::MakeFile(const std::string& windowsPath, const std::string& contents, CallSite caller) {
    ::testing::ScopedTrace trace(caller.file, caller.line, "called from here");
    ASSERT_TRUE(machine().files.WriteFile(windowsPath, contents)) << windowsPath;
}

bool MachineTest::Exists(const std::string& windowsPath) { return machine().files.Exists(windowsPath); }

std::string MachineTest::ReadFile(const std::string& windowsPath) {
    std::string contents;
    machine().files.ReadFile(windowsPath, &contents);
    return contents;
}

void MachineTest::FailSubfolderListing(const std::string& pattern) {
    winsim::FaultRule rule;
    rule.operation = "FindFirstFileA";
    rule.argument = pattern;
    rule.exact = true;
    rule.error = ERROR_ACCESS_DENIED;
    rule.skip = 1;
    rule.count = 1;
    machine().faults.Add(rule);
}
