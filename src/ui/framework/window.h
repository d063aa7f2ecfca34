// A window handle with the few operations the dialogs and controls use.
// It owns nothing: the window's life belongs to the system or to the
// dialog manager.
#pragma once

#include <windows.h>

#include "ui/logic/pixel_rect.h"

class Window {
public:
    Window() = default;
    virtual ~Window() = default;
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    HWND Handle() const { return handle_; }
    bool IsAttached() const { return handle_ != nullptr; }

    void Show(bool visible) const;
    void Enable(bool enabled) const;
    void SetText(const char* text) const;
    void Invalidate() const;  // the whole window, without erasing
    PixelRect ScreenRect() const;
    void MoveTo(const Placement& placement) const;  // with repainting
    // Centres this window on `other` (on the screen when it is null or
    // hidden), kept inside the work area.
    void CenterOn(HWND other) const;

protected:
    HWND handle_ = nullptr;
};

// The module whose resources the program loads: its own executable.
HINSTANCE ResourceModule();
