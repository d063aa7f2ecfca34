// Owners for GDI objects and device contexts. Each owner releases what it
// holds exactly once, in its destructor or when it is given another one.
#pragma once

#include <windows.h>

template <class Handle>
class GdiObject {
public:
    GdiObject() = default;
    ~GdiObject() { Reset(); }
    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;

    Handle Get() const { return handle_; }
    bool IsEmpty() const { return handle_ == nullptr; }
    // Takes ownership of `handle`, deleting the object held before.
    void Reset(Handle handle = nullptr) {
        if (handle_ != nullptr) DeleteObject(handle_);
        handle_ = handle;
    }
    // Gives up ownership, for example to the system after SetWindowRgn.
    Handle Release() {
        Handle handle = handle_;
        handle_ = nullptr;
        return handle;
    }

private:
    Handle handle_ = nullptr;
};

typedef GdiObject<HFONT> Font;
typedef GdiObject<HBITMAP> Bitmap;
typedef GdiObject<HBRUSH> Brush;
typedef GdiObject<HRGN> Region;

// A memory device context, deleted with the owner.
class MemoryDC {
public:
    MemoryDC() = default;
    // Compatible with `reference`; nullptr means the screen.
    explicit MemoryDC(HDC reference) { Create(reference); }
    ~MemoryDC() { Reset(); }
    MemoryDC(const MemoryDC&) = delete;
    MemoryDC& operator=(const MemoryDC&) = delete;

    bool Create(HDC reference);
    void Reset();
    HDC Get() const { return dc_; }
    bool IsEmpty() const { return dc_ == nullptr; }

private:
    HDC dc_ = nullptr;
};

// GetDC / ReleaseDC of one window.
class WindowDC {
public:
    explicit WindowDC(HWND window) : window_(window), dc_(GetDC(window)) {}
    ~WindowDC() {
        if (dc_ != nullptr) ReleaseDC(window_, dc_);
    }
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;
    HDC Get() const { return dc_; }

private:
    HWND window_;
    HDC dc_;
};

// BeginPaint / EndPaint.
class PaintDC {
public:
    explicit PaintDC(HWND window) : window_(window) { dc_ = BeginPaint(window, &paint_); }
    ~PaintDC() { EndPaint(window_, &paint_); }
    PaintDC(const PaintDC&) = delete;
    PaintDC& operator=(const PaintDC&) = delete;
    HDC Get() const { return dc_; }

private:
    HWND window_;
    PAINTSTRUCT paint_;
    HDC dc_;
};

// An object selected into a device context; the one it displaced is put
// back when the selection ends.
class SelectedObject {
public:
    SelectedObject() = default;
    SelectedObject(HDC dc, HGDIOBJ object) { Select(dc, object); }
    ~SelectedObject() { Restore(); }
    SelectedObject(const SelectedObject&) = delete;
    SelectedObject& operator=(const SelectedObject&) = delete;

    // False when the object could not be selected.
    bool Select(HDC dc, HGDIOBJ object);
    void Restore();

private:
    HDC dc_ = nullptr;
    HGDIOBJ displaced_ = nullptr;
};
