// The text-signature check: the "begin" test, blanks taken out, the head
// and tail regions, the once-per-run unscrambling, and what a match does.
#include <cstring>
#include <string>

#include "common/report.h"
#include "common/shared_state.h"
#include "detect/text_signature.h"
#include "test_machine.h"

namespace {

const char kHosts[] = "C:\\WINDOWS\\hosts";

// The pattern as the check compares it: the shipped bytes unscrambled.
std::string RealPattern() {
    const TextSignatureRecord& record = TextSignatureTable[0];
    std::string pattern(reinterpret_cast<const char*>(record.pattern), record.patternLength);
    if (!TextSignaturesUnscrambled)
        for (char& c : pattern) c = static_cast<char>(c ^ 0x55);
    return pattern;
}

// The pattern broken over lines, spaces and tabs.
std::string Spread(const std::string& pattern) {
    const char* blanks[] = {"\r\n", " ", "\t", "\n", " \x0b", "\x0c"};
    std::string out;
    for (size_t i = 0; i < pattern.size(); ++i) {
        out += pattern[i];
        if (i % 7 == 6) out += blanks[(i / 7) % 6];
    }
    return out;
}

class TextSignatureTest : public MachineTest {
protected:
    void SetUp() override {
        MachineTest::SetUp();
        MapDrive('C');
        MakeFolder("C:\\WINDOWS");
        ActionCode = kActionLeave;
    }
    int Check(const std::string& contents, const char* path = kHosts) {
        MakeFile(path, contents);
        return CheckTextSignature("W32/Gorvex.Trojan ", path);
    }
};

TEST_F(TextSignatureTest, WhereThePatternMayStand) {
    const std::string pattern = RealPattern();
    std::string changed = pattern;
    changed[50] = static_cast<char>(changed[50] ^ 1);
    const std::string filler(6000, 'x');
    struct Row {
        const char* what;
        std::string contents;
        int expected;
    } rows[] = {
        {"control: on one line after begin", "begin 644 hosts\n" + pattern + "\n", 1},
        {"capitalised Begin", "Begin\n" + pattern, 1},
        {"upper-case BEGIN", "BEGIN" + pattern, 1},
        {"spread over lines and blanks", "begin 644 x\r\n" + Spread(pattern) + "\r\nend\r\n", 1},
        {"in the head of a large file", "begin\n" + std::string(3000, 'h') + pattern + filler, 1},
        {"a leading blank", " begin\n" + pattern, 0},
        {"no begin", "127.0.0.1 localhost\n" + pattern, 0},
        {"one byte changed", "begin\n" + changed, 0},
        {"only the pattern's head", "begin\n" + pattern.substr(0, 99), 0},
        {"shorter than the pattern", "begin", 0},
        {"only in the middle of a large file", "begin\n" + filler + pattern + filler, 0},
        {"across the end of the head", "begin\n" + std::string(4096 - 56, 'h') + pattern + filler, 0},
        {"in the tail, which the record does not search", "begin\n" + filler + pattern, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(Check(row.contents), row.expected);
    }
}

TEST_F(TextSignatureTest, UnscrambledOnceAcrossCalls) {
    const std::string pattern = RealPattern();
    EXPECT_EQ(TextSignaturesUnscrambled, 0);
    for (int call = 0; call < 3; ++call) {
        SCOPED_TRACE(call);
        EXPECT_EQ(Check("begin\n" + pattern), 1);
    }
    EXPECT_EQ(TextSignaturesUnscrambled, 1);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(TextSignatureTable[0].pattern), 100), pattern);
    // The shipped pattern holds no blanks, which the search could never see.
    EXPECT_EQ(pattern.find_first_of(" \t\r\n\x0b\x0c"), std::string::npos);
}

