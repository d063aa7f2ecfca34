#include "read_ahead.h"

#include <fcntl.h>
#include <signal.h>
#include <strings.h>
#include <unistd.h>

#include <cstring>

#include "page_touch.h"

// Closed by whoever lets go of it last: the walk, or the reader of the
// last queued file in it.
struct ReadAheadFolder {
    int fd;
    std::atomic<int> holders;
};

namespace {

const int kMinimumWindow = 4;
const int kMaximumReaders = 64;
const size_t kDriveRootPrefixLength = 3;  // "C:\"
const char kProgramFiles[] = "Program Files";
const int kFolderFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;

ReadAheadFolder* OpenedFolder(int fd) { return new ReadAheadFolder{fd, {1}}; }

void Hold(ReadAheadFolder* folder) { folder->holders.fetch_add(1, std::memory_order_relaxed); }

void Release(ReadAheadFolder* folder) {
    if (folder->holders.fetch_sub(1, std::memory_order_acq_rel) != 1) return;
    close(folder->fd);
    delete folder;
}

}  // namespace

ReadAhead::ReadAhead(const ReadAheadSettings& settings) : settings_(settings) {
    if (settings_.window < kMinimumWindow) settings_.window = kMinimumWindow;
    if (settings_.readers > kMaximumReaders) settings_.readers = kMaximumReaders;
    slack_ = settings_.window / 4;
}

ReadAhead::~ReadAhead() { Stop(); }

void ReadAhead::Start(const std::vector<std::string>& hostRoots) {
    if (settings_.readers <= 0 || !threads_.empty()) return;
    roots_ = hostRoots;
    queue_.assign(static_cast<size_t>(settings_.window), QueuedFile());
    readingNow_.reset(new std::atomic<int64_t>[static_cast<size_t>(settings_.readers)]);
    readerStarts_.clear();
    for (int i = 0; i < settings_.readers; ++i) {
        readingNow_[i].store(-1);
        readerStarts_.push_back({this, i});
    }
    // The threads take no signals: Ctrl-C is the main thread's.
    sigset_t all, previous;
    sigfillset(&all);
    pthread_sigmask(SIG_SETMASK, &all, &previous);
    pthread_t thread;
    if (pthread_create(&thread, nullptr, &ReadAhead::WalkerMain, this) == 0) {
        threads_.push_back(thread);
        for (ReaderStart& start : readerStarts_)
            if (pthread_create(&thread, nullptr, &ReadAhead::ReaderMain, &start) == 0) threads_.push_back(thread);
    }
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    // A walk with nobody to read would only fill its queue.
    if (threads_.size() == 1) Stop();
}

void ReadAhead::RequestStop() {
    stop_.store(true);
    std::lock_guard<std::mutex> lock(mutex_);
    walkerWake_.notify_all();
    readerWake_.notify_all();
    handled_.notify_all();
}

void ReadAhead::Stop() {
    RequestStop();
    for (pthread_t thread : threads_) pthread_join(thread, nullptr);
    threads_.clear();
    // Files queued but never taken still hold their folders.
    for (; firstQueued_ < nextNumber_; ++firstQueued_) {
        QueuedFile& slot = queue_[static_cast<size_t>(firstQueued_ % settings_.window)];
        Release(slot.folder);
        slot.folder = nullptr;
    }
}

// ------------------------------------------------------------ the engine

void ReadAhead::EntryShown(int filesScanned, const char*) {
    int64_t next = filesScanned;
    engineNext_.store(next);
    // The walk, held back by the window, goes on once it has some room:
    // not at every file, which would wake it for every file.
    if (walkerHeldBack_.load() && next >= wakeWhenEngineAt_.load(std::memory_order_relaxed)) {
        std::lock_guard<std::mutex> lock(mutex_);
        walkerWake_.notify_one();
    }
    if (!settings_.lockstep) return;
    std::unique_lock<std::mutex> lock(mutex_);
    walkerWake_.notify_one();
    handled_.wait(lock, [this, next] { return stop_.load() || HandledThrough(next); });
}

// ------------------------------------------------------------- the walk

void* ReadAhead::WalkerMain(void* start) {
    static_cast<ReadAhead*>(start)->Walk();
    return nullptr;
}

// The drives in letter order, each followed by the engine's second walk
// of its "Program Files" when no walk so far has entered one.
void ReadAhead::Walk() {
    for (const std::string& root : roots_) {
        if (stop_.load()) break;
        int fd = open(root.c_str(), kFolderFlags & ~O_NOFOLLOW);
        if (fd < 0) continue;
        ReadAheadFolder* folder = OpenedFolder(fd);
        WalkFolder(folder, kDriveRootPrefixLength);
        if (!programFilesVisited_) CatchUpProgramFiles(folder);
        Release(folder);
    }
    std::lock_guard<std::mutex> lock(mutex_);
    walkDone_ = true;
    readerWake_.notify_all();
    TellWaiters();
}

void ReadAhead::WalkFolder(ReadAheadFolder* folder, size_t windowsPrefixLength) {
    WalkListing listing;
    if (stop_.load() || !ListInWalkOrder(folder->fd, windowsPrefixLength, &listing)) return;
    for (uint32_t name : listing.files)
        if (!Queue(folder, listing.Name(name))) return;
    for (uint32_t at : listing.subfolders) {
        if (stop_.load()) return;
        const char* name = listing.Name(at);
        if (strcmp(name, kProgramFiles) == 0) programFilesVisited_ = true;
        int fd = openat(folder->fd, name, kFolderFlags);
        if (fd < 0) continue;
        ReadAheadFolder* subfolder = OpenedFolder(fd);
        WalkFolder(subfolder, windowsPrefixLength + strlen(name) + 1);
        Release(subfolder);
    }
}

