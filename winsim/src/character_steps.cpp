#include "character_steps.h"

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

size_t CharacterLength(UINT codePage, const char* text) {
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(text);
    if (bytes[0] == 0) return 0;
    if (codePage == 65001) return Utf8SequenceLength(bytes);
    return IsLeadByteOf(codePage, bytes[0]) && bytes[1] != 0 ? 2 : 1;
}

}  // namespace winsim
