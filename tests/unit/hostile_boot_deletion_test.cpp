// wininit.ini as a hostile file: whatever it holds, adding the deletion
// line keeps every byte of it, in order, and puts the one new line at the
// start of a line in the [rename] section.
#include <gtest/gtest.h>

#include <string>

#include "detect/boot_deletion.h"
#include "test_machine.h"

namespace {

const char kWininit[] = "C:\\WINDOWS\\wininit.ini";
const char kLine[] = "NUL=C:\\WINDOWS\\SYSTEM\\ABCDEF~1.EXE\r\n";

class HostileWininitTest : public MachineTest {
protected:
    void SetUp() override {
        MachineTest::SetUp();
        MapDrive('C');
        winsim::SetWindows98();
        MakeFolder("C:\\WINDOWS\\TEMP");
    }
    std::string Add(const std::string& before, CallSite caller = CallSite()) {
        ::testing::ScopedTrace trace(caller.file, caller.line, "called from here");
        MakeFile(kWininit, before);
        EXPECT_TRUE(AddWininitRenameLine("NUL", "C:\\WINDOWS\\SYSTEM\\ABCDEF~1.EXE"));
        EXPECT_EQ(machine().files.DescriptorCount(), 0u);
        return ReadFile(kWininit);
    }
};

TEST_F(HostileWininitTest, ZeroBytesInALineAreWrittenBack) {
    struct Row {
        std::string before;
        std::string after;
    };
    const std::string zero(1, '\0');
    const Row rows[] = {
        // A zero in a line of the [rename] section, before the next header.
        {"[rename]\r\nNUL=C:\\A" + zero + "B.EXE\r\n[x]\r\n",
         "[rename]\r\nNUL=C:\\A" + zero + "B.EXE\r\n" + kLine + "[x]\r\n"},
        // A zero in the header line of the next section.
        {"[RENAME]\r\n[x\t" + zero + "\n", "[RENAME]\r\n" + std::string(kLine) + "[x\t" + zero + "\n"},
        // Zeros only, no line end: the line goes on a line of its own.
        {zero + zero, zero + zero + "\r\n[rename]\r\n" + kLine},
        // Control row: no zero anywhere.
        {"[rename]\r\n[x]\r\n", "[rename]\r\n" + std::string(kLine) + "[x]\r\n"},
    };
    for (const Row& row : rows) EXPECT_EQ(Add(row.before), row.after);
}

TEST_F(HostileWininitTest, PiecesOfALongLineAreNoHeaders) {
    // 647 characters come in one piece: a '[' right after them is still
    // inside the line, not the next section's header.
    std::string longLine = std::string(647, 'x') + "[not-a-header]\r\n";
    std::string piecePastRename = std::string(647, 'y') + "[rename]\r\n";
    EXPECT_EQ(Add("[rename]\r\n" + longLine + "[next]\r\n"), "[rename]\r\n" + longLine + kLine + "[next]\r\n");
    EXPECT_EQ(Add("[other]\r\n" + piecePastRename), "[other]\r\n" + piecePastRename + "[rename]\r\n" + kLine);
}

}  // namespace
