// The built-in text signature. Its pattern is a run of uuencoded text of
// our own ("Bruvane synthetic hosts sample: a harmless marker made by our
// own tests, never real data."), two encoded lines joined as the check
// sees them once line breaks are stripped; stored XOR 0x55 so that the
// program's own image never holds it in plain.
#include <cstddef>

#include "detect/text_signature.h"

static_assert(offsetof(TextSignatureRecord, referenceSize) == 25, "layout");
static_assert(offsetof(TextSignatureRecord, position) == 29, "layout");
static_assert(offsetof(TextSignatureRecord, patternLength) == 31, "layout");
static_assert(offsetof(TextSignatureRecord, region) == 33, "layout");
static_assert(offsetof(TextSignatureRecord, pattern) == 35, "layout");
static_assert(offsetof(TextSignatureRecord, matchKind) == 135, "layout");
static_assert(offsetof(TextSignatureRecord, sizeMode) == 139, "layout");
static_assert(offsetof(TextSignatureRecord, reserved143) == 143, "layout");

TextSignatureRecord TextSignatureTable[kTextSignatureCount] = {
    {
        "W32/Nyxem.Worm",
        134042,  // referenceSize
        1888,    // position
        100,     // patternLength
        0,       // region: head text
        {
            0x18, 0x65, 0x12, 0x7C, 0x00, 0x68, 0x13, 0x70, 0x1B, 0x6C, 0x67, 0x74,
            0x06, 0x6B, 0x63, 0x0C, 0x01, 0x6F, 0x73, 0x60, 0x01, 0x6F, 0x63, 0x79,
            0x15, 0x6F, 0x73, 0x08, 0x06, 0x68, 0x72, 0x79, 0x15, 0x69, 0x03, 0x70,
            0x18, 0x69, 0x73, 0x04, 0x10, 0x7B, 0x17, 0x74, 0x14, 0x7D, 0x73, 0x14,
            0x14, 0x69, 0x13, 0x00, 0x19, 0x6C, 0x62, 0x78, 0x06, 0x7D, 0x73, 0x00,
            0x14, 0x18, 0x69, 0x13, 0x18, 0x10, 0x69, 0x17, 0x74, 0x18, 0x6D, 0x63,
            0x64, 0x10, 0x7D, 0x73, 0x7C, 0x0C, 0x7D, 0x73, 0x08, 0x00, 0x69, 0x17,
            0x74, 0x1A, 0x68, 0x03, 0x0D, 0x15, 0x68, 0x73, 0x60, 0x06, 0x68, 0x72,
            0x79, 0x19, 0x7D, 0x73,
        },
        1,   // matchKind: anywhere
        4,   // reserved
        18,  // sizeMode: no size condition
        0,
        {0},
    },
};

unsigned char TextSignaturesUnscrambled;

void UnscrambleTextSignatures() {
    TextSignatureRecord& record = TextSignatureTable[0];
    size_t length = record.patternLength <= sizeof record.pattern ? record.patternLength : sizeof record.pattern;
    for (size_t i = 0; i < length; ++i) record.pattern[i] ^= 0x55;
}
