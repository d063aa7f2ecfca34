// The read-ahead of bruvane-scan. The engine walks and inspects one file
// at a time on the main thread, so on a cold disk it waits for one read
// after another. Beside it, one walking thread goes over the same host
// folders in the engine's order (walk_order.h) and numbers the files as
// the engine counts them; a few reading threads read each file's first
// pages (page_touch.h) so that the engine finds them in the page cache.
//
// It changes no result: the engine still opens and reads every file
// itself, so a file changed, replaced or removed in between is inspected
// as it is then. It stays at most `window` files ahead of the engine (the
// console window tells it how many files the engine has inspected), and
// holds a fixed queue of that many names, the folder descriptors of the
// walk's current path and those the queued files need: nothing grows with
// the tree. Files the engine has already passed are not read.
//
// On a warm cache its reads only cost, so it goes dormant once `warmAfter`
// files in a row were found in the cache (or reached by the engine first):
// nothing runs. The engine's thread then looks at the clock once in
// `slowCheckEntries` entries; when they took longer than `slowSeconds`, the
// engine is waiting for the disk again, and the walk goes on from where it
// stopped, numbering without reading the files the engine has passed.
#pragma once

#include <pthread.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "page_touch.h"
#include "scan_follower.h"
#include "walk_order.h"

struct ReadAheadFolder;  // a folder descriptor shared by the walk and the queue

struct ReadAheadSettings {
    int readers = 4;               // reading threads; the walk has one of its own
    int window = 1024;             // files ahead of the engine at most (at least 4)
    int warmAfter = 64;            // files found in the cache in a row; 0: never dormant
    int slowCheckEntries = 256;    // while dormant, entries between two looks at the clock
    double slowSeconds = 0.016;    // ... and the time they may take on a warm cache
    double (*now)() = nullptr;     // tests only: the clock, in seconds
    // Tests only: reads a file in place of TouchFile.
    TouchResult (*touch)(void* context, int dirfd, const char* name) = nullptr;
    void* touchContext = nullptr;
    // Tests only: EntryShown returns only once every file up to the one
    // after the engine's next has been dealt with (the listing hands that
    // one out before the engine's next message).
    bool lockstep = false;
};

struct ReadAheadCounts {
    uint64_t listed = 0;      // files the walk numbered
    uint64_t touched = 0;     // read by a reading thread
    uint64_t cached = 0;      // of those, found in the cache
    uint64_t passed = 0;      // not read: the engine was there first
    uint64_t notQueued = 0;   // not read: the engine was past it when the walk numbered it
    uint64_t dormant = 0;     // times the read-ahead went dormant
    uint64_t notRegular = 0;  // something else stood there when opened
};

class ReadAhead : public ScanFollower {
public:
    explicit ReadAhead(const ReadAheadSettings& settings);
    ~ReadAhead() override;  // stops and joins
    ReadAhead(const ReadAhead&) = delete;
    ReadAhead& operator=(const ReadAhead&) = delete;

    // Starts the threads over the host folders of the drives, in letter
    // order. Threads that cannot be made are done without.
    void Start(const std::vector<std::string>& hostRoots);
    // Ends the threads at their next step without waiting for them.
    void RequestStop();
    // Ends the threads and waits for them; every descriptor is closed.
    void Stop();

    // The engine takes file number `filesScanned` (from 0) next.
    void EntryShown(int filesScanned, const char* status) override;
    void WalkEnded() override { RequestStop(); }

    ReadAheadCounts Counts() const;
    // Tests only: waits until the walk is held back by the window (or
    // done) and every queued file has been dealt with.
    void WaitUntilSettled();

private:
    struct QueuedFile {
        int64_t number = 0;
        ReadAheadFolder* folder = nullptr;
        char name[256];
    };
    struct ReaderStart {
        ReadAhead* self;
        int reader;
    };

    static void* WalkerMain(void* start);
    static void* ReaderMain(void* start);
    void Walk();
    void WalkFolder(ReadAheadFolder* folder, size_t windowsPrefixLength);
    void CatchUpProgramFiles(ReadAheadFolder* root);
    bool Queue(ReadAheadFolder* folder, const char* name);
    bool PassedByEngine(size_t files);
    int64_t Slack() const;
    bool WalkMayGoOn(int64_t files) const;
    double Now() const;  // the test's clock when it gives one
    void CheckEngineSpeed();
    bool RoomFor(int64_t files) const;
    void ReadQueuedFiles(int reader);
    void NoteTouch(TouchResult result);
    void NoteCached(bool cached);
    bool Settled() const;
    bool HandledThrough(int64_t number) const;
    bool ReadersIdle() const;
    void TellWaiters();

    ReadAheadSettings settings_;
    std::vector<std::string> roots_;
    std::vector<QueuedFile> queue_;  // a ring of `window` slots
    std::vector<ReaderStart> readerStarts_;
    std::vector<pthread_t> threads_;
    std::unique_ptr<std::atomic<int64_t>[]> readingNow_;  // per reader: the file it reads, or -1
    bool programFilesVisited_ = false;                     // the walk's own, as the engine keeps it

    mutable std::mutex mutex_;
    std::condition_variable walkerWake_;
    std::condition_variable readerWake_;
    std::condition_variable handled_;
    uint64_t queueHead_ = 0;   // ring position of the oldest queued file
    uint64_t queueCount_ = 0;  // files queued and not yet taken
    int64_t nextNumber_ = 0;   // the number the walk gives its next file
    bool walkerWaiting_ = false;
    bool walkDone_ = false;

    std::atomic<int64_t> engineNext_{0};
    std::atomic<bool> walkerHeldBack_{false};
    std::atomic<int64_t> wakeWhenEngineAt_{0};
    std::atomic<bool> stop_{false};
    std::atomic<int> settleWaiters_{0};
    std::atomic<int> cachedInARow_{0};
    std::atomic<bool> dormant_{false};
    std::atomic<uint64_t> dormantTimes_{0};
    // The engine's thread's own: its look at the clock while dormant.
    bool timing_ = false;
    int entriesSinceLook_ = 0;
    double lastLook_ = 0;
    std::atomic<uint64_t> touched_{0};
    std::atomic<uint64_t> cached_{0};
    std::atomic<uint64_t> passed_{0};
    std::atomic<uint64_t> notQueued_{0};
    std::atomic<uint64_t> notRegular_{0};
};
