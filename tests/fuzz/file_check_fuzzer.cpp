// InspectFile over arbitrary file bytes: any size, any header values, any
// section table and entry point. Whatever the bytes, the inspection ends
// with every descriptor closed and the shared texts terminated; a
// detection is counted once, reported and removed, a clean file left alone.
#include <cstdint>
#include <cstring>

#include "common/identity.h"
#include "common/report.h"
#include "common/shared_state.h"
#include "detect/file_check.h"
#include "fuzz_world.h"
#include "winsim/machine.h"

namespace {

const char kSamplePath[] = "C:\\WINDOWS\\SYSTEM\\SAMPLE.EXE";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::ResetWorld();
    winsim::Machine& machine = winsim::TheMachine();
    machine.files.MakeDirectory("C:\\WINDOWS\\SYSTEM");
    machine.files.MakeDirectory("C:\\WINDOWS\\TEMP");
    fuzz::Check(fuzz::WriteWindowsFile(kSamplePath, data, size), "sample not written");
    ActionCode = kActionRemove;

    int result = InspectFile(kFamilyDetectionName, kSamplePath);

    fuzz::Check(result == 0 || result == 1, "result neither 0 nor 1");
    fuzz::Check(ScanCounters.filesInfected == result, "infected counter differs from the result");
    fuzz::Check(machine.files.DescriptorCount() == 0, "a descriptor was left open");
    fuzz::Check(machine.handles.OpenCount() == 0, "a handle was left open");
    fuzz::Check(strnlen(CurrentFilePath, sizeof CurrentFilePath) < sizeof CurrentFilePath, "path not terminated");
    fuzz::Check(strnlen(LastDetectionName, sizeof LastDetectionName) < sizeof LastDetectionName,
                "detection name not terminated");
    if (result == 0) {
        fuzz::Check(fuzz::ReportLinesSeen() == 0, "a clean file gave a report line");
        fuzz::Check(machine.files.Exists(kSamplePath), "a clean file was removed");
    } else {
        // Cleared once the signature walk has ended after a detection.
        static const char kCleared[sizeof CurrentFilePath] = {};
        fuzz::Check(memcmp(CurrentFilePath, kCleared, sizeof CurrentFilePath) == 0, "CurrentFilePath not cleared");
        fuzz::Check(fuzz::ReportLinesSeen() >= 1, "a detection gave no report line");
        fuzz::Check(ScanCounters.filesRemoved == 1 && !machine.files.Exists(kSamplePath), "a detection was not removed");
    }
    return 0;
}
