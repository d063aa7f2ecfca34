// bruvane-scan --windows over installations made here: the machine each
// Windows version becomes; the same machine cleaned offline (hives loaded,
// scanned, written back) and live (the engine over the same files with the
// same registry preloaded) ends with the same report lines and the same
// registry; refusals; service keys; values a rewritten key keeps. The
// program itself (report, --remove, backups, 9x) is run_offline_scan.sh.
#include <gtest/gtest.h>
#include <stdio.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>

#include "common/shared_state.h"
#include "offline_scan.h"
#include "repair/service_keys.h"
#include "scan/scan_driver.h"
#include "test_hives.h"
#include "test_installation.h"
#include "test_machine.h"

namespace {

using testhives::InstallationValue;
using testhives::TestInstallation;
using testhives::WindowsKind;
namespace fs = std::filesystem;

const int32_t kActionRemove = 100;
const char kNoKey[] = "(no key)";

// Every value of every key the installation has, by hive and key path:
// the names left, in order, with type and bytes.
using RegistryState = std::map<std::string, std::vector<std::string>>;

std::string Entry(const std::string& name, uint32_t type, const std::string& bytes) {
    std::ostringstream entry;
    entry << name << " type " << type << " bytes";
    for (unsigned char c : bytes) entry << ' ' << static_cast<int>(c);
    return entry.str();
}

bool IsText(uint32_t type) {
    return type == testhives::kRegSz || type == testhives::kRegExpandSz || type == testhives::kRegMultiSz;
}

// The keys a 32-bit program sees: SOFTWARE through the 32-bit view, SYSTEM whole.
std::vector<std::pair<std::string, std::string>> VisibleKeys(const TestInstallation& t) {
    std::vector<std::pair<std::string, std::string>> keys;
    for (const InstallationValue& value : t.values)
        if (value.hive == "SYSTEM" || value.inView) keys.push_back({value.hive, value.keyPath});
    for (const auto& key : t.keys) keys.push_back(key);
    return keys;
}

RegistryState StateInMachine(const TestInstallation& t) {
    const winsim::Registry& registry = winsim::TheMachine().registry;
    RegistryState state;
    for (const auto& key : VisibleKeys(t)) {
        std::string path = key.first + "\\" + key.second;
        std::vector<std::string>& entries = state[path];
        entries.clear();
        if (!registry.HasKey(HKEY_LOCAL_MACHINE, path)) entries.push_back(kNoKey);
        for (const std::string& name : registry.ValueNames(HKEY_LOCAL_MACHINE, path)) {
            std::string bytes;
            DWORD type = 0;
            registry.GetValue(HKEY_LOCAL_MACHINE, path, name, &bytes, &type);
            // Text is kept as the hive keeps it, to compare the two.
            if (IsText(type)) bytes = testhives::Utf16(bytes.substr(0, bytes.size() - 1));
            entries.push_back(Entry(name, type, bytes));
        }
    }
    return state;
}

RegistryState StateInHives(const TestInstallation& t, const std::string& root) {
    RegistryState state;
    for (const auto& key : VisibleKeys(t)) {
        std::string hive = key.first == "SOFTWARE" ? SoftwareHivePath(t, root) : SystemHivePath(t, root);
        InstallationValue where{key.first, key.second, key.first == "SOFTWARE", "", 0, ""};
        std::string hivePath = HiveKeyPath(t, where);
        std::vector<std::string>& entries = state[key.first + "\\" + key.second];
        entries.clear();
        std::vector<testhives::HiveValue> values;
        if (!testhives::HiveHasKey(hive, hivePath)) entries.push_back(kNoKey);
        testhives::ReadHiveValues(hive, hivePath, &values);
        for (const testhives::HiveValue& value : values) entries.push_back(Entry(value.name, value.type, value.bytes));
    }
    return state;
}

// Every file below `root` with its bytes.
std::map<std::string, std::string> FilesBelow(const std::string& root) {
    std::map<std::string, std::string> files;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(root)) {
        if (!entry.is_regular_file()) continue;
        std::ifstream in(entry.path(), std::ios::binary);
        files[entry.path().string()] = std::string(std::istreambuf_iterator<char>(in), {});
    }
    return files;
}

