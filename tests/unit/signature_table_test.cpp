// The signature table as data: layout, names, the four records known byte
// for byte, the figures the generated records keep, and the size condition.
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

#include "detect/signature_match.h"
#include "detect/signature_table.h"

namespace {

const char* const kVariantCodes[kSignatureRecordCount] = {
    "Pfw", "Peq", "Pos", "Bc",   "Rbx",  "Sio",  "Fv",   "F",    "Bp",   "Qnz", "Qnz",  "Qbe",  "Tof",  "Pnj",
    "Qkg", "Pgf", "Tkb", "Peq",  "Pod",  "Rca",  "Fv",   "Fv",   "Qbe",  "Pxs", "Pgf",  "Tcp",  "Rew",  "Pyp",
    "Fv",  "Pgf", "Qka", "Syv",  "Rff",  "Rjw",  "Fv",   "Raf",  "Qpa",  "Qsr", "Qmy",  "Qvy",  "Udc",  "Sjf",
    "Sin", "Tbk", "Qjk", "Peq",  "Peq",  "Rcs",  "Sjf",  "Eg",   "Tkc",  "Riu", "Fv",   "Riu",  "Riu",  "Fv",
    "Sio", "Tkb", "Uek", "Umf",  "Unt",  "Fv",   "Tpf",  "Tkc",  "Vhi",  "Ufr", "Wng",  "Wrj",  "Wnl",  "Fv",
    "Fv",  "Vfr", "Tvs", "Ygr",  "Yio",  "Twn",  "Twm",  "Yzp",  "Zdd",  "Riu", "Vfy",  "Tzq",  "Tfw",  "Zwl",
    "Ztb", "Zlj", "Zow", "Aaft", "Aakr", "Ao",   "Aafx", "Ztm",  "Aaqr", "Aasx", "Tbn", "Aayw", "Abgi", "Tkc",
    "Zjb", "Aaik", "Zjb", "Zjb", "Zxp",  "Absl", "Szq",  "Acog", "Aely", "Xzk", "Ajvr", "Akya",
};

const SignatureRecord& Record(int number) { return SignatureTable[number - 1]; }

// The integer fields copied out: the record is packed, and the test macros
// would bind references to its misaligned fields.
struct Numbers {
    int32_t firstOffset, secondOffset, fileSize, sizeMode;
};
Numbers NumbersOf(int number) {
    const SignatureRecord& r = Record(number);
    return Numbers{r.firstOffset, r.secondOffset, r.fileSize, r.sizeMode};
}

std::string Hex(const unsigned char* bytes, size_t count) {
    std::string text;
    char part[4];
    for (size_t i = 0; i < count; ++i) {
        snprintf(part, sizeof part, i ? " %02X" : "%02X", bytes[i]);
        text += part;
    }
    return text;
}

TEST(SignatureTable, NamesInOrderEightyFourDistinctAndAnAllZeroEnd) {
    std::set<std::string> distinct;
    for (int number = 1; number <= kSignatureRecordCount; ++number) {
        const SignatureRecord& record = Record(number);
        ASSERT_LT(strnlen(record.detectionName, sizeof record.detectionName), sizeof record.detectionName);
        EXPECT_EQ(std::string(record.detectionName), std::string("W32/Gorvex.") + kVariantCodes[number - 1] + ".Trojan")
            << "record " << number;
        distinct.insert(record.detectionName);
        // The unused name bytes and both pattern terminators are zero.
        for (size_t i = strlen(record.detectionName); i < sizeof record.detectionName; ++i)
            EXPECT_EQ(record.detectionName[i], 0) << "record " << number;
        EXPECT_EQ(record.firstPattern[kPatternLength], 0);
        EXPECT_EQ(record.secondPattern[kPatternLength], 0);
    }
    EXPECT_EQ(distinct.size(), 84u);
    const unsigned char* end = reinterpret_cast<const unsigned char*>(&SignatureTable[kSignatureRecordCount]);
    for (size_t i = 0; i < sizeof(SignatureRecord); ++i) EXPECT_EQ(end[i], 0) << "byte " << i;
}

TEST(SignatureTable, TheFourKnownRecordsAreExact) {
    struct Known {
        int number;
        int32_t firstOffset;
        const char* firstPattern;
        int32_t secondOffset;
        const char* secondPattern;
        int32_t fileSize;
    };
    const Known known[] = {
        {1, -139908, "00 E9 78 92 01 00 E9 D3 85 01 00 E9 AE 63 01 00 E9 79 9C 01", 5000,
         "CC CC 8B 4D F0 E9 26 CB FD FF B8 40 56 42 00 E9 3A EB FF FF", 175616},
        {3, -9093, "6A 03 84 53 B4 4E AB 53 8B 1D E0 ED F6 6F 77 1A FF B5 28 54", -49,
         "0C CC 3C B9 C5 BA 85 02 2E 26 27 74 1A 70 4A 9A A6 60 0A 48", 11264},
        {75, -1, "00 55 8B EC 6A FF 68 F8 40 40 00 68 D6 32 40 00 64 A1 00 00", 530,
         "B8 88 41 40 00 E9 AC FD FF FF B8 E0 41 40 00 E9 A2 FD FF FF", 238073},
        {78, 138, "00 00 51 83 EC 24 53 56 57 89 65 F0 89 55 CC 89 4D D0 C7 45", 4544,
         "00 83 7D FC 00 74 07 8B 4D FC 51 FF 55 E8 83 7D C0 00 74 07", 225791},
    };
    for (const Known& k : known) {
        const SignatureRecord& record = Record(k.number);
        Numbers numbers = NumbersOf(k.number);
        EXPECT_EQ(numbers.firstOffset, k.firstOffset) << k.number;
        EXPECT_EQ(Hex(record.firstPattern, kPatternLength), k.firstPattern) << k.number;
        EXPECT_EQ(numbers.secondOffset, k.secondOffset) << k.number;
        EXPECT_EQ(Hex(record.secondPattern, kPatternLength), k.secondPattern) << k.number;
        EXPECT_EQ(numbers.fileSize, k.fileSize) << k.number;
        EXPECT_EQ(numbers.sizeMode, kSizeExact) << k.number;
    }
    EXPECT_EQ(NumbersOf(10).fileSize, 617580);
    EXPECT_EQ(NumbersOf(11).fileSize, 125512);
}

TEST(SignatureTable, PackedImageOfRecordOneFromOffsetFifty) {
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(&Record(1));
    const std::string expected =
        "7C DD FD FF "
        "00 E9 78 92 01 00 E9 D3 85 01 00 E9 AE 63 01 00 E9 79 9C 01 00 "
        "88 13 00 00 "
        "CC CC 8B 4D F0 E9 26 CB FD FF B8 40 56 42 00 E9 3A EB FF FF 00 "
        "00 AE 02 00 "
        "01 00 00 00";
    EXPECT_EQ(Hex(bytes + 50, sizeof(SignatureRecord) - 50), expected);
    EXPECT_EQ(sizeof SignatureTable, 111 * 108u);
}

TEST(SignatureTable, RangesCountsAndEveryRecordSatisfiable) {
    int32_t firstLow = INT32_MAX, firstHigh = INT32_MIN, secondLow = INT32_MAX, secondHigh = INT32_MIN;
    int32_t sizeLow = INT32_MAX, sizeHigh = INT32_MIN;
    int negativeFirst = 0, negativeSecond = 0;
    for (int number = 1; number <= kSignatureRecordCount; ++number) {
        const SignatureRecord& record = Record(number);
        Numbers r = NumbersOf(number);
        EXPECT_EQ(r.sizeMode, kSizeExact) << number;
        firstLow = std::min(firstLow, r.firstOffset);
        firstHigh = std::max(firstHigh, r.firstOffset);
        secondLow = std::min(secondLow, r.secondOffset);
        secondHigh = std::max(secondHigh, r.secondOffset);
        sizeLow = std::min(sizeLow, r.fileSize);
        sizeHigh = std::max(sizeHigh, r.fileSize);
        negativeFirst += r.firstOffset < 0;
        negativeSecond += r.secondOffset < 0;
        // Both patterns fit after 0x400 bytes of headers in one stretch of
        // the file that also holds the entry point, and do not overlap.
        int64_t low = std::min<int64_t>({r.firstOffset, r.secondOffset, 0});
        int64_t high = std::max<int64_t>({r.firstOffset, r.secondOffset, 0}) + kPatternLength;
        EXPECT_LE(high - low + 0x400, r.fileSize) << number;
        EXPECT_GE(std::abs(static_cast<int64_t>(r.secondOffset) - r.firstOffset), kPatternLength) << number;
        bool allZero = true;
        for (int i = 0; i < kPatternLength; ++i) allZero = allZero && record.firstPattern[i] == 0 && record.secondPattern[i] == 0;
        EXPECT_FALSE(allZero) << number;
    }
    EXPECT_EQ(firstLow, -1014493);
    EXPECT_EQ(firstHigh, 2640);
    EXPECT_EQ(negativeFirst, 103);
    EXPECT_EQ(secondLow, -3859792);
    EXPECT_EQ(secondHigh, 1066419);
    EXPECT_EQ(negativeSecond, 4);
    EXPECT_EQ(sizeLow, 11264);
    EXPECT_EQ(sizeHigh, 7788544);
}

TEST(SizeCondition, ByModeWithTheToleranceExclusiveOnBothSides) {
    SignatureRecord record;
    memset(&record, 0, sizeof record);
    record.fileSize = 20000;
    struct Row {
        int32_t mode;
        int32_t length;
        bool passes;
    };
    const Row rows[] = {
        {kSizeExact, 20000, true},  {kSizeExact, 19999, false}, {kSizeExact, 20001, false},
        {kSizeNear, 20000, true},   {kSizeNear, 15905, true},   {kSizeNear, 24095, true},
        {kSizeNear, 15904, false},  {kSizeNear, 24096, false},  {kSizeAny, 1, true},
        {kSizeAny, 0x7FFFFFFF, true}, {0, 20000, false},        {4, 20000, false},
        {-1, 20000, false},
    };
    for (const Row& row : rows) {
        record.sizeMode = row.mode;
        EXPECT_EQ(PassesSizeCondition(record, row.length), row.passes) << "mode " << row.mode << " length " << row.length;
    }
}

}  // namespace
