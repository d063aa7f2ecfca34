// The trojan's uninstall command and its Run value: the early stops, the
// case-sensitive markers, and the 100-byte buffer searched only as far as
// the data read.
#include <cstring>

#include "repair/uninstall_entries.h"
#include "test_machine.h"

namespace {

const char kUninstall[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\rhcjg7j0e38v";
const char kRun[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";

class UninstallEntriesTest : public MachineTest {
protected:
    winsim::Registry& registry() { return machine().registry; }
    bool UninstallLeft() { return registry().HasValue(HKEY_LOCAL_MACHINE, kUninstall, "UninstallString"); }
    bool RunLeft() { return registry().HasValue(HKEY_LOCAL_MACHINE, kRun, "SMrhcjg7j0e38v"); }
};

struct Row {
    const char* what;
    const char* uninstallData;  // nullptr: no value (the key still exists)
    const char* runData;        // nullptr: no value
    int expected;
    bool uninstallLeft;
    bool runLeft;
    bool runOpened;
};

TEST_F(UninstallEntriesTest, MarkersAndEarlyStops) {
    const Row rows[] = {
        {"control: both removed", "C:\\Program Files\\R\\uninstall.exe /u", "C:\\WINDOWS\\rhcjg7j0e38v.exe", 1, false,
         false, true},
        {"no UninstallString", nullptr, "C:\\WINDOWS\\rhcjg7j0e38v.exe", 0, false, true, false},
        {"marker in capitals is kept", "C:\\R\\UNINSTALL.EXE", "C:\\WINDOWS\\rhcjg7j0e38v.exe", 1, true, false, true},
        {"Run value without its marker is kept", "uninstall.exe", "C:\\WINDOWS\\RHCJG7J0E38V.EXE", 1, false, true,
         true},
        {"no Run value", "uninstall.exe", nullptr, 0, false, false, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        registry().Clear();
        registry().CreateKey(HKEY_LOCAL_MACHINE, kUninstall);
        registry().SetString(HKEY_LOCAL_MACHINE, kUninstall, "DisplayName", "R");
        if (row.uninstallData) registry().SetString(HKEY_LOCAL_MACHINE, kUninstall, "UninstallString", row.uninstallData);
        if (row.runData) registry().SetString(HKEY_LOCAL_MACHINE, kRun, "SMrhcjg7j0e38v", row.runData);
        EXPECT_EQ(RemoveUninstallEntries(), row.expected);
        EXPECT_EQ(UninstallLeft(), row.uninstallLeft);
        EXPECT_EQ(RunLeft(), row.runLeft);
        EXPECT_EQ(registry().CallCount("RegOpenKeyExA"), row.runOpened ? 2u : 1u);
        EXPECT_EQ(registry().OpenKeyCount(), 0u);
        // The key itself and its other values stay.
        EXPECT_TRUE(registry().HasValue(HKEY_LOCAL_MACHINE, kUninstall, "DisplayName"));
    }
}

TEST_F(UninstallEntriesTest, FailuresStopAtOnceAndCloseTheKey) {
    struct FailureRow {
        const char* what;
        const char* failingCall;
        int skip;
        bool runLeft;
    } rows[] = {
        {"uninstall key cannot be opened", "RegOpenKeyExA", 0, true},
        {"size query fails", "RegQueryValueExA", 0, true},
        {"read fails", "RegQueryValueExA", 1, true},
        {"deletion refused", "RegDeleteValueA", 0, true},
        {"first close fails", "RegCloseKey", 0, true},
        {"Run key cannot be opened", "RegOpenKeyExA", 1, true},
        {"Run value deletion refused", "RegDeleteValueA", 1, true},
        {"last close fails", "RegCloseKey", 1, false},
    };
    for (const FailureRow& row : rows) {
        SCOPED_TRACE(row.what);
        registry().Clear();
        machine().faults.Clear();
        registry().SetString(HKEY_LOCAL_MACHINE, kUninstall, "UninstallString", "uninstall.exe");
        registry().SetString(HKEY_LOCAL_MACHINE, kRun, "SMrhcjg7j0e38v", "rhcjg7j0e38v.exe");
        winsim::FaultRule rule;
        rule.operation = row.failingCall;
        rule.skip = row.skip;
        rule.count = 1;
        machine().faults.Add(rule);
        EXPECT_EQ(RemoveUninstallEntries(), 0);
        EXPECT_EQ(RunLeft(), row.runLeft);
        // Only a close that failed leaves a key open.
        EXPECT_EQ(registry().OpenKeyCount(), std::string(row.failingCall) == "RegCloseKey" ? 1u : 0u);
    }
}

TEST_F(UninstallEntriesTest, WriteDeniedUninstallKeyStopsTheOperation) {
    registry().SetString(HKEY_LOCAL_MACHINE, kUninstall, "UninstallString", "uninstall.exe");
    registry().SetString(HKEY_LOCAL_MACHINE, kRun, "SMrhcjg7j0e38v", "rhcjg7j0e38v.exe");
    registry().DenyWrite(HKEY_LOCAL_MACHINE, kUninstall);
    EXPECT_EQ(RemoveUninstallEntries(), 0);
    EXPECT_TRUE(UninstallLeft());
    EXPECT_TRUE(RunLeft());
}

// The one buffer serves both values: the search must end with the second
// value's own bytes, not run on into what the first one left behind.
TEST_F(UninstallEntriesTest, SearchEndsWithTheDataRead) {
    struct BufferRow {
        const char* what;
        std::string uninstallData;
        std::string runData;
        DWORD runType;
        int expected;
        bool uninstallLeft;
        bool runLeft;
    } rows[] = {
        {"control: exactly 100 bytes, marker at the end", std::string(87, 'u') + "uninstall.exe",
         std::string(84, 'r') + "rhcjg7j0e38v.exe", REG_BINARY, 1, false, false},
        {"101 bytes is too large", std::string(88, 'u') + "uninstall.exe", "rhcjg7j0e38v.exe", REG_SZ, 0, true, true},
        {"unterminated Run data ends before the marker does",
         std::string("XXXXXXXXXXXX.exe uninstall.exe") + std::string(1, '\0'), "rhcjg7j0e38v", REG_SZ, 1, false,
         true},
        {"a zero byte ends the text", std::string("uninstall.exe"), std::string("x\0rhcjg7j0e38v.exe", 18), REG_SZ, 1,
         false, true},
    };
    for (const BufferRow& row : rows) {
        SCOPED_TRACE(row.what);
        registry().Clear();
        registry().SetValue(HKEY_LOCAL_MACHINE, kUninstall, "UninstallString", REG_SZ, row.uninstallData);
        registry().SetValue(HKEY_LOCAL_MACHINE, kRun, "SMrhcjg7j0e38v", row.runType, row.runData);
        EXPECT_EQ(RemoveUninstallEntries(), row.expected);
        EXPECT_EQ(UninstallLeft(), row.uninstallLeft);
        EXPECT_EQ(RunLeft(), row.runLeft);
    }
}

}  // namespace
