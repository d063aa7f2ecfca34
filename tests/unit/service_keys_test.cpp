// A service's keys in both control sets: the six paths in order, each
// control set's subkeys first, and the result.
#include "repair/service_keys.h"
#include "test_machine.h"

namespace {

class ServiceKeysTest : public MachineTest {
protected:
    winsim::Registry& registry() { return machine().registry; }
    std::vector<std::string> Deletions() {
        std::vector<std::string> deletions;
        for (const std::string& call : registry().calls)
            if (call.compare(0, 13, "RegDeleteKeyA") == 0) deletions.push_back(call);
        return deletions;
    }
};

TEST_F(ServiceKeysTest, SixPathsInOrder) {
    EXPECT_EQ(RemoveServiceKeys("rhcjg"), 0);
    EXPECT_EQ(Deletions(), (std::vector<std::string>{
                               "RegDeleteKeyA(SYSTEM\\ControlSet001\\Services\\rhcjg\\Enum)",
                               "RegDeleteKeyA(SYSTEM\\ControlSet001\\Services\\rhcjg\\Security)",
                               "RegDeleteKeyA(SYSTEM\\ControlSet001\\Services\\rhcjg)",
                               "RegDeleteKeyA(SYSTEM\\CONTROLSET002\\SERVICES\\rhcjg\\Enum)",
                               "RegDeleteKeyA(SYSTEM\\ControlSet002\\Services\\rhcjg\\Security)",
                               "RegDeleteKeyA(SYSTEM\\ControlSet002\\Services\\rhcjg)",
                           }));
}

TEST_F(ServiceKeysTest, WhatIsRegisteredDecidesTheResult) {
    struct Row {
        const char* what;
        std::vector<std::string> keys;  // below SYSTEM
        int expected;
        std::vector<std::string> left;
    } rows[] = {
        {"control: nothing registered", {}, 0, {}},
        {"control set 1 only, with both subkeys",
         {"ControlSet001\\Services\\svc\\Enum", "ControlSet001\\Services\\svc\\Security"}, 1, {}},
        {"both sets", {"ControlSet001\\Services\\svc\\Enum", "ControlSet002\\Services\\svc\\Enum"}, 1, {}},
        {"another subkey keeps the service key",
         {"ControlSet002\\Services\\svc\\Enum", "ControlSet002\\Services\\svc\\Parameters"}, 1,
         {"ControlSet002\\Services\\svc\\Parameters"}},
        {"only a foreign subkey", {"ControlSet001\\Services\\svc\\Parameters"}, 0,
         {"ControlSet001\\Services\\svc\\Parameters"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        registry().Clear();
        registry().CreateKey(HKEY_LOCAL_MACHINE, "SYSTEM\\ControlSet001\\Services\\other");
        for (const std::string& key : row.keys) registry().CreateKey(HKEY_LOCAL_MACHINE, "SYSTEM\\" + key);
        EXPECT_EQ(RemoveServiceKeys("SVC"), row.expected);
        for (const char* set : {"ControlSet001", "ControlSet002"}) {
            for (const char* sub : {"\\Enum", "\\Security"})
                EXPECT_FALSE(registry().HasKey(HKEY_LOCAL_MACHINE, std::string("SYSTEM\\") + set + "\\Services\\svc" + sub));
        }
        for (const std::string& key : row.left) EXPECT_TRUE(registry().HasKey(HKEY_LOCAL_MACHINE, "SYSTEM\\" + key));
        EXPECT_TRUE(registry().HasKey(HKEY_LOCAL_MACHINE, "SYSTEM\\ControlSet001\\Services\\other"));
    }
}

TEST_F(ServiceKeysTest, NameTooLongForThePathIsNeverCut) {
    std::string name(490, 'n');
    registry().CreateKey(HKEY_LOCAL_MACHINE, "SYSTEM\\ControlSet001\\Services\\" + name.substr(0, 470));
    EXPECT_EQ(RemoveServiceKeys(name.c_str()), 0);
    EXPECT_TRUE(Deletions().empty());
}

}  // namespace
