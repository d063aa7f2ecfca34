// The main window's fixed, skin-shaped appearance: an outline taken from
// the skin bitmap, and children laid out on a design frame in pixels
// whatever the dialog font.
#pragma once

#include <windows.h>

// The region of the pixels that differ from `key` (keepNonKey non-zero) or
// that equal it (keepNonKey 0); null when there is no bitmap, no surface
// to read it through, or no memory. The caller owns the region.
HRGN BuildRegionFromBitmap(HBITMAP bitmap, COLORREF key, int keepNonKey);

// Moves every child (and their children) so that a layout in dialog units
// lands on a frame of designWidth x designHeight pixels. Meant for a
// dialog standing at the screen origin. The menu flag has no effect.
void ScaleChildWindows(HWND window, int designWidth, int designHeight, int hasMenu);
