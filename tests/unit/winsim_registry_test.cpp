// The simulated registry and environment: what the conformance suite
// cannot reach on Wine (write-denied keys, faults, stale handles, the
// performance-data hand-off, 9x folders).
#include <cstring>

#include "test_machine.h"

namespace {

const char kRun[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

class WinsimRegistryTest : public MachineTest {
protected:
    winsim::Registry& registry() { return machine().registry; }
    HKEY Open(const char* path, REGSAM access, LONG* result) {
        HKEY key = nullptr;
        *result = RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, access, &key);
        return key;
    }
};

TEST_F(WinsimRegistryTest, WriteDeniedKeyOpensForReadingOnly) {
    registry().SetString(HKEY_LOCAL_MACHINE, kRun, "Tool", "C:\\tool.exe");
    ASSERT_TRUE(registry().DenyWrite(HKEY_LOCAL_MACHINE, kRun));
    struct Row {
        REGSAM access;
        LONG expected;
    } rows[] = {
        {KEY_READ, ERROR_SUCCESS},        // control
        {KEY_QUERY_VALUE, ERROR_SUCCESS},  // control
        {KEY_ALL_ACCESS, ERROR_ACCESS_DENIED},
        {KEY_SET_VALUE, ERROR_ACCESS_DENIED},
        {KEY_WRITE, ERROR_ACCESS_DENIED},
        {0x40000000u /* GENERIC_WRITE */, ERROR_ACCESS_DENIED},
    };
    for (const Row& row : rows) {
        LONG result = -1;
        HKEY key = Open(kRun, row.access, &result);
        EXPECT_EQ(result, row.expected) << std::hex << row.access;
        if (key) RegCloseKey(key);
    }
    // Through the root handle, which has full access, the key still refuses.
    HKEY reader = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, kRun, 0, KEY_READ, &reader), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteValueA(reader, "Tool"), ERROR_ACCESS_DENIED);
    RegCloseKey(reader);
    EXPECT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, kRun), ERROR_ACCESS_DENIED);
    EXPECT_TRUE(registry().HasValue(HKEY_LOCAL_MACHINE, kRun, "tool"));
    EXPECT_EQ(registry().OpenKeyCount(), 0u);
}

TEST_F(WinsimRegistryTest, EveryCallFailsOnInjectionWithTheRuleError) {
    registry().SetString(HKEY_LOCAL_MACHINE, kRun, "Tool", "x");
    registry().CreateKey(HKEY_LOCAL_MACHINE, "Software\\Gone");
    LONG result = -1;
    HKEY key = Open(kRun, KEY_ALL_ACCESS, &result);
    ASSERT_EQ(result, ERROR_SUCCESS);

    machine().faults.Fail("RegQueryValueExA", 1234, "Tool");
    DWORD size = 0;
    EXPECT_EQ(RegQueryValueExA(key, "Tool", nullptr, nullptr, nullptr, &size), 1234);
    machine().faults.Fail("RegEnumValueA", 1235, "Tool");
    char name[16];
    DWORD length = sizeof name;
    EXPECT_EQ(RegEnumValueA(key, 0, name, &length, nullptr, nullptr, nullptr, nullptr), 1235);
    machine().faults.Fail("RegQueryInfoKeyA", 1236, "CurrentVersion\\Run");
    DWORD values = 0;
    EXPECT_EQ(RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr, nullptr,
                               nullptr, nullptr),
              1236);
    machine().faults.Fail("RegDeleteValueA", 1237, "Tool");
    EXPECT_EQ(RegDeleteValueA(key, "Tool"), 1237);
    machine().faults.Fail("RegDeleteKeyA", 1238, "Gone");
    EXPECT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\Gone"), 1238);
    machine().faults.Fail("RegOpenKeyExA", 1239, "Gone");
    HKEY other = nullptr;
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Gone", 0, KEY_READ, &other), 1239);
    EXPECT_EQ(other, nullptr);

    // A failed close keeps the handle; the next close succeeds.
    machine().faults.Fail("RegCloseKey", ERROR_INVALID_HANDLE, "CurrentVersion\\Run", 1);
    EXPECT_EQ(RegCloseKey(key), ERROR_INVALID_HANDLE);
    EXPECT_EQ(registry().OpenKeyCount(), 1u);
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    EXPECT_EQ(registry().OpenKeyCount(), 0u);
    EXPECT_TRUE(registry().HasValue(HKEY_LOCAL_MACHINE, kRun, "Tool"));
}

