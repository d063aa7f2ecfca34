#include "common/platform_kind.h"

#include <cstring>

#include "platform/win32.h"

namespace {

// False when the platform refuses the query.
bool QueryVersion(OSVERSIONINFOA* info) {
    memset(info, 0, sizeof *info);
    info->dwOSVersionInfoSize = sizeof *info;  // 148
    return GetVersionExA(info) != 0;
}

}  // namespace

int GetPlatformKind() {
    OSVERSIONINFOA info;
    if (!QueryVersion(&info)) return kPlatformUnknown;
    if (info.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS) return kPlatformWindows9x;
    if (info.dwPlatformId == VER_PLATFORM_WIN32_NT) return kPlatformWindowsNt;
    return kPlatformOther;
}

int GetNtGeneration() {
    OSVERSIONINFOA info;
    if (!QueryVersion(&info) || info.dwPlatformId != VER_PLATFORM_WIN32_NT) return kNtOther;
    if (info.dwMajorVersion <= 4) return kNt4OrEarlier;
    if (info.dwMajorVersion == 5) return kNt5;
    return kNtOther;
}
