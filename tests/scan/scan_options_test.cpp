// The command line of bruvane-scan: letters, folders, options and the
// usage errors, one table row per case.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "scan_options.h"

namespace {

struct ParseCase {
    const char* what;
    std::vector<std::string> arguments;
    bool ok;
    std::string drives;  // "C=/a D=/b" for the successful rows
    bool remove;
    std::string errorPart;  // a piece of the message for the failing rows
};

std::string Describe(const ScanOptions& options) {
    std::string text;
    for (const DriveMapping& drive : options.drives) {
        if (!text.empty()) text += ' ';
        text += std::string(1, drive.letter) + "=" + drive.hostFolder;
    }
    if (!options.windowsRoot.empty()) text += " windows=" + options.windowsRoot;
    return text;
}

const ParseCase kCases[] = {
    {"one folder is drive C", {"/mnt/win"}, true, "C=/mnt/win", false, ""},
    {"folders take C, D, ... in order", {"/a", "/b", "/c"}, true, "C=/a D=/b E=/c", false, ""},
    {"--drive names the letter", {"--drive", "E=/mnt/e"}, true, "E=/mnt/e", false, ""},
    {"--drive=L=F form, lower case and colon", {"--drive=d:=/x"}, true, "D=/x", false, ""},
    {"plain folders skip taken letters", {"/a", "--drive", "C=/c", "/b"}, true, "C=/c D=/a E=/b", false, ""},
    {"mappings come out in letter order", {"--drive", "Z=/z", "--drive", "F=/f"}, true, "F=/f Z=/z", false, ""},
    {"--remove", {"--remove", "/a"}, true, "C=/a", true, ""},
    {"-- ends the options", {"--", "--remove"}, true, "C=--remove", false, ""},
    {"a folder may contain '='", {"/a=b"}, true, "C=/a=b", false, ""},
    {"--windows is drive C, folders follow", {"/d", "--windows", "/w"}, true, "C=/w D=/d windows=/w", false, ""},
    {"--windows=DIR form", {"--remove", "--windows=/w"}, true, "C=/w windows=/w", true, ""},
    // Failing rows.
    {"nothing to scan", {}, false, "", false, "no folder to scan"},
    {"only --remove", {"--remove"}, false, "", false, "no folder to scan"},
    {"unknown option", {"--recursive", "/a"}, false, "", false, "unknown option '--recursive'"},
    {"unknown short option", {"-r", "/a"}, false, "", false, "unknown option '-r'"},
    {"--drive without value", {"--drive"}, false, "", false, "LETTER=FOLDER"},
    {"--drive without '='", {"--drive", "C"}, false, "", false, "LETTER=FOLDER"},
    {"--drive with a long letter", {"--drive", "CD=/x"}, false, "", false, "LETTER=FOLDER"},
    {"--drive with a digit", {"--drive", "1=/x"}, false, "", false, "LETTER=FOLDER"},
    {"--drive without folder", {"--drive", "C="}, false, "", false, "names no folder"},
    {"drive A is never scanned", {"--drive", "A=/x"}, false, "", false, "A: is never scanned"},
    {"drive B is never scanned", {"--drive", "b=/x"}, false, "", false, "B: is never scanned"},
    {"a letter given twice", {"--drive", "C=/x", "--drive", "c=/y"}, false, "", false, "C: is given twice"},
    {"empty folder", {""}, false, "", false, "empty folder"},
    {"--windows without folder", {"--windows"}, false, "", false, "--windows needs the folder"},
    {"--windows= without folder", {"--windows="}, false, "", false, "--windows names no folder"},
    {"--windows twice", {"--windows", "/a", "--windows", "/b"}, false, "", false, "--windows is given twice"},
    {"--windows and --drive C", {"--windows", "/a", "--drive", "C=/b"}, false, "", false, "C: is given twice"},
};

TEST(ScanOptions, ParsesEveryRowOfTheTable) {
    for (const ParseCase& row : kCases) {
        ScanOptions options;
        std::string error;
        bool ok = ParseScanOptions(row.arguments, &options, &error);
        EXPECT_EQ(ok, row.ok) << row.what << ": " << error;
        if (ok && row.ok) {
            EXPECT_EQ(Describe(options), row.drives) << row.what;
            EXPECT_EQ(options.remove, row.remove) << row.what;
            EXPECT_FALSE(options.help) << row.what;
        }
        if (!ok && !row.ok) {
            EXPECT_NE(error.find(row.errorPart), std::string::npos) << row.what << ": " << error;
        }
    }
}

struct ReadingCase {
    const char* what;
    std::vector<std::string> arguments;
    bool ok;
    int threads;
    bool quiet;
    std::string errorPart;
};

const ReadingCase kReadingCases[] = {
    {"defaults: read-ahead on, progress line allowed", {"/a"}, true, kDefaultReadAheadThreads, false, ""},
    {"--threads 0 turns the read-ahead off", {"--threads", "0", "/a"}, true, 0, false, ""},
    {"--threads=N form", {"--threads=3", "/a"}, true, 3, false, ""},
    {"the largest count", {"--threads", "64", "/a"}, true, 64, false, ""},
    {"the last --threads wins", {"--threads", "2", "--threads", "5", "/a"}, true, 5, false, ""},
    {"--quiet", {"--quiet", "/a"}, true, kDefaultReadAheadThreads, true, ""},
    {"-q", {"/a", "-q"}, true, kDefaultReadAheadThreads, true, ""},
    {"a folder named like a number stays a folder", {"--threads", "1", "4"}, true, 1, false, ""},
    // Failing rows.
    {"--threads without value", {"/a", "--threads"}, false, 0, false, "--threads needs a number"},
    {"above the largest count", {"--threads", "65", "/a"}, false, 0, false, "from 0 to 64 (got '65')"},
    {"negative", {"--threads", "-1", "/a"}, false, 0, false, "(got '-1')"},
    {"not a number", {"--threads=many", "/a"}, false, 0, false, "(got 'many')"},
    {"a number with more", {"--threads", "4x", "/a"}, false, 0, false, "(got '4x')"},
    {"empty", {"--threads=", "/a"}, false, 0, false, "(got '')"},
    {"far too many digits", {"--threads", "00000000008", "/a"}, false, 0, false, "(got '00000000008')"},
};

TEST(ScanOptions, ThreadsAndQuietRows) {
    for (const ReadingCase& row : kReadingCases) {
        ScanOptions options;
        std::string error;
        bool ok = ParseScanOptions(row.arguments, &options, &error);
        EXPECT_EQ(ok, row.ok) << row.what << ": " << error;
        if (ok && row.ok) {
            EXPECT_EQ(options.threads, row.threads) << row.what;
            EXPECT_EQ(options.quiet, row.quiet) << row.what;
        }
        if (!ok && !row.ok) {
            EXPECT_NE(error.find(row.errorPart), std::string::npos) << row.what << ": " << error;
        }
    }
}

TEST(ScanOptions, TwentyFourFoldersFitAndTheTwentyFifthDoesNot) {
    std::vector<std::string> arguments;
    for (int i = 0; i < 24; ++i) arguments.push_back("/f" + std::to_string(i));
    ScanOptions options;
    std::string error;
    ASSERT_TRUE(ParseScanOptions(arguments, &options, &error)) << error;
    EXPECT_EQ(options.drives.front().letter, 'C');
    EXPECT_EQ(options.drives.back().letter, 'Z');
    arguments.push_back("/one-more");
    EXPECT_FALSE(ParseScanOptions(arguments, &options, &error));
    EXPECT_NE(error.find("too many folders"), std::string::npos) << error;
}

TEST(ScanOptions, HelpNeedsNoFolderAndWinsOverLaterErrors) {
    ScanOptions options;
    std::string error;
    ASSERT_TRUE(ParseScanOptions({"--help"}, &options, &error));
    EXPECT_TRUE(options.help);
    ASSERT_TRUE(ParseScanOptions({"-h", "/a", "/b"}, &options, &error));
    EXPECT_TRUE(options.help);
    // An unknown option before --help is still an error.
    EXPECT_FALSE(ParseScanOptions({"--bogus", "--help"}, &options, &error));
}

}  // namespace
