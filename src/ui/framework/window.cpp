#include "ui/framework/window.h"

void Window::Show(bool visible) const { ShowWindow(handle_, visible ? SW_SHOW : SW_HIDE); }

void Window::Enable(bool enabled) const { EnableWindow(handle_, enabled ? TRUE : FALSE); }

void Window::SetText(const char* text) const { SetWindowTextA(handle_, text); }

void Window::Invalidate() const { InvalidateRect(handle_, nullptr, FALSE); }

PixelRect Window::ScreenRect() const {
    RECT rect = {0, 0, 0, 0};
    GetWindowRect(handle_, &rect);
    return {rect.left, rect.top, rect.right, rect.bottom};
}

void Window::MoveTo(const Placement& placement) const {
    MoveWindow(handle_, placement.x, placement.y, placement.width, placement.height, TRUE);
}

void Window::CenterOn(HWND other) const {
    RECT work;
    if (!SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0)) {
        work.left = 0;
        work.top = 0;
        work.right = GetSystemMetrics(SM_CXSCREEN);
        work.bottom = GetSystemMetrics(SM_CYSCREEN);
    }
    RECT centre = work;
    if (other != nullptr && IsWindowVisible(other) && !IsIconic(other)) GetWindowRect(other, &centre);
    RECT own;
    GetWindowRect(handle_, &own);
    int width = own.right - own.left;
    int height = own.bottom - own.top;
    int left = (centre.left + centre.right) / 2 - width / 2;
    int top = (centre.top + centre.bottom) / 2 - height / 2;
    // Keep the whole dialog on the screen, its top-left corner first.
    if (left + width > work.right) left = work.right - width;
    if (top + height > work.bottom) top = work.bottom - height;
    if (left < work.left) left = work.left;
    if (top < work.top) top = work.top;
    SetWindowPos(handle_, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

HINSTANCE ResourceModule() { return GetModuleHandleA(nullptr); }
