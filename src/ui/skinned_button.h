// Buttons drawn entirely from bitmaps named after their captions:
// "<caption>_NOTFOCUS" normally, "<caption>_FOCUS" while lit (mouse over or
// keyboard focus), "<caption>_DISABLE" when disabled. A button takes the
// size of its pictures. CExButton (the main window's) also shows a hand
// cursor; NCExButton (the message dialog's) keeps the arrow.
#pragma once

#include <windows.h>

#include "ui/framework/control.h"
#include "ui/framework/gdi_objects.h"

class SkinnedButton : public Control {
public:
    SkinnedButton() = default;

    // Binds the dialog's control `id` (unless bound already) and loads the
    // pictures its caption names. 0 when the control cannot be bound or
    // has no caption; 1 otherwise, even when pictures are missing.
    int AttachToControl(int id, HWND parent);
    // 0 when the lit or the normal picture is missing or the button could
    // not be sized; a missing disabled picture leaves that slot empty.
    int LoadBitmaps(const char* litName, const char* normalName, const char* disabledName);

    void DrawItem(const DRAWITEMSTRUCT& item) override;
    bool IsLit() const { return lit_ != 0; }

protected:
    const MessageMap<Control>* GetMessageMap() const override;
    bool OnMouseMove(Message& message);
    bool OnSetFocus(Message& message);
    bool OnKillFocus(Message& message);

    static const MessageMap<Control> kMessageMap;

private:
    void SetLit(int lit);

    static const MessageEntry<Control> kMessageEntries[];

    int lit_ = 0;
    RECT imageRect_ = {0, 0, 0, 0};  // the hover area, in client coordinates
    // Declared in this order so that they are deleted lit first, then
    // normal and disabled.
    Bitmap disabled_;
    Bitmap normal_;
    Bitmap litBitmap_;
};

class CExButton : public SkinnedButton {
public:
    CExButton() = default;
    ~CExButton() override;

    // Once per button; without a hand cursor on the system the arrow stays.
    void LoadHandCursor();

protected:
    const MessageMap<Control>* GetMessageMap() const override;
    bool OnSetCursor(Message& message);

private:
    static const MessageEntry<Control> kMessageEntries[];
    static const MessageMap<Control> kMessageMap;

    HCURSOR handCursor_ = nullptr;  // a private copy, destroyed with the button
};

class NCExButton : public SkinnedButton {};
