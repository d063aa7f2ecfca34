// The three registry primitives: their results, that every key they open
// is closed, and that a read never writes past the caller's buffer.
#include <cstring>

#include "repair/registry_primitives.h"
#include "test_machine.h"

namespace {

const char kKey[] = "Software\\Tessary\\Wardmont 2000";

class RegistryPrimitivesTest : public MachineTest {
protected:
    winsim::Registry& registry() { return machine().registry; }
};

TEST_F(RegistryPrimitivesTest, DeleteRegistryValueResults) {
    struct Row {
        const char* what;
        bool keyExists;
        bool valueExists;
        bool denyWrite;
        const char* failingCall;
        int expected;
        bool valueLeft;
        size_t closes;  // every key opened is closed; a refused close is not retried
    } rows[] = {
        {"control: deleted", true, true, false, nullptr, 1, false, 1},
        {"missing key", false, false, false, nullptr, 0, false, 0},
        {"missing value", true, false, false, nullptr, 0, false, 1},
        {"write-denied key", true, true, true, nullptr, 0, true, 0},
        {"deletion refused", true, true, false, "RegDeleteValueA", 0, true, 1},
        {"close fails after the deletion", true, true, false, "RegCloseKey", 0, false, 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        winsim::Reset();
        if (row.keyExists) registry().CreateKey(HKEY_LOCAL_MACHINE, kKey);
        if (row.valueExists) registry().SetString(HKEY_LOCAL_MACHINE, kKey, "Startup", "x");
        if (row.denyWrite) registry().DenyWrite(HKEY_LOCAL_MACHINE, kKey);
        if (row.failingCall) machine().faults.Fail(row.failingCall, ERROR_ACCESS_DENIED, "", 1);
        EXPECT_EQ(DeleteRegistryValue(HKEY_LOCAL_MACHINE, kKey, "startup"), row.expected);
        EXPECT_EQ(registry().HasValue(HKEY_LOCAL_MACHINE, kKey, "Startup"), row.valueLeft);
        EXPECT_EQ(registry().CallCount("RegCloseKey"), row.closes);
    }
}

TEST_F(RegistryPrimitivesTest, MissingKeyMakesNoFurtherCall) {
    char buffer[16];
    EXPECT_EQ(ReadRegistryValue(HKEY_LOCAL_MACHINE, kKey, "Installed Folder", buffer, sizeof buffer), 0);
    EXPECT_EQ(DeleteRegistryValue(HKEY_LOCAL_MACHINE, kKey, "Installed Folder"), 0);
    EXPECT_EQ(registry().calls, (std::vector<std::string>{"RegOpenKeyExA(Software\\Tessary\\Wardmont 2000)",
                                                           "RegOpenKeyExA(Software\\Tessary\\Wardmont 2000)"}));
}

// The buffer lies inside a larger, pre-filled one: nothing may change
// past `capacity`.
TEST_F(RegistryPrimitivesTest, ReadRegistryValueStaysInsideTheBuffer) {
    struct Row {
        const char* what;
        DWORD type;
        std::string stored;
        DWORD capacity;
        int expected;
        std::string text;  // the buffer's text on success
    } rows[] = {
        {"control: text", REG_SZ, std::string("C:\\Tools\0", 9), 16, 1, "C:\\Tools"},
        {"longer than the buffer", REG_SZ, std::string("0123456789abcdefgh\0", 19), 16, 0, ""},
        {"one byte over", REG_BINARY, std::string(17, 'a'), 16, 0, ""},
        {"no terminator", REG_SZ, "abc", 16, 1, "abc"},
        {"no terminator, fills the buffer", REG_SZ, std::string(16, 'b'), 16, 1, std::string(15, 'b')},
        {"no data", REG_SZ, "", 16, 1, ""},
        {"non-text copied as is", REG_DWORD, std::string("\x2a\x00\x00\x01", 4), 16, 1, "\x2a"},
        {"text of exactly the buffer", REG_EXPAND_SZ, std::string(15, 'c') + std::string(1, '\0'), 16, 1,
         std::string(15, 'c')},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        winsim::Reset();
        registry().SetValue(HKEY_LOCAL_MACHINE, kKey, "Installed Folder", row.type, row.stored);
        char area[64];
        memset(area, 0x5a, sizeof area);
        EXPECT_EQ(ReadRegistryValue(HKEY_LOCAL_MACHINE, kKey, "Installed Folder", area, row.capacity), row.expected);
        for (size_t i = row.capacity; i < sizeof area; ++i) ASSERT_EQ(area[i], 0x5a) << "byte " << i;
        if (row.expected == 1) {
            EXPECT_EQ(std::string(area), row.text);
            // The bytes read are the bytes stored.
            size_t compared = std::min<size_t>(row.stored.size(), row.capacity - 1);
            EXPECT_EQ(memcmp(area, row.stored.data(), compared), 0);
        } else {
            EXPECT_EQ(area[0], 0x5a) << "a failed read wrote into the buffer";
        }
        EXPECT_EQ(registry().OpenKeyCount(), 0u);
    }
}

TEST_F(RegistryPrimitivesTest, ReadRegistryValueFailures) {
    struct Row {
        const char* what;
        const char* failingCall;
        int skip;
        const char* valueName;
        int expected;
    } rows[] = {
        {"control", nullptr, 0, "Installed Folder", 1},
        {"missing value", nullptr, 0, "Other", 0},
        {"size query fails", "RegQueryValueExA", 0, "Installed Folder", 0},
        {"read fails", "RegQueryValueExA", 1, "Installed Folder", 0},
        {"close fails", "RegCloseKey", 0, "Installed Folder", 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        winsim::Reset();
        registry().SetString(HKEY_LOCAL_MACHINE, kKey, "Installed Folder", "C:\\Wardmont");
        if (row.failingCall) {
            winsim::FaultRule rule;
            rule.operation = row.failingCall;
            rule.skip = row.skip;
            rule.count = 1;
            machine().faults.Add(rule);
        }
        char buffer[300];
        EXPECT_EQ(ReadRegistryValue(HKEY_LOCAL_MACHINE, kKey, row.valueName, buffer, sizeof buffer), row.expected);
        EXPECT_EQ(registry().CallCount("RegCloseKey"), 1u);
    }
}

TEST_F(RegistryPrimitivesTest, DeleteMachineKeyDeletesOneKeyOnly) {
    registry().CreateKey(HKEY_LOCAL_MACHINE, "SYSTEM\\ControlSet001\\Services\\svc\\Enum");
    EXPECT_EQ(DeleteMachineKey("SYSTEM\\ControlSet001\\Services\\svc"), 0);  // has a subkey
    EXPECT_EQ(DeleteMachineKey("SYSTEM\\ControlSet001\\Services\\svc\\Enum"), 1);
    EXPECT_EQ(DeleteMachineKey("SYSTEM\\ControlSet001\\Services\\svc\\Enum"), 0);  // already gone
    EXPECT_EQ(DeleteMachineKey("system\\controlset001\\services\\SVC"), 1);
    EXPECT_FALSE(registry().HasKey(HKEY_LOCAL_MACHINE, "SYSTEM\\ControlSet001\\Services\\svc"));
    EXPECT_EQ(registry().CallCount("RegDeleteKeyA"), 4u);
}

}  // namespace
