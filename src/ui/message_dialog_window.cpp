#include "ui/message_dialog_window.h"

#include "common/identity.h"
#include "common/shared_state.h"
#include "ui/resource_ids.h"
#include "ui/ui_state.h"

namespace {

const COLORREF kMessageBackground = RGB(207, 233, 254);

}  // namespace

const MessageEntry<Dialog> MessageDialog::kMessageEntries[] = {
    {MessageKind::kButtonClicked, IDYES, MessageHandler<Dialog>(&MessageDialog::OnYes)},
    {MessageKind::kWindowMessage, WM_PAINT, MessageHandler<Dialog>(&MessageDialog::OnPaint)},
    {MessageKind::kButtonClicked, IDNO, MessageHandler<Dialog>(&MessageDialog::OnNo)},
    {MessageKind::kButtonClicked, IDC_SINGLE_OK, MessageHandler<Dialog>(&MessageDialog::OnSingleOk)},
    {MessageKind::kControlColour, 0, MessageHandler<Dialog>(&MessageDialog::OnCtlColor)},
};
const MessageMap<Dialog> MessageDialog::kMessageMap = {&Dialog::kMessageMap, kMessageEntries,
                                                       sizeof kMessageEntries / sizeof kMessageEntries[0]};

MessageDialog::MessageDialog() : Dialog(IDD_MESSAGE_DIALOG) {}

const MessageMap<Dialog>* MessageDialog::GetMessageMap() const { return &kMessageMap; }

void MessageDialog::Configure(int flags) {
    MessageMode mode = MessageModeFromFlags(flags);
    singleButtonMode_ = mode == MessageMode::kSingleButton ? 1 : 0;
    okCancelMode_ = mode == MessageMode::kOkCancel ? 1 : 0;
    yesNoMode_ = mode == MessageMode::kYesNo ? 1 : 0;
    pictureNumber_ = MessagePictureFromFlags(flags);
}

void MessageDialog::DoDataExchange() {
    BindControl(IDC_MESSAGE_PICTURE, pictureArea_);
    BindControl(IDYES, yesButton_);
    BindControl(IDOK, okButton_);
    BindControl(IDNO, noButton_);
    BindControl(IDC_SINGLE_OK, singleOkButton_);
    BindControl(IDCANCEL, cancelButton_);
    BindControl(IDC_MESSAGE_TEXT, textArea_);
}

BOOL MessageDialog::OnInitDialog() {
    Dialog::OnInitDialog();
    LayOutForText();

    singleOkButton_.Show(singleButtonMode_ != 0);
    okButton_.Show(okCancelMode_ != 0);
    cancelButton_.Show(okCancelMode_ != 0);
    yesButton_.Show(yesNoMode_ != 0);
    noButton_.Show(yesNoMode_ != 0);

    okButton_.AttachToControl(IDOK, handle_);
    singleOkButton_.AttachToControl(IDC_SINGLE_OK, handle_);
    cancelButton_.AttachToControl(IDCANCEL, handle_);
    yesButton_.AttachToControl(IDYES, handle_);
    noButton_.AttachToControl(IDNO, handle_);

    textArea_.SetText(message_.c_str());
    SetText(caption_.empty() ? kProductTitle : caption_.c_str());
    if (MainDialog != nullptr && MainDialog->Handle() != nullptr) CenterOn(MainDialog->Handle());
    return TRUE;
}

// The dialog grows with its text. Every rectangle is read in screen
// coordinates while the dialog stands at the screen origin; the offsets
// of the layout rules turn them into positions inside the dialog.
void MessageDialog::LayOutForText() {
    MessageGrowth growth = MessageGrowthForLength(static_cast<int>(message_.size()));
    MoveTo(GrownDialogPlacement(ScreenRect(), growth));
    int rowTop = ButtonRowTop(ScreenRect());

    PixelRect textBefore = textArea_.ScreenRect();
    textArea_.MoveTo(TextAreaPlacement(textBefore, growth, LargeFonts != 0));

    NCExButton* const buttons[] = {&singleOkButton_, &okButton_, &cancelButton_, &yesButton_, &noButton_};
    for (NCExButton* button : buttons) button->MoveTo(ButtonPlacement(button->ScreenRect(), growth, rowTop));

    if (PictureMoves(growth)) pictureArea_.MoveTo(PicturePlacement(pictureArea_.ScreenRect(), textBefore));
}

void MessageDialog::OnOK() { EndDialog(IDOK); }

void MessageDialog::OnCancel() { EndDialog(yesNoMode_ != 0 ? IDNO : IDCANCEL); }

bool MessageDialog::OnYes(Message&) {
    EndDialog(IDYES);
    return true;
}

bool MessageDialog::OnNo(Message&) {
    EndDialog(IDNO);
    return true;
}

bool MessageDialog::OnSingleOk(Message&) {
    OnOK();
    return true;
}

bool MessageDialog::OnPaint(Message&) {
    PaintDC dc(handle_);
    PaintPicture();
    return true;
}

// The picture is loaded afresh for every paint and let go at once.
void MessageDialog::PaintPicture() const {
    Bitmap picture;
    picture.Reset(static_cast<HBITMAP>(
        LoadImageA(ResourceModule(), MAKEINTRESOURCEA(pictureNumber_), IMAGE_BITMAP, 0, 0, LR_LOADMAP3DCOLORS)));
    if (picture.IsEmpty()) return;
    WindowDC area(pictureArea_.Handle());
    if (area.Get() == nullptr) return;
    RECT client;
    GetClientRect(pictureArea_.Handle(), &client);
    MemoryDC source(area.Get());
    if (source.IsEmpty()) return;
    SelectedObject selection;
    if (!selection.Select(source.Get(), picture.Get())) return;
    BitBlt(area.Get(), client.left, client.top, client.right, client.bottom, source.Get(), 0, 0, SRCCOPY);
}

bool MessageDialog::OnCtlColor(Message& message) {
    HBRUSH brush = DefaultControlColour(message);
    SetBkMode(reinterpret_cast<HDC>(message.wParam), TRANSPARENT);
    int type = ControlColourType(message);
    if (type == CTLCOLOR_DLG || type == CTLCOLOR_STATIC) {
        if (background_.IsEmpty()) background_.Reset(CreateSolidBrush(kMessageBackground));
        if (!background_.IsEmpty()) brush = background_.Get();
    }
    message.result = reinterpret_cast<LRESULT>(brush);
    return true;
}
