// Stepping through ANSI text by characters of the machine's code page,
// where Wine (running with code page 1252 here) cannot be the judge: the
// double-byte code page 932, whose second bytes include '\' (0x5C), and
// UTF-8. Each 932 row has a 1252 row over the same bytes as its control.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/win32.h"
#include "test_machine.h"

namespace {

class CharacterStepsTest : public MachineTest {};

TEST_F(CharacterStepsTest, TheCodePageIs1252UntilSetAndAgainAfterAReset) {
    EXPECT_EQ(GetACP(), 1252u);
    machine().ansiCodePage = 932;
    EXPECT_EQ(GetACP(), 932u);
    winsim::Reset();
    EXPECT_EQ(GetACP(), 1252u);
}

TEST_F(CharacterStepsTest, LeadBytesOf932) {
    struct Row {
        UINT codePage;
        BYTE byte;
        bool lead;
    };
    const std::vector<Row> rows = {
        {932, 0x80, false}, {932, 0x81, true}, {932, 0x9F, true}, {932, 0xA0, false},
        {932, 0xDF, false}, {932, 0xE0, true}, {932, 0xFC, true}, {932, 0xFD, false},
        {932, 0x5C, false}, {932, 0x41, false},
        {1252, 0x81, false}, {1252, 0xE0, false},   // controls: no lead bytes
        {65001, 0xE3, false}, {65001, 0xC3, false},  // UTF-8 is no double-byte code page
    };
    for (const Row& row : rows) {
        machine().ansiCodePage = row.codePage;
        EXPECT_EQ(IsDBCSLeadByte(row.byte) != FALSE, row.lead) << row.codePage << " byte " << int(row.byte);
    }
}

TEST_F(CharacterStepsTest, NextAndPreviousCharacter) {
    struct Row {
        const char* label;
        UINT codePage;
        std::string text;
        size_t at;    // the position asked about
        size_t next;  // CharNextA(text + at) - text
        size_t prev;  // CharPrevA(text, text + at) - text
    };
    const std::string so("\x83\x5C", 2);  // the first character of ソフト in 932
    const std::vector<Row> rows = {
        {"a 0x5C second byte is part of its character", 932, "a" + so + "b", 1, 3, 0},
        {"control: the same bytes in 1252", 1252, "a" + so + "b", 1, 2, 0},
        {"back over a double-byte character", 932, "a" + so + "b", 3, 4, 1},
        {"control: back over the 0x5C alone", 1252, "a" + so + "b", 3, 4, 2},
        {"from the second byte, back to its lead byte", 932, "a" + so + "b", 2, 3, 1},
        {"a lead byte before the terminator is one character", 932, "a\x83", 1, 2, 0},
        {"at the terminator: the terminator", 932, "a" + so, 3, 3, 1},
        {"at the start: the start", 932, so, 0, 2, 0},
        {"an empty text", 932, "", 0, 0, 0},
        {"two double-byte characters", 932, so + "\x83\x74", 4, 4, 2},
        {"UTF-8: one sequence is one character", 65001, "a\xE3\x82\xBD" "b", 1, 4, 0},
        {"UTF-8: back over a sequence", 65001, "a\xE3\x82\xBD" "b", 4, 5, 1},
        {"UTF-8: a cut sequence steps byte by byte", 65001, "a\xE3\x82", 1, 2, 0},
        {"UTF-8 control: a stray continuation byte", 65001, "\x82" "b", 0, 1, 0},
    };
    for (const Row& row : rows) {
        machine().ansiCodePage = row.codePage;
        const char* text = row.text.c_str();
        EXPECT_EQ(static_cast<size_t>(CharNextA(text + row.at) - text), row.next) << row.label;
        EXPECT_EQ(static_cast<size_t>(CharPrevA(text, text + row.at) - text), row.prev) << row.label;
    }
}

}  // namespace
