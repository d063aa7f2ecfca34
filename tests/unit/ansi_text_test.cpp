// Splitting and searching paths by characters of the ANSI code page. In
// 932 the second byte of ソ (83 5C) and of 表 (95 5C) is a '\', and that of
// ア (83 41) an 'A': every row of 932 has a row of 1252 over the same bytes
// as its control, where those bytes are characters of their own.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "common/ansi_text.h"
#include "detect/renamed_path.h"
#include "memory/process_names.h"
#include "test_machine.h"

namespace {

const std::string kSo("\x83\x5C", 2);    // ソ
const std::string kHyo("\x95\x5C", 2);   // 表
const std::string kA("\x83\x41", 2);     // ア
const std::string kDi("\x83\x61", 2);    // ヂ: ア with its second byte lower-cased

using Split = std::function<std::string(const std::string&)>;

std::string Offset(const char* found, const std::string& text) {
    return found == nullptr ? "none" : std::to_string(found - text.c_str());
}

const Split kFileNamePart = [](const std::string& text) { return std::string(FileNamePart(text.c_str())); };
const Split kImageBaseName = [](const std::string& text) {
    char name[260];
    return ImageBaseName(text.c_str(), name, sizeof name) ? std::string(name) : std::string("refused");
};
const Split kRenamed = [](const std::string& text) {
    char renamed[260];
    return MakeRenamedPath(text.c_str(), renamed, sizeof renamed) ? std::string(renamed) : std::string("refused");
};
const Split kFirstSeparator = [](const std::string& text) { return Offset(FindFirstOf(text.c_str(), "\\/"), text); };
const Split kLastBackslash = [](const std::string& text) { return Offset(FindLastOf(text.c_str(), "\\"), text); };
const Split kSystemFolder = [](const std::string& text) { return Offset(FindInText(text.c_str(), "\\system\\"), text); };
const Split kLowerCase = [](const std::string& text) {
    char lower[260];
    return CopyLowerCase(lower, sizeof lower, text.c_str()) ? std::string(lower) : "cut:" + std::string(lower);
};
// The start of the character holding the text's third byte.
const Split kStartOfThird = [](const std::string& text) {
    return Offset(CharacterStart(text.c_str(), text.c_str() + 2), text);
};

class AnsiTextTest : public MachineTest {};

TEST_F(AnsiTextTest, SplitsStepByCharactersOfTheCodePage) {
    struct Row {
        const char* label;
        UINT codePage;
        const Split* split;
        std::string text;
        std::string expected;
    };
    const std::vector<Row> rows = {
        {"file name: ソ ends in 5C", 932, &kFileNamePart, "C:\\dir\\" + kSo, kSo},
        {"control: 1252 splits at the 5C", 1252, &kFileNamePart, "C:\\dir\\" + kSo, ""},
        {"file name below 表", 932, &kFileNamePart, "C:\\" + kHyo + "\\a.exe", "a.exe"},
        {"file name: a lead byte at the end", 932, &kFileNamePart, "C:\\dir\\x\x83", "x\x83"},
        {"file name: no backslash", 932, &kFileNamePart, kSo + "x.exe", kSo + "x.exe"},
        {"base name: 表示.exe", 932, &kImageBaseName, "C:\\x\\" + kHyo + "\x8E\xA6.exe", kHyo + "\x8E\xA6"},
        {"control: base name in 1252", 1252, &kImageBaseName, "C:\\x\\" + kHyo + "\x8E\xA6.exe", "\x8E\xA6"},
        {"rename: the character after the dot is ソ", 932, &kRenamed, "C:\\a\\b." + kSo + "x", "C:\\a\\b.Vx"},
        {"control: 1252 replaces one byte", 1252, &kRenamed, "C:\\a\\b." + kSo + "x", "C:\\a\\b.V\\x"},
        {"control: rename of b.exe", 932, &kRenamed, "C:\\a\\b.exe", "C:\\a\\b.Vxe"},
        {"rename: a lead byte at the end", 932, &kRenamed, "C:\\a\\b.\x83", "C:\\a\\b.V"},
        {"first separator after ソ", 932, &kFirstSeparator, kSo + "/b", "2"},
        {"control: 1252 finds the 5C", 1252, &kFirstSeparator, kSo + "/b", "1"},
        {"no separator but second bytes", 932, &kFirstSeparator, kSo + kHyo, "none"},
        {"last backslash before ソ", 932, &kLastBackslash, "a\\" + kSo, "1"},
        {"control: 1252's last backslash is the 5C", 1252, &kLastBackslash, "a\\" + kSo, "3"},
        {"a lead byte at the end hides nothing", 932, &kLastBackslash, "a\\b\x83", "1"},
        {"\\system\\ after a 5C second byte is no folder", 932, &kSystemFolder, "C:\\x" + kSo + "system\\a", "none"},
        {"control: 1252 finds it", 1252, &kSystemFolder, "C:\\x" + kSo + "system\\a", "5"},
        {"control: a real \\system\\ folder", 932, &kSystemFolder, "C:\\" + kSo + "\\system\\a", "5"},
        {"lower case leaves ア's second byte", 932, &kLowerCase, "C:\\" + kA + "\\X.EXE", "c:\\" + kA + "\\x.exe"},
        {"control: 1252 folds it", 1252, &kLowerCase, "C:\\" + kA + "\\X.EXE", "c:\\" + kDi + "\\x.exe"},
        {"character start: the 5C belongs to ソ", 932, &kStartOfThird, "a" + kSo + "b", "1"},
        {"control: 1252's 5C is its own", 1252, &kStartOfThird, "a" + kSo + "b", "2"},
        {"character start in a run of lead bytes", 932, &kStartOfThird, "\x83\x83\x83\x83", "2"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        machine().ansiCodePage = row.codePage;
        EXPECT_EQ((*row.split)(row.text), row.expected);
    }
}

TEST_F(AnsiTextTest, CaseIsIgnoredOnlyForSingleByteLetters) {
    struct Row {
        const char* label;
        UINT codePage;
        std::string a;
        std::string b;
        size_t count;
        bool same;
    };
    const std::vector<Row> rows = {
        {"ア and ヂ differ in a second byte only", 932, kA + ".exe", kDi + ".exe", 260, false},
        {"control: 1252 takes them as one", 1252, kA + ".exe", kDi + ".exe", 260, true},
        {"control: letters of their own", 932, kA + "TOOL.EXE", kA + "tool.exe", 260, true},
        {"a prefix of the count", 932, "FOOBAR", "foo", 3, true},
        {"a shorter text is no prefix", 932, "FO", "foo", 3, false},
        {"the count ends inside a character", 932, kSo + "x", kSo.substr(0, 1), 1, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        machine().ansiCodePage = row.codePage;
        EXPECT_EQ(SameTextIgnoringCase(row.a.c_str(), row.b.c_str(), row.count), row.same);
    }
}

}  // namespace