class OfflineScanTest : public MachineTest {
protected:
    void SetUp() override {
        MachineTest::SetUp();
        quiet_ = fopen("/dev/null", "w");
    }
    void TearDown() override {
        fclose(quiet_);
        MachineTest::TearDown();
    }

    std::string Install(const TestInstallation& t, const std::string& name) {
        std::string root = HostRoot() + "/" + name;
        fs::create_directories(root);
        std::string error;
        EXPECT_TRUE(testhives::WriteInstallation(t, root, &error)) << error;
        return root;
    }

    // bruvane-scan --windows ROOT --remove, as its main runs it. False
    // when it refuses or cannot write a hive.
    bool RunOffline(const std::string& root, std::string* error) {
        machine().files.MapDrive('C', root, DRIVE_FIXED);
        OfflineScan scan;
        if (!StartOfflineScan(root, true, &scan, error)) return false;
        CopyText(ScanTarget, sizeof ScanTarget, "!:");
        ActionCode = kActionRemove;
        RunScan();
        return FinishOfflineScan(&scan, quiet_, error);
    }

    // The live program on the same machine: its files, its version and
    // folders, and its registry as a 32-bit program there sees it.
    void RunLive(const TestInstallation& t, const std::string& root) {
        machine().files.MapDrive('C', root, DRIVE_FIXED);
        winsim::VersionInfo& version = machine().version;
        version.platformId = VER_PLATFORM_WIN32_NT;
        const std::map<WindowsKind, std::pair<DWORD, DWORD>> numbers = {{WindowsKind::kNt4, {4, 0}},
                                                                       {WindowsKind::kXp, {5, 1}},
                                                                       {WindowsKind::kWindows7, {6, 1}},
                                                                       {WindowsKind::kWindows10x64, {10, 0}}};
        version.major = numbers.at(t.kind).first;
        version.minor = numbers.at(t.kind).second;
        std::string windows = "C:\\" + t.windowsFolder;
        machine().files.windowsDirectory = windows;
        machine().environment.systemDirectory = windows + "\\system32";
        machine().environment.Set("SystemRoot", windows);
        for (const auto& key : VisibleKeys(t)) machine().registry.CreateKey(HKEY_LOCAL_MACHINE, key.first + "\\" + key.second);
        for (const InstallationValue& value : t.values) {
            if (value.hive == "SOFTWARE" && !value.inView) continue;
            std::string path = value.hive + "\\" + value.keyPath;
            if (value.name == "ProgramFilesDir") machine().environment.Set("ProgramFiles", value.data);
            LONG error = 0;
            auto key = winsim::Registry::Find(machine().registry.Root(HKEY_LOCAL_MACHINE), path, &error);
            ASSERT_TRUE(key) << path;
            key->valuesInCreationOrder = true;  // as Windows enumerates
            key->SetValue(value.name, value.type, IsText(value.type) ? value.data + '\0' : value.data);
        }
        CopyText(ScanTarget, sizeof ScanTarget, "!:");
        ActionCode = kActionRemove;
        RunScan();
    }

    FILE* quiet_ = nullptr;
};

