// The run extraction behind the skin-shaped window outline.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "call_site.h"
#include "ui/logic/region_runs.h"

namespace {

const KeyColour kMagenta = {0xFF, 0x00, 0xFF};

// An image described top row first: '#' opaque, '.' magenta (the key).
// Stored bottom-up with `padding` spare bytes per row, as a DIB section
// would, and with the reserved byte set, which must not matter.
class TestImage {
public:
    TestImage(const std::vector<std::string>& rows, int padding = 0)
        : width_(static_cast<int>(rows[0].size())), height_(static_cast<int>(rows.size())),
          rowBytes_(4 * width_ + padding), bytes_(static_cast<size_t>(rowBytes_ * height_), 0xEE) {
        for (int y = 0; y < height_; ++y)
            for (int x = 0; x < width_; ++x) {
                uint8_t* pixel = &bytes_[static_cast<size_t>((height_ - 1 - y) * rowBytes_ + 4 * x)];
                bool key = rows[static_cast<size_t>(y)][static_cast<size_t>(x)] == '.';
                pixel[0] = key ? 0xFF : 0x10;  // blue
                pixel[1] = key ? 0x00 : 0x20;  // green
                pixel[2] = key ? 0xFF : 0x30;  // red
                pixel[3] = 0x77;
            }
    }
    PixelBuffer View() const { return {bytes_.data(), width_, height_, rowBytes_}; }

private:
    int width_, height_, rowBytes_;
    std::vector<uint8_t> bytes_;
};

struct Batch {
    std::vector<PixelRect> rectangles;
    PixelRect bound;
    int capacity;
};

class RecordingSink : public RunBatchSink {
public:
    bool Grow(int capacity) override {
        grows.push_back(capacity);
        if (failAtCapacity != 0 && capacity >= failAtCapacity) return false;
        buffer.resize(static_cast<size_t>(capacity), PixelRect{-1, -1, -1, -1});
        return true;
    }
    void Store(int index, const PixelRect& rectangle) override {
        ASSERT_LT(index, static_cast<int>(buffer.size())) << "stored past the capacity";
        buffer[static_cast<size_t>(index)] = rectangle;
    }
    void Flush(int count, const PixelRect& bound, int capacity) override {
        batches.push_back({std::vector<PixelRect>(buffer.begin(), buffer.begin() + count), bound, capacity});
    }
    std::vector<PixelRect> All() const {
        std::vector<PixelRect> all;
        for (const Batch& batch : batches) all.insert(all.end(), batch.rectangles.begin(), batch.rectangles.end());
        return all;
    }

