// The 9x-versus-NT decision everything else rests on.
#include <gtest/gtest.h>

#include "common/platform_kind.h"
#include "test_machine.h"

namespace {

class PlatformKindTest : public MachineTest {};

struct VersionRow {
    DWORD platformId, major, minor;
    bool fails;
    int kind, generation;
};

TEST_F(PlatformKindTest, KindAndGenerationFollowPlatformIdAndMajorVersion) {
    const VersionRow rows[] = {
        {VER_PLATFORM_WIN32_WINDOWS, 4, 10, false, kPlatformWindows9x, kNtOther},  // Windows 98
        {VER_PLATFORM_WIN32_WINDOWS, 4, 90, false, kPlatformWindows9x, kNtOther},  // Windows Me
        {VER_PLATFORM_WIN32_NT, 3, 51, false, kPlatformWindowsNt, kNt4OrEarlier},  // NT 3.51
        {VER_PLATFORM_WIN32_NT, 4, 0, false, kPlatformWindowsNt, kNt4OrEarlier},   // NT 4
        {VER_PLATFORM_WIN32_NT, 5, 0, false, kPlatformWindowsNt, kNt5},            // 2000
        {VER_PLATFORM_WIN32_NT, 5, 1, false, kPlatformWindowsNt, kNt5},            // XP
        {VER_PLATFORM_WIN32_NT, 6, 1, false, kPlatformWindowsNt, kNtOther},        // 7: neither generation
        {VER_PLATFORM_WIN32_NT, 10, 0, false, kPlatformWindowsNt, kNtOther},
        {VER_PLATFORM_WIN32s, 1, 30, false, kPlatformOther, kNtOther},             // any other platform id
        {3, 5, 0, false, kPlatformOther, kNtOther},
        {VER_PLATFORM_WIN32_NT, 5, 1, true, kPlatformUnknown, kNtOther},           // control row: the query fails
    };
    for (const VersionRow& row : rows) {
        winsim::VersionInfo& v = machine().version;
        v.platformId = row.platformId;
        v.major = row.major;
        v.minor = row.minor;
        v.queryFails = row.fails;
        EXPECT_EQ(GetPlatformKind(), row.kind) << row.platformId << " " << row.major << "." << row.minor;
        EXPECT_EQ(GetNtGeneration(), row.generation) << row.platformId << " " << row.major << "." << row.minor;
    }
}

TEST_F(PlatformKindTest, InjectedQueryFailureGivesKindZero) {
    machine().faults.Fail("GetVersionExA");
    EXPECT_EQ(GetPlatformKind(), kPlatformUnknown);
    EXPECT_EQ(GetNtGeneration(), kNtOther);
}

}  // namespace
