// Around each infected file: the hosts-file check, the startup value an
// earlier detection remembered, and the walks of the two startup keys.
#include "repair/startup_entries.h"

#include "common/identity.h"
#include "common/platform_kind.h"
#include "common/report.h"
#include "common/shared_state.h"
#include "detect/text_signature.h"
#include "repair/registry_primitives.h"
#include "repair/run_key_values.h"

namespace {

const char kRunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const char kRunServicesKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\RunServices";
const char kUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\rhcjg7j0e38v";

// The hosts file of this platform in `path` (260 bytes). 0 on a platform
// without one, and when the folder cannot be had or the whole path would
// not fit: the check is then skipped rather than run on a cut path.
int BuildHostsPath(char* path, UINT size) {
    path[0] = '\0';
    int kind = GetPlatformKind();
    UINT length = 0;
    const char* rest = nullptr;
    if (kind == kPlatformWindowsNt) {
        length = GetSystemDirectoryA(path, size);
        rest = "\\drivers\\etc\\hosts";
    } else if (kind == kPlatformWindows9x) {
        length = GetWindowsDirectoryA(path, size);
        rest = "\\hosts";
    } else {
        return 0;
    }
    if (length == 0 || length >= size) return 0;
    return AppendText(path, size, rest) ? 1 : 0;
}

}  // namespace

int CleanStartupEntries(const char* detectionName) {
    char hostsPath[260];
    if (BuildHostsPath(hostsPath, sizeof hostsPath)) CheckTextSignature(kFamilyDetectionName, hostsPath);

    if (StartupValueName[0] != '\0') {
        const char* keys[] = {kRunKey, kRunServicesKey, kUninstallKey};
        for (const char* key : keys) {
            if (DeleteRegistryValue(HKEY_LOCAL_MACHINE, key, StartupValueName) && MainWindowHandle != nullptr)
                EmitFormattedReportLine("System Registry     %s removed", detectionName);
        }
    }

    if (CurrentFilePath[0] != '\0') {
        CleanRunKeyValues(HKEY_LOCAL_MACHINE, kRunKey);
        CleanRunKeyValues(HKEY_LOCAL_MACHINE, kRunServicesKey);
    }
    return 1;
}