TEST_F(WinsimRegistryTest, EnumerationWithDataAndBuffersTooSmall) {
    registry().SetValue(HKEY_LOCAL_MACHINE, kRun, "Name", REG_BINARY, std::string("\x01\x02\x03", 3));
    LONG result = -1;
    HKEY key = Open(kRun, KEY_READ, &result);
    char name[8];
    BYTE data[8];
    DWORD type = 0;

    // Data too small: nothing written, the name length kept, the size needed back.
    memset(name, 'x', sizeof name);
    memset(data, 0xbd, sizeof data);
    DWORD nameLength = sizeof name;
    DWORD dataSize = 2;
    EXPECT_EQ(RegEnumValueA(key, 0, name, &nameLength, nullptr, &type, data, &dataSize), ERROR_MORE_DATA);
    EXPECT_EQ(nameLength, sizeof name);
    EXPECT_EQ(dataSize, 3u);
    EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
    EXPECT_EQ(name[0], 'x');
    EXPECT_EQ(data[0], 0xbd);

    // Name exactly without room for its terminator.
    nameLength = 4;
    dataSize = sizeof data;
    EXPECT_EQ(RegEnumValueA(key, 0, name, &nameLength, nullptr, &type, data, &dataSize), ERROR_MORE_DATA);

    nameLength = 5;
    dataSize = sizeof data;
    EXPECT_EQ(RegEnumValueA(key, 0, name, &nameLength, nullptr, &type, data, &dataSize), ERROR_SUCCESS);
    EXPECT_STREQ(name, "Name");
    EXPECT_EQ(nameLength, 4u);
    EXPECT_EQ(dataSize, 3u);
    EXPECT_EQ(memcmp(data, "\x01\x02\x03\xbd", 4), 0);
    RegCloseKey(key);
}

TEST_F(WinsimRegistryTest, HandleOfADeletedKeyAnswersKeyDeleted) {
    registry().SetString(HKEY_LOCAL_MACHINE, "Software\\Old", "v", "x");
    LONG result = -1;
    HKEY key = Open("Software\\Old", KEY_READ, &result);
    ASSERT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\old"), ERROR_SUCCESS);
    DWORD size = 0;
    EXPECT_EQ(RegQueryValueExA(key, "v", nullptr, nullptr, nullptr, &size), ERROR_KEY_DELETED);
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    EXPECT_FALSE(registry().HasKey(HKEY_LOCAL_MACHINE, "Software\\Old"));
    EXPECT_TRUE(registry().HasKey(HKEY_LOCAL_MACHINE, "Software"));
}

TEST_F(WinsimRegistryTest, BadArgumentsAndRoots) {
    HKEY key = reinterpret_cast<HKEY>(static_cast<uintptr_t>(0x9999));
    EXPECT_EQ(RegOpenKeyExA(key, "x", 0, KEY_READ, &key), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "\\Software", 0, KEY_READ, &key), ERROR_BAD_PATHNAME);
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software", 0, KEY_READ, nullptr), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, ""), ERROR_ACCESS_DENIED);  // the root itself
    EXPECT_EQ(RegCloseKey(HKEY_LOCAL_MACHINE), ERROR_SUCCESS);
    // Every root is its own tree.
    registry().CreateKey(HKEY_CURRENT_USER, "Software\\Mine");
    EXPECT_FALSE(registry().HasKey(HKEY_LOCAL_MACHINE, "Software\\Mine"));
    // A trailing backslash names the same key.
    LONG result = RegOpenKeyExA(HKEY_CURRENT_USER, "software\\MINE\\", 0, KEY_READ, &key);
    EXPECT_EQ(result, ERROR_SUCCESS);
    if (result == ERROR_SUCCESS) RegCloseKey(key);
}

// Whatever the process table answers reaches the caller unchanged.
TEST_F(WinsimRegistryTest, PerformanceDataQueriesReachTheProcessTable) {
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_PERFORMANCE_DATA, nullptr, 0, KEY_READ, &key), ERROR_SUCCESS);
    EXPECT_EQ(key, HKEY_PERFORMANCE_DATA);
    DWORD type = 0;
    BYTE block[64];
    DWORD directSize = sizeof block;
    LONG direct = winsim::QueryPerformanceData("230", &type, block, &directSize);
    DWORD size = sizeof block;
    EXPECT_EQ(RegQueryValueExA(HKEY_PERFORMANCE_DATA, "230", nullptr, &type, block, &size), direct);
    EXPECT_EQ(size, directSize);
    EXPECT_EQ(registry().CallCount("RegQueryValueExA"), 1u);
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
}

TEST_F(WinsimRegistryTest, SetUpHelpersStoreExactBytes) {
    registry().SetString(HKEY_LOCAL_MACHINE, kRun, "b", "text");
    registry().SetValue(HKEY_LOCAL_MACHINE, kRun, "A", REG_SZ, "raw");
    registry().SetDword(HKEY_LOCAL_MACHINE, kRun, "c", 0x01020304);
    std::string bytes;
    DWORD type = 0;
    ASSERT_TRUE(registry().GetValue(HKEY_LOCAL_MACHINE, kRun, "B", &bytes, &type));
    EXPECT_EQ(bytes, std::string("text", 5));
    ASSERT_TRUE(registry().GetValue(HKEY_LOCAL_MACHINE, kRun, "a", &bytes));
    EXPECT_EQ(bytes, "raw");
    ASSERT_TRUE(registry().GetValue(HKEY_LOCAL_MACHINE, kRun, "c", &bytes, &type));
    EXPECT_EQ(bytes, std::string("\x04\x03\x02\x01", 4));
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(registry().ValueNames(HKEY_LOCAL_MACHINE, kRun), (std::vector<std::string>{"A", "b", "c"}));
    EXPECT_EQ(registry().GetString(HKEY_LOCAL_MACHINE, kRun, "b"), "text");
}

