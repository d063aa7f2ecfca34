// The read-ahead beside the engine: it never changes a result, even when
// files are changed, removed or replaced between its read and the
// engine's; it numbers the files in the engine's order; it stays within
// its window and leaves no descriptor open. No timing: a test-only
// lockstep makes the engine wait at every entry until the read-ahead has
// read the file it takes next.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "common/report.h"
#include "common/shared_state.h"
#include "console_window.h"
#include "detect/signature_table.h"
#include "page_touch.h"
#include "read_ahead.h"
#include "sample_builder.h"
#include "scan/scan_driver.h"
#include "test_machine.h"

namespace {

const int kRecord = 3;  // a small record: 11,264-byte samples

size_t OpenDescriptors() {
    size_t count = 0;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
        (void)entry;
        ++count;
    }
    return count;
}

std::string FileText(FILE* file) {
    std::string text;
    rewind(file);
    for (int c; (c = fgetc(file)) != EOF;) text += static_cast<char>(c);
    return text;
}

void WriteKind(const std::string& hostPath, samples::Kind kind) {
    samples::Sample sample;
    std::string error;
    ASSERT_TRUE(samples::BuildSample(kRecord, kind, samples::Options(), &sample, &error)) << error;
    ASSERT_TRUE(samples::WriteSampleFile(hostPath, sample, &error)) << error;
}

void WriteText(const std::string& hostPath, const std::string& text) { std::ofstream(hostPath) << text; }

