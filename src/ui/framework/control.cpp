#include "ui/framework/control.h"

namespace {

// The window property that leads from a control to its object.
const char kObjectProperty[] = "Bruvane.Control";

}  // namespace

Control::~Control() { Unsubclass(); }

bool Control::SubclassDlgItem(int id, HWND parent) {
    if (handle_ != nullptr) return true;
    HWND window = GetDlgItem(parent, id);
    if (window == nullptr || FromHandle(window) != nullptr) return false;
    if (!SetPropA(window, kObjectProperty, reinterpret_cast<HANDLE>(this))) return false;
    WNDPROC original = reinterpret_cast<WNDPROC>(
        SetWindowLongA(window, GWL_WNDPROC, reinterpret_cast<LONG>(&Control::SubclassProc)));
    if (original == nullptr) {
        RemovePropA(window, kObjectProperty);
        return false;
    }
    handle_ = window;
    original_ = original;
    return true;
}

void Control::Unsubclass() {
    if (handle_ == nullptr) return;
    SetWindowLongA(handle_, GWL_WNDPROC, reinterpret_cast<LONG>(original_));
    RemovePropA(handle_, kObjectProperty);
    handle_ = nullptr;
    original_ = nullptr;
}

void Control::DrawItem(const DRAWITEMSTRUCT&) {}

Control* Control::FromHandle(HWND window) {
    if (window == nullptr) return nullptr;
    return reinterpret_cast<Control*>(GetPropA(window, kObjectProperty));
}

LRESULT Control::CallOriginal(const Message& message) const {
    return CallWindowProcA(original_, handle_, message.id, message.wParam, message.lParam);
}

LRESULT CALLBACK Control::SubclassProc(HWND window, UINT id, WPARAM wParam, LPARAM lParam) {
    Control* self = FromHandle(window);
    if (self == nullptr) return DefWindowProcA(window, id, wParam, lParam);
    Message message = {id, wParam, lParam, 0};
    if (id == WM_NCDESTROY) {
        // The window goes: its own procedure finishes with it, then the
        // object lets go.
        LRESULT result = self->CallOriginal(message);
        self->Unsubclass();
        return result;
    }
    const MessageEntry<Control>* entry = FindMessageEntry(self->GetMessageMap(), message);
    if (entry != nullptr && (self->*entry->handler)(message)) return message.result;
    return self->CallOriginal(message);
}
