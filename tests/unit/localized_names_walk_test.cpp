// The walk on machines that are not English: folders whose names hold a
// 0x5C second byte in code page 932, folders named in scripts code page
// 1252 cannot spell (reached by their 8.3 alias), and the line that names
// whatever the walk cannot reach, so that "Scanning completed" never
// follows a silent skip.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "common/report.h"
#include "sample_fixture.h"
#include "scan/directory_walk.h"
#include "scan/scan_driver.h"

namespace {

const int kRecord = 3;
// Code page 932 spellings of the host's UTF-8 names.
const std::string kSoft("\x83\x5C\x83\x74\x83\x67");  // ソフト
const std::string kHyoji("\x95\x5C\x8E\xA6");         // 表示
const std::string kSo("\x83\x5C");                    // ソ

class LocalizedWalkTest : public SampleTest {
protected:
    void SetUp() override {
        SampleTest::SetUp();
        host_ = MapDrive('C');
    }
    void HostFolder(const std::string& relative) { ASSERT_EQ(mkdir((host_ + "/" + relative).c_str(), 0755), 0); }
    void HostFile(const std::string& relative) { std::ofstream(host_ + "/" + relative) << "MZ clean"; }
    std::string Removed(const std::string& path) { return path + "     " + NameOf(kRecord) + " removed"; }
    bool Shown(const std::string& status) {
        for (const std::string& s : statuses())
            if (s == status) return true;
        return false;
    }
    std::string host_;
};

TEST_F(LocalizedWalkTest, Japanese932FindsAndRemovesBelowFoldersWithA5CSecondByte) {
    machine().ansiCodePage = 932;
    HostFolder("ソフト");
    HostFolder("表示");
    HostFolder("表示/ソ");
    WriteMatch("C:\\" + kSoft + "\\setup.exe", kRecord);
    WriteMatch("C:\\" + kHyoji + "\\" + kSo + "\\" + kSo + ".exe", kRecord);
    HostFile("表示/clean.exe");  // control: inspected, left alone

    EXPECT_EQ(WalkDirectory("C:\\*.*"), 3);
    EXPECT_EQ(lines(), (std::vector<std::string>{
                           Removed("C:\\" + kSoft + "\\setup.exe"),
                           Removed("C:\\" + kHyoji + "\\" + kSo + "\\" + kSo + ".exe"),
                       }));
    EXPECT_EQ(ScanCounters.filesInfected, 2);
    EXPECT_EQ(ScanCounters.filesRemoved, 2);
    EXPECT_FALSE(Exists("C:\\" + kSoft + "\\setup.exe"));
    EXPECT_TRUE(Exists("C:\\" + kHyoji + "\\clean.exe"));
    EXPECT_TRUE(Shown("C:\\" + kHyoji + "\\clean.exe"));
}

// A Run value that starts the infected file by its 932 path goes with it;
// one that starts a file whose path differs in a second byte that looks
// like a letter (ア 83 41, ヂ 83 61) stays.
TEST_F(LocalizedWalkTest, Japanese932RunValuesOfThePathAndNotOfItsLookAlike) {
    machine().ansiCodePage = 932;
    const std::string a("\x83\x41");
    const std::string di("\x83\x61");
    HostFolder("ア");
    WriteMatch("C:\\" + a + "\\tool.exe", kRecord);
    const char run[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
    machine().registry.SetString(HKEY_LOCAL_MACHINE, run, "Starts", "C:\\" + a + "\\TOOL.EXE /q");
    machine().registry.SetString(HKEY_LOCAL_MACHINE, run, "LookAlike", "C:\\" + di + "\\tool.exe");

    EXPECT_EQ(WalkDirectory("C:\\*.*"), 1);
    EXPECT_EQ(lines(), (std::vector<std::string>{"System Registry     W32/Gorvex.Trojan removed",
                                                 Removed("C:\\" + a + "\\tool.exe")}));
    EXPECT_EQ(machine().registry.ValueNames(HKEY_LOCAL_MACHINE, run), std::vector<std::string>{"LookAlike"});
}

// English Windows lists a Greek or Japanese name as '?'s, which neither
// lists nor opens; the 8.3 alias does, and is the path of every line.
TEST_F(LocalizedWalkTest, English1252WalksGreekAndJapaneseFoldersByTheirAliases) {
    HostFolder("Ελληνικά");
    HostFolder("ソフト");
    HostFolder("ソフト/表示");
    WriteMatch("C:\\______~1\\a.exe", kRecord);
    WriteMatch("C:\\___~1\\__~1\\b.exe", kRecord);
    HostFile("Ελληνικά/clean.exe");

    EXPECT_EQ(WalkDirectory("C:\\*.*"), 3);
    EXPECT_EQ(lines(), (std::vector<std::string>{Removed("C:\\______~1\\a.exe"), Removed("C:\\___~1\\__~1\\b.exe")}));
    EXPECT_EQ(ScanCounters.filesRemoved, 2);
    EXPECT_TRUE(Shown("C:\\___~1"));  // the folder itself, in the file pass
    EXPECT_TRUE(Shown("C:\\______~1\\clean.exe"));
    EXPECT_FALSE(Exists("C:\\___~1\\__~1\\b.exe"));
}

// Each thing the walk cannot reach is one line, once; it is not counted,
// and the scan still ends "Scanning completed".
TEST_F(LocalizedWalkTest, WhatCannotBeReachedIsNamedOnce) {
    struct Row {
        const char* label;
        std::function<void()> arrange;
        std::vector<std::string> lines;
        int scanned;
    };
    const std::string deep(240, 'd');
    const std::vector<Row> rows = {
        {"control: plain names", [this] { HostFile("box/plain.exe"); }, {}, 2},
        {"a file named with '?' and no alias",
         [this] { HostFile("box/n?n.exe"); },
         {"C:\\box\\n?n.exe     Unable to scan"}, 1},
        {"a folder named with '?' and no alias",
         [this] {
             HostFolder("box/d?d");
             HostFile("box/d?d/inside.exe");
         },
         {"C:\\box\\d?d     Unable to scan"}, 1},
        {"control: a '?' name with an alias",
         [this] {
             HostFolder("box/Ω");
             HostFile("box/Ω/inside.exe");
         },
         {}, 2},
        {"a folder whose listing is refused",
         [this] {
             HostFolder("box/locked");
             HostFile("box/locked/inside.exe");
             machine().faults.Fail("FindFirstFileA", ERROR_ACCESS_DENIED, "C:\\box\\locked\\");
         },
         {"C:\\box\\locked     Unable to scan"}, 1},
        {"a listing broken off",
         [this] {
             HostFile("box/plain.exe");
             winsim::FaultRule rule;
             rule.operation = "FindNextFileA";
             rule.error = ERROR_ACCESS_DENIED;
             rule.count = 1;
             machine().faults.Add(rule);
         },
         {"C:\\     Unable to scan"}, 1},  // the root's file pass ends after "box": top.exe unseen
        {"a path too long for the buffers",
         [this, deep] {
             MakeFolder("C:\\box\\" + deep);
             MakeFile("C:\\box\\" + deep + "\\" + std::string(20, 'f') + ".exe");
         },
         {"C:\\box\\" + deep + "\\" + std::string(20, 'f') + ".exe     Unable to scan"}, 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        ResetMachine();
        std::filesystem::remove_all(HostRoot());
        host_ = MapDrive('C');
        MapDrive('D');  // control: an empty drive has no entries, which is no failure
        strcpy(ScanTarget, "!:");
        ActionCode = kActionRemove;
        HostFolder("box");
        HostFile("top.exe");
        row.arrange();

        RunScan();
        std::vector<std::string> expected = row.lines;
        for (const char* statistic : {"Scanning statistics", "------------------------------"})
            expected.push_back(statistic);
        expected.push_back("Total files scanned\t\t:  " + std::to_string(row.scanned));
        expected.push_back("Total files infected\t\t:  0");
        expected.push_back("Total files removed\t\t:  0");
        EXPECT_EQ(lines(), expected);
        EXPECT_STREQ(StatusPath, "Scanning completed");
    }
}

TEST_F(LocalizedWalkTest, NoLineWithoutAMainWindow) {
    HostFile("n?n.exe");
    MainWindowHandle = nullptr;
    EXPECT_EQ(WalkDirectory("C:\\*.*"), 0);
    EXPECT_TRUE(lines().empty());
}

}  // namespace
