// Plain rectangles and placements for the window-free layout rules; the
// window code converts them to RECT and MoveWindow arguments.
#pragma once

#include <cstdint>

struct PixelRect {
    int32_t left;
    int32_t top;
    int32_t right;
    int32_t bottom;
};

// What MoveWindow takes: a position and a size.
struct Placement {
    int32_t x;
    int32_t y;
    int32_t width;
    int32_t height;
};

inline int32_t WidthOf(const PixelRect& rect) { return rect.right - rect.left; }
inline int32_t HeightOf(const PixelRect& rect) { return rect.bottom - rect.top; }
