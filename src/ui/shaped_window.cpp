#include "ui/shaped_window.h"

#include <cstring>

#include "ui/framework/gdi_objects.h"
#include "ui/logic/child_scaling.h"
#include "ui/logic/region_runs.h"

namespace {

const DWORD kRegionHeaderSize = sizeof(RGNDATAHEADER);  // 32
const DWORD kRectangleSize = sizeof(RECT);              // 16

DWORD RegionDataSize(int capacity) { return kRegionHeaderSize + kRectangleSize * static_cast<DWORD>(capacity); }

// Keeps the rectangles in one movable global block laid out as region
// data, and merges every batch into the result region.
class RegionDataSink : public RunBatchSink {
public:
    ~RegionDataSink() override {
        Unlock();
        if (block_ != nullptr) GlobalFree(block_);
        if (result_ != nullptr) DeleteObject(result_);
    }

    bool Grow(int capacity) override {
        Unlock();
        HGLOBAL grown = block_ == nullptr ? GlobalAlloc(GMEM_MOVEABLE, RegionDataSize(capacity))
                                          : GlobalReAlloc(block_, RegionDataSize(capacity), GMEM_MOVEABLE);
        // A failed reallocation leaves the old block, which is still ours.
        if (grown == nullptr) return false;
        block_ = grown;
        data_ = static_cast<RGNDATA*>(GlobalLock(block_));
        if (data_ == nullptr) return false;
        if (capacity_ == 0) WriteHeader(0, EmptyRunBound());
        capacity_ = capacity;
        return true;
    }

    void Store(int index, const PixelRect& rectangle) override {
        RECT* rectangles = reinterpret_cast<RECT*>(data_->Buffer);
        SetRect(&rectangles[index], rectangle.left, rectangle.top, rectangle.right, rectangle.bottom);
    }

    void Flush(int count, const PixelRect& bound, int capacity) override {
        WriteHeader(count, bound);
        HRGN batch = ExtCreateRegion(nullptr, RegionDataSize(capacity), data_);
        // A batch that cannot become a region is left out; the others
        // still shape the window.
        if (batch == nullptr) return;
        if (result_ == nullptr) {
            result_ = batch;
            return;
        }
        CombineRgn(result_, result_, batch, RGN_OR);
        DeleteObject(batch);
    }

    HRGN TakeResult() {
        HRGN result = result_;
        result_ = nullptr;
        return result;
    }

private:
    void WriteHeader(int count, const PixelRect& bound) {
        data_->rdh.dwSize = kRegionHeaderSize;
        data_->rdh.iType = RDH_RECTANGLES;
        data_->rdh.nCount = static_cast<DWORD>(count);
        data_->rdh.nRgnSize = 0;
        SetRect(&data_->rdh.rcBound, bound.left, bound.top, bound.right, bound.bottom);
    }

    void Unlock() {
        if (data_ != nullptr) GlobalUnlock(block_);
        data_ = nullptr;
    }

    HGLOBAL block_ = nullptr;
    RGNDATA* data_ = nullptr;
    int capacity_ = 0;
    HRGN result_ = nullptr;
};

BOOL CALLBACK ScaleOneChild(HWND child, LPARAM scaleAddress) {
    const ScalePair& scale = *reinterpret_cast<const ScalePair*>(scaleAddress);
    RECT screen;
    if (!GetWindowRect(child, &screen)) return TRUE;
    PixelRect scaled = ScaleScreenRect({screen.left, screen.top, screen.right, screen.bottom}, scale);
    POINT topLeft = {scaled.left, scaled.top};
    ScreenToClient(GetParent(child), &topLeft);
    MoveWindow(child, topLeft.x, topLeft.y, WidthOf(scaled), HeightOf(scaled), TRUE);
    return TRUE;
}

}  // namespace

HRGN BuildRegionFromBitmap(HBITMAP bitmap, COLORREF key, int keepNonKey) {
    if (bitmap == nullptr) return nullptr;
    MemoryDC surfaceDC(nullptr);
    if (surfaceDC.IsEmpty()) return nullptr;
    BITMAP source;
    if (GetObjectA(bitmap, sizeof source, &source) == 0) return nullptr;

    BITMAPINFOHEADER header;
    memset(&header, 0, sizeof header);
    header.biSize = sizeof header;
    header.biWidth = source.bmWidth;
    header.biHeight = source.bmHeight;  // positive: rows bottom-up
    header.biPlanes = 1;
    header.biBitCount = 32;
    header.biCompression = BI_RGB;
    void* bits = nullptr;
    Bitmap surface;
    surface.Reset(CreateDIBSection(surfaceDC.Get(), reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS, &bits,
                                   nullptr, 0));
    if (surface.IsEmpty()) return nullptr;

    SelectedObject surfaceSelection;
    if (!surfaceSelection.Select(surfaceDC.Get(), surface.Get())) return nullptr;
    MemoryDC sourceDC(surfaceDC.Get());
    if (sourceDC.IsEmpty()) return nullptr;
    BITMAP layout;
    if (GetObjectA(surface.Get(), sizeof layout, &layout) == 0 || layout.bmBits == nullptr) return nullptr;
    int rowBytes = layout.bmWidthBytes;
    if (rowBytes % 4 != 0) rowBytes += 4 - rowBytes % 4;

    SelectedObject sourceSelection;
    if (!sourceSelection.Select(sourceDC.Get(), bitmap)) return nullptr;
    BitBlt(surfaceDC.Get(), 0, 0, source.bmWidth, source.bmHeight, sourceDC.Get(), 0, 0, SRCCOPY);
    GdiFlush();

    PixelBuffer pixels = {static_cast<const uint8_t*>(layout.bmBits), layout.bmWidth, layout.bmHeight, rowBytes};
    KeyColour keyColour = {GetRValue(key), GetGValue(key), GetBValue(key)};
    RegionDataSink sink;
    // Without memory for the rectangles no outline is better than a part
    // of one: the window then stays whole and rectangular.
    if (!CollectRuns(pixels, keyColour, keepNonKey, sink)) return nullptr;
    return sink.TakeResult();
}

void ScaleChildWindows(HWND window, int designWidth, int designHeight, int /*hasMenu*/) {
    RECT client;
    if (!GetClientRect(window, &client)) return;
    ScalePair scale;
    if (!ComputeScalePair(client.right - client.left, client.bottom - client.top, designWidth, designHeight, &scale))
        return;
    EnumChildWindows(window, &ScaleOneChild, reinterpret_cast<LPARAM>(&scale));
}
