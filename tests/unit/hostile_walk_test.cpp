// The walk over hostile trees built as real host folders: paths around and
// far beyond the 260-byte buffers, every name byte Windows allows,
// folders that lead elsewhere, and entries that change or fail while the
// walk is on its way. Nothing may overrun, the walk must end and go on,
// and the counter of files scanned must count each listed file once.
#include <fcntl.h>
#include <iconv.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "common/report.h"
#include "common/shared_state.h"
#include "sample_builder.h"
#include "scan/directory_walk.h"
#include "test_machine.h"

namespace {

// The bytes of a file that record `number` detects, made by the sample tool.
std::string MatchingSample(int number) {
    samples::Sample sample;
    std::string error;
    if (!samples::BuildSample(number, samples::Kind::kMatch, samples::Options(), &sample, &error)) return std::string();
    std::vector<uint8_t> bytes = sample.Bytes();
    return std::string(bytes.begin(), bytes.end());
}

// A window whose procedure changes the tree once, when the pump hands it a
// message while the status field shows a given path for the n-th time.
struct Tripwire {
    std::string status;
    int occurrence = 1;
    std::function<void()> action;
    int seen = 0;
    bool fired = false;
};

Tripwire& TheTripwire() {
    static Tripwire tripwire;
    return tripwire;
}

LRESULT TripwireProc(HWND, UINT, WPARAM, LPARAM) {
    Tripwire& t = TheTripwire();
    if (t.fired || t.status != StatusPath) return 0;
    if (++t.seen < t.occurrence) return 0;
    t.fired = true;
    t.action();
    return 0;
}

class HostileTreeTest : public MachineTest {
protected:
    void SetUp() override {
        MachineTest::SetUp();
        host_ = MapDrive('C');
        MemoryStageActive = 0;
        TheTripwire() = Tripwire();
    }

    // Host-side creation, for names and shapes that no Windows path makes.
    void HostFile(const std::string& relative, CallSite caller = CallSite()) {
        ::testing::ScopedTrace trace(caller.file, caller.line, "called from here");
        int fd = open((host_ + "/" + relative).c_str(), O_CREAT | O_WRONLY | O_TRUNC, 0644);
        ASSERT_GE(fd, 0) << relative;
        close(fd);
    }
    void HostFolder(const std::string& relative, CallSite caller = CallSite()) {
        ::testing::ScopedTrace trace(caller.file, caller.line, "called from here");
        ASSERT_EQ(mkdir((host_ + "/" + relative).c_str(), 0755), 0) << relative;
    }
    void HostLink(const std::string& target, const std::string& relative, CallSite caller = CallSite()) {
        ::testing::ScopedTrace trace(caller.file, caller.line, "called from here");
        ASSERT_EQ(symlink(target.c_str(), (host_ + "/" + relative).c_str()), 0) << relative;
    }
    void HostRemove(const std::string& relative) { std::filesystem::remove_all(host_ + "/" + relative); }

    // Makes the folder "C:\<tag>..." whose Windows path is exactly `length`
    // characters long, in levels of at most 100 characters.
    std::string FolderOfLength(char tag, size_t length, CallSite caller = CallSite()) {
        ::testing::ScopedTrace trace(caller.file, caller.line, "called from here");
        std::string path = "C:";
        while (path.size() < length) {
            size_t room = length - path.size() - 1;  // characters after the next backslash
            size_t level = room > 100 ? 100 : room;
            if (room > 100 && room - level < 2) level = room - 2;  // the last level needs a character
            path += "\\" + std::string(1, tag) + std::string(level - 1, 'd');
        }
        EXPECT_EQ(path.size(), length);
        MakeFolder(path);
        return path;
    }

    // The top level of a tree made by FolderOfLength, as a walk pattern.
    static std::string TopPattern(const std::string& folder) {
        size_t second = folder.find('\\', 3);
        return (second == std::string::npos ? folder : folder.substr(0, second)) + "\\*.*";
    }

