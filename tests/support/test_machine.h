// A fresh simulated machine per test: module-level state cleared, winsim
// reset, host folders under a temporary directory mapped as drives, and a
// stand-in main window that records report lines and status texts.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "call_site.h"
#include "platform/win32.h"
#include "winsim/machine.h"

// Clears every module-level variable of the program to its start value.
void ResetProgramState();

// A part whose state lives outside the shared variables (a table changed
// in place, a once-per-run flag) registers its reset with a static object
// in its own support file:  static StateReset resetTextSignature(&Fn);
struct StateReset {
    explicit StateReset(void (*reset)());
};

// Report lines and status texts that reached the stand-in main window.
struct RecordedWindow {
    std::vector<std::string> lines;
    std::vector<std::string> statuses;
    HWND handle = nullptr;
};
RecordedWindow& Recorded();

class MachineTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // A fresh machine and program state, as at the start of a test, with
    // the test's host folder kept: for a test that runs two machines.
    void ResetMachine();

    // A host folder mapped as a fixed drive (created on first use).
    std::string MapDrive(char letter, UINT type = DRIVE_FIXED);
    std::string HostRoot() const { return root_; }
    // Windows-path conveniences.
    void MakeFolder(const std::string& windowsPath, CallSite caller = CallSite());
    void MakeFile(const std::string& windowsPath, const std::string& contents = "x", CallSite caller = CallSite());
    bool Exists(const std::string& windowsPath);
    std::string ReadFile(const std::string& windowsPath);

    // The second listing of a "*.*" pattern is its subfolder pass; make
    // only that one fail, so the walk sees the files but no subfolder.
    void FailSubfolderListing(const std::string& pattern);

    winsim::Machine& machine() { return winsim::TheMachine(); }
    const std::vector<std::string>& lines() { return Recorded().lines; }
    const std::vector<std::string>& statuses() { return Recorded().statuses; }

private:
    std::string root_;
};