TEST_F(TextSignatureTest, WhatAMatchDoes) {
    const std::string pattern = RealPattern();
    const std::string infected = "begin\n" + pattern;
    const std::string path = kHosts;
    struct Row {
        int action;
        const char* failingCall;
        std::string line;  // empty: no line
        bool fileLeft;
    } rows[] = {
        {100, nullptr, path + "     W32/Nyxem.Worm removed", false},
        {102, nullptr, path + "     W32/Nyxem.Worm removed", false},
        {100, "DeleteFileA", path + "     W32/Nyxem.Worm Remove failed", true},
        {103, nullptr, path + "     W32/Nyxem.Worm Not Disinfected As Per User's Selection", true},
        {99, nullptr, "", true},
        {104, nullptr, "", true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.action);
        Recorded().lines.clear();
        machine().faults.Clear();
        memset(&ScanCounters, 0, sizeof ScanCounters);
        machine().registry.SetString(HKEY_LOCAL_MACHINE,
                                     "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\rhcjg7j0e38v",
                                     "UninstallString", "uninstall.exe");
        ActionCode = row.action;
        if (row.failingCall) machine().faults.Fail(row.failingCall);
        EXPECT_EQ(Check(infected), 1);
        EXPECT_EQ(lines(), row.line.empty() ? std::vector<std::string>{} : std::vector<std::string>{row.line});
        EXPECT_EQ(Exists(kHosts), row.fileLeft);
        EXPECT_EQ(ScanCounters.filesInfected, 1);
        EXPECT_EQ(ScanCounters.filesRemoved, row.fileLeft ? 0 : 1);
        // Only a deletion that happened removes the uninstall entry.
        EXPECT_EQ(machine().registry.HasValue(HKEY_LOCAL_MACHINE,
                                              "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\rhcjg7j0e38v",
                                              "UninstallString"),
                  row.fileLeft);
        EXPECT_STREQ(LastDetectionName, "W32/Nyxem.Worm");
        EXPECT_EQ(std::string(StatusPath), path);
        EXPECT_EQ(RestartNeeded, 0);
    }
}

TEST_F(TextSignatureTest, RenameChangesTheCharacterAfterTheLastDot) {
    const std::string infected = "begin\n" + RealPattern();
    ActionCode = kActionRename;
    struct Row {
        const char* path;
        const char* renamedTo;  // nullptr: the rename fails, the file stays
    } rows[] = {
        {"C:\\WINDOWS\\hosts.sam", "C:\\WINDOWS\\hosts.Vam"},
        {"C:\\WINDOWS\\hosts.", "C:\\WINDOWS\\hosts.V"},
        {"C:\\my.dir\\hosts", nullptr},  // the folder's dot: C:\my.Vir does not exist
    };
    MakeFolder("C:\\my.dir");
    for (const Row& row : rows) {
        SCOPED_TRACE(row.path);
        Recorded().lines.clear();
        EXPECT_EQ(Check(infected, row.path), 1);
        std::string outcome = row.renamedTo ? " renamed" : " Rename failed";
        EXPECT_EQ(lines(), std::vector<std::string>{std::string(row.path) + "     W32/Nyxem.Worm" + outcome});
        if (row.renamedTo) {
            EXPECT_FALSE(Exists(row.path));
            EXPECT_EQ(ReadFile(row.renamedTo), infected);
        } else {
            EXPECT_EQ(ReadFile(row.path), infected);
        }
    }
    EXPECT_EQ(ScanCounters.filesRenamed, 2);
}

TEST_F(TextSignatureTest, NoMatchMeansNoLineAndNoNameChange) {
    CopyText(LastDetectionName, sizeof LastDetectionName, "earlier");
    ActionCode = kActionRemove;
    EXPECT_EQ(CheckTextSignature("W32/Gorvex.Trojan ", "C:\\WINDOWS\\absent"), 0);
    EXPECT_EQ(Check("begin\nnothing here"), 0);
    EXPECT_TRUE(lines().empty());
    EXPECT_STREQ(LastDetectionName, "earlier");
    EXPECT_EQ(ScanCounters.filesInfected, 0);
    EXPECT_TRUE(Exists(kHosts));
}

