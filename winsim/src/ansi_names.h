// Host names are UTF-8 (as on Linux, and as ntfs-3g shows a Windows disk);
// the "A" calls spell them in the machine's ANSI code page. The two
// conversions here go through glibc's iconv (CP1252, CP932).
//
// A character is held by the code page only when it converts there and
// back to itself: glibc, like Windows' "best fit", would spell U+00A5 (YEN
// SIGN) as 0x5C in 932, which is '\', and both U+301C and U+FF5E as 81 60.
// Windows lists such names with the best-fit bytes; winsim lists a '?'
// instead, so that a listed name is never split by a '\' of its own and
// always translates back to the same host name.
//
// In UTF-8 (65001) names pass byte for byte both ways, whatever they hold.
// In 1252 and 932, a byte of a host name that is no part of well-formed
// UTF-8 is a character the code page cannot hold (a '?'), as is every
// character iconv cannot convert.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "winsim/types.h"

namespace winsim {

// The ANSI spelling of a host name. False when a character could not be
// held and was written as '?'.
bool HostNameToAnsi(UINT codePage, const char* hostName, std::string* ansi);

// The host spelling of ANSI text (a name, or one component of a path).
// False when the bytes are not text of the code page, or hold a character
// that no host name of the code page's listing could spell that way.
bool AnsiToHostName(UINT codePage, const char* text, size_t length, std::string* hostName);

// One character, `utf8` (a well-formed sequence of `length` bytes), in the
// code page: appended to *ansi; false when the code page cannot hold it.
bool CharacterToAnsi(UINT codePage, const char* utf8, size_t length, std::string* ansi);

// A Unicode character as UTF-8, appended to *utf8.
void AppendUtf8(uint32_t codePoint, std::string* utf8);
// Zero-terminated UTF-16 text as UTF-8; false for a lone surrogate.
bool WideToUtf8(const WCHAR* wide, std::string* utf8);

}  // namespace winsim
