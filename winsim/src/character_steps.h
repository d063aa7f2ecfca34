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
// character of its own).
size_t CharacterLength(UINT codePage, const char* text);

}  // namespace winsim