// The engine looks for "Program Files" in any letter case and walks it
// again when its walk of the drive never entered a folder of exactly that
// name.
void ReadAhead::CatchUpProgramFiles(ReadAheadFolder* root) {
    WalkListing listing;
    if (stop_.load() || !ListInWalkOrder(root->fd, kDriveRootPrefixLength, &listing)) return;
    for (uint32_t at : listing.subfolders) {
        const char* name = listing.Name(at);
        if (strcasecmp(name, kProgramFiles) != 0) continue;
        int fd = openat(root->fd, name, kFolderFlags);
        if (fd < 0) return;
        ReadAheadFolder* folder = OpenedFolder(fd);
        WalkFolder(folder, kDriveRootPrefixLength + strlen(name) + 1);
        Release(folder);
        return;
    }
}

// Whether the file numbered `number` may be queued: within the window of
// the engine and with a free slot.
bool ReadAhead::RoomThrough(int64_t number) const {
    int64_t window = settings_.window;
    return number < firstQueued_ + window && number < engineNext_.load() + window;
}

bool ReadAhead::Queue(ReadAheadFolder* folder, const char* name) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (!RoomThrough(nextNumber_)) {
        walkerWaiting_ = true;
        wakeWhenEngineAt_.store(nextNumber_ + slack_ - settings_.window, std::memory_order_relaxed);
        walkerHeldBack_.store(true);
        TellWaiters();
        walkerWake_.wait(lock, [this] { return stop_.load() || RoomThrough(nextNumber_ + slack_ - 1); });
        walkerHeldBack_.store(false);
        walkerWaiting_ = false;
    }
    if (stop_.load()) return false;
    QueuedFile& slot = queue_[static_cast<size_t>(nextNumber_ % settings_.window)];
    Hold(folder);
    slot.folder = folder;
    size_t length = strnlen(name, sizeof slot.name - 1);
    memcpy(slot.name, name, length);
    slot.name[length] = '\0';
    ++nextNumber_;
    lock.unlock();
    readerWake_.notify_one();
    return true;
}

// ------------------------------------------------------------ the reads

void* ReadAhead::ReaderMain(void* start) {
    ReaderStart* reader = static_cast<ReaderStart*>(start);
    reader->self->ReadQueuedFiles(reader->reader);
    return nullptr;
}

void ReadAhead::ReadQueuedFiles(int reader) {
    for (;;) {
        std::unique_lock<std::mutex> lock(mutex_);
        readerWake_.wait(lock, [this] { return stop_.load() || firstQueued_ < nextNumber_ || walkDone_; });
        if (stop_.load() || firstQueued_ == nextNumber_) return;
        int64_t number = firstQueued_++;
        QueuedFile file = queue_[static_cast<size_t>(number % settings_.window)];
        readingNow_[reader].store(number);
        if (walkerWaiting_ && RoomThrough(nextNumber_ + slack_ - 1)) walkerWake_.notify_one();
        lock.unlock();

        if (number < engineNext_.load(std::memory_order_relaxed)) {
            passed_.fetch_add(1, std::memory_order_relaxed);
        } else {
            if (settings_.beforeTouch != nullptr) settings_.beforeTouch(settings_.hookContext, file.folder->fd, file.name);
            if (TouchFile(file.folder->fd, file.name) == TouchResult::kNotRegular)
                notRegular_.fetch_add(1, std::memory_order_relaxed);
            touched_.fetch_add(1, std::memory_order_relaxed);
        }
        Release(file.folder);
        readingNow_[reader].store(-1);
        if (settings_.lockstep || settleWaiters_ > 0) {
            lock.lock();
            TellWaiters();
        }
    }
}

// ----------------------------------------------------- counts and tests

ReadAheadCounts ReadAhead::Counts() const {
    ReadAheadCounts counts;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        counts.listed = static_cast<uint64_t>(nextNumber_);
    }
    counts.touched = touched_.load();
    counts.passed = passed_.load();
    counts.notRegular = notRegular_.load();
    return counts;
}

// Under the lock.
void ReadAhead::TellWaiters() {
    if (settings_.lockstep || settleWaiters_ > 0) handled_.notify_all();
}

bool ReadAhead::HandledThrough(int64_t number) const {
    bool taken = firstQueued_ > number || (walkDone_ && firstQueued_ == nextNumber_);
    if (!taken) return false;
    for (int i = 0; i < settings_.readers; ++i) {
        int64_t now = readingNow_[i].load();
        if (now != -1 && now <= number) return false;
    }
    return true;
}

// Nothing more will happen until the engine moves on: the walk is done or
// held back (and not about to go on), and every queued file dealt with.
bool ReadAhead::Settled() const {
    bool heldBack = walkerWaiting_ && !RoomThrough(nextNumber_ + slack_ - 1);
    if ((!heldBack && !walkDone_) || firstQueued_ != nextNumber_) return false;
    for (int i = 0; i < settings_.readers; ++i)
        if (readingNow_[i].load() != -1) return false;
    return true;
}

void ReadAhead::WaitUntilSettled() {
    if (threads_.empty()) return;
    std::unique_lock<std::mutex> lock(mutex_);
    ++settleWaiters_;
    handled_.wait(lock, [this] { return stop_.load() || Settled(); });
    --settleWaiters_;
}
