// The arithmetic of laying a dialog's children out on a fixed design
// frame: the scale of the client area against the design size, and the
// division of a child's screen rectangle by it.
#pragma once

#include "ui/logic/pixel_rect.h"

struct ScalePair {
    double horizontal;
    double vertical;
};

// False when either size is empty: there is no scale to divide by, and
// the children are better left where the template put them.
bool ComputeScalePair(int clientWidth, int clientHeight, int designWidth, int designHeight, ScalePair* scale);

// Each edge divided by its scale and truncated toward zero.
PixelRect ScaleScreenRect(const PixelRect& screenRect, const ScalePair& scale);
