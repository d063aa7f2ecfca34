// The family label: a static control that paints its own caption, white
// on the title band's blue, in the heading font.
#pragma once

#include <windows.h>

#include "ui/framework/control.h"

class LabelControl : public Control {
public:
    LabelControl() = default;

protected:
    const MessageMap<Control>* GetMessageMap() const override;
    bool OnPaint(Message& message);

private:
    static const MessageEntry<Control> kMessageEntries[];
    static const MessageMap<Control> kMessageMap;

    char text_[256] = {0};     // refreshed from the window text at every paint
    RECT clientRect_ = {0, 0, 0, 0};
    COLORREF textColour_ = RGB(0xFF, 0xFF, 0xFF);
};