    int Walk(const std::string& pattern) {
        ScanCounters.filesScanned = 0;
        Recorded().statuses.clear();
        Recorded().lines.clear();
        return WalkDirectory(pattern.c_str());
    }

    bool Shown(const std::string& status) const {
        for (const std::string& s : Recorded().statuses)
            if (s == status) return true;
        return false;
    }

    // Arms the tripwire and queues enough messages for every pump of a
    // small walk to dispatch one.
    void ArmTripwire(const std::string& status, int occurrence, std::function<void()> action) {
        Tripwire& t = TheTripwire();
        t.status = status;
        t.occurrence = occurrence;
        t.action = std::move(action);
        HWND window = machine().ui.CreateWindowWithProc(TripwireProc);
        for (int i = 0; i < 500; ++i) machine().ui.Post(window, WM_TIMER, 1, 0);
    }

    // What must hold after every walk: texts end inside their buffers, the
    // status never exceeds 60 characters, no listing is left open.
    void ExpectSoundState(CallSite caller = CallSite()) {
        ::testing::ScopedTrace trace(caller.file, caller.line, "called from here");
        EXPECT_LT(strnlen(StatusPath, sizeof StatusPath), sizeof StatusPath);
        EXPECT_LT(strnlen(CurrentFilePath, sizeof CurrentFilePath), sizeof CurrentFilePath);
        EXPECT_EQ(machine().handles.OpenCount(), 0u);
        for (const std::string& status : statuses()) EXPECT_LE(status.size(), 60u) << status;
    }

