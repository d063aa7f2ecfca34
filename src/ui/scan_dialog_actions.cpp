// The main window's other handlers: ending a scan or the window, the
// links, painting, colours and dragging.
#include "common/identity.h"
#include "common/message_dialog.h"
#include "common/shared_state.h"
#include "ui/maker_pages.h"
#include "ui/resource_ids.h"
#include "ui/scan_dialog.h"

void CScanDlg::OnCancel() { AskToTerminate(kProductTitle); }

bool CScanDlg::OnCloseClicked(Message&) {
    AskToTerminate("DialogBoxTitle");
    return true;
}

// Idle or finished, the window closes; during a scan the user is asked,
// and a Yes lets the walk stop at its next check.
void CScanDlg::AskToTerminate(const char* caption) {
    if (ScanInProgress == 0) {
        Dialog::OnCancel();
        return;
    }
    if (ShowMessageDialog("Terminate the Scan now?", caption, kYesNoQuestion) != IDYES) return;
    cancelButton_.Show(false);
    okButton_.Show(true);
    ScanTerminated = 1;
}

bool CScanDlg::OnOkClicked(Message&) {
    Dialog::OnOK();
    return true;
}

bool CScanDlg::OnDownloadClicked(Message&) {
    OpenMakerPage(kProductPageAddress);
    return true;
}

bool CScanDlg::OnProductLinkClicked(Message&) {
    OpenMakerPage(kProductPageAddress);
    return true;
}

bool CScanDlg::OnToolsLinkClicked(Message&) {
    OpenMakerPage(kToolsPageAddress);
    return true;
}

bool CScanDlg::OnPaint(Message&) {
    PaintDC dc(handle_);
    if (!skinSurface_.IsEmpty())
        BitBlt(dc.Get(), 0, 0, skinSize_.bmWidth, skinSize_.bmHeight, skinSurface_.Get(), 0, 0, SRCCOPY);
    return true;
}

// Texts lie on the white panel of the skin; the family label paints its
// own cells; the list and the buttons keep the system's colours.
bool CScanDlg::OnCtlColor(Message& message) {
    HBRUSH brush = DefaultControlColour(message);
    HDC dc = reinterpret_cast<HDC>(message.wParam);
    HWND control = reinterpret_cast<HWND>(message.lParam);
    SetBkMode(dc, TRANSPARENT);
    int type = ControlColourType(message);
    if (control != familyLabel_.Handle() && (type == CTLCOLOR_DLG || type == CTLCOLOR_STATIC) &&
        !whiteBrush_.IsEmpty())
        brush = whiteBrush_.Get();
    message.result = reinterpret_cast<LRESULT>(brush);
    return true;
}

// The whole surface is the window's handle: a press anywhere moves it as
// a caption would.
bool CScanDlg::OnLButtonDown(Message& message) {
    PostMessageA(handle_, WM_NCLBUTTONDOWN, HTCAPTION, MAKELPARAM(LOWORD(message.lParam), HIWORD(message.lParam)));
    return false;
}
