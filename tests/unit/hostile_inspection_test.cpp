// The inspection of a file that changes or fails while it is being read:
// it shrinks, grows, is emptied or replaced between two reads, or a read
// fails part-way. Whatever happens, the descriptor is closed, the counters
// agree with the report lines, and the walk goes on with the next file.
#include <unistd.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "common/identity.h"
#include "common/shared_state.h"
#include "detect/file_check.h"
#include "sample_fixture.h"
#include "scan/directory_walk.h"

namespace {

const char kPath[] = "C:\\WINDOWS\\SYSTEM\\SAMPLE.EXE";
// The reads of a detection: the headers (one read of the file's start),
// then the two patterns.
const int kReadsOfADetection = 3;

// The record whose matching sample every test here inspects.
const int kRecord = 3;

class HostileInspectionTest : public SampleTest {
protected:
    void SetUp() override {
        SampleTest::SetUp();
        MakeFolder("C:\\WINDOWS\\SYSTEM");
    }

    // Runs `change` just before the n-th read of kPath (1 = the first).
    void BeforeRead(int n, std::function<void()> change) {
        winsim::FaultRule rule;
        rule.operation = "_read";
        rule.argument = kPath;
        rule.exact = true;
        rule.skip = n - 1;
        rule.count = 1;
        rule.fails = false;
        rule.before = std::move(change);
        machine().faults.Add(rule);
    }

    void Resize(size_t size, CallSite caller = CallSite()) {
        ::testing::ScopedTrace trace(caller.file, caller.line, "called from here");
        std::string host;
        ASSERT_TRUE(machine().files.ToHostPath(kPath, &host));
        ASSERT_EQ(truncate(host.c_str(), static_cast<off_t>(size)), 0);
    }

    void ExpectConsistent(int result, CallSite caller = CallSite()) {
        ::testing::ScopedTrace trace(caller.file, caller.line, "called from here");
        EXPECT_EQ(machine().files.DescriptorCount(), 0u);
        EXPECT_EQ(machine().handles.OpenCount(), 0u);
        EXPECT_EQ(ScanCounters.filesInfected, result);
        EXPECT_EQ(ScanCounters.filesRemoved, result);
        EXPECT_EQ(lines().size(), static_cast<size_t>(result));
        EXPECT_EQ(Exists(kPath), result == 0);
    }
};

TEST_F(HostileInspectionTest, FileThatChangesBetweenReads) {
    struct Row {
        const char* what;
        int beforeRead;
        size_t newSize;  // 0: emptied
        int detected;
    };
    const Row rows[] = {
        {"emptied before the headers are read", 1, 0, 0},
        {"cut to less than its headers before the first pattern", 2, 0x100, 0},
        {"cut before the second pattern", 3, 0x100, 0},
        {"grown before the first pattern", 2, 1 << 20, 1},  // the patterns are still there
        {"control: left alone", kReadsOfADetection + 1, 0, 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        MachineTest::TearDown();
        SetUp();
        WriteMatch(kPath, kRecord);
        BeforeRead(row.beforeRead, [this, row] { Resize(row.newSize); });
        int result = InspectFile(kFamilyDetectionName, kPath);
        EXPECT_EQ(result, row.detected);
        ExpectConsistent(row.detected);
    }
}

TEST_F(HostileInspectionTest, FileReplacedByAnotherBetweenReads) {
    WriteMatch(kPath, kRecord);
    // Same length, other bytes: the patterns are read from what is there.
    const size_t size = ReadFile(kPath).size();
    BeforeRead(2, [this, size] { MakeFile(kPath, std::string(size, 'z')); });
    EXPECT_EQ(InspectFile(kFamilyDetectionName, kPath), 0);
    ExpectConsistent(0);
}

TEST_F(HostileInspectionTest, ReadThatFailsPartWayCountsTheFileAsClean) {
    for (int failing = 1; failing <= kReadsOfADetection; ++failing) {
        SCOPED_TRACE(failing);
        MachineTest::TearDown();
        SetUp();
        WriteMatch(kPath, kRecord);
        winsim::FaultRule rule;
        rule.operation = "_read";
        rule.argument = kPath;
        rule.skip = failing - 1;
        rule.count = 1;
        machine().faults.Add(rule);
        EXPECT_EQ(InspectFile(kFamilyDetectionName, kPath), 0);
        ExpectConsistent(0);
    }
}

// Files that cannot be opened, or whose length cannot be had, are passed
// over; the next file of the walk is still detected.
TEST_F(HostileInspectionTest, FilesThatCannotBeOpenedOrMeasuredAndTheWalkGoesOn) {
    const char* const operations[] = {"_open", "_filelength", "_lseek"};
    for (const char* operation : operations) {
        SCOPED_TRACE(operation);
        MachineTest::TearDown();
        SetUp();
        WriteMatch("C:\\WINDOWS\\SYSTEM\\A.EXE", kRecord);
        WriteMatch("C:\\WINDOWS\\SYSTEM\\B.EXE", kRecord);
        machine().faults.Fail(operation, ERROR_ACCESS_DENIED, "\\A.EXE");
        EXPECT_EQ(WalkDirectory("C:\\WINDOWS\\SYSTEM\\*.*"), 2);
        EXPECT_EQ(ScanCounters.filesInfected, 1);
        EXPECT_TRUE(Exists("C:\\WINDOWS\\SYSTEM\\A.EXE"));
        EXPECT_FALSE(Exists("C:\\WINDOWS\\SYSTEM\\B.EXE"));
        EXPECT_EQ(machine().files.DescriptorCount(), 0u);
    }
}

}  // namespace
