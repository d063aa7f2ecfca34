// A control of a dialog bound to an object of ours by subclassing: the
// object sees the control's messages first and passes on what it leaves.
// The original window procedure is put back when the control is destroyed
// or the object goes first.
#pragma once

#include <windows.h>

#include "ui/framework/message_map.h"
#include "ui/framework/window.h"

class Control : public Window {
public:
    Control() = default;
    ~Control() override;

    // False when the dialog has no such control or it is bound already to
    // another object.
    bool SubclassDlgItem(int id, HWND parent);
    void Unsubclass();

    // Owner drawing, reflected here by the parent dialog.
    virtual void DrawItem(const DRAWITEMSTRUCT& item);

    // The object bound to a window, or null.
    static Control* FromHandle(HWND window);

protected:
    virtual const MessageMap<Control>* GetMessageMap() const { return nullptr; }
    // The control's own procedure, for handlers that run it first.
    LRESULT CallOriginal(const Message& message) const;

private:
    static LRESULT CALLBACK SubclassProc(HWND window, UINT id, WPARAM wParam, LPARAM lParam);

    WNDPROC original_ = nullptr;
};
