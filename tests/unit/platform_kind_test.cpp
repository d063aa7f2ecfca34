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
        {VER_PLATFORM_WIN32_WINDOWS, 4, 10, false, 4, 0},  // Windows 98
        {VER_PLATFORM_WIN32_WINDOWS, 4, 90, false, 4, 0},  // Windows Me
        {VER_PLATFORM_WIN32_NT, 3, 51, false, 5, 5},       // NT 3.51
        {VER_PLATFORM_WIN32_NT, 4, 0, false, 5, 5},        // NT 4
        {VER_PLATFORM_WIN32_NT, 5, 0, false, 5, 6},        // 2000
        {VER_PLATFORM_WIN32_NT, 5, 1, false, 5, 6},        // XP
        {VER_PLATFORM_WIN32_NT, 6, 1, false, 5, 0},        // 7: neither generation
        {VER_PLATFORM_WIN32_NT, 10, 0, false, 5, 0},
        {VER_PLATFORM_WIN32s, 1, 30, false, 1, 0},         // any other platform id
        {3, 5, 0, false, 1, 0},
        {VER_PLATFORM_WIN32_NT, 5, 1, true, 0, 0},         // control row: the query fails
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
    EXPECT_EQ(GetPlatformKind(), 0);
    EXPECT_EQ(GetNtGeneration(), 0);
}

}  // namespace
