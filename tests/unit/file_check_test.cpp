// The inspection of files against the signature table, with samples made
// by the sample generator: every record against its own sample, near
// misses, the address mapping, damaged headers, first match wins, the
// memory stage's recording call and long paths.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "common/message_dialog.h"
#include "common/report.h"
#include "detect/pe_image.h"
#include "detect/signature_match.h"
#include "scan/directory_walk.h"
#include "scan/scan_driver.h"
#include "scripted_dialog.h"
#include "sample_fixture.h"

namespace {

using samples::Kind;

class InspectTest : public SampleTest {
protected:
    // The records that match the file, tested one by one (not only the first).
    std::vector<int> MatchingRecords(const std::string& path, CallSite caller = CallSite()) {
        ::testing::ScopedTrace trace(caller.file, caller.line, "called from here");
        std::vector<int> found;
        int fd = _open(path.c_str(), _O_RDONLY | _O_BINARY);
        EXPECT_NE(fd, -1) << path;
        if (fd == -1) return found;
        LONG length = _filelength(fd);
        if (ReadFileHeader(fd) && ReadSectionTable(fd))
            for (int n = 1; n <= kSignatureRecordCount; ++n)
                if (RecordMatches(SignatureTable[n - 1], fd, length, PeEntryPoint())) found.push_back(n);
        _close(fd);
        return found;
    }
};

TEST_F(InspectTest, EveryRecordMatchesItsOwnSampleAndNoOtherRecordDoes) {
    MakeFolder("C:\\samples");
    for (int record = 1; record <= kSignatureRecordCount; ++record) {
        std::string path = "C:\\samples\\r" + std::to_string(record) + ".exe";
        WriteMatch(path, record);
        EXPECT_EQ(MatchingRecords(path), std::vector<int>{record}) << "record " << record;

        EXPECT_EQ(Inspect(path), 1) << "record " << record;
        EXPECT_EQ(ScanCounters.filesInfected, record);
        EXPECT_STREQ(LastDetectionName, NameOf(record).c_str());
        ASSERT_FALSE(lines().empty());
        EXPECT_EQ(lines().back(), path + "     " + NameOf(record) + " removed");
        EXPECT_FALSE(Exists(path));
    }
    EXPECT_EQ(ScanCounters.filesRemoved, kSignatureRecordCount);
    EXPECT_EQ(machine().files.DescriptorCount(), 0u);
}

// Every kind against a spread of records: the known ones, the extremes of
// the table, records with both offsets positive and with the second below
// the first. A kind the record leaves no room for is passed over, but each
// kind must be built for several records.
TEST_F(InspectTest, EachSampleKindIsDetectedOrPassedOverSilently) {
    const int records[] = {1, 3, 4, 6, 9, 14, 24, 74, 75, 78, 95};
    MakeFolder("C:\\kinds");
    ActionCode = 104;  // counted, nothing done: the file stays for the next row
    for (const samples::KindInfo& info : samples::Kinds()) {
        if (info.needsSecondRecord) continue;
        int built = 0;
        for (int record : records) {
            std::string path = std::string("C:\\kinds\\") + info.name + "-" + std::to_string(record) + ".exe";
            if (!WriteSample(path, record, info.kind)) continue;
            ++built;
            int infected = ScanCounters.filesInfected;
            memset(LastDetectionName, 0, sizeof LastDetectionName);
            int result = Inspect(path);
            if (info.detectedAs == 1) {
                EXPECT_EQ(result, 1) << info.name << " record " << record;
                EXPECT_EQ(ScanCounters.filesInfected, infected + 1) << info.name << " record " << record;
                EXPECT_STREQ(LastDetectionName, NameOf(record).c_str()) << info.name;
            } else {
                EXPECT_EQ(result, 0) << info.name << " record " << record;
                EXPECT_EQ(ScanCounters.filesInfected, infected) << info.name << " record " << record;
                EXPECT_EQ(LastDetectionName[0], '\0') << info.name;
            }
        }
        EXPECT_GE(built, 3) << info.name << ": " << lastError_;
    }
    EXPECT_TRUE(lines().empty());
    EXPECT_EQ(ScanCounters.filesRemoved, 0);
    EXPECT_EQ(machine().files.DescriptorCount(), 0u);
}

TEST_F(InspectTest, HeadersCutShortAnywhereAreNotReadAndTheWholeTableIs) {
    samples::Sample sample;
    std::string error;
    ASSERT_TRUE(samples::BuildSample(3, Kind::kMatch, samples::Options(), &sample, &error)) << error;
    samples::HeaderPlaces places = samples::PlacesOf(sample);
    std::string path = "C:\\cut.exe";
    for (uint32_t length = 0; length <= places.sectionTableEnd; ++length) {
        samples::Sample cut = sample;
        cut.size = length;
        ASSERT_TRUE(samples::WriteSampleFile(HostPath(path), cut, &error)) << error;
        int fd = _open(path.c_str(), _O_RDONLY | _O_BINARY);
        ASSERT_NE(fd, -1);
        bool header = ReadFileHeader(fd) == 1;
        bool table = header && ReadSectionTable(fd) == 1;
        _close(fd);
        EXPECT_EQ(header, length >= places.peOffset + 24) << "length " << length;
        EXPECT_EQ(table, length == places.sectionTableEnd) << "length " << length;
        EXPECT_EQ(Inspect(path), 0);
    }
    EXPECT_TRUE(lines().empty());
    EXPECT_EQ(ScanCounters.filesInfected, 0);
}

TEST_F(InspectTest, OnlyTheLowTwoBytesOfTheHeaderOffsetAreRead) {
    ASSERT_TRUE(WriteSample("C:\\high.exe", 3, Kind::kLfanewHighBits)) << lastError_;
    ActionCode = 104;
    EXPECT_EQ(Inspect("C:\\high.exe"), 1);
    EXPECT_EQ(PeImage.peHeaderOffset, 0x2345);
}

TEST_F(InspectTest, TheFirstMatchingRecordWinsAndCountsOnce) {
    const int first = 60, second = 61;  // the same file size
    int32_t firstSize = SignatureTable[first - 1].fileSize, secondSize = SignatureTable[second - 1].fileSize;
    ASSERT_EQ(firstSize, secondSize);
    samples::Options options;
    options.secondRecord = second;
    ASSERT_TRUE(WriteSample("C:\\both.exe", first, Kind::kDoubleMatch, options)) << lastError_;
    EXPECT_EQ(MatchingRecords("C:\\both.exe"), (std::vector<int>{first, second}));
    EXPECT_EQ(Inspect("C:\\both.exe"), 1);
    EXPECT_EQ(ScanCounters.filesInfected, 1);
    EXPECT_EQ(lines(), std::vector<std::string>{"C:\\both.exe     " + NameOf(first) + " removed"});

    // Its first pattern alone: passed over, and the later record still matches.
    ASSERT_TRUE(WriteSample("C:\\half.exe", first, Kind::kHalfThenMatch, options)) << lastError_;
    EXPECT_EQ(Inspect("C:\\half.exe"), 1);
    EXPECT_STREQ(LastDetectionName, NameOf(second).c_str());
    EXPECT_EQ(ScanCounters.filesInfected, 2);
}

TEST_F(InspectTest, DetectionFillsTheSharedTextsAndClosesTheFileBeforeActing) {
    WriteMatch("C:\\setup.exe", 78);
    strcpy(StatusPath, "C:\\...shortened");
    ActionCode = kActionLeave;
    EXPECT_EQ(Inspect("C:\\setup.exe"), 1);
    EXPECT_STREQ(StatusPath, "C:\\setup.exe");
    EXPECT_STREQ(LastDetectionName, NameOf(78).c_str());
    EXPECT_EQ(CurrentFilePath[0], '\0');
    EXPECT_EQ(machine().files.DescriptorCount(), 0u);
}

TEST_F(InspectTest, RecordingCallOfTheMemoryStageOnlyNotesTheDetection) {
    WriteMatch("C:\\run.exe", 75);
    MemoryStageActive = 1;
    EXPECT_EQ(Inspect("C:\\run.exe"), 1);
    EXPECT_TRUE(lines().empty());
    EXPECT_EQ(InfectedFileSeen, 1);
    EXPECT_EQ(ScanCounters.filesInfected, 1);
    EXPECT_STREQ(LastDetectionName, NameOf(75).c_str());
    EXPECT_STREQ(StatusPath, "C:\\run.exe");
    EXPECT_STREQ(CurrentFilePath, "C:\\run.exe");  // left as it is for the acting call
    EXPECT_TRUE(Exists("C:\\run.exe"));
    EXPECT_EQ(machine().files.DescriptorCount(), 0u);
}

TEST_F(InspectTest, StartupValueNameIsClearedOnlyWhileNothingIsInfected) {
    MakeFile("C:\\plain.txt", "text");
    strcpy(StartupValueName, "kept");
    ScanCounters.filesInfected = 1;
    Inspect("C:\\plain.txt");
    EXPECT_STREQ(StartupValueName, "kept");
    ScanCounters.filesInfected = 0;
    Inspect("C:\\plain.txt");
    EXPECT_EQ(StartupValueName[0], '\0');
}

TEST_F(InspectTest, FilesThatCannotBeOpenedOrMeasuredAreClean) {
    WriteMatch("C:\\locked.exe", 3);
    machine().faults.Fail("_open", 5, "locked.exe", 1);
    EXPECT_EQ(Inspect("C:\\locked.exe"), 0);
    machine().faults.Fail("_filelength", 5, "locked.exe", 1);
    EXPECT_EQ(Inspect("C:\\locked.exe"), 0);
    machine().faults.Fail("_read", 5, "locked.exe", 1);
    EXPECT_EQ(Inspect("C:\\locked.exe"), 0);
    EXPECT_EQ(Inspect("C:\\missing.exe"), 0);
    EXPECT_EQ(ScanCounters.filesInfected, 0);
    EXPECT_EQ(machine().files.DescriptorCount(), 0u);
    // With the faults spent it is found.
    EXPECT_EQ(Inspect("C:\\locked.exe"), 1);
}

// Paths that do not fit the shared texts are refused before anything is
// opened; the shared texts stay as they were, never overrun.
TEST_F(InspectTest, PathsTooLongForTheSharedTextsAreRefused) {
    std::string folder = "C:";
    while (folder.size() < 240) folder += "\\" + std::string(9, 'd');
    MakeFolder(folder);
    std::string fits = folder + "\\" + std::string(259 - folder.size() - 1, 'f');
    ASSERT_EQ(fits.size(), 259u);
    WriteMatch(fits, 3);
    ActionCode = kActionLeave;
    EXPECT_EQ(Inspect(fits), 1);
    EXPECT_EQ(std::string(StatusPath), fits);

    memset(CurrentFilePath, 'c', sizeof CurrentFilePath - 1);
    CurrentFilePath[sizeof CurrentFilePath - 1] = '\0';
    for (size_t length : {260u, 261u, 300u, 1000u}) {
        std::string tooLong = "C:\\" + std::string(length - 3, 'x');
        EXPECT_EQ(Inspect(tooLong), 0) << length;
    }
    EXPECT_EQ(strlen(CurrentFilePath), sizeof CurrentFilePath - 1);
    EXPECT_EQ(ScanCounters.filesInfected, 1);
}

TEST_F(InspectTest, TheWalkHandsEveryFileToTheInspection) {
    MakeFolder("C:\\apps\\deep");
    WriteMatch("C:\\apps\\deep\\tool.exe", 1);
    MakeFile("C:\\apps\\readme.txt", "hello");
    WriteSample("C:\\apps\\near.exe", 1, Kind::kSizePlusOne);
    EXPECT_EQ(WalkDirectory("C:\\*.*"), 3);
    EXPECT_EQ(lines(), std::vector<std::string>{"C:\\apps\\deep\\tool.exe     " + NameOf(1) + " removed"});
    EXPECT_EQ(ScanCounters.filesInfected, 1);
    EXPECT_TRUE(Exists("C:\\apps\\near.exe"));
}

TEST_F(InspectTest, AScanRemovesWhatItCanCountsAndOffersTheRestartForTheRest) {
    winsim::SetWindowsXp();
    MakeFolder("C:\\apps");
    WriteMatch("C:\\apps\\gone.exe", 3);
    WriteMatch("C:\\apps\\held.exe", 75);
    MakeFile("C:\\apps\\notes.txt", "clean");
    machine().files.NoteOpen(HostPath("C:\\apps\\held.exe"), FILE_SHARE_READ);
    strcpy(ScanTarget, "!:");

    RunScan();
    const std::vector<std::string> expected = {
        "C:\\apps\\gone.exe     " + NameOf(3) + " removed",
        "C:\\apps\\held.exe     " + NameOf(75) + " Unable to remove",
        " ",
        "Scanning statistics",
        "------------------------------",
        "Total files scanned\t\t:  3",
        "Total files infected\t\t:  2",
        "Total files removed\t\t:  1",
    };
    EXPECT_EQ(lines(), expected);
    EXPECT_EQ(RestartNeeded, 1);
    ASSERT_EQ(Dialogs().calls.size(), 1u);
    EXPECT_EQ(Dialogs().calls[0].flags, kYesNoQuestion);
}

}  // namespace
