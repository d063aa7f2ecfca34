#include "ui/label_control.h"

#include "ui/framework/gdi_objects.h"
#include "ui/ui_state.h"

namespace {

const COLORREF kTitleBandBlue = RGB(0x02, 0x4D, 0xF6);

}  // namespace

const MessageEntry<Control> LabelControl::kMessageEntries[] = {
    {MessageKind::kWindowMessage, WM_PAINT, MessageHandler<Control>(&LabelControl::OnPaint)},
};
const MessageMap<Control> LabelControl::kMessageMap = {nullptr, kMessageEntries,
                                                       sizeof kMessageEntries / sizeof kMessageEntries[0]};

const MessageMap<Control>* LabelControl::GetMessageMap() const { return &kMessageMap; }

bool LabelControl::OnPaint(Message&) {
    PaintDC dc(handle_);
    GetClientRect(handle_, &clientRect_);
    GetWindowTextA(handle_, text_, sizeof text_);
    SetTextColor(dc.Get(), textColour_);
    // Before the main window has made the heading font, the context's own
    // font paints.
    SelectedObject font;
    if (!HeadingFont.IsEmpty()) font.Select(dc.Get(), HeadingFont.Get());
    // The default opaque background fills the text cells with the band's
    // blue.
    SetBkColor(dc.Get(), kTitleBandBlue);
    DrawTextA(dc.Get(), text_, -1, &clientRect_, DT_CENTER | DT_VCENTER);
    return true;
}