TEST_F(WinsimRegistryTest, EnvironmentAndSystemFolderFollowTheMachine) {
    char buffer[64];
    winsim::SetWindows98();
    EXPECT_EQ(GetSystemDirectoryA(buffer, sizeof buffer), 17u);
    EXPECT_STREQ(buffer, "C:\\WINDOWS\\SYSTEM");
    winsim::SetWindowsXp();
    EXPECT_EQ(GetSystemDirectoryA(buffer, sizeof buffer), 19u);
    EXPECT_STREQ(buffer, "C:\\WINDOWS\\SYSTEM32");
    machine().environment.systemDirectory = "D:\\WINNT\\system32";
    EXPECT_EQ(GetSystemDirectoryA(buffer, 17), 18u);  // too small: the size needed
    EXPECT_STREQ(buffer, "C:\\WINDOWS\\SYSTEM32");   // untouched
    machine().faults.Fail("GetSystemDirectoryA");
    EXPECT_EQ(GetSystemDirectoryA(buffer, sizeof buffer), 0u);

    machine().environment.Set("WINDIR", "E:\\W");
    EXPECT_EQ(ExpandEnvironmentStringsA("%windir%\\x;%SystemRoot%", buffer, sizeof buffer), 18u);
    EXPECT_STREQ(buffer, "E:\\W\\x;C:\\WINDOWS");
    machine().environment.Unset("SystemRoot");
    ExpandEnvironmentStringsA("%SystemRoot%", buffer, sizeof buffer);
    EXPECT_STREQ(buffer, "%SystemRoot%");
    machine().faults.Fail("ExpandEnvironmentStringsA", 5, "%windir%");
    EXPECT_EQ(ExpandEnvironmentStringsA("%windir%", buffer, sizeof buffer), 0u);
}

// %windir% names the folder GetWindowsDirectoryA answers, wherever a test
// moves it, until windir is given a value of its own.
TEST_F(WinsimRegistryTest, WindirFollowsTheWindowsFolderUntilSetItself) {
    char expanded[64];
    ExpandEnvironmentStringsA("%WinDir%\\x", expanded, sizeof expanded);
    EXPECT_STREQ(expanded, "C:\\WINDOWS\\x");
    machine().files.windowsDirectory = "D:\\WINNT";
    EXPECT_EQ(ExpandEnvironmentStringsA("%WinDir%\\x", expanded, sizeof expanded), 11u);
    EXPECT_STREQ(expanded, "D:\\WINNT\\x");

    machine().environment.Set("windir", "E:\\W");
    ExpandEnvironmentStringsA("%windir%", expanded, sizeof expanded);
    EXPECT_STREQ(expanded, "E:\\W");
    char folder[64];
    EXPECT_EQ(GetWindowsDirectoryA(folder, sizeof folder), 8u);  // the folder itself stays
    EXPECT_STREQ(folder, "D:\\WINNT");
}

}  // namespace

namespace {

// Wine enumerates a key's values by name; Windows, as an offline hive
// holds them, in the order they were made. A key can do either.
TEST_F(WinsimRegistryTest, ValuesEnumerateByNameOrInCreationOrder) {
    for (bool creationOrder : {false, true}) {
        const std::string path = creationOrder ? "Software\\Created" : "Software\\Named";
        registry().CreateKey(HKEY_LOCAL_MACHINE, path);
        LONG error = 0;
        auto key = winsim::Registry::Find(registry().Root(HKEY_LOCAL_MACHINE), path, &error);
        ASSERT_TRUE(key);
        key->valuesInCreationOrder = creationOrder;
        for (const char* name : {"zeta", "Alpha", "mid"}) registry().SetString(HKEY_LOCAL_MACHINE, path, name, "x");
        registry().SetString(HKEY_LOCAL_MACHINE, path, "ALPHA", "replaced in place");
        LONG result = -1;
        HKEY opened = Open(path.c_str(), KEY_READ, &result);
        ASSERT_EQ(result, ERROR_SUCCESS);
        std::vector<std::string> names;
        char name[64];
        for (DWORD i = 0;; ++i) {
            DWORD length = sizeof name;
            if (RegEnumValueA(opened, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
            names.push_back(name);
        }
        RegCloseKey(opened);
        EXPECT_EQ(names, creationOrder ? (std::vector<std::string>{"zeta", "Alpha", "mid"})
                                       : (std::vector<std::string>{"Alpha", "mid", "zeta"}));
    }
}

}  // namespace
