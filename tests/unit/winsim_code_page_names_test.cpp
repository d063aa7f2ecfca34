// Host names (UTF-8) as the listing spells them in the machine's ANSI code
// page, and Windows paths of those spellings translated back, where Wine
// (code page 1252 in CI) cannot be the judge: 932, whose second bytes
// include '\' (0x5C) and '|' (0x7C), names no code page but UTF-8 can
// spell, and host names that are no UTF-8 at all. Each row is a folder
// holding one file; the name the listing gives (or its alias, when the
// name holds a '?') must list the folder and open the file.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "platform/win32.h"
#include "test_machine.h"

namespace {

struct Row {
    const char* label;
    UINT codePage;
    std::string hostName;  // as the host spells it
    std::string listed;    // cFileName
    bool aliased;          // '?' in the name: an alias in cAlternateFileName, the name refused
};

std::string Hex(const std::string& bytes) {
    std::string text;
    char byte[4];
    for (unsigned char c : bytes) {
        snprintf(byte, sizeof byte, "%02X ", c);
        text += byte;
    }
    return text;
}

class CodePageNamesTest : public MachineTest {
protected:
    void SetUp() override {
        MachineTest::SetUp();
        host_ = MapDrive('C');
    }

    // The root's entries as listed.
    std::vector<WIN32_FIND_DATAA> ListRoot() {
        std::vector<WIN32_FIND_DATAA> entries;
        WIN32_FIND_DATAA found;
        HANDLE find = FindFirstFileA("C:\\*", &found);
        if (find == INVALID_HANDLE_VALUE) return entries;
        do entries.push_back(found);
        while (FindNextFileA(find, &found));
        FindClose(find);
        return entries;
    }

    std::string host_;
};

TEST_F(CodePageNamesTest, ListedAsTheCodePageSpellsAndOpenedByThatName) {
    const std::vector<Row> rows = {
        {"932: ソフト, a 0x5C second byte", 932, "ソフト", "\x83\x5C\x83\x74\x83\x67", false},
        {"932: 表示", 932, "表示", "\x95\x5C\x8E\xA6", false},
        {"932: ソ, the name ends in a 0x5C second byte", 932, "ソ", "\x83\x5C", false},
        {"932: ポ, a 0x7C ('|') second byte", 932, "ポ", "\x83\x7C", false},
        {"932: Greek, which 932 holds", 932, "Ωmega", "\x83\xB6mega", false},
        {"932: ¥ would be spelt 0x5C, a '\\'", 932, "a¥b", "a?b", true},
        {"932 control: ASCII", 932, "Plain Name", "Plain Name", false},
        {"1252: Greek", 1252, "Ελληνικά", "????????", true},
        {"1252: Japanese", 1252, "ソフト", "???", true},
        {"1252: Latin letters 1252 holds", 1252, "café €", "caf\xE9 \x80", false},
        {"1252: a host name that is no UTF-8", 1252, "bad\xFFname", "bad?name", true},
        {"1252 control: ASCII", 1252, "Plain Name", "Plain Name", false},
        {"65001: names pass as the host spells them", 65001, "ソフト", "ソフト", false},
        {"65001: no UTF-8 passes too", 65001, "bad\xFFname", "bad\xFFname", false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        SetUp();
        machine().ansiCodePage = row.codePage;
        std::string hostFolder = host_ + "/" + row.hostName;
        ASSERT_EQ(mkdir(hostFolder.c_str(), 0755), 0);
        std::ofstream(hostFolder + "/inside.txt") << "12345";

        std::vector<WIN32_FIND_DATAA> entries = ListRoot();
        ASSERT_EQ(entries.size(), 1u);
        const WIN32_FIND_DATAA& entry = entries[0];
        EXPECT_EQ(std::string(entry.cFileName), row.listed) << Hex(entry.cFileName);
        EXPECT_EQ(entry.cAlternateFileName[0] != '\0', row.aliased) << entry.cAlternateFileName;

        std::string use = row.aliased ? entry.cAlternateFileName : row.listed;
        std::string file = "C:\\" + use + "\\inside.txt";
        std::string host;
        EXPECT_TRUE(machine().files.ToHostPath(file, &host));
        EXPECT_EQ(host, hostFolder + "/inside.txt");
        HANDLE opened = CreateFileA(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        EXPECT_NE(opened, INVALID_HANDLE_VALUE);
        if (opened != INVALID_HANDLE_VALUE) CloseHandle(opened);
        WIN32_FIND_DATAA inside;
        HANDLE find = FindFirstFileA(("C:\\" + use + "\\*.txt").c_str(), &inside);
        EXPECT_NE(find, INVALID_HANDLE_VALUE);
        if (find != INVALID_HANDLE_VALUE) {
            EXPECT_STREQ(inside.cFileName, "inside.txt");
            EXPECT_EQ(inside.nFileSizeLow, 5u);
            FindClose(find);
        }
        if (row.aliased) {
            SetLastError(0);
            EXPECT_EQ(GetFileAttributesA(("C:\\" + row.listed + "\\inside.txt").c_str()), INVALID_FILE_ATTRIBUTES);
            EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_NAME));
            EXPECT_EQ(FindFirstFileA(("C:\\" + row.listed + "\\*").c_str(), &inside), INVALID_HANDLE_VALUE);
        }
        TearDown();
    }
}

// The runtime's open and a second listing take the name from the listing
// just read; a file of a 932 folder named with a 0x5C second byte is found
// there, and a '\' that ends a double-byte character splits nothing.
TEST_F(CodePageNamesTest, APathWhoseFolderEndsInA5CSecondByte) {
    machine().ansiCodePage = 932;
    machine().files.listingSettleMs = 0;
    ASSERT_EQ(mkdir((host_ + "/ソ").c_str(), 0755), 0);
    std::ofstream(host_ + "/ソ/表示.exe") << "MZ";
    const std::string folder = "C:\\\x83\x5C\\";
    const std::string file = folder + "\x95\x5C\x8E\xA6.exe";
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((folder + "*.*").c_str(), &found);
    ASSERT_NE(find, INVALID_HANDLE_VALUE);
    FindClose(find);
    int fd = _open(file.c_str(), _O_RDONLY | _O_BINARY);
    ASSERT_NE(fd, -1);
    EXPECT_EQ(_filelength(fd), 2);
    _close(fd);
    // The exact name as a pattern, as the walk lists a single file.
    find = FindFirstFileA(file.c_str(), &found);
    ASSERT_NE(find, INVALID_HANDLE_VALUE);
    EXPECT_STREQ(found.cFileName, "\x95\x5C\x8E\xA6.exe");
    FindClose(find);
    // Control: under 1252 the same bytes are a folder "\x83" and a name "\x8E\xA6.exe" below "\x95".
    machine().ansiCodePage = 1252;
    EXPECT_EQ(_open(file.c_str(), _O_RDONLY | _O_BINARY), -1);
}

}  // namespace
