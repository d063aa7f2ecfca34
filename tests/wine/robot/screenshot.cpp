#include "screenshot.h"

#include <cstdio>
#include <cstring>
#include <vector>

namespace {

struct Bounds {
    DWORD processId;
    RECT area;
    bool any;
};

BOOL CALLBACK AddWindow(HWND window, LPARAM boundsAddress) {
    Bounds& bounds = *reinterpret_cast<Bounds*>(boundsAddress);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != bounds.processId || !IsWindowVisible(window)) return TRUE;
    RECT rect;
    GetWindowRect(window, &rect);
    // A shaped window shows only its region.
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    if (GetWindowRgn(window, region) != ERROR) {
        RECT box;
        GetRgnBox(region, &box);
        OffsetRect(&box, rect.left, rect.top);
        IntersectRect(&rect, &rect, &box);
    }
    DeleteObject(region);
    if (IsRectEmpty(&rect)) return TRUE;
    if (bounds.any)
        UnionRect(&bounds.area, &bounds.area, &rect);
    else
        bounds.area = rect;
    bounds.any = true;
    return TRUE;
}

bool WriteBmp(const char* path, int width, int height, const void* bits, int rowBytes) {
    BITMAPFILEHEADER file;
    BITMAPINFOHEADER info;
    memset(&file, 0, sizeof file);
    memset(&info, 0, sizeof info);
    info.biSize = sizeof info;
    info.biWidth = width;
    info.biHeight = height;
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biSizeImage = static_cast<DWORD>(rowBytes * height);
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = file.bfOffBits + info.biSizeImage;
    FILE* out = fopen(path, "wb");
    if (out == nullptr) return false;
    bool written = fwrite(&file, sizeof file, 1, out) == 1 && fwrite(&info, sizeof info, 1, out) == 1 &&
                   fwrite(bits, info.biSizeImage, 1, out) == 1;
    return fclose(out) == 0 && written;
}

}  // namespace

bool SaveProcessScreenshot(DWORD processId, const char* path) {
    Bounds bounds = {processId, {0, 0, 0, 0}, false};
    EnumWindows(&AddWindow, reinterpret_cast<LPARAM>(&bounds));
    if (!bounds.any) return false;
    RECT screen = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    IntersectRect(&bounds.area, &bounds.area, &screen);
    int width = bounds.area.right - bounds.area.left;
    int height = bounds.area.bottom - bounds.area.top;
    if (width <= 0 || height <= 0) return false;

    BITMAPINFO info;
    memset(&info, 0, sizeof info);
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    HDC screenDC = GetDC(nullptr);
    HDC memoryDC = CreateCompatibleDC(screenDC);
    void* bits = nullptr;
    HBITMAP surface = CreateDIBSection(screenDC, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    bool saved = false;
    if (surface != nullptr && memoryDC != nullptr) {
        HGDIOBJ previous = SelectObject(memoryDC, surface);
        BitBlt(memoryDC, 0, 0, width, height, screenDC, bounds.area.left, bounds.area.top, SRCCOPY);
        GdiFlush();
        saved = WriteBmp(path, width, height, bits, (width * 3 + 3) & ~3);
        SelectObject(memoryDC, previous);
    }
    if (surface != nullptr) DeleteObject(surface);
    if (memoryDC != nullptr) DeleteDC(memoryDC);
    ReleaseDC(nullptr, screenDC);
    return saved;
}
