// Unit-test fixture for the detection tests: a machine with drive C:, the
// scan's usual state, and samples from the sample generator written onto
// the simulated drive at test time.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "common/identity.h"
#include "common/shared_state.h"
#include "detect/file_check.h"
#include "detect/signature_table.h"
#include "sample_builder.h"
#include "test_machine.h"

class SampleTest : public MachineTest {
protected:
    void SetUp() override {
        MachineTest::SetUp();
        MapDrive('C');
        MemoryStageActive = 0;
        ActionCode = kActionRemove;
    }

    std::string HostPath(const std::string& windowsPath, CallSite caller = CallSite()) {
        ::testing::ScopedTrace trace(caller.file, caller.line, "called from here");
        std::string host;
        EXPECT_TRUE(machine().files.ToHostPath(windowsPath, &host)) << windowsPath;
        return host;
    }

    // Writes the sample; false (with a note) when the kind cannot be built
    // for that record.
    bool WriteSample(const std::string& windowsPath, int record, samples::Kind kind,
                     const samples::Options& options = samples::Options(), CallSite caller = CallSite()) {
        ::testing::ScopedTrace trace(caller.file, caller.line, "called from here");
        samples::Sample sample;
        std::string error;
        if (!samples::BuildSample(record, kind, options, &sample, &error)) {
            lastError_ = error;
            return false;
        }
        EXPECT_TRUE(samples::WriteSampleFile(HostPath(windowsPath), sample, &error)) << error;
        return true;
    }

    void WriteMatch(const std::string& windowsPath, int record, CallSite caller = CallSite()) {
        ::testing::ScopedTrace trace(caller.file, caller.line, "called from here");
        ASSERT_TRUE(WriteSample(windowsPath, record, samples::Kind::kMatch)) << lastError_;
    }

    static std::string NameOf(int record) { return SignatureTable[record - 1].detectionName; }

    int Inspect(const std::string& path) { return InspectFile(kFamilyDetectionName, path.c_str()); }

    std::string lastError_;
};
