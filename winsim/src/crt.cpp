#include "winsim/crt_api.h"

#include <cctype>

int _stricmp(const char* a, const char* b) {
    for (;; ++a, ++b) {
        int ca = std::tolower(static_cast<unsigned char>(*a));
        int cb = std::tolower(static_cast<unsigned char>(*b));
        if (ca != cb || ca == 0) return ca - cb;
    }
}

int _strnicmp(const char* a, const char* b, size_t count) {
    for (; count > 0; --count, ++a, ++b) {
        int ca = std::tolower(static_cast<unsigned char>(*a));
        int cb = std::tolower(static_cast<unsigned char>(*b));
        if (ca != cb || ca == 0) return ca - cb;
    }
    return 0;
}

int _memicmp(const void* a, const void* b, size_t count) {
    const unsigned char* pa = static_cast<const unsigned char*>(a);
    const unsigned char* pb = static_cast<const unsigned char*>(b);
    for (size_t i = 0; i < count; ++i) {
        int ca = std::tolower(pa[i]);
        int cb = std::tolower(pb[i]);
        if (ca != cb) return ca - cb;
    }
    return 0;
}
