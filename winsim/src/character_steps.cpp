#include "character_steps.h"

#include <cstring>

namespace winsim {

namespace {

bool IsContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// The length of the well-formed UTF-8 sequence at `text` (RFC 3629: no
// overlong forms, no surrogates, nothing above U+10FFFF), or 1.
size_t Utf8SequenceLength(const unsigned char* text) {
    unsigned char first = text[0];
    if (first < 0x80) return 1;
    if (first >= 0xC2 && first <= 0xDF) return IsContinuation(text[1]) ? 2 : 1;
    if (first >= 0xE0 && first <= 0xEF) {
        unsigned char low = first == 0xE0 ? 0xA0 : 0x80;
        unsigned char high = first == 0xED ? 0x9F : 0xBF;
        return text[1] >= low && text[1] <= high && IsContinuation(text[2]) ? 3 : 1;
    }
    if (first >= 0xF0 && first <= 0xF4) {
        unsigned char low = first == 0xF0 ? 0x90 : 0x80;
        unsigned char high = first == 0xF4 ? 0x8F : 0xBF;
        return text[1] >= low && text[1] <= high && IsContinuation(text[2]) && IsContinuation(text[3]) ? 4 : 1;
    }
    return 1;
}

}  // namespace

bool IsLeadByteOf(UINT codePage, unsigned char byte) {
    if (codePage != 932) return false;
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

size_t LongCharacterLength(UINT codePage, const char* text) {
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(text);
    if (bytes[0] == 0) return 0;
    if (codePage == 65001) return Utf8SequenceLength(bytes);
    return IsLeadByteOf(codePage, bytes[0]) && bytes[1] != 0 ? 2 : 1;
}

namespace {

bool InSet(const char* set, char c) {
    for (const char* member = set; *member != '\0'; ++member)
        if (*member == c) return true;
    return false;
}

}  // namespace

// Only a double-byte code page has characters whose later bytes may look
// like ASCII; in 1252 and UTF-8 every byte below 0x80 is a character, so
// those are searched byte by byte. Texts here may hold no terminator at
// `length` (a part of a path), so a character never reaches past it.
size_t FindCharacter(UINT codePage, const char* text, size_t length, size_t start, const char* set) {
    if (codePage != 932) {
        for (size_t at = start; at < length; ++at)
            if (InSet(set, text[at])) return at;
        return length;
    }
    size_t at = start;
    while (at < length) {
        unsigned char byte = static_cast<unsigned char>(text[at]);
        if (byte < 0x80) {
            if (InSet(set, text[at])) return at;
            ++at;
            continue;
        }
        size_t step = LongCharacterLength(codePage, text + at);
        at += step == 0 || at + step > length ? 1 : step;
    }
    return length;
}

size_t FindLastCharacter(UINT codePage, const char* text, size_t length, const char* set) {
    if (codePage != 932) {
        for (size_t at = length; at > 0; --at)
            if (InSet(set, text[at - 1])) return at - 1;
        return length;
    }
    size_t last = length;
    size_t at = FindCharacter(codePage, text, length, 0, set);
    while (at < length) {
        last = at;
        at = FindCharacter(codePage, text, length, at + 1, set);
    }
    return last;
}

}  // namespace winsim
