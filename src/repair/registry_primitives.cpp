#include "repair/registry_primitives.h"

#include "repair/value_data.h"

int DeleteRegistryValue(HKEY root, const char* keyPath, const char* valueName) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, keyPath, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return 0;
    if (RegDeleteValueA(key, valueName) != ERROR_SUCCESS) {
        RegCloseKey(key);
        return 0;
    }
    return RegCloseKey(key) == ERROR_SUCCESS ? 1 : 0;
}

int ReadRegistryValue(HKEY root, const char* keyPath, const char* valueName, char* buffer, DWORD capacity) {
    // The callers use the buffer as text, so it needs room for a terminator.
    if (buffer == nullptr || capacity == 0) return 0;
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, keyPath, 0, KEY_READ, &key) != ERROR_SUCCESS) return 0;
    DWORD length = 0;
    if (!QueryValueData(key, valueName, buffer, capacity, &length)) {
        RegCloseKey(key);
        return 0;
    }
    // Whatever type was stored, the bytes stay as read; data without a
    // terminating zero ends where it ends, and data that fills the whole
    // buffer loses its last byte to the terminator.
    buffer[length < capacity ? length : capacity - 1] = '\0';
    return RegCloseKey(key) == ERROR_SUCCESS ? 1 : 0;
}

int DeleteMachineKey(const char* keyPath) {
    return RegDeleteKeyA(HKEY_LOCAL_MACHINE, keyPath) == ERROR_SUCCESS ? 1 : 0;
}
