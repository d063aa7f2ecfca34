// The trojan's uninstall command and its own startup value, removed after
// each deletion of a detected file.
#include "repair/uninstall_entries.h"

#include "repair/value_data.h"

namespace {

const char kUninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\rhcjg7j0e38v";
const char kRunKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
const DWORD kDataSize = 100;

// Opens the key, deletes the value when its data contains `marker`, and
// closes the key. 0 at the first failure (the key is closed on every path).
int RemoveValueContaining(const char* keyPath, const char* valueName, const char* marker, char* data) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return 0;
    DWORD length = 0;
    if (!QueryValueData(key, valueName, data, kDataSize, &length)) {
        RegCloseKey(key);
        return 0;
    }
    if (DataContainsText(data, length, marker) && RegDeleteValueA(key, valueName) != ERROR_SUCCESS) {
        RegCloseKey(key);
        return 0;
    }
    return RegCloseKey(key) == ERROR_SUCCESS ? 1 : 0;
}

}  // namespace

int RemoveUninstallEntries() {
    char data[kDataSize];
    if (!RemoveValueContaining(kUninstallKey, "UninstallString", "uninstall.exe", data)) return 0;
    return RemoveValueContaining(kRunKey, "SMrhcjg7j0e38v", "rhcjg7j0e38v.exe", data);
}
