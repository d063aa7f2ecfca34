#include "read_ahead.h"

#include <fcntl.h>
#include <signal.h>
#include <strings.h>
#include <unistd.h>

#include <cstring>
#include <ctime>

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
const size_t kThreadStackSize = 256 * 1024;
const size_t kDriveRootPrefixLength = 3;  // "C:\"
const char kProgramFiles[] = "Program Files";
const int kFolderFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;

double SteadyClock() {
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

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
    if (settings_.slowCheckEntries < 1) settings_.slowCheckEntries = 1;
}

ReadAhead::~ReadAhead() { Stop(); }

void ReadAhead::Start(const std::vector<std::string>& hostRoots) {
    if (settings_.readers <= 0 || !threads_.empty()) return;
    roots_ = hostRoots;
    queue_.assign(static_cast<size_t>(settings_.window), QueuedFile());
    queueHead_ = 0;
    queueCount_ = 0;
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
    // Small stacks: a reader needs a page and a few headers, the walk a
    // listing buffer and a frame per folder level.
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    pthread_attr_setstacksize(&attributes, kThreadStackSize);
    pthread_t thread;
    if (pthread_create(&thread, &attributes, &ReadAhead::WalkerMain, this) == 0) {
        threads_.push_back(thread);
        for (ReaderStart& start : readerStarts_)
            if (pthread_create(&thread, &attributes, &ReadAhead::ReaderMain, &start) == 0) threads_.push_back(thread);
    }
    pthread_attr_destroy(&attributes);
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
    for (; queueCount_ > 0; --queueCount_, ++queueHead_) {
        QueuedFile& slot = queue_[queueHead_ % queue_.size()];
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
    if (walkerHeldBack_.load() && next >= wakeWhenEngineAt_.load()) {
        std::lock_guard<std::mutex> lock(mutex_);
        walkerWake_.notify_one();
    }
    if (dormant_.load(std::memory_order_relaxed))
        CheckEngineSpeed();
    else
        timing_ = false;
    if (!settings_.lockstep || threads_.empty()) return;
    std::unique_lock<std::mutex> lock(mutex_);
    walkerWake_.notify_one();
    handled_.wait(lock, [this, next] { return stop_.load() || HandledThrough(next + 1); });
}

double ReadAhead::Now() const { return settings_.now != nullptr ? settings_.now() : SteadyClock(); }

// While dormant: entries that take long mean that the engine waits for
// the disk again, and the walk wakes up.
void ReadAhead::CheckEngineSpeed() {
    if (!timing_) {
        timing_ = true;
        entriesSinceLook_ = 0;
        lastLook_ = Now();
        return;
    }
    if (++entriesSinceLook_ < settings_.slowCheckEntries) return;
    entriesSinceLook_ = 0;
    double now = Now();
    bool slow = now - lastLook_ > settings_.slowSeconds;
    lastLook_ = now;
    if (!slow) return;
    std::lock_guard<std::mutex> lock(mutex_);
    cachedInARow_.store(0, std::memory_order_relaxed);
    dormant_.store(false);
    timing_ = false;
    walkerWake_.notify_one();
}

// A held-back walk goes on once it has room for this many files.
int64_t ReadAhead::Slack() const {
    int64_t slack = settings_.window / 4;
    return slack > 0 ? slack : 1;
}

// Under the lock: whether the walk may number `files` more files, within
// the window of the engine and with as many free slots.
bool ReadAhead::RoomFor(int64_t files) const {
    return nextNumber_ + files - 1 < engineNext_.load() + settings_.window &&
           queueCount_ + static_cast<uint64_t>(files) <= queue_.size();
}

// Under the lock: awake, with room for `files` more.
bool ReadAhead::WalkMayGoOn(int64_t files) const { return !dormant_.load() && RoomFor(files); }

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
    if (!PassedByEngine(listing.files.size())) {
        for (uint32_t name : listing.files)
            if (!Queue(folder, listing.Name(name))) return;
    }
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
    // The root was read to its end by the first walk.
    if (stop_.load() || lseek(root->fd, 0, SEEK_SET) != 0 ||
        !ListInWalkOrder(root->fd, kDriveRootPrefixLength, &listing))
        return;
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

// A folder whose files the engine has all passed (the walk catching up
// after a dormant stretch) is numbered in one step.
bool ReadAhead::PassedByEngine(size_t files) {
    std::lock_guard<std::mutex> lock(mutex_);
    int64_t count = static_cast<int64_t>(files);
    if (nextNumber_ + count > engineNext_.load()) return false;
    nextNumber_ += count;
    notQueued_.fetch_add(static_cast<uint64_t>(count), std::memory_order_relaxed);
    return true;
}

bool ReadAhead::Queue(ReadAheadFolder* folder, const char* name) {
    const int64_t kNever = INT64_MAX;
    std::unique_lock<std::mutex> lock(mutex_);
    if (!stop_.load() && !WalkMayGoOn(1)) {
        walkerWaiting_ = true;
        walkerHeldBack_.store(true);
        TellWaiters();
        // The mark the engine wakes the walk at is set before the last look
        // at the engine (so that one of the two sees the other), and anew
        // at every wait; a dormant walk is woken by the engine's clock.
        for (;;) {
            wakeWhenEngineAt_.store(dormant_.load() ? kNever : nextNumber_ + Slack() - settings_.window);
            if (stop_.load() || WalkMayGoOn(Slack())) break;
            walkerWake_.wait(lock);
        }
        walkerHeldBack_.store(false);
        walkerWaiting_ = false;
    }
    if (stop_.load()) return false;
    int64_t number = nextNumber_++;
    // Woken after a dormant stretch, the walk numbers what the engine
    // has passed meanwhile without reading it.
    if (number < engineNext_.load()) {
        notQueued_.fetch_add(1, std::memory_order_relaxed);
        return true;
    }
    QueuedFile& slot = queue_[(queueHead_ + queueCount_) % queue_.size()];
    Hold(folder);
    slot.number = number;
    slot.folder = folder;
    size_t length = strnlen(name, sizeof slot.name - 1);
    memcpy(slot.name, name, length);
    slot.name[length] = '\0';
    ++queueCount_;
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
        readerWake_.wait(lock, [this] { return stop_.load() || queueCount_ > 0 || walkDone_; });
        if (stop_.load() || queueCount_ == 0) return;
        QueuedFile file = queue_[queueHead_ % queue_.size()];
        ++queueHead_;
        --queueCount_;
        readingNow_[reader].store(file.number);
        if (walkerWaiting_ && WalkMayGoOn(Slack())) walkerWake_.notify_one();
        lock.unlock();

        if (file.number < engineNext_.load(std::memory_order_relaxed)) {
            // The engine got there first without waiting for it: as good a
            // sign of a warm cache as a page found cached.
            passed_.fetch_add(1, std::memory_order_relaxed);
            NoteCached(true);
        } else if (settings_.touch != nullptr) {
            NoteTouch(settings_.touch(settings_.touchContext, file.folder->fd, file.name));
        } else {
            NoteTouch(TouchFile(file.folder->fd, file.name));
        }
        Release(file.folder);
        readingNow_[reader].store(-1);
        if (settings_.lockstep || settleWaiters_.load() > 0) {
            lock.lock();
            TellWaiters();
        }
    }
}

