#include "ui/logic/region_runs.h"

namespace {

const int32_t kLargestCoordinate = 0x7FFFFFFF;

bool IsSelected(const uint8_t* pixel, const KeyColour& key, int keepNonKey) {
    bool isKey = pixel[2] == key.red && pixel[1] == key.green && pixel[0] == key.blue;
    return keepNonKey != 0 ? !isKey : isKey;
}

void Widen(PixelRect& bound, const PixelRect& rectangle) {
    if (rectangle.left < bound.left) bound.left = rectangle.left;
    if (rectangle.top < bound.top) bound.top = rectangle.top;
    if (rectangle.right > bound.right) bound.right = rectangle.right;
    if (rectangle.bottom > bound.bottom) bound.bottom = rectangle.bottom;
}

class RunCollector {
public:
    explicit RunCollector(RunBatchSink& sink) : sink_(sink), bound_(EmptyRunBound()) {}

    bool Start() {
        capacity_ = kRunBufferStep;
        return sink_.Grow(capacity_);
    }

    bool Add(const PixelRect& rectangle) {
        if (count_ == capacity_) {
            capacity_ += kRunBufferStep;
            if (!sink_.Grow(capacity_)) return false;
        }
        sink_.Store(count_, rectangle);
        Widen(bound_, rectangle);
        ++count_;
        if (count_ == kRunBatchLimit) Flush();
        return true;
    }

    void Flush() {
        sink_.Flush(count_, bound_, capacity_);
        count_ = 0;
        bound_ = EmptyRunBound();
    }

private:
    RunBatchSink& sink_;
    PixelRect bound_;
    int count_ = 0;
    int capacity_ = 0;
};

}  // namespace

PixelRect EmptyRunBound() { return {kLargestCoordinate, kLargestCoordinate, 0, 0}; }

bool CollectRuns(const PixelBuffer& pixels, const KeyColour& key, int keepNonKey, RunBatchSink& sink) {
    RunCollector collector(sink);
    if (!collector.Start()) return false;
    for (int y = 0; y < pixels.height; ++y) {
        // The top image row is the last row in memory.
        const uint8_t* row = pixels.bits + static_cast<long>(pixels.height - 1 - y) * pixels.rowBytes;
        for (int x = 0; x < pixels.width; ++x) {
            int runStart = x;
            while (x < pixels.width && IsSelected(row + 4 * x, key, keepNonKey)) ++x;
            if (x > runStart && !collector.Add({runStart, y, x, y + 1})) return false;
        }
    }
    collector.Flush();
    return true;
}
