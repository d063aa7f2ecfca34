#include "parallel_floor.h"

#include <unistd.h>

#include <atomic>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>

#include "floor_walk.h"

namespace {

const size_t kQueueCapacity = 1024;
const size_t kNameSize = 256;

// A folder's descriptor, closed by whoever lets go of it last: the walk
// or the reader of its last file.
struct SharedFolder {
    int fd;
    std::atomic<int> holders;
};

void Release(SharedFolder* folder) {
    if (folder->holders.fetch_sub(1, std::memory_order_acq_rel) != 1) return;
    close(folder->fd);
    delete folder;
}

struct QueuedFile {
    SharedFolder* folder;
    char name[kNameSize];
};

class FileQueue {
public:
    void Push(SharedFolder* folder, const char* name) {
        std::unique_lock<std::mutex> lock(mutex_);
        notFull_.wait(lock, [this] { return count_ < kQueueCapacity; });
        QueuedFile& slot = slots_[(first_ + count_) % kQueueCapacity];
        slot.folder = folder;
        size_t length = strnlen(name, kNameSize - 1);
        memcpy(slot.name, name, length);
        slot.name[length] = '\0';
        ++count_;
        lock.unlock();
        notEmpty_.notify_one();
    }
    // False once the queue is closed and empty.
    bool Pop(QueuedFile* file) {
        std::unique_lock<std::mutex> lock(mutex_);
        notEmpty_.wait(lock, [this] { return count_ > 0 || closed_; });
        if (count_ == 0) return false;
        *file = slots_[first_];
        first_ = (first_ + 1) % kQueueCapacity;
        --count_;
        lock.unlock();
        notFull_.notify_one();
        return true;
    }
    void Close() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            closed_ = true;
        }
        notEmpty_.notify_all();
    }

private:
    std::mutex mutex_;
    std::condition_variable notEmpty_;
    std::condition_variable notFull_;
    QueuedFile slots_[kQueueCapacity];
    size_t first_ = 0;
    size_t count_ = 0;
    bool closed_ = false;
};

class QueueingVisitor : public FloorVisitor {
public:
    explicit QueueingVisitor(FileQueue* queue) : queue_(queue) {}
    void FolderOpened(int dirfd) override { open_.push_back(new SharedFolder{dirfd, {1}}); }
    void File(int, const std::string&, const char* name) override {
        SharedFolder* folder = open_.back();
        folder->holders.fetch_add(1, std::memory_order_relaxed);
        queue_->Push(folder, name);
    }
    void FolderDone(int) override {
        SharedFolder* folder = open_.back();
        open_.pop_back();
        Release(folder);
    }

private:
    FileQueue* queue_;
    std::vector<SharedFolder*> open_;  // the folders on the walk's current path
};

void ReadQueuedFiles(FileQueue* queue, FloorTotals* totals) {
    QueuedFile file;
    while (queue->Pop(&file)) {
        ReadFirstPage(file.folder->fd, file.name, totals);
        Release(file.folder);
    }
}

}  // namespace

FloorTotals RunParallelFloor(const std::vector<std::string>& roots, int readers, uint64_t* folders) {
    std::unique_ptr<FileQueue> queue(new FileQueue);  // too large for the stack
    std::vector<FloorTotals> totals(static_cast<size_t>(readers));
    std::vector<std::thread> threads;
    for (int i = 0; i < readers; ++i) threads.emplace_back(ReadQueuedFiles, queue.get(), &totals[static_cast<size_t>(i)]);
    QueueingVisitor visitor(queue.get());
    *folders = 0;
    for (const std::string& root : roots) *folders += WalkFloorTree(root, &visitor);
    queue->Close();
    for (std::thread& thread : threads) thread.join();
    FloorTotals sum;
    for (const FloorTotals& each : totals) sum.Add(each);
    return sum;
}