    std::string host_;
};

TEST_F(HostileTreeTest, FilePathsAroundTheBufferSize) {
    struct Row {
        size_t pathLength;
        int counted;
    };
    // 259 characters and the terminator fill a 260-byte buffer.
    const Row rows[] = {{258, 1}, {259, 1}, {260, 0}, {261, 0}, {455, 0}};
    char tag = 'a';
    for (const Row& row : rows) {
        std::string folder = FolderOfLength(tag++, 200);
        std::string file = folder + "\\" + std::string(row.pathLength - folder.size() - 1, 'f');
        MakeFile(file);
        EXPECT_EQ(Walk(TopPattern(folder)), row.counted) << row.pathLength;
        // A file the walk cannot reach is named, with its whole path.
        std::vector<std::string> expected;
        if (row.counted == 0) expected.push_back(file + "     Unable to scan");
        EXPECT_EQ(lines(), expected) << row.pathLength;
        ExpectSoundState();
    }
}

TEST_F(HostileTreeTest, FolderPatternsAroundTheBufferSize) {
    struct Row {
        size_t folderLength;  // its pattern adds "\*.*"
        int counted;
    };
    const Row rows[] = {{254, 1}, {255, 1}, {256, 0}, {257, 0}};
    char tag = 'a';
    for (const Row& row : rows) {
        std::string folder = FolderOfLength(tag++, row.folderLength);
        MakeFile(folder + "\\x");  // the file's own path would fit in every row
        EXPECT_EQ(Walk(TopPattern(folder)), row.counted) << row.folderLength;
        // The folder itself is still shown by its parent's file pass, and
        // named once when it cannot be entered.
        EXPECT_FALSE(statuses().empty());
        std::vector<std::string> expected;
        if (row.counted == 0) expected.push_back(folder + "     Unable to scan");
        EXPECT_EQ(lines(), expected) << row.folderLength;
        ExpectSoundState();
    }
}

TEST_F(HostileTreeTest, DeepTreeFarBeyondTheBufferIsWalkedAsFarAsPathsFit) {
    const int levels = 150;  // about 900 characters at the bottom
    std::string folder = "C:";
    int expected = 1;  // C:\f.bin
    std::vector<std::string> expectedLines;
    bool reached = true;
    MakeFile("C:\\f.bin");
    for (int level = 1; level <= levels; ++level) {
        folder += "\\level";
        std::string file = folder + "\\f.bin";
        MakeFolder(folder);
        MakeFile(file);
        // Reached when every pattern down to it fits, counted when its path
        // fits; the first file and the first folder out of reach are named.
        if (!reached) continue;
        if (folder.size() + 4 > 259) {
            expectedLines.push_back(folder + "     Unable to scan");
            reached = false;
        } else if (file.size() > 259) {
            expectedLines.push_back(file + "     Unable to scan");
        } else {
            ++expected;
        }
    }
    EXPECT_EQ(Walk("C:\\*.*"), expected);
    EXPECT_EQ(ScanCounters.filesScanned, expected);
    EXPECT_EQ(lines(), expectedLines);
    EXPECT_EQ(expectedLines.size(), 2u);
    ExpectSoundState();
}

// One folder of 100,000 files, made on the host directly (a lookup through
// Windows paths reads the whole folder for every new name), in memory when
// the host has a memory file system: on disk making them takes seconds.
TEST_F(HostileTreeTest, FolderOfAHundredThousandEntries) {
    const int count = 100000;
    std::string base = access("/dev/shm", W_OK) == 0 ? "/dev/shm/bruvane-big-XXXXXX" : HostRoot() + "/big-XXXXXX";
    ASSERT_NE(mkdtemp(&base[0]), nullptr);
    struct RemoveAtEnd {
        std::string folder;
        ~RemoveAtEnd() { std::filesystem::remove_all(folder); }
    } removeAtEnd{base};
    machine().files.MapDrive('C', base);
    host_ = base;
    HostFolder("big");
    char name[32];
    for (int i = 0; i < count; ++i) {
        snprintf(name, sizeof name, "big/f%06d.bin", i);
        HostFile(name);
    }
    EXPECT_EQ(Walk("C:\\*.*"), count);
    // The folder, its "." and "..", and every file.
    EXPECT_EQ(statuses().size(), static_cast<size_t>(count) + 3);
    EXPECT_EQ(statuses().back(), "C:\\big\\f099999.bin");
    ExpectSoundState();
}

// Every byte Windows allows in a name, in the middle of one: the path the
// walk builds names the very file, which can then be opened.
// Every byte that code page 1252 allows in a name, each in a file whose
// host name spells that character in UTF-8 (as Linux, and ntfs-3g for a
// Windows disk, spell names): listed, shown and opened as that byte. In
// UTF-8 (65001, bruvane-scan's code page) host names pass byte for byte,
// bytes that are no UTF-8 at all included.
TEST_F(HostileTreeTest, NamesWithEveryByteWindowsAllows) {
    iconv_t toUtf8 = iconv_open("UTF-8", "CP1252");
    ASSERT_NE(toUtf8, reinterpret_cast<iconv_t>(-1));
    for (UINT codePage : {1252u, 65001u}) {
        SCOPED_TRACE(codePage);
        machine().ansiCodePage = codePage;
        std::string folder = "names" + std::to_string(codePage);
        HostFolder(folder);
        std::vector<std::string> names;  // as the code page spells them
        for (int c = 0x20; c <= 0xFF; ++c) {
            if (strchr("\\/*?\"<>|", c) != nullptr) continue;
            std::string name = std::string("n") + static_cast<char>(c) + "n";
            std::string hostName = name;
            if (codePage == 1252) {
                char in[1] = {static_cast<char>(c)};
                char out[8];
                char* inAt = in;
                char* outAt = out;
                size_t inLeft = 1, outLeft = sizeof out;
                // 0x81, 0x8D, 0x8F, 0x90 and 0x9D are no character of glibc's CP1252.
                if (iconv(toUtf8, &inAt, &inLeft, &outAt, &outLeft) == static_cast<size_t>(-1)) continue;
                hostName = "n" + std::string(out, static_cast<size_t>(outAt - out)) + "n";
            }
            names.push_back(name);
            HostFile(folder + "/" + hostName);
        }
        EXPECT_EQ(Walk("C:\\" + folder + "\\*.*"), static_cast<int>(names.size()));
        for (const std::string& name : names) {
            std::string path = "C:\\" + folder + "\\" + name;
            EXPECT_TRUE(Shown(path)) << path;
            HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
            EXPECT_NE(file, INVALID_HANDLE_VALUE) << path;
            if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
        }
        ExpectSoundState();
    }
    iconv_close(toUtf8);
}

// Names only a foreign file system holds. Like Wine, the machine lists a
// file whose name carries a wildcard, a quote, an angle bracket, '|' or a
// control character, and refuses to open it or to list a folder so named:
// such a file counts as scanned (it was listed) but nothing can read it.
// A '?' is what the listing writes for a character the code page lacks:
// without an 8.3 alias that entry cannot be reached, and says so. So does
// every such folder, which no listing can enter.
TEST_F(HostileTreeTest, NamesWindowsCannotHoldAreListedButNotOpened) {
    HostFolder("odd");
    std::string forbidden = "*?\"<>|";
    for (int c = 1; c < 0x20; ++c) forbidden += static_cast<char>(c);
    std::vector<std::string> expectedLines = {"C:\\odd\\n?n     Unable to scan"};
    for (char c : forbidden) {
        std::string name = std::string("n") + c + "n";
        HostFile("odd/" + name);
        HostFolder("odd/d" + name);
        HostFile("odd/d" + name + "/inside.bin");
        expectedLines.push_back("C:\\odd\\d" + name + "     Unable to scan");
    }
    HostFile("odd/plain.bin");  // control row

    EXPECT_EQ(Walk("C:\\odd\\*.*"), static_cast<int>(forbidden.size()));  // all but n?n, and plain.bin
    for (char c : forbidden) {
        std::string path = std::string("C:\\odd\\n") + c + "n";
        EXPECT_EQ(Shown(path), c != '?') << static_cast<int>(c);
        HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        EXPECT_EQ(file, INVALID_HANDLE_VALUE) << static_cast<int>(c);
        EXPECT_NE(_access(path.c_str(), 0), 0) << static_cast<int>(c);
    }
    std::vector<std::string> sortedLines = lines();
    std::sort(sortedLines.begin(), sortedLines.end());
    std::sort(expectedLines.begin(), expectedLines.end());
    EXPECT_EQ(sortedLines, expectedLines);
    HANDLE plain = CreateFileA("C:\\odd\\plain.bin", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_NE(plain, INVALID_HANDLE_VALUE);
    CloseHandle(plain);
    ExpectSoundState();
}

// A name holding a backslash would make the walk build a path to another
// file ("..\victim.bin") or back to its own folder ("a\.."), so the walk
// passes such entries over: not shown, not counted, not entered; each is
// named once as out of reach.
TEST_F(HostileTreeTest, NamesHoldingABackslashArePassedOver) {
    MakeFile("C:\\victim.bin");
    HostFolder("box");
    HostFile("box/..\\victim.bin");
    HostFile("box/real.bin");
    HostFolder("box/a\\..");
    HostFolder("box/b\\..");  // two of them would branch the walk at every level
    HostFile("box/a\\../inside.bin");

    EXPECT_EQ(Walk("C:\\*.*"), 2);  // victim.bin and real.bin, once each
    EXPECT_FALSE(Shown("C:\\box\\..\\victim.bin"));
    EXPECT_FALSE(Shown("C:\\box\\a\\.."));
    EXPECT_TRUE(Shown("C:\\box\\real.bin"));
    std::vector<std::string> sortedLines = lines();
    std::sort(sortedLines.begin(), sortedLines.end());
    EXPECT_EQ(sortedLines, (std::vector<std::string>{"C:\\box\\..\\victim.bin     Unable to scan",
                                                     "C:\\box\\a\\..     Unable to scan",
                                                     "C:\\box\\b\\..     Unable to scan"}));
    ExpectSoundState();
}

// A junction or folder link on Windows (or a folder link under Wine) is a
// folder with the reparse-point attribute: shown, but not entered, since
// its target is walked under its own path or lies above the walk.
TEST_F(HostileTreeTest, ReparsePointFoldersAreShownButNotEntered) {
    MakeFolder("C:\\tree\\junction");
    MakeFolder("C:\\tree\\plain");
    MakeFile("C:\\tree\\junction\\x.bin");
    MakeFile("C:\\tree\\plain\\y.bin");  // control row
    std::string junction;
    ASSERT_TRUE(machine().files.ToHostPath("C:\\tree\\junction", &junction));
    machine().files.SetAttributes(junction, FILE_ATTRIBUTE_REPARSE_POINT);

    EXPECT_EQ(Walk("C:\\*.*"), 1);
    EXPECT_TRUE(Shown("C:\\tree\\junction"));
    EXPECT_FALSE(Shown("C:\\tree\\junction\\x.bin"));
    EXPECT_TRUE(Shown("C:\\tree\\plain\\y.bin"));
    ExpectSoundState();
}

// Host links and pipes are neither listed nor passed through, so links
// that loop back up the tree end nowhere and no file counts twice; a pipe
// that would block the first read is never opened.
TEST_F(HostileTreeTest, LinkLoopsAndPipesLeaveTheCountRight) {
    MakeFolder("C:\\tree\\sub");
    MakeFile("C:\\tree\\a.bin");
    MakeFile("C:\\tree\\sub\\b.bin");
    HostLink(host_, "tree/root");              // back to the drive root
    HostLink(".", "tree/self");                // to its own folder
    HostLink("../..", "tree/sub/up");          // two levels up
    HostLink("a.bin", "tree/alias.bin");       // a second name of a file
    HostLink("nowhere.bin", "tree/gone.bin");  // to nothing
    ASSERT_EQ(mkfifo((host_ + "/tree/pipe.exe").c_str(), 0644), 0);

    EXPECT_EQ(Walk("C:\\*.*"), 2);  // a.bin and b.bin
    const char* const unseen[] = {"C:\\tree\\root", "C:\\tree\\self", "C:\\tree\\sub\\up",
                                  "C:\\tree\\alias.bin", "C:\\tree\\gone.bin", "C:\\tree\\pipe.exe"};
    for (const char* path : unseen) EXPECT_FALSE(Shown(path)) << path;
    EXPECT_NE(_access("C:\\tree\\root\\tree\\a.bin", 0), 0);
    EXPECT_NE(_access("C:\\tree\\pipe.exe", 0), 0);
    ExpectSoundState();
}

// Changes between the listing and the visit, made from a window procedure
// that the walk's own pump dispatches.
TEST_F(HostileTreeTest, FileThatVanishesAfterTheListingIsStillCountedAndTheWalkGoesOn) {
    MakeFolder("C:\\v");
    MakeFile("C:\\v\\a.bin");
    MakeFile("C:\\v\\b.bin");
    MakeFile("C:\\v\\c.bin");
    ArmTripwire("C:\\v\\a.bin", 1, [this] { HostRemove("v/b.bin"); });

    EXPECT_EQ(Walk("C:\\v\\*.*"), 3);  // counted as listed
    EXPECT_TRUE(TheTripwire().fired);
    EXPECT_FALSE(Exists("C:\\v\\b.bin"));
    EXPECT_TRUE(Shown("C:\\v\\c.bin"));
    ExpectSoundState();
}

// The same with infected files: the one that vanished is neither counted
// as infected nor reported, the ones around it are removed as usual.
TEST_F(HostileTreeTest, InfectedFileThatVanishesBeforeItsTurnIsPassedOver) {
    const std::string sample = MatchingSample(3);
    ASSERT_FALSE(sample.empty());
    MakeFolder("C:\\v");
    for (const char* name : {"a.exe", "b.exe", "c.exe"}) MakeFile(std::string("C:\\v\\") + name, sample);
    ActionCode = kActionRemove;
    ArmTripwire("C:\\v\\a.exe", 1, [this] { HostRemove("v/b.exe"); });

    EXPECT_EQ(Walk("C:\\v\\*.*"), 3);
    EXPECT_EQ(ScanCounters.filesInfected, 2);
    EXPECT_EQ(ScanCounters.filesRemoved, 2);
    ASSERT_EQ(lines().size(), 2u);
    EXPECT_EQ(lines()[0].find("C:\\v\\a.exe     "), 0u);
    EXPECT_EQ(lines()[1].find("C:\\v\\c.exe     "), 0u);
    EXPECT_EQ(machine().files.DescriptorCount(), 0u);
    ExpectSoundState();
}

TEST_F(HostileTreeTest, FolderThatVanishesOrTurnsIntoAFileIsPassedOver) {
    struct Row {
        const char* name;
        int occurrence;  // 1: before the subfolder listing; 2: after it, before the descent
        bool becomesFile;
    };
    const Row rows[] = {{"gone-early", 1, false}, {"gone-late", 2, false}, {"file-late", 2, true}};
    for (const Row& row : rows) {
        std::string name = row.name;
        MakeFolder("C:\\w\\" + name);
        MakeFile("C:\\w\\" + name + "\\x.bin");
        MakeFile("C:\\w\\a.bin");
        TheTripwire() = Tripwire();
        machine().ui.queue.clear();
        ArmTripwire("C:\\w\\" + name, row.occurrence, [this, name, row] {
            HostRemove("w/" + name);
            if (row.becomesFile) HostFile("w/" + name);
        });

        EXPECT_EQ(Walk("C:\\w\\*.*"), 1) << name;  // a.bin only
        EXPECT_TRUE(TheTripwire().fired) << name;
        // Listed, then not there to be walked: the walk cannot tell that
        // from a folder it cannot reach, and says so.
        std::vector<std::string> expected;
        if (row.occurrence == 2) expected.push_back("C:\\w\\" + name + "     Unable to scan");
        EXPECT_EQ(lines(), expected) << name;
        ExpectSoundState();
        HostRemove("w");
    }
}

TEST_F(HostileTreeTest, ListingsThatFailArePassedOverOrEndEarly) {
    MakeFolder("C:\\t\\locked");
    MakeFile("C:\\t\\locked\\x.bin");
    MakeFolder("C:\\t\\open");
    MakeFile("C:\\t\\open\\y.bin");
    MakeFile("C:\\t\\a.bin");
    MakeFile("C:\\t\\b.bin");

    // A folder that cannot be listed at all: its siblings are walked, and
    // it is named once, though both of its listings failed.
    machine().faults.Fail("FindFirstFileA", ERROR_ACCESS_DENIED, "\\locked\\");
    EXPECT_EQ(Walk("C:\\t\\*.*"), 3);
    EXPECT_EQ(lines(), std::vector<std::string>{"C:\\t\\locked     Unable to scan"});
    ExpectSoundState();

    // A listing cut short by a failing FindNextFileA (the second call): the
    // file pass of C:\t ends after ".", "..", the walk goes on.
    machine().faults.Clear();
    winsim::FaultRule rule;
    rule.operation = "FindNextFileA";
    rule.skip = 1;
    rule.count = 1;
    machine().faults.Add(rule);
    EXPECT_EQ(Walk("C:\\t\\*.*"), 2);  // x.bin and y.bin, found by the subfolder pass
    EXPECT_EQ(lines(), std::vector<std::string>{"C:\\t     Unable to scan"});
    ExpectSoundState();

    // The walk's own folder cannot be listed: nothing is counted.
    machine().faults.Clear();
    machine().faults.Fail("FindFirstFileA", ERROR_ACCESS_DENIED);
    EXPECT_EQ(Walk("C:\\t\\*.*"), 0);
    EXPECT_EQ(lines(), std::vector<std::string>{"C:\\t     Unable to scan"});
    ExpectSoundState();
}

}  // namespace