void ReadAhead::NoteTouch(TouchResult result) {
    touched_.fetch_add(1, std::memory_order_relaxed);
    if (result == TouchResult::kCached) {
        cached_.fetch_add(1, std::memory_order_relaxed);
        NoteCached(true);
    } else if (result == TouchResult::kRead) {
        NoteCached(false);
    } else if (result == TouchResult::kNotRegular) {
        notRegular_.fetch_add(1, std::memory_order_relaxed);
    }
}

// `warmAfter` files in a row found cached make the read-ahead dormant. The
// readers count together: an order slightly off between them changes only
// when that comes.
void ReadAhead::NoteCached(bool cached) {
    if (!cached) {
        cachedInARow_.store(0, std::memory_order_relaxed);
        return;
    }
    int inARow = cachedInARow_.fetch_add(1, std::memory_order_relaxed) + 1;
    if (settings_.warmAfter > 0 && inARow == settings_.warmAfter) {
        dormant_.store(true);
        dormantTimes_.fetch_add(1, std::memory_order_relaxed);
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
    counts.cached = cached_.load();
    counts.passed = passed_.load();
    counts.notQueued = notQueued_.load();
    counts.notRegular = notRegular_.load();
    counts.dormant = dormantTimes_.load();
    return counts;
}

// Under the lock.
void ReadAhead::TellWaiters() {
    if (settings_.lockstep || settleWaiters_.load() > 0) handled_.notify_all();
}

bool ReadAhead::ReadersIdle() const {
    for (int i = 0; i < settings_.readers; ++i)
        if (readingNow_[i].load() != -1) return false;
    return true;
}

// Under the lock: every file numbered up to `number` was read, passed or
// left out, or the walk ended without numbering it.
bool ReadAhead::HandledThrough(int64_t number) const {
    if (nextNumber_ <= number && !walkDone_ && !dormant_.load()) return false;
    if (queueCount_ > 0 && queue_[queueHead_ % queue_.size()].number <= number) return false;
    for (int i = 0; i < settings_.readers; ++i) {
        int64_t now = readingNow_[i].load();
        if (now != -1 && now <= number) return false;
    }
    return true;
}

// Nothing more will happen until the engine moves on: the walk is done or
// held back (and not about to go on), and every queued file dealt with.
bool ReadAhead::Settled() const {
    bool heldBack = walkerWaiting_ && !WalkMayGoOn(Slack());
    return (heldBack || walkDone_) && queueCount_ == 0 && ReadersIdle();
}

void ReadAhead::WaitUntilSettled() {
    if (threads_.empty()) return;
    std::unique_lock<std::mutex> lock(mutex_);
    settleWaiters_.fetch_add(1);
    handled_.wait(lock, [this] { return stop_.load() || Settled(); });
    settleWaiters_.fetch_sub(1);
}