// Records the shipped table does not hold, set up in place for one test.
TEST_F(TextSignatureTest, RecordKindsRegionsAndSizes) {
    const std::string pattern = RealPattern();
    const std::string filler(6000, 'x');
    const std::string inTail = "begin\n" + filler + pattern;
    const std::string atFixed = "begin" + std::string(1883, 'y') + pattern;  // stripped offset 1888
    struct Row {
        const char* what;
        int16_t region;
        int16_t matchKind;
        int16_t position;
        int16_t sizeMode;
        int32_t referenceSize;
        std::string contents;
        int expected;
    } rows[] = {
        {"control: tail region finds the tail", 1, 1, 0, 18, 0, inTail, 1},
        {"tail region, pattern only in the head", 1, 1, 0, 18, 0, "begin\n" + pattern + filler, 0},
        {"region 2 never matches", 2, 1, 0, 18, 0, "begin\n" + pattern, 0},
        {"region -1 never matches", -1, 1, 0, 18, 0, "begin\n" + pattern, 0},
        {"fixed position in the head", 0, 0, 1888, 18, 0, atFixed, 1},
        {"fixed position one off", 0, 0, 1887, 18, 0, atFixed, 0},
        {"fixed position from the tail's end", 1, 0, 100, 18, 0, inTail, 1},
        {"fixed position beyond the tail", 1, 0, 5000, 18, 0, inTail, 0},
        {"exact size holds", 0, 1, 0, 16, static_cast<int32_t>(6 + pattern.size()), "begin\n" + pattern, 1},
        {"exact size fails", 0, 1, 0, 16, 7, "begin\n" + pattern, 0},
        {"size within 4096", 0, 1, 0, 17, 4096 + 106, "begin\n" + pattern, 1},
        {"size beyond 4096", 0, 1, 0, 17, 4097 + 106, "begin\n" + pattern, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        ResetProgramState();
        TextSignatureRecord& record = TextSignatureTable[0];
        record.region = row.region;
        record.matchKind = row.matchKind;
        record.position = row.position;
        record.sizeMode = row.sizeMode;
        record.referenceSize = row.referenceSize;
        EXPECT_EQ(Check(row.contents), row.expected);
    }
}

TEST_F(TextSignatureTest, StripBlanksAndFindPattern) {
    char out[32];
    EXPECT_EQ(StripBlanks("a b\tc\r\nd\x0b\x0c" "e", out, 11), 5);
    EXPECT_EQ(std::string(out, 5), "abcde");
    EXPECT_EQ(StripBlanks("abc", out, 0), 0);
    EXPECT_EQ(StripBlanks("abc", out, -3), 0);

    const char range[] = "aaab\0ab";
    struct Row {
        const char* pattern;
        int patternLength;
        int rangeLength;
        int expected;
    } rows[] = {
        {"aab", 3, 4, 1},   // after a false start on the same first byte
        {"aaab", 4, 4, 1},  // the whole range
        {"ab", 2, 3, 0},    // would end past the range
        {"ab", 2, 7, 1},
        {"b\0a", 3, 7, 1},  // zero bytes compare like any other
        {"abc", 3, 7, 0},
        {"a", 0, 7, 0},     // an empty pattern finds nothing
        {"aaab\0ab!", 8, 7, 0},
    };
    for (const Row& row : rows)
        EXPECT_EQ(FindPattern(range, row.rangeLength, row.pattern, row.patternLength), row.expected)
            << row.pattern << " in " << row.rangeLength;
}

TEST_F(TextSignatureTest, StartsWithBeginReadsExactlyFiveBytes) {
    struct Row {
        std::string contents;
        int expected;
    } rows[] = {
        {"begin", 1}, {"bEgIn and more", 1}, {"begi", 0}, {std::string("beg\0n", 5), 0}, {"begun", 0}, {"\tbegin", 0},
    };
    for (const Row& row : rows) {
        MakeFile(kHosts, row.contents);
        int fd = _open(kHosts, _O_RDONLY | _O_BINARY);
        ASSERT_NE(fd, -1);
        EXPECT_EQ(StartsWithBegin(fd), row.expected) << row.contents;
        _close(fd);
    }
}

}  // namespace
