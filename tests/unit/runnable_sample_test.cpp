// The runnable form of a sample: a program with one section appended. On
// the host it is checked against a synthetic program and, once the Windows
// build has made it, against the real waiting program.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstring>
#include <string>
#include <vector>

#include "sample_fixture.h"

namespace {

using samples::Kind;

uint32_t Le32(const std::vector<uint8_t>& b, size_t at) {
    return static_cast<uint32_t>(b[at]) | static_cast<uint32_t>(b[at + 1]) << 8 | static_cast<uint32_t>(b[at + 2]) << 16 |
           static_cast<uint32_t>(b[at + 3]) << 24;
}
uint32_t Le16(const std::vector<uint8_t>& b, size_t at) { return static_cast<uint32_t>(b[at] | b[at + 1] << 8); }

class RunnableTest : public SampleTest {
protected:
    std::vector<uint8_t> Program(int record, Kind kind, CallSite caller = CallSite()) {
        ::testing::ScopedTrace trace(caller.file, caller.line, "called from here");
        samples::Sample sample;
        std::string error;
        EXPECT_TRUE(samples::BuildSample(record, kind, samples::Options(), &sample, &error)) << error;
        return sample.Bytes();
    }

    // The sample holds the program unchanged but for the header fields an
    // added section changes, jumps to the old entry point, and is detected.
    void CheckRunnable(const std::vector<uint8_t>& program, int record, CallSite caller = CallSite()) {
        ::testing::ScopedTrace trace(caller.file, caller.line, "called from here");
        std::vector<uint8_t> sample;
        std::string error;
        ASSERT_TRUE(samples::BuildRunnable(program, record, &sample, &error)) << error;
        ASSERT_EQ(sample.size(), static_cast<size_t>(SignatureTable[record - 1].fileSize));
        uint32_t pe = Le32(program, 0x3C);
        uint32_t sections = Le16(program, pe + 6);
        EXPECT_EQ(Le16(sample, pe + 6), sections + 1);
        size_t added = pe + 248 + 40 * sections;
        uint32_t va = Le32(sample, added + 12), raw = Le32(sample, added + 20);
        uint32_t entry = Le32(sample, pe + 24 + 16);
        EXPECT_GE(Le32(sample, pe + 24 + 56), va + Le32(sample, added + 8)) << "SizeOfImage";
        ASSERT_EQ(sample[raw + entry - va], 0xE9);
        uint32_t target = entry + 5 + Le32(sample, raw + entry - va + 1);
        EXPECT_EQ(target, Le32(program, pe + 24 + 16)) << "the jump goes to the old entry point";
        std::vector<size_t> changed;
        for (size_t i = 0; i < program.size(); ++i)
            if (program[i] != sample[i]) changed.push_back(i);
        for (size_t at : changed) {
            bool header = (at >= pe + 6 && at < pe + 8) || (at >= pe + 24 + 16 && at < pe + 24 + 20) ||
                          (at >= pe + 24 + 56 && at < pe + 24 + 68) || (at >= added && at < added + 40);
            EXPECT_TRUE(header) << "byte " << at << " of the program changed";
        }

        std::string path = "C:\\run" + std::to_string(record) + ".exe";
        ASSERT_TRUE(samples::WriteBytesFile(HostPath(path), sample, &error)) << error;
        MemoryStageActive = 1;
        EXPECT_EQ(Inspect(path), 1) << "record " << record;
        EXPECT_STREQ(LastDetectionName, NameOf(record).c_str());
    }
};

TEST_F(RunnableTest, ASyntheticProgramBecomesARunnableSampleOfEachShapedRecord) {
    std::vector<uint8_t> program = Program(78, Kind::kClean);  // sections, entry point, no patterns
    for (int record : {8, 50, 90}) CheckRunnable(program, record);
    // The program itself is not detected.
    ASSERT_TRUE(samples::WriteBytesFile(HostPath("C:\\program.exe"), program, &lastError_));
    EXPECT_EQ(Inspect("C:\\program.exe"), 0);
}

TEST_F(RunnableTest, TheRealWaitingProgramBecomesARunnableSample) {
    std::vector<uint8_t> waiter;
    std::string error;
    if (!samples::ReadBytesFile(BRUVANE_WAITER_EXE, &waiter, &error))
        GTEST_SKIP() << "no waiter.exe yet (build the win32 preset): " << error;
    for (int record : {8, 50, 90}) CheckRunnable(waiter, record);
}

TEST_F(RunnableTest, ProgramsAndRecordsThatLeaveNoRoomAreRefused) {
    std::vector<uint8_t> program = Program(78, Kind::kClean);
    std::vector<uint8_t> out;
    std::string error;
    EXPECT_FALSE(samples::BuildRunnable(std::vector<uint8_t>(100, 'x'), 8, &out, &error));
    EXPECT_FALSE(samples::BuildRunnable(Program(3, Kind::kSections20), 8, &out, &error)) << "a 21st section";
    EXPECT_FALSE(samples::BuildRunnable(program, 75, &out, &error)) << "record 75's pattern covers the entry point";
    EXPECT_FALSE(samples::BuildRunnable(program, 3, &out, &error)) << "record 3's file is smaller than the program";
    EXPECT_FALSE(samples::BuildRunnable(program, 0, &out, &error));
}

}  // namespace
