#include "common/ansi_text.h"

#include <cstring>

#include "platform/win32.h"

namespace {

bool IsAscii(char c) { return static_cast<unsigned char>(c) < 0x80; }

bool InSet(const char* set, char c) {
    for (; *set != '\0'; ++set)
        if (*set == c) return true;
    return false;
}

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

const char* NextCharacter(const char* at) {
    if (*at == '\0') return at;
    if (IsAscii(*at)) return at + 1;
    return CharNextA(at);
}

const char* CharacterStart(const char* text, const char* at) {
    // Back to the nearest place known to start a character: the text's
    // start, or just after an ASCII byte. From there forward by characters.
    const char* from = at;
    while (from > text && !IsAscii(from[-1])) --from;
    while (from < at) {
        const char* next = NextCharacter(from);
        if (next > at) break;
        from = next;
    }
    return from;
}

const char* FindFirstOf(const char* text, const char* set) {
    // Most texts hold none of the set at all: one byte-wise look decides.
    if (strpbrk(text, set) == nullptr) return nullptr;
    for (const char* at = text; *at != '\0'; at = NextCharacter(at))
        if (InSet(set, *at)) return at;
    return nullptr;
}

const char* FindLastOf(const char* text, const char* set) {
    const char* last = nullptr;
    for (const char* at = text; *at != '\0'; at = NextCharacter(at))
        if (InSet(set, *at)) last = at;
    return last;
}

const char* FindInText(const char* text, const char* pattern) {
    // Found byte by byte first; a find that begins inside a character is
    // passed by.
    for (const char* hit = strstr(text, pattern); hit != nullptr; hit = strstr(hit + 1, pattern))
        if (CharacterStart(text, hit) == hit) return hit;
    return nullptr;
}

bool SameTextIgnoringCase(const char* a, const char* b, size_t count) {
    size_t i = 0;
    while (i < count) {
        if (a[i] == '\0' || b[i] == '\0') return a[i] == b[i];
        if (IsAscii(a[i])) {
            if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
            ++i;
            continue;
        }
        size_t end = static_cast<size_t>(NextCharacter(a + i) - a);
        for (; i < end && i < count; ++i)
            if (a[i] != b[i]) return false;
    }
    return true;
}

bool CopyLowerCase(char* destination, size_t size, const char* source) {
    if (size == 0) return false;
    size_t used = 0;
    const char* at = source;
    while (*at != '\0') {
        const char* next = NextCharacter(at);
        size_t length = static_cast<size_t>(next - at);
        if (used + length >= size) {
            destination[used] = '\0';
            return false;
        }
        if (length == 1) {
            destination[used++] = LowerAscii(*at);
        } else {
            memmove(destination + used, at, length);
            used += length;
        }
        at = next;
    }
    destination[used] = '\0';
    return true;
}
