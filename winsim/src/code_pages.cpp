// The ANSI code page: wide to 8-bit text, and stepping through 8-bit text
// by characters. WideCharToMultiByte takes the code page as Windows-1252
// for the characters below 0x100 that it shares with Latin-1; anything
// else becomes '?', as Windows does for characters the code page lacks.
#include "character_steps.h"
#include "winsim/machine.h"

using winsim::TheMachine;

namespace {

char ToAnsi(WCHAR c, bool* usedDefault, char defaultChar) {
    if (c < 0x80 || (c >= 0xA0 && c < 0x100)) return static_cast<char>(c);
    *usedDefault = true;
    return defaultChar;
}

}  // namespace

int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR wide, int wideLength, LPSTR text, int textSize,
                        LPCSTR defaultChar, LPBOOL usedDefaultChar) {
    winsim::Machine& m = TheMachine();
    if (wide == nullptr || textSize < 0 || (text == nullptr && textSize > 0) || wideLength == 0 ||
        wideLength < -1) {
        m.lastError = ERROR_INVALID_PARAMETER;
        return 0;
    }
    if (codePage != CP_ACP && codePage != CP_OEMCP) {
        m.lastError = ERROR_INVALID_PARAMETER;
        return 0;
    }
    if (flags != 0) {
        m.lastError = ERROR_INVALID_FLAGS;
        return 0;
    }
    if (winsim::Injected("WideCharToMultiByte")) return 0;
    // With -1 the terminator is converted and counted too.
    int count = wideLength;
    if (count == -1) {
        count = 0;
        while (wide[count] != 0) ++count;
        ++count;
    }
    bool used = false;
    char fallback = defaultChar ? defaultChar[0] : '?';
    if (textSize == 0) {
        if (usedDefaultChar)
            for (int i = 0; i < count; ++i) ToAnsi(wide[i], &used, fallback);
        if (usedDefaultChar) *usedDefaultChar = used ? TRUE : FALSE;
        return count;
    }
    if (count > textSize) {
        m.lastError = ERROR_INSUFFICIENT_BUFFER;
        return 0;
    }
    for (int i = 0; i < count; ++i) text[i] = ToAnsi(wide[i], &used, fallback);
    if (usedDefaultChar) *usedDefaultChar = used ? TRUE : FALSE;
    return count;
}

UINT GetACP() { return TheMachine().ansiCodePage; }

BOOL IsDBCSLeadByte(BYTE testChar) { return winsim::IsLeadByteOf(TheMachine().ansiCodePage, testChar) ? TRUE : FALSE; }

LPSTR CharNextA(LPCSTR current) {
    return const_cast<LPSTR>(current + winsim::CharacterLength(TheMachine().ansiCodePage, current));
}

// From the start, as Windows does: a byte alone cannot tell a lead byte
// from the second byte of a character.
LPSTR CharPrevA(LPCSTR start, LPCSTR current) {
    while (*start != '\0' && start < current) {
        LPCSTR next = CharNextA(start);
        if (next >= current) break;
        start = next;
    }
    return const_cast<LPSTR>(start);
}
