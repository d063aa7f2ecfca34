// The run extraction behind a bitmap-shaped window region, over a 32-bit
// pixel buffer (blue, green, red, reserved; rows bottom-up as a DIB
// section stores them). Each run of selected pixels in an image row
// becomes a one-pixel-high rectangle; rectangles are collected in a
// growable buffer and handed on in batches, so that no single region
// creation grows without bound.
#pragma once

#include <cstdint>

#include "ui/logic/pixel_rect.h"

const int kRunBufferStep = 100;      // initial capacity and growth, in rectangles
const int kRunBatchLimit = 2000;     // a batch is handed on when it holds this many

struct PixelBuffer {
    const uint8_t* bits;  // the bottom row first
    int width;
    int height;
    int rowBytes;         // a multiple of 4
};

struct KeyColour {
    uint8_t red;
    uint8_t green;
    uint8_t blue;
};

// Where the rectangles go. The window code keeps them in the rectangle
// buffer of a region description; tests keep them in memory.
class RunBatchSink {
public:
    virtual ~RunBatchSink() = default;
    // Room for `capacity` rectangles, keeping those stored. False when
    // memory ran out.
    virtual bool Grow(int capacity) = 0;
    virtual void Store(int index, const PixelRect& rectangle) = 0;
    // The first `count` stored rectangles form one batch; `capacity` is the
    // buffer's size at that moment.
    virtual void Flush(int count, const PixelRect& bound, int capacity) = 0;
};

// The bound of an empty batch: left and top at the largest value, right
// and bottom at 0, so that the first rectangle replaces all four.
PixelRect EmptyRunBound();

// Rows from the top of the image. keepNonKey selects the pixels whose
// colour differs from the key (the outline of a skin); 0 selects the
// key-coloured ones. Returns false when the buffer could not grow; the
// batches handed on so far then describe only part of the image.
bool CollectRuns(const PixelBuffer& pixels, const KeyColour& key, int keepNonKey, RunBatchSink& sink);
