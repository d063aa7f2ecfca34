// Stepping through 8-bit text by characters of the ANSI code page. In the
// double-byte code pages (932, 936, 949, 950) the second byte of a
// character may be '\' (0x5C) or a letter: a byte-wise search for '\'
// splits such a name, and a byte-wise case fold changes the character.
// '.', ':', '/', '?' and '*' are never a second byte there.
//
// Every byte below 0x80 ends a character in every ANSI code page (it is
// either a character of its own or a second byte), so ASCII text costs a
// comparison per byte and the system is asked only about the others.
#pragma once

#include <cstddef>

// The character after the one at `at`; `at` itself at the terminator.
const char* NextCharacter(const char* at);

// The start of the character that holds the byte at `at` (`text` <= `at`,
// both in one terminated text; `at` may be its terminator).
const char* CharacterStart(const char* text, const char* at);

// The first character of `text` that is one of `set` (ASCII characters
// only), or nullptr. FindLastOf: the last one.
const char* FindFirstOf(const char* text, const char* set);
const char* FindLastOf(const char* text, const char* set);

// The first place where `pattern` begins at a character of `text`, or
// nullptr: strstr that never matches from the middle of a character.
const char* FindInText(const char* text, const char* pattern);

// Whether two texts are equal over at most `count` bytes (or up to their
// ends), ignoring the case of single-byte letters A-Z. The bytes of a
// double-byte character of `a` compare exactly: its second byte is no
// letter, whatever it looks like.
bool SameTextIgnoringCase(const char* a, const char* b, size_t count);

// Copies `source` into `destination` (`size` bytes) with its single-byte
// letters A-Z lower-cased; double-byte characters are copied unchanged.
// A source that does not fit is cut before the character that would
// not fit; false then. `destination` may be `source` itself.
bool CopyLowerCase(char* destination, size_t size, const char* source);
