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
    if (!QueryVersion(&info)) return 0;
    if (info.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS) return 4;
    if (info.dwPlatformId == VER_PLATFORM_WIN32_NT) return 5;
    return 1;
}

int GetNtGeneration() {
    OSVERSIONINFOA info;
    if (!QueryVersion(&info) || info.dwPlatformId != VER_PLATFORM_WIN32_NT) return 0;
    if (info.dwMajorVersion <= 4) return 5;
    if (info.dwMajorVersion == 5) return 6;
    return 0;
}
