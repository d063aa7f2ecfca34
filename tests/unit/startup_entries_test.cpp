// The repair around each detection: the hosts file per platform, the
// remembered startup value deleted by name from three keys, and the two
// startup-key walks.
#include <string>

#include "common/shared_state.h"
#include "detect/text_signature.h"
#include "repair/startup_entries.h"
#include "test_machine.h"

namespace {

const char kRun[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const char kRunServices[] = "Software\\Microsoft\\Windows\\CurrentVersion\\RunServices";
const char kUninstall[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\rhcjg7j0e38v";
const char kNtHosts[] = "C:\\WINDOWS\\SYSTEM32\\drivers\\etc\\hosts";
const char k9xHosts[] = "C:\\WINDOWS\\hosts";

std::string MatchingHosts() {
    const TextSignatureRecord& record = TextSignatureTable[0];
    std::string pattern(reinterpret_cast<const char*>(record.pattern), record.patternLength);
    for (char& c : pattern) c = static_cast<char>(c ^ 0x55);  // each test starts scrambled
    return "begin 644 hosts\r\n" + pattern + "\r\n";
}

class StartupEntriesTest : public MachineTest {
protected:
    void SetUp() override {
        MachineTest::SetUp();
        MapDrive('C');
        MakeFolder("C:\\WINDOWS");
        MakeFolder("C:\\WINDOWS\\SYSTEM32");
        MakeFolder("C:\\WINDOWS\\SYSTEM32\\drivers");
        MakeFolder("C:\\WINDOWS\\SYSTEM32\\drivers\\etc");
        ActionCode = kActionLeave;  // report the hosts file, leave it
    }
    winsim::Registry& registry() { return machine().registry; }
    void Detected(const char* path) { CopyText(CurrentFilePath, sizeof CurrentFilePath, path); }
    static std::string HostsLine(const char* path) {
        return std::string(path) + "     W32/Nyxem.Worm Not Disinfected As Per User's Selection";
    }
};

TEST_F(StartupEntriesTest, HostsFileOfEachPlatform) {
    MakeFile(kNtHosts, MatchingHosts());
    MakeFile(k9xHosts, MatchingHosts());
    struct Row {
        const char* what;
        void (*platform)();
        const char* hostsChecked;  // nullptr: no hosts check
    } rows[] = {
        {"XP", winsim::SetWindowsXp, kNtHosts},
        {"NT 4", winsim::SetNt4, kNtHosts},
        {"Windows 98", winsim::SetWindows98, k9xHosts},
        {"Win32s (kind 1)", [] { winsim::TheMachine().version.platformId = VER_PLATFORM_WIN32s; }, nullptr},
        {"version query fails (kind 0)", [] { winsim::TheMachine().version.queryFails = true; }, nullptr},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        ResetProgramState();
        MainWindowHandle = Recorded().handle;
        ActionCode = kActionLeave;
        Recorded().lines.clear();
        registry().Clear();
        machine().version = winsim::VersionInfo();
        row.platform();
        // Steps after the hosts check still run on every platform.
        CopyText(StartupValueName, sizeof StartupValueName, "Old");
        registry().SetString(HKEY_LOCAL_MACHINE, kRunServices, "Old", "x");
        registry().SetString(HKEY_LOCAL_MACHINE, kRun, "Tool", "C:\\Bad\\x.exe");
        Detected("C:\\Bad\\x.exe");
        EXPECT_EQ(CleanStartupEntries("W32/Gorvex.Pfw.Trojan"), 1);
        std::vector<std::string> expected;
        if (row.hostsChecked) expected.push_back(HostsLine(row.hostsChecked));
        expected.push_back("System Registry     W32/Gorvex.Pfw.Trojan removed");
        expected.push_back("System Registry     W32/Gorvex.Trojan removed");
        EXPECT_EQ(lines(), expected);
        EXPECT_FALSE(registry().HasValue(HKEY_LOCAL_MACHINE, kRunServices, "Old"));
        EXPECT_FALSE(registry().HasValue(HKEY_LOCAL_MACHINE, kRun, "Tool"));
    }
}

// A walk remembers the name on the first detection; only the second one
// deletes it by name from the three keys.
TEST_F(StartupEntriesTest, FirstAndSecondDetection) {
    registry().SetString(HKEY_LOCAL_MACHINE, kRun, "Loader", "C:\\Bad\\first.exe");
    registry().SetString(HKEY_LOCAL_MACHINE, kRunServices, "Loader", "C:\\Elsewhere\\other.exe");
    registry().SetString(HKEY_LOCAL_MACHINE, kUninstall, "Loader", "y");

    Detected("C:\\Bad\\first.exe");
    CleanStartupEntries("W32/Gorvex.A.Trojan");
    EXPECT_EQ(lines(), std::vector<std::string>{"System Registry     W32/Gorvex.Trojan removed"});
    EXPECT_STREQ(StartupValueName, "Loader");
    EXPECT_TRUE(registry().HasValue(HKEY_LOCAL_MACHINE, kRunServices, "Loader"));
    EXPECT_TRUE(registry().HasValue(HKEY_LOCAL_MACHINE, kUninstall, "Loader"));

    Recorded().lines.clear();
    Detected("C:\\Bad\\second.exe");
    CleanStartupEntries("W32/Gorvex.B.Trojan");
    // Run no longer holds it, so two lines, with the second file's name.
    EXPECT_EQ(lines(), (std::vector<std::string>{"System Registry     W32/Gorvex.B.Trojan removed",
                                                  "System Registry     W32/Gorvex.B.Trojan removed"}));
    EXPECT_FALSE(registry().HasValue(HKEY_LOCAL_MACHINE, kRunServices, "Loader"));
    EXPECT_FALSE(registry().HasValue(HKEY_LOCAL_MACHINE, kUninstall, "Loader"));
}

TEST_F(StartupEntriesTest, DeletionsWithoutTheMainWindowAndWithoutAFile) {
    MainWindowHandle = nullptr;
    CopyText(StartupValueName, sizeof StartupValueName, "Old");
    registry().SetString(HKEY_LOCAL_MACHINE, kRun, "Old", "x");
    registry().SetString(HKEY_LOCAL_MACHINE, kRun, "Tool", "C:\\Bad\\x.exe");
    CleanStartupEntries("W32/Gorvex.Trojan ");
    EXPECT_FALSE(registry().HasValue(HKEY_LOCAL_MACHINE, kRun, "Old"));
    // No file under inspection: no walk.
    EXPECT_TRUE(registry().HasValue(HKEY_LOCAL_MACHINE, kRun, "Tool"));
    EXPECT_EQ(registry().CallCount("RegQueryInfoKeyA"), 0u);
    EXPECT_TRUE(lines().empty());
}

// The hosts path is built in 260 bytes: a folder too long for it skips
// the check instead of overrunning or checking a cut path.
TEST_F(StartupEntriesTest, SystemFolderTooLongForTheHostsPath) {
    struct Row {
        size_t folderLength;
        bool checked;
    } rows[] = {{241, true}, {242, false}, {259, false}, {300, false}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.folderLength);
        Recorded().lines.clear();
        std::string folder = "C:\\" + std::string(row.folderLength - 3, 'd');
        machine().environment.systemDirectory = folder;
        if (row.checked) {
            MakeFolder(folder);
            MakeFolder(folder + "\\drivers");
            MakeFolder(folder + "\\drivers\\etc");
            MakeFile(folder + "\\drivers\\etc\\hosts", MatchingHosts());
        }
        CleanStartupEntries("W32/Gorvex.Trojan ");
        EXPECT_EQ(lines().size(), row.checked ? 1u : 0u);
    }
}

TEST_F(StartupEntriesTest, SystemFolderQueryFailing) {
    MakeFolder("C:\\drivers");
    MakeFolder("C:\\drivers\\etc");
    MakeFile("C:\\drivers\\etc\\hosts", MatchingHosts());
    machine().faults.Fail("GetSystemDirectoryA");
    CleanStartupEntries("W32/Gorvex.Trojan ");
    EXPECT_TRUE(lines().empty());
}

}  // namespace
