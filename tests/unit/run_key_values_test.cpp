// The startup-key walk: which commands count as starting the infected
// file, the index lowered after each deletion, the remembered name.
#include <cstring>

#include "common/shared_state.h"
#include "repair/run_key_values.h"
#include "test_machine.h"

namespace {

const char kRun[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const char kLine[] = "System Registry     W32/Gorvex.Trojan removed";

class RunKeyValuesTest : public MachineTest {
protected:
    winsim::Registry& registry() { return machine().registry; }
    void Infected(const char* path) { CopyText(CurrentFilePath, sizeof CurrentFilePath, path); }
    void Value(const std::string& name, const std::string& command) {
        registry().SetString(HKEY_LOCAL_MACHINE, kRun, name, command);
    }
    std::vector<std::string> Left() { return registry().ValueNames(HKEY_LOCAL_MACHINE, kRun); }
};

TEST_F(RunKeyValuesTest, CommandsThatStartTheFile) {
    struct Row {
        const char* what;
        const char* infected;
        const char* command;
        bool deleted;
    } rows[] = {
        {"full path in another case", "C:\\Program Files\\Evil\\Evil.EXE", "c:\\program files\\evil\\evil.exe", true},
        {"quoted with arguments", "C:\\Program Files\\Evil\\evil.exe", "\"C:\\PROGRAM FILES\\Evil\\evil.exe\" -run -q",
         true},
        {"through %windir%", "C:\\WINDOWS\\evil.exe", "%windir%\\Evil.exe /s", true},
        {"quoted through %SystemRoot%", "C:\\WINDOWS\\system32\\evil.exe", "\"%SystemRoot%\\system32\\evil.exe\"",
         true},
        {"bare name, file in system32", "C:\\WINDOWS\\SYSTEM32\\evil.exe", "evil.exe", true},
        {"bare name, file in system", "C:\\WINDOWS\\System\\evil.exe", "EVIL.EXE -start", true},
        {"leading backslash counts as bare", "C:\\WINDOWS\\system32\\evil.exe", "\\evil.exe", true},
        {"control: bare name, file elsewhere", "C:\\Games\\evil.exe", "evil.exe", false},
        {"control: bare name in a folder named system32x", "C:\\system32x\\evil.exe", "evil.exe", false},
        {"control: path not at the start", "C:\\Games\\evil.exe", "rundll32 c:\\games\\evil.exe", false},
        {"control: another file", "C:\\Games\\evil.exe", "C:\\Games\\good.exe", false},
        {"control: a shorter path", "C:\\Games\\evil.exe", "C:\\Games\\evil", false},
        {"control: undefined variable", "C:\\WINDOWS\\evil.exe", "%nowhere%\\evil.exe", false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        registry().Clear();
        Recorded().lines.clear();
        StartupValueName[0] = '\0';
        Infected(row.infected);
        Value("Loader", row.command);
        CleanRunKeyValues(HKEY_LOCAL_MACHINE, kRun);
        EXPECT_EQ(Left().empty(), row.deleted);
        EXPECT_STREQ(StartupValueName, row.deleted ? "Loader" : "");
        EXPECT_EQ(lines(), row.deleted ? std::vector<std::string>{kLine} : std::vector<std::string>{});
        EXPECT_EQ(registry().OpenKeyCount(), 0u);
    }
}

TEST_F(RunKeyValuesTest, ConsecutiveMatchesAreAllDeleted) {
    Infected("C:\\Bad\\x.exe");
    Value("A", "C:\\ok.exe");
    Value("B", "C:\\Bad\\x.exe");
    Value("C", "c:\\bad\\X.EXE -again");
    Value("D", "C:\\ok2.exe");
    Value("E", "\"c:\\bad\\x.exe\"");
    CleanRunKeyValues(HKEY_LOCAL_MACHINE, kRun);
    EXPECT_EQ(Left(), (std::vector<std::string>{"A", "D"}));
    EXPECT_EQ(lines(), (std::vector<std::string>{kLine, kLine, kLine}));
    EXPECT_STREQ(StartupValueName, "E");
    // The walk compares a lower-cased copy; the shared path stays as it was.
    EXPECT_STREQ(CurrentFilePath, "C:\\Bad\\x.exe");
}

TEST_F(RunKeyValuesTest, NothingToWalk) {
    Infected("C:\\Bad\\x.exe");
    CleanRunKeyValues(HKEY_LOCAL_MACHINE, kRun);  // missing key
    EXPECT_EQ(registry().calls, std::vector<std::string>{std::string("RegOpenKeyExA(") + kRun + ")"});
    registry().CreateKey(HKEY_LOCAL_MACHINE, kRun);  // no values
    CleanRunKeyValues(HKEY_LOCAL_MACHINE, kRun);
    EXPECT_EQ(registry().CallCount("RegEnumValueA"), 0u);
    EXPECT_EQ(registry().OpenKeyCount(), 0u);
    EXPECT_TRUE(lines().empty());
}

TEST_F(RunKeyValuesTest, PathWithoutBackslashEndsTheWalk) {
    Infected("evil.exe");
    Value("A", "evil.exe");
    Value("B", "evil.exe");
    CleanRunKeyValues(HKEY_LOCAL_MACHINE, kRun);
    EXPECT_EQ(Left().size(), 2u);
    EXPECT_EQ(registry().CallCount("RegEnumValueA"), 1u);
    EXPECT_EQ(registry().OpenKeyCount(), 0u);
}

TEST_F(RunKeyValuesTest, FailuresSkipOnlyTheValueConcerned) {
    Infected("C:\\Bad\\x.exe");
    Value("A", "C:\\Bad\\x.exe");
    Value("B", "C:\\Bad\\x.exe");
    Value("C", "%windir%\\x.exe");
    Value("D", "C:\\Bad\\x.exe");
    registry().SetString(HKEY_LOCAL_MACHINE, kRun, "E", "C:\\Bad\\x.exe " + std::string(300, 'a'));  // too long
    machine().faults.FailExactly("RegEnumValueA", "A", ERROR_ACCESS_DENIED, 1);
    machine().faults.FailExactly("RegDeleteValueA", "B", ERROR_ACCESS_DENIED, 1);
    machine().faults.Fail("ExpandEnvironmentStringsA", 5, "%windir%", 1);
    CleanRunKeyValues(HKEY_LOCAL_MACHINE, kRun);
    // A: not enumerated; B: deletion refused, but remembered; C: not expanded;
    // D: deleted; E: data longer than the buffer.
    EXPECT_EQ(Left(), (std::vector<std::string>{"A", "B", "C", "E"}));
    EXPECT_EQ(lines(), std::vector<std::string>{kLine});
    EXPECT_STREQ(StartupValueName, "D");
}

TEST_F(RunKeyValuesTest, FailedDeletionStillRemembersTheName) {
    Infected("C:\\Bad\\x.exe");
    Value("Only", "C:\\Bad\\x.exe");
    machine().faults.Fail("RegDeleteValueA");
    CleanRunKeyValues(HKEY_LOCAL_MACHINE, kRun);
    EXPECT_STREQ(StartupValueName, "Only");
    EXPECT_TRUE(lines().empty());
}

TEST_F(RunKeyValuesTest, NoLinesWithoutTheMainWindow) {
    MainWindowHandle = nullptr;
    Infected("C:\\Bad\\x.exe");
    Value("A", "C:\\Bad\\x.exe");
    CleanRunKeyValues(HKEY_LOCAL_MACHINE, kRun);
    EXPECT_TRUE(Left().empty());
    EXPECT_TRUE(lines().empty());
}

// StartupValueName holds 127 characters: a longer name is deleted but
// not remembered, and nothing past the buffer changes.
TEST_F(RunKeyValuesTest, LongValueNamesNeverOverrunTheRememberedName) {
    Infected("C:\\Bad\\x.exe");
    const std::string fits(127, 'f');
    const std::string tooLong(200, 'L');
    struct Row {
        std::string name;
        std::string remembered;
    } rows[] = {{fits, fits}, {tooLong, "Earlier"}, {std::string(128, 'g'), "Earlier"}};
    for (const Row& row : rows) {
        registry().Clear();
        CopyText(StartupValueName, sizeof StartupValueName, "Earlier");
        Value(row.name, "C:\\Bad\\x.exe");
        CleanRunKeyValues(HKEY_LOCAL_MACHINE, kRun);
        EXPECT_TRUE(Left().empty());
        EXPECT_EQ(std::string(StartupValueName), row.remembered);
    }
}

}  // namespace
