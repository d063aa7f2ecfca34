// How text of an ANSI code page divides into characters: what CharNextA
// and friends answer, and how winsim itself splits Windows paths, so that
// the second byte of a double-byte character is never taken for a '\'.
#pragma once

#include <cstddef>

#include "winsim/types.h"

namespace winsim {

// A lead byte of a double-byte code page (932: 0x81-0x9F and 0xE0-0xFC);
// false for every byte of 1252 and of UTF-8 (65001), which are not
// double-byte code pages.
bool IsLeadByteOf(UINT codePage, unsigned char byte);

// The bytes of the character that starts at `text`: 0 at the terminator;
// 2 for a lead byte followed by anything but the terminator; in UTF-8 the
// bytes of one well-formed sequence; 1 otherwise (so a stray byte is a
// character of its own). A byte below 0x80 is a character of its own in
// every code page here, which the inline part answers.
size_t LongCharacterLength(UINT codePage, const char* text);
inline size_t CharacterLength(UINT codePage, const char* text) {
    unsigned char first = static_cast<unsigned char>(text[0]);
    if (first < 0x80) return first != 0 ? 1 : 0;
    return LongCharacterLength(codePage, text);
}

// The position of the first character at or after `start` (a character
// boundary) of text[0, length) that is one of the single-byte characters
// in `set`; `length` when there is none. Stepping by characters, the
// second byte of a double-byte character is never taken for one.
size_t FindCharacter(UINT codePage, const char* text, size_t length, size_t start, const char* set);
// The position of the last such character in text[0, length), or `length`.
size_t FindLastCharacter(UINT codePage, const char* text, size_t length, const char* set);

}  // namespace winsim
