#include "ui/logic/child_scaling.h"

bool ComputeScalePair(int clientWidth, int clientHeight, int designWidth, int designHeight, ScalePair* scale) {
    if (clientWidth <= 0 || clientHeight <= 0 || designWidth <= 0 || designHeight <= 0) return false;
    scale->horizontal = static_cast<double>(clientWidth) / static_cast<double>(designWidth);
    scale->vertical = static_cast<double>(clientHeight) / static_cast<double>(designHeight);
    return true;
}

PixelRect ScaleScreenRect(const PixelRect& screenRect, const ScalePair& scale) {
    // The conversion to int truncates toward zero, as the layout expects.
    return {static_cast<int32_t>(screenRect.left / scale.horizontal),
            static_cast<int32_t>(screenRect.top / scale.vertical),
            static_cast<int32_t>(screenRect.right / scale.horizontal),
            static_cast<int32_t>(screenRect.bottom / scale.vertical)};
}