TEST_F(OfflineScanTest, TheMachineBecomesTheInstallation) {
    struct Row {
        WindowsKind kind;
        DWORD platform, major, minor, build;
        const char* windows;
        const char* system;
        const char* programFiles;  // %ProgramFiles% as the 32-bit program expands it
    };
    const Row rows[] = {
        {WindowsKind::kNt4, VER_PLATFORM_WIN32_NT, 4, 0, 1381, "C:\\WINNT", "C:\\WINNT\\system32", "C:\\Program Files"},
        {WindowsKind::kXp, VER_PLATFORM_WIN32_NT, 5, 1, 2600, "C:\\WINDOWS", "C:\\WINDOWS\\system32", "C:\\Program Files"},
        {WindowsKind::kWindows7, VER_PLATFORM_WIN32_NT, 6, 1, 7601, "C:\\Windows", "C:\\Windows\\system32",
         "C:\\Program Files"},
        // CurrentVersion says 6.3 on Windows 10; the numbers beside it tell.
        {WindowsKind::kWindows10x64, VER_PLATFORM_WIN32_NT, 10, 0, 19045, "C:\\Windows", "C:\\Windows\\system32",
         "C:\\Program Files (x86)"},
        {WindowsKind::kWindows98, VER_PLATFORM_WIN32_WINDOWS, 4, 10, 2222, "C:\\WINDOWS", "C:\\WINDOWS\\SYSTEM",
         "%ProgramFiles%"},
    };
    for (const Row& row : rows) {
        TestInstallation t = testhives::InfectedInstallation(row.kind);
        SCOPED_TRACE(t.windowsFolder + (t.wow64 ? " 64-bit" : ""));
        ResetMachine();
        std::string root = Install(t, "kind" + std::to_string(static_cast<int>(row.kind)));
        OfflineScan scan;
        std::string error;
        ASSERT_TRUE(StartOfflineScan(root, false, &scan, &error)) << error;
        const winsim::VersionInfo& version = machine().version;
        EXPECT_EQ(version.platformId, row.platform);
        EXPECT_EQ(version.major, row.major);
        EXPECT_EQ(version.minor, row.minor);
        EXPECT_EQ(version.build, row.build);
        char folder[MAX_PATH];
        GetWindowsDirectoryA(folder, sizeof folder);
        EXPECT_STREQ(folder, row.windows);
        GetSystemDirectoryA(folder, sizeof folder);
        EXPECT_STREQ(folder, row.system);
        ExpandEnvironmentStringsA("%ProgramFiles%", folder, sizeof folder);
        EXPECT_STREQ(folder, row.programFiles);
        // The Run key as the 32-bit program enumerates it: the hive's order.
        std::vector<std::string> run = machine().registry.ValueNames(
            HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\Run");
        if (row.kind == WindowsKind::kWindows98)
            EXPECT_TRUE(run.empty());
        else
            EXPECT_EQ(run, (std::vector<std::string>{"ctfmon", "svcupd", "Bin", "SMrhcjg7j0e38v", "Tray"}));
        FinishOfflineScan(&scan, quiet_, &error);
    }
}

TEST_F(OfflineScanTest, CleansEachWindowsAsTheLiveProgramDoes) {
    for (WindowsKind kind :
         {WindowsKind::kNt4, WindowsKind::kXp, WindowsKind::kWindows7, WindowsKind::kWindows10x64}) {
        TestInstallation t = testhives::InfectedInstallation(kind);
        SCOPED_TRACE(t.windowsFolder + (t.wow64 ? " 64-bit" : ""));
        ResetMachine();
        RunLive(t, Install(t, "live" + std::to_string(static_cast<int>(kind))));
        std::vector<std::string> liveLines = lines();
        RegistryState liveRegistry = StateInMachine(t);

        ResetMachine();
        std::string root = Install(t, "offline" + std::to_string(static_cast<int>(kind)));
        std::string error;
        ASSERT_TRUE(RunOffline(root, &error)) << error;
        EXPECT_EQ(lines(), liveLines);
        EXPECT_EQ(StateInHives(t, root), liveRegistry);

        // What both did: the two startup values of the infected file with
        // a line each, the uninstall command and the trojan's own Run value
        // silently; the neighbours and the service registration stay.
        size_t registryLines = 0;
        for (const std::string& line : liveLines) registryLines += line == "System Registry     W32/Gorvex.Trojan removed";
        EXPECT_EQ(registryLines, 2u);
        const std::string run = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
        ASSERT_EQ(liveRegistry[run].size(), 3u);
        EXPECT_EQ(liveRegistry[run][0].substr(0, 7), "ctfmon ");
        EXPECT_EQ(liveRegistry[run][1], Entry("Bin", testhives::kRegBinary, std::string("\x01\x00\xFE\x7F\x80", 5)));
        EXPECT_EQ(liveRegistry[run][2], Entry("Tray", testhives::kRegExpandSz, testhives::Utf16("%SystemRoot%\\tray.exe")));
        EXPECT_EQ(liveRegistry["SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\rhcjg7j0e38v"].size(), 1u);
        EXPECT_TRUE(testhives::HiveHasKey(SystemHivePath(t, root), "ControlSet002\\Services\\svcupd\\Enum"));
        EXPECT_FALSE(fs::exists(root + "/" + t.windowsFolder + "/" + t.systemFolder + "/svcupd.exe"));
        if (t.wow64) {
            // The 64-bit view, which the 32-bit program never sees, keeps its value.
            std::vector<testhives::HiveValue> native;
            testhives::ReadHiveValues(SoftwareHivePath(t, root), "Microsoft\\Windows\\CurrentVersion\\Run", &native);
            ASSERT_EQ(native.size(), 1u);
            EXPECT_EQ(native[0].name, "svcupd64");
        }
    }
}

TEST_F(OfflineScanTest, RefusesWhatIsNoInstallationOrCannotBeOpened) {
    struct Row {
        const char* what;
        std::function<void(const TestInstallation&, const std::string&)> spoil;
        const char* error;  // "" for the control row
    };
    auto flipByte = [](const std::string& path, long at) {
        std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
        file.seekp(at);
        file.put('\x5A');
    };
    const std::vector<Row> rows = {
        {"intact (control)", [](const TestInstallation&, const std::string&) {}, ""},
        {"SOFTWARE's base block damaged",
         [&](const TestInstallation& t, const std::string& root) { flipByte(SoftwareHivePath(t, root), 0x30); },
         "the SOFTWARE hive C:\\WINDOWS\\system32\\config\\software cannot be opened"},
        {"SYSTEM cut short",
         [](const TestInstallation& t, const std::string& root) { fs::resize_file(SystemHivePath(t, root), 0x1800); },
         "the SYSTEM hive C:\\WINDOWS\\system32\\config\\system cannot be opened"},
        {"no SYSTEM hive",
         [](const TestInstallation& t, const std::string& root) { fs::remove(SystemHivePath(t, root)); },
         "C:\\WINDOWS\\system32\\config has no SYSTEM hive"},
        {"no Windows folder",
         [](const TestInstallation& t, const std::string& root) { fs::rename(root + "/" + t.windowsFolder, root + "/old"); },
         "is not a Windows installation"},
        {"SOFTWARE's last write unfinished",
         [](const TestInstallation& t, const std::string& root) {
             // The second sequence number behind the first, the checksum
             // made right again: only the unfinished write is wrong.
             std::fstream file(SoftwareHivePath(t, root), std::ios::in | std::ios::out | std::ios::binary);
             uint32_t words[128];
             file.read(reinterpret_cast<char*>(words), sizeof words);
             words[2] = words[1] + 1;
             words[127] = 0;
             for (int i = 0; i < 127; ++i) words[127] ^= words[i];
             file.seekp(0);
             file.write(reinterpret_cast<const char*>(words), sizeof words);
         },
         "was not saved completely by Windows"},
        {"no version in SOFTWARE",
         [](const TestInstallation& t, const std::string& root) {
             testhives::WriteEmptyHive(SoftwareHivePath(t, root));
         },
         "names no Windows version"},
    };
    TestInstallation t = testhives::InfectedInstallation(WindowsKind::kXp);
    for (size_t i = 0; i < rows.size(); ++i) {
        SCOPED_TRACE(rows[i].what);
        ResetMachine();
        std::string root = Install(t, "row" + std::to_string(i));
        rows[i].spoil(t, root);
        std::map<std::string, std::string> before = FilesBelow(root);
        OfflineScan scan;
        std::string error;
        bool started = StartOfflineScan(root, true, &scan, &error);
        EXPECT_EQ(started, rows[i].error[0] == '\0') << error;
        if (started) {
            FinishOfflineScan(&scan, quiet_, &error);
        } else {
            EXPECT_NE(error.find(rows[i].error), std::string::npos) << error;
        }
        EXPECT_EQ(FilesBelow(root), before);
    }
}

TEST_F(OfflineScanTest, DeletedServiceKeysLeaveTheHiveAsTheyLeftTheMachine) {
    // Offline the memory stage finds nothing; here its key deletion runs
    // on the loaded registry, as when an infected service survives.
    struct Row {
        const char* what;
        bool extraSubkey;  // Services\svcupd\Parameters: NT then keeps the service key
    };
    for (const Row& row : {Row{"Enum and Security only", false}, Row{"with a Parameters subkey", true}}) {
        SCOPED_TRACE(row.what);
        ResetMachine();
        TestInstallation t = testhives::InfectedInstallation(WindowsKind::kXp);
        if (row.extraSubkey) t.keys.push_back({"SYSTEM", "ControlSet001\\Services\\svcupd\\Parameters"});
        std::string root = Install(t, row.extraSubkey ? "kept" : "gone");
        std::string system = SystemHivePath(t, root);
        std::vector<testhives::HiveValue> tcpipBefore;
        testhives::ReadHiveValues(system, "ControlSet001\\Services\\Tcpip\\Parameters", &tcpipBefore);
        machine().files.MapDrive('C', root, DRIVE_FIXED);
        OfflineScan scan;
        std::string error;
        ASSERT_TRUE(StartOfflineScan(root, true, &scan, &error)) << error;
        EXPECT_EQ(RemoveServiceKeys("svcupd"), 1);
        ASSERT_TRUE(FinishOfflineScan(&scan, quiet_, &error)) << error;

        EXPECT_FALSE(testhives::HiveHasKey(system, "ControlSet001\\Services\\svcupd\\Enum"));
        EXPECT_FALSE(testhives::HiveHasKey(system, "ControlSet001\\Services\\svcupd\\Security"));
        EXPECT_EQ(testhives::HiveHasKey(system, "ControlSet001\\Services\\svcupd"), row.extraSubkey);
        EXPECT_EQ(testhives::HiveHasKey(system, "ControlSet001\\Services\\svcupd\\Parameters"), row.extraSubkey);
        EXPECT_FALSE(testhives::HiveHasKey(system, "ControlSet002\\Services\\svcupd"));
        std::vector<testhives::HiveValue> tcpipAfter;
        testhives::ReadHiveValues(system, "ControlSet001\\Services\\Tcpip\\Parameters", &tcpipAfter);
        ASSERT_EQ(tcpipAfter.size(), 1u);
        EXPECT_EQ(tcpipAfter[0].bytes, tcpipBefore[0].bytes);
    }
}

TEST_F(OfflineScanTest, ValuesKeptByARewrittenKeyStayByteForByte) {
    TestInstallation t = testhives::InfectedInstallation(WindowsKind::kXp);
    const std::string run = "Microsoft\\Windows\\CurrentVersion\\Run";
    std::string root = Install(t, "xp");
    std::string software = SoftwareHivePath(t, root);
    // A lone surrogate is not UTF-16 text: never read, kept as it is. Names
    // and text beyond ASCII, and a type Windows 10 uses for its own data.
    const std::vector<testhives::HiveValue> odd = {
        {"Broken", testhives::kRegSz, std::string("C\0:\0\\\0\x00\xD8x\0\0\0", 12)},
        {"Überwachung", testhives::kRegSz, testhives::Utf16("C:\\Programme\\Büro\\wächter.exe")},
        {"Packed", 0x20003, std::string("\xFF\x00\x01", 3)},
    };
    ASSERT_TRUE(testhives::SetHiveValues(software, run, odd));
    std::vector<testhives::HiveValue> before;
    ASSERT_TRUE(testhives::ReadHiveValues(software, run, &before));

    std::string error;
    ASSERT_TRUE(RunOffline(root, &error)) << error;
    std::vector<testhives::HiveValue> after;
    ASSERT_TRUE(testhives::ReadHiveValues(software, run, &after));
    std::vector<std::string> expected, kept;
    for (const testhives::HiveValue& v : before)
        if (v.name != "svcupd" && v.name != "SMrhcjg7j0e38v") expected.push_back(Entry(v.name, v.type, v.bytes));
    for (const testhives::HiveValue& v : after) kept.push_back(Entry(v.name, v.type, v.bytes));
    EXPECT_EQ(kept, expected);
}

}  // namespace
