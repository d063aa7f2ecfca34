// The ANSI code page: wide to 8-bit text, and stepping through 8-bit text
// by characters. WideCharToMultiByte spells text in the machine's code
// page (through iconv, as listed names are); a character the code page
// cannot hold becomes the default character ('?'), as on Windows.
#include <string>

#include "ansi_names.h"
#include "character_steps.h"
#include "winsim/machine.h"

using winsim::TheMachine;

namespace {

// `count` UTF-16 units in the code page; *usedDefault when any character
// (or a lone surrogate) became `defaultChar`.
std::string ToAnsi(UINT codePage, const WCHAR* wide, int count, char defaultChar, bool* usedDefault) {
    std::string text;
    std::string utf8;
    for (int i = 0; i < count; ++i) {
        uint32_t unit = wide[i];
        if (unit < 0x80) {
            text.push_back(static_cast<char>(unit));
            continue;
        }
        uint32_t codePoint = unit;
        bool high = unit >= 0xD800 && unit < 0xDC00;
        if (high && i + 1 < count && wide[i + 1] >= 0xDC00 && wide[i + 1] < 0xE000) {
            codePoint = 0x10000 + ((unit - 0xD800) << 10) + (wide[i + 1] - 0xDC00);
            ++i;
        } else if (unit >= 0xD800 && unit < 0xE000) {
            text.push_back(defaultChar);
            *usedDefault = true;
            continue;
        }
        utf8.clear();
        winsim::AppendUtf8(codePoint, &utf8);
        if (!winsim::CharacterToAnsi(codePage, utf8.data(), utf8.size(), &text)) {
            text.push_back(defaultChar);
            *usedDefault = true;
        }
    }
    return text;
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
    std::string converted = ToAnsi(m.ansiCodePage, wide, count, defaultChar ? defaultChar[0] : '?', &used);
    int needed = static_cast<int>(converted.size());
    if (textSize == 0) {
        if (usedDefaultChar) *usedDefaultChar = used ? TRUE : FALSE;
        return needed;
    }
    if (needed > textSize) {
        m.lastError = ERROR_INSUFFICIENT_BUFFER;
        return 0;
    }
    memcpy(text, converted.data(), converted.size());
    if (usedDefaultChar) *usedDefaultChar = used ? TRUE : FALSE;
    return needed;
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