    std::vector<int> grows;
    std::vector<Batch> batches;
    std::vector<PixelRect> buffer;
    int failAtCapacity = 0;
};

void ExpectRect(const PixelRect& actual, int left, int top, int right, int bottom, CallSite caller = CallSite()) {
    ::testing::ScopedTrace trace(caller.file, caller.line, "called from here");
    EXPECT_EQ(actual.left, left);
    EXPECT_EQ(actual.top, top);
    EXPECT_EQ(actual.right, right);
    EXPECT_EQ(actual.bottom, bottom);
}

TEST(RegionRunsTest, ImageWithoutKeyColourGivesOneFullRowPerRow) {
    TestImage image({"####", "####", "####"});
    RecordingSink sink;
    ASSERT_TRUE(CollectRuns(image.View(), kMagenta, 1, sink));
    ASSERT_EQ(sink.batches.size(), 1u);
    const Batch& batch = sink.batches[0];
    ASSERT_EQ(batch.rectangles.size(), 3u);
    for (int y = 0; y < 3; ++y) ExpectRect(batch.rectangles[static_cast<size_t>(y)], 0, y, 4, y + 1);
    ExpectRect(batch.bound, 0, 0, 4, 3);
    EXPECT_EQ(batch.capacity, 100);
    EXPECT_EQ(sink.grows, std::vector<int>({100}));
}

TEST(RegionRunsTest, BothFlagValuesSelectComplementaryRuns) {
    // Rows top first; the image is stored bottom-up, so a wrong row order
    // shows as swapped y values.
    TestImage image({"##..#", ".....", "#.#.#"}, 12);
    RecordingSink opaque;
    ASSERT_TRUE(CollectRuns(image.View(), kMagenta, 1, opaque));
    std::vector<PixelRect> runs = opaque.All();
    ASSERT_EQ(runs.size(), 5u);
    ExpectRect(runs[0], 0, 0, 2, 1);
    ExpectRect(runs[1], 4, 0, 5, 1);
    ExpectRect(runs[2], 0, 2, 1, 3);
    ExpectRect(runs[3], 2, 2, 3, 3);
    ExpectRect(runs[4], 4, 2, 5, 3);
    ExpectRect(opaque.batches[0].bound, 0, 0, 5, 3);

    RecordingSink key;
    ASSERT_TRUE(CollectRuns(image.View(), kMagenta, 0, key));
    runs = key.All();
    ASSERT_EQ(runs.size(), 4u);
    ExpectRect(runs[0], 2, 0, 4, 1);
    ExpectRect(runs[1], 0, 1, 5, 2);
    ExpectRect(runs[2], 1, 2, 2, 3);
    ExpectRect(runs[3], 3, 2, 4, 3);
}

TEST(RegionRunsTest, AnyDifferingChannelCountsAsNotKey) {
    const uint8_t bits[] = {0xFF, 0x00, 0xFE, 0, 0xFF, 0x01, 0xFF, 0, 0xFE, 0x00, 0xFF, 0, 0xFF, 0x00, 0xFF, 0};
    RecordingSink sink;
    ASSERT_TRUE(CollectRuns({bits, 4, 1, 16}, kMagenta, 1, sink));
    std::vector<PixelRect> runs = sink.All();
    ASSERT_EQ(runs.size(), 1u);
    ExpectRect(runs[0], 0, 0, 3, 1);  // the fourth pixel is the key exactly
}

TEST(RegionRunsTest, AllKeyImageGivesOneEmptyBatch) {
    TestImage image({"...", "..."});
    RecordingSink sink;
    ASSERT_TRUE(CollectRuns(image.View(), kMagenta, 1, sink));
    ASSERT_EQ(sink.batches.size(), 1u);
    EXPECT_TRUE(sink.batches[0].rectangles.empty());
    ExpectRect(sink.batches[0].bound, 0x7FFFFFFF, 0x7FFFFFFF, 0, 0);
}

// Nine pixels "#.#.#.#.#" per row give five runs; 500 rows give 2500.
std::vector<std::string> StripedRows(int rows) { return std::vector<std::string>(static_cast<size_t>(rows), "#.#.#.#.#"); }

TEST(RegionRunsTest, MoreThan2000RectanglesArriveInBatches) {
    TestImage image(StripedRows(500));
    RecordingSink sink;
    ASSERT_TRUE(CollectRuns(image.View(), kMagenta, 1, sink));
    ASSERT_EQ(sink.batches.size(), 2u);
    EXPECT_EQ(sink.batches[0].rectangles.size(), 2000u);
    EXPECT_EQ(sink.batches[0].capacity, 2000);
    ExpectRect(sink.batches[0].bound, 0, 0, 9, 400);
    EXPECT_EQ(sink.batches[1].rectangles.size(), 500u);
    EXPECT_EQ(sink.batches[1].capacity, 2000);  // the buffer is reused, not shrunk
    ExpectRect(sink.batches[1].bound, 0, 400, 9, 500);
    ExpectRect(sink.batches[1].rectangles[0], 0, 400, 1, 401);
    // Grown in steps of 100 up to the batch limit, never beyond.
    ASSERT_EQ(sink.grows.size(), 20u);
    for (size_t i = 0; i < sink.grows.size(); ++i) EXPECT_EQ(sink.grows[i], static_cast<int>(100 * (i + 1)));
    EXPECT_EQ(sink.All().size(), 2500u);
}

TEST(RegionRunsTest, ExactlyTwoThousandRectanglesLeaveAnEmptyLastBatch) {
    TestImage image(StripedRows(400));
    RecordingSink sink;
    ASSERT_TRUE(CollectRuns(image.View(), kMagenta, 1, sink));
    ASSERT_EQ(sink.batches.size(), 2u);
    EXPECT_EQ(sink.batches[0].rectangles.size(), 2000u);
    EXPECT_TRUE(sink.batches[1].rectangles.empty());
}

TEST(RegionRunsTest, BufferThatCannotGrowStopsTheCollection) {
    TestImage image(StripedRows(100));  // 500 rectangles
    RecordingSink sink;
    sink.failAtCapacity = 300;
    EXPECT_FALSE(CollectRuns(image.View(), kMagenta, 1, sink));
    EXPECT_TRUE(sink.batches.empty());

    RecordingSink first;
    first.failAtCapacity = 100;
    EXPECT_FALSE(CollectRuns(image.View(), kMagenta, 1, first));
}

}  // namespace
