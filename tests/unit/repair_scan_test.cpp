// One whole scan of an infected machine: the executable, the startup
// values that start it, the trojan's uninstall entry and a matching hosts
// file. The report lines come in order, and the registry and the files
// are left as the repair says.
#include <cstring>
#include <string>
#include <vector>

#include "detect/text_signature.h"
#include "sample_fixture.h"
#include "scan/scan_driver.h"
#include "scripted_dialog.h"

namespace {

const char kRun[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const char kRunServices[] = "Software\\Microsoft\\Windows\\CurrentVersion\\RunServices";
const char kUninstall[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\rhcjg7j0e38v";
const char kHosts[] = "C:\\WINDOWS\\SYSTEM32\\drivers\\etc\\hosts";
const char kInfected[] = "C:\\WINDOWS\\SYSTEM32\\rhcjg7j0e38v.exe";

std::string MatchingHosts() {
    const TextSignatureRecord& record = TextSignatureTable[0];
    std::string pattern(reinterpret_cast<const char*>(record.pattern), record.patternLength);
    for (char& c : pattern) c = static_cast<char>(c ^ 0x55);  // the table starts scrambled
    return "begin 644 hosts\r\n" + pattern + "\r\nend\r\n";
}

class RepairScanTest : public SampleTest {};

TEST_F(RepairScanTest, InfectedMachineIsCleanedInOrder) {
    const int record = 1;
    MakeFolder("C:\\WINDOWS");
    MakeFolder("C:\\WINDOWS\\SYSTEM32");
    MakeFolder("C:\\WINDOWS\\SYSTEM32\\drivers");
    MakeFolder("C:\\WINDOWS\\SYSTEM32\\drivers\\etc");
    MakeFile("C:\\readme.txt", "clean");
    MakeFile(kHosts, MatchingHosts());
    WriteMatch(kInfected, record);

    winsim::Registry& registry = machine().registry;
    registry.SetString(HKEY_LOCAL_MACHINE, kRun, "Loader", "\"C:\\WINDOWS\\SYSTEM32\\RHCJG7J0E38V.EXE\" /start");
    registry.SetString(HKEY_LOCAL_MACHINE, kRun, "SMrhcjg7j0e38v", "C:\\WINDOWS\\SYSTEM32\\rhcjg7j0e38v.exe");
    registry.SetString(HKEY_LOCAL_MACHINE, kRun, "Keep", "C:\\Tools\\keep.exe");
    registry.SetString(HKEY_LOCAL_MACHINE, kRunServices, "Svc", "%SystemRoot%\\system32\\rhcjg7j0e38v.exe",
                       REG_EXPAND_SZ);
    registry.SetString(HKEY_LOCAL_MACHINE, kUninstall, "UninstallString", "C:\\WINDOWS\\SYSTEM32\\uninstall.exe");
    registry.SetString(HKEY_LOCAL_MACHINE, kUninstall, "DisplayName", "rhcjg");

    strcpy(ScanTarget, "!:");
    MemoryStageActive = 1;
    ActionCode = kActionRemove;
    EXPECT_EQ(RunScan(), 1);

    // The hosts file goes first, inside the repair of the detection; its
    // deletion also takes the uninstall command and the trojan's Run value
    // (silently). Then the walks, then the executable itself. The hosts
    // file is gone before the walk reaches its folder.
    const std::vector<std::string> expected = {
        std::string(kHosts) + "     W32/Nyxem.Worm removed",
        "System Registry     W32/Gorvex.Trojan removed",
        "System Registry     W32/Gorvex.Trojan removed",
        std::string(kInfected) + "     " + NameOf(record) + " removed",
        " ",
        "Scanning statistics",
        "------------------------------",
        "Total files scanned\t\t:  2",
        "Total files infected\t\t:  2",
        "Total files removed\t\t:  2",
    };
    EXPECT_EQ(lines(), expected);

    EXPECT_FALSE(Exists(kHosts));
    EXPECT_FALSE(Exists(kInfected));
    EXPECT_TRUE(Exists("C:\\readme.txt"));
    EXPECT_EQ(registry.ValueNames(HKEY_LOCAL_MACHINE, kRun), std::vector<std::string>{"Keep"});
    EXPECT_TRUE(registry.ValueNames(HKEY_LOCAL_MACHINE, kRunServices).empty());
    EXPECT_EQ(registry.ValueNames(HKEY_LOCAL_MACHINE, kUninstall), std::vector<std::string>{"DisplayName"});
    EXPECT_STREQ(StartupValueName, "Svc");
    EXPECT_EQ(registry.OpenKeyCount(), 0u);
    EXPECT_EQ(RestartNeeded, 0);
    EXPECT_TRUE(Dialogs().calls.empty());
}

}  // namespace
