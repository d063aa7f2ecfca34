// Stepping through ANSI text by characters (GetACP, IsDBCSLeadByte,
// CharNextA, CharPrevA), which every split of a path at a '\' relies on.
// Under code page 1252 every byte is a character; the double-byte checks
// run only where the machine's code page is 932.
#include <cstring>

#include "conformance.h"
#include "ok.h"
#include "platform/win32.h"

namespace {

long Offset(const char* text, const char* at) { return static_cast<long>(at - text); }

}  // namespace

void TestCharacterSteps() {
    UINT codePage = GetACP();
    ok(codePage == 1252 || codePage == 932, "unexpected ANSI code page %u", codePage);

    const char* empty = "";
    ok(CharNextA(empty) == empty, "CharNextA at the terminator moved");
    const char* ab = "ab";
    ok(Offset(ab, CharNextA(ab)) == 1, "CharNextA over 'a' gave %ld", Offset(ab, CharNextA(ab)));
    ok(CharNextA(ab + 2) == ab + 2, "CharNextA past the end of \"ab\"");
    ok(CharPrevA(ab, ab) == ab, "CharPrevA at the start gave %ld", Offset(ab, CharPrevA(ab, ab)));
    ok(Offset(ab, CharPrevA(ab, ab + 2)) == 1, "CharPrevA from the end gave %ld", Offset(ab, CharPrevA(ab, ab + 2)));
    ok(!IsDBCSLeadByte('A') && !IsDBCSLeadByte('\\'), "an ASCII byte taken for a lead byte");

    // ソフト's first character in code page 932: a lead byte, then 0x5C.
    const char so[] = "a\x83\x5C" "b";
    if (codePage == 1252) {
        ok(!IsDBCSLeadByte(0x83) && !IsDBCSLeadByte(0x81) && !IsDBCSLeadByte(0xE0), "a lead byte in 1252");
        ok(Offset(so, CharNextA(so + 1)) == 2, "1252: CharNextA over 0x83 gave %ld", Offset(so, CharNextA(so + 1)));
        ok(Offset(so, CharPrevA(so, so + 3)) == 2, "1252: CharPrevA to the 0x5C gave %ld",
           Offset(so, CharPrevA(so, so + 3)));
    }
    if (codePage == 932) {
        ok(IsDBCSLeadByte(0x81) && IsDBCSLeadByte(0x9F) && IsDBCSLeadByte(0xE0) && IsDBCSLeadByte(0xFC),
           "932: a lead byte not recognised");
        ok(!IsDBCSLeadByte(0x80) && !IsDBCSLeadByte(0xA0) && !IsDBCSLeadByte(0xDF) && !IsDBCSLeadByte(0xFD),
           "932: a single byte taken for a lead byte");
        ok(Offset(so, CharNextA(so + 1)) == 3, "932: CharNextA over 83 5C gave %ld", Offset(so, CharNextA(so + 1)));
        ok(Offset(so, CharPrevA(so, so + 3)) == 1, "932: CharPrevA to 83 5C gave %ld", Offset(so, CharPrevA(so, so + 3)));
        const char cut[] = "a\x83";
        ok(Offset(cut, CharNextA(cut + 1)) == 2, "932: a lead byte before the terminator gave %ld",
           Offset(cut, CharNextA(cut + 1)));
    }
}
