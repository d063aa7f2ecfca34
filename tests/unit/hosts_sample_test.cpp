// The generator's hosts file is what the scenarios and the demo rely on
// to show the hosts line: the program's own check must take it, and must
// take it only for its marker.
#include <string>

#include "common/shared_state.h"
#include "detect/text_signature.h"
#include "hosts_sample.h"
#include "test_machine.h"

namespace {

const char kHosts[] = "C:\\WINDOWS\\hosts";

class HostsSampleTest : public MachineTest {
protected:
    void SetUp() override {
        MachineTest::SetUp();
        MapDrive('C');
        MakeFolder("C:\\WINDOWS");
        ActionCode = kActionRemove;
    }
};

TEST_F(HostsSampleTest, GeneratedHostsFileIsTakenForTheWorm) {
    const std::string text = samples::MatchingHostsText();
    // One encoded character changed, past the first line break.
    std::string changed = text;
    size_t at = text.find("\r\n", text.find("\r\n") + 2) + 5;
    changed[at] = static_cast<char>(changed[at] ^ 1);
    struct Row {
        const char* what;
        std::string contents;
        int expected;
    } rows[] = {
        {"control: as generated", text, 1},
        {"one marker character changed", changed, 0},
        {"a blank before begin", " " + text, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        Recorded().lines.clear();
        MakeFile(kHosts, row.contents);
        EXPECT_EQ(CheckTextSignature("W32/Gorvex.Trojan ", kHosts), row.expected);
        EXPECT_EQ(Exists(kHosts), row.expected == 0);
        if (row.expected == 1) {
            EXPECT_EQ(lines(), std::vector<std::string>{std::string(kHosts) + "     W32/Nyxem.Worm removed"});
        }
    }
}

TEST_F(HostsSampleTest, GeneratedTextIsTheSameAfterTheTableIsUnscrambled) {
    const std::string before = samples::MatchingHostsText();
    MakeFile(kHosts, "not a match");
    CheckTextSignature("W32/Gorvex.Trojan ", kHosts);
    ASSERT_EQ(TextSignaturesUnscrambled, 1);
    EXPECT_EQ(samples::MatchingHostsText(), before);
    EXPECT_EQ(before.compare(0, 17, "begin 644 hosts\r\n"), 0);
}

}  // namespace
