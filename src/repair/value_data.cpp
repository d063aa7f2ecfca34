#include "repair/value_data.h"

#include <cstring>

int QueryValueData(HKEY key, const char* valueName, char* buffer, DWORD capacity, DWORD* length) {
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExA(key, valueName, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return 0;
    // Offer the size found, but never more than the buffer: larger data
    // then fails the read instead of overrunning it.
    DWORD offered = size < capacity ? size : capacity;
    if (RegQueryValueExA(key, valueName, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &offered) !=
        ERROR_SUCCESS)
        return 0;
    *length = offered;
    return 1;
}

int DataContainsText(const char* data, DWORD length, const char* text) {
    // Registry data need not end in a zero byte, so the text ends at the
    // first zero or at the last byte read, whichever comes first.
    size_t used = 0;
    while (used < length && data[used] != '\0') ++used;
    size_t wanted = strlen(text);
    if (wanted == 0) return 1;
    for (size_t at = 0; at + wanted <= used; ++at)
        if (memcmp(data + at, text, wanted) == 0) return 1;
    return 0;
}