std::string LastComponent(const std::string& path) {
    size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string Tail(const std::string& text, size_t count) {
    return text.size() <= count ? text : text.substr(text.size() - count);
}

// What happens to a file of C:\dir after the read-ahead has read it and
// before the engine takes it: as the engine shows the entry before it, so
// before the listing hands the file out (the machine opens a file as it
// hands it out).
enum class Change { kNone, kToSample, kToCleanSameSize, kRemoved, kRenamedOver, kLinkToSample, kPipe };

struct ChangedFile {
    const char* name;
    const char* entryBefore;  // in the listing's order
    bool sample;              // what it is at first: a sample of the record, or text
    Change change;
};

// A control row for each kind of file, then one row per change.
const ChangedFile kChangedFiles[] = {
    {"a.exe", "..", true, Change::kNone},
    {"B.txt", "b.exe", false, Change::kNone},
    {"b.exe", "a.exe", false, Change::kToSample},
    {"c.exe", "B.txt", true, Change::kToCleanSameSize},
    {"d.exe", "c.exe", true, Change::kRemoved},
    {"e.exe", "d.exe", true, Change::kRenamedOver},
    {"f.exe", "e.exe", false, Change::kLinkToSample},
    {"g.exe", "f.exe", true, Change::kPipe},
};

class ReadAheadTest : public MachineTest {
protected:
    void SetUp() override {
        MachineTest::SetUp();
        drive_ = MapDrive('C');
        outside_ = HostRoot() + "/outside";
        std::filesystem::create_directories(outside_);
        WriteKind(outside_ + "/sample.exe", samples::Kind::kMatch);
    }

    // The tree the walk meets: the changed files, entries the engine never
    // lists or counts, a folder it walks twice, names in mixed case.
    void MakeTree() {
        std::filesystem::remove_all(drive_);
        std::filesystem::create_directories(drive_ + "/dir/Sub");
        for (const ChangedFile& file : kChangedFiles) {
            std::string path = drive_ + "/dir/" + file.name;
            if (file.sample)
                WriteKind(path, samples::Kind::kMatch);
            else
                WriteText(path, std::string("text of ") + file.name);
        }
        WriteKind(drive_ + "/dir/Sub/h.exe", samples::Kind::kMatch);
        WriteText(drive_ + "/Zeta.txt", "z");
        WriteText(drive_ + "/alpha.TXT", "a");
        WriteText(drive_ + "/back\\slash.exe", "never listed");
        ASSERT_EQ(mkfifo((drive_ + "/pipe.exe").c_str(), 0600), 0);
        std::filesystem::create_symlink(outside_, drive_ + "/outside-link");
        std::filesystem::create_symlink(outside_ + "/sample.exe", drive_ + "/sample-link.exe");
        // Walked once more by the engine: no folder of exactly the name
        // "Program Files" is ever entered.
        std::filesystem::create_directories(drive_ + "/program files");
        WriteKind(drive_ + "/program files/p.exe", samples::Kind::kMatch);
        // "C:\deep\" and a name: 259 characters are walked, 260 are not.
        std::filesystem::create_directories(drive_ + "/deep");
        WriteText(drive_ + "/deep/" + std::string(251, 'k'), "kept");
        WriteText(drive_ + "/deep/" + std::string(252, 's'), "skipped");
    }

    void Apply(Change change, const std::string& path) {
        switch (change) {
        case Change::kNone: break;
        case Change::kToSample: WriteKind(path, samples::Kind::kMatch); break;
        case Change::kToCleanSameSize: WriteKind(path, samples::Kind::kClean); break;
        case Change::kRemoved: ASSERT_EQ(unlink(path.c_str()), 0); break;
        case Change::kRenamedOver:
            WriteText(path + ".new", "clean now");
            ASSERT_EQ(rename((path + ".new").c_str(), path.c_str()), 0);
            break;
        case Change::kLinkToSample:
            ASSERT_EQ(unlink(path.c_str()), 0);
            ASSERT_EQ(symlink((outside_ + "/sample.exe").c_str(), path.c_str()), 0);
            break;
        case Change::kPipe:
            ASSERT_EQ(unlink(path.c_str()), 0);
            ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
            break;
        }
    }

    // Follows the engine after the read-ahead: changes each file of the
    // table as the engine shows the entry before it, and keeps the entries
    // shown.
    struct Run {
        std::string output;
        ReadAheadCounts counts;
        std::mutex mutex;                       // the readers add to touchedNames
        std::vector<std::string> touchedNames;  // in the order read (one reader only)
        std::vector<std::string> engineNames;   // the files the engine inspected, in order
        int filesScanned = 0;

        bool Touched(const std::string& name) {
            std::lock_guard<std::mutex> lock(mutex);
            return std::find(touchedNames.begin(), touchedNames.end(), name) != touchedNames.end();
        }
    };

    static TouchResult RecordTouch(void* context, int dirfd, const char* name) {
        Run* run = static_cast<Run*>(context);
        {
            std::lock_guard<std::mutex> lock(run->mutex);
            run->touchedNames.push_back(name);
        }
        return TouchFile(dirfd, name);
    }

    class ChangesAsShown : public ScanFollower {
    public:
        ChangesAsShown(ReadAheadTest* test, Run* run, bool lockstep) : test_(test), run_(run), lockstep_(lockstep) {}
        void EntryShown(int filesScanned, const char* status) override {
            shown.push_back({filesScanned, status});
            for (const ChangedFile& file : kChangedFiles) {
                if (std::string("C:\\dir\\") + file.entryBefore != status || done_[file.name]) continue;
                done_[file.name] = true;
                if (lockstep_) {
                    EXPECT_TRUE(run_->Touched(file.name)) << file.name << " changed before it was read";
                }
                test_->Apply(file.change, test_->drive_ + "/dir/" + file.name);
            }
        }
        std::vector<std::pair<int, std::string>> shown;

    private:
        ReadAheadTest* test_;
        Run* run_;
        bool lockstep_;
        std::map<std::string, bool> done_;
    };

    // One scan of a fresh tree; readers 0 runs the engine alone.
    void Scan(int readers, int window, bool lockstep, Run* result) {
        Run& run = *result;
        MakeTree();
        ResetMachine();
        MapDrive('C');
        machine().files.listingSettleMs = 0;  // every listing kept, its files opened as handed out
        size_t descriptors = OpenDescriptors();
        FILE* out = tmpfile();
        MainWindowHandle = CreateConsoleWindow(out);
        ReadAheadSettings settings;
        settings.readers = readers;
        settings.window = window;
        settings.lockstep = lockstep;
        settings.warmAfter = 0;  // every file read, however warm the cache
        settings.touch = &RecordTouch;
        settings.touchContext = &run;
        ChangesAsShown changes(this, &run, lockstep && readers > 0);
        {
            ReadAhead readAhead(settings);
            if (readers > 0) {
                readAhead.Start({drive_});
                FollowScan(&readAhead);
            }
            FollowScan(&changes);
            CopyText(ScanTarget, sizeof ScanTarget, "!:");
            ActionCode = kActionLeave;
            RunScan();
            readAhead.Stop();
            run.counts = readAhead.Counts();
        }
        run.output = FileText(out);
        fclose(out);
        run.filesScanned = ScanCounters.filesScanned;
        // The machine keeps a folder and a file open for as long as its
        // listing may serve (timing-dependent); without it, nothing of the
        // read-ahead may be left.
        ResetMachine();
        EXPECT_EQ(OpenDescriptors(), descriptors) << "descriptors left open, readers " << readers;
        // An entry is a file when the count went up after it.
        for (size_t i = 0; i < changes.shown.size(); ++i) {
            int after = i + 1 < changes.shown.size() ? changes.shown[i + 1].first : run.filesScanned;
            if (after > changes.shown[i].first) run.engineNames.push_back(LastComponent(changes.shown[i].second));
        }
    }

    std::string drive_;
    std::string outside_;
};

TEST_F(ReadAheadTest, ResultsAreTheEnginesAloneWhateverChangesBehindItsBack) {
    Run alone;
    Scan(0, 0, false, &alone);
    // Sanity of the table: what each change does is seen at all.
    EXPECT_NE(alone.output.find("C:\\dir\\a.exe     "), std::string::npos) << alone.output;
    EXPECT_NE(alone.output.find("C:\\dir\\b.exe     "), std::string::npos) << alone.output;
    for (const char* gone : {"c.exe", "d.exe", "e.exe", "f.exe", "g.exe", "B.txt"})
        EXPECT_EQ(alone.output.find(std::string("C:\\dir\\") + gone), std::string::npos) << gone;
    EXPECT_NE(alone.output.find("Total files infected\t\t:  5"), std::string::npos) << alone.output;

    struct Mode {
        const char* what;
        int readers;
        int window;
        bool lockstep;
    };
    const Mode kModes[] = {
        {"one reader in lockstep", 1, 4, true},
        {"three readers in lockstep", 3, 4, true},
        {"three readers running free", 3, 16, false},
    };
    for (const Mode& mode : kModes) {
        SCOPED_TRACE(mode.what);
        Run run;
        Scan(mode.readers, mode.window, mode.lockstep, &run);
        EXPECT_EQ(run.output, alone.output);
        EXPECT_EQ(run.filesScanned, alone.filesScanned);
        if (!mode.lockstep) continue;
        // In lockstep every file was read before the engine took it, and
        // the read-ahead numbered exactly the files the engine counted.
        EXPECT_EQ(run.counts.listed, static_cast<uint64_t>(alone.filesScanned));
        EXPECT_EQ(run.counts.touched, run.counts.listed);
        EXPECT_EQ(run.counts.passed, 0u);
    }
}

TEST_F(ReadAheadTest, NumbersTheFilesInTheEnginesOrder) {
    Run run;
    Scan(1, 4, true, &run);
    ASSERT_EQ(run.touchedNames.size(), run.engineNames.size());
    // The status field shortens long paths to their tail.
    for (size_t i = 0; i < run.engineNames.size(); ++i)
        EXPECT_EQ(Tail(run.touchedNames[i], 20), Tail(run.engineNames[i], 20)) << "file " << i;
}

TEST_F(ReadAheadTest, StaysWithinItsWindowAndSkipsWhatTheEngineHasPassed) {
    for (int i = 0; i < 40; ++i) WriteText(drive_ + "/f" + std::to_string(100 + i), "x");
    size_t descriptors = OpenDescriptors();
    ReadAheadSettings settings;
    settings.readers = 2;
    settings.window = 4;  // small enough to go on at every file: no slack to race with
    settings.warmAfter = 0;
    ReadAhead readAhead(settings);
    readAhead.Start({drive_});

    readAhead.WaitUntilSettled();  // the engine has not started
    EXPECT_EQ(readAhead.Counts().listed, 4u);
    EXPECT_EQ(readAhead.Counts().touched, 4u);

    readAhead.EntryShown(4, "C:\\f104");
    readAhead.WaitUntilSettled();
    EXPECT_EQ(readAhead.Counts().listed, 8u);
    EXPECT_EQ(readAhead.Counts().touched, 8u);

    // The engine went ahead (a cached stretch): files behind it are not read.
    readAhead.EntryShown(20, "C:\\f120");
    readAhead.WaitUntilSettled();
    ReadAheadCounts counts = readAhead.Counts();
    EXPECT_EQ(counts.listed, 24u);
    EXPECT_EQ(counts.notQueued, 12u);
    EXPECT_EQ(counts.touched, 12u);
    // Held back, it keeps only the folder it walks.
    EXPECT_LE(OpenDescriptors(), descriptors + 1);

    readAhead.Stop();
    EXPECT_EQ(OpenDescriptors(), descriptors);
}

// The touch of the warm-cache test: every file is found in the cache but
// the names it was told of, and the names read are kept.
struct Warmth {
    std::vector<std::string> cold;
    std::vector<std::string> read;
};

TouchResult TouchWithWarmth(void* context, int, const char* name) {
    Warmth* warmth = static_cast<Warmth*>(context);
    warmth->read.push_back(name);  // one reader only
    for (const std::string& cold : warmth->cold)
        if (cold == name) return TouchResult::kRead;
    return TouchResult::kCached;
}

double TestNow = 0;
double TestClock() { return TestNow; }

bool WasRead(const Warmth& warmth, int number) {
    return std::find(warmth.read.begin(), warmth.read.end(), "f" + std::to_string(number)) != warmth.read.end();
}

TEST_F(ReadAheadTest, GoesDormantOnAWarmCacheAndWakesWhenTheEngineWaitsAgain) {
    Warmth warmth;
    for (int i = 0; i < 200; ++i) {
        std::string name = "f" + std::to_string(1000 + i);
        WriteText(drive_ + "/" + name, "x");
        if (i >= 100 && i < 140) warmth.cold.push_back(name);
    }
    ReadAheadSettings settings;
    settings.readers = 1;
    settings.window = 16;
    settings.warmAfter = 8;
    settings.slowCheckEntries = 4;
    settings.slowSeconds = 0.002;
    settings.now = &TestClock;
    settings.touch = &TouchWithWarmth;
    settings.touchContext = &warmth;
    settings.lockstep = true;
    ReadAhead readAhead(settings);
    readAhead.Start({drive_});
    // The engine takes 10 microseconds a file on a warm cache, a
    // millisecond on a file it has to wait for.
    TestNow = 0;
    for (int next = 0; next <= 200; ++next) {
        bool waited = next > 0 && next - 1 >= 100 && next - 1 < 140;
        TestNow += waited ? 0.001 : 0.00001;
        readAhead.EntryShown(next, "");
    }
    readAhead.Stop();

    // However the threads met: dormant after the first eight files (with
    // at most a window more read), awake within two looks at the clock of
    // the cold stretch and every cold file read from then on, and dormant
    // again after it (it may doze off early, while the engine is still on
    // the last cold files and the warm ones beyond are read, and wake once
    // more). The bounds allow for a window read beyond each point.
    EXPECT_GE(readAhead.Counts().dormant, 2u);
    for (int i = 30; i < 100; ++i) EXPECT_FALSE(WasRead(warmth, 1000 + i)) << "f" << 1000 + i << " read while warm";
    for (int i = 110; i < 140; ++i) EXPECT_TRUE(WasRead(warmth, 1000 + i)) << "f" << 1000 + i << " not read while cold";
    for (int i = 190; i < 200; ++i) EXPECT_FALSE(WasRead(warmth, 1000 + i)) << "f" << 1000 + i << " read while warm";
}

struct TouchRow {
    const char* what;
    const char* name;
    TouchResult expected;  // kRead: read, from the disk or the cache
};

TouchResult ReadOrNot(TouchResult result) { return result == TouchResult::kCached ? TouchResult::kRead : result; }

TEST_F(ReadAheadTest, ReadsOnlyRegularFilesAndNeverWaitsOnAPipe) {
    WriteKind(drive_ + "/sample.exe", samples::Kind::kMatch);
    WriteText(drive_ + "/short.txt", "MZ");
    std::filesystem::create_directories(drive_ + "/folder.exe");
    ASSERT_EQ(mkfifo((drive_ + "/pipe.exe").c_str(), 0600), 0);
    std::filesystem::create_symlink(drive_ + "/sample.exe", drive_ + "/link.exe");
    const TouchRow kRows[] = {
        {"a sample (control)", "sample.exe", TouchResult::kRead},
        {"a file shorter than a page", "short.txt", TouchResult::kRead},
        {"a pipe: opened without waiting, not read", "pipe.exe", TouchResult::kNotRegular},
        {"a folder", "folder.exe", TouchResult::kNotRegular},
        {"a link is never followed", "link.exe", TouchResult::kNotOpened},
        {"gone", "missing.exe", TouchResult::kNotOpened},
    };
    int folder = open(drive_.c_str(), O_RDONLY | O_DIRECTORY);
    ASSERT_GE(folder, 0);
    size_t descriptors = OpenDescriptors();
    for (const TouchRow& row : kRows) EXPECT_EQ(ReadOrNot(TouchFile(folder, row.name)), row.expected) << row.what;
    EXPECT_EQ(OpenDescriptors(), descriptors);
    close(folder);
}

}  // namespace
