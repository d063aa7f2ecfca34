#include "ui/skinned_button.h"

#include "common/shared_state.h"
#include "ui/framework/window.h"

namespace {

const int kPictureNameSize = 128;
const int kCaptionSize = 64;
// The help viewer's hand, for systems older than Windows 98 and 2000,
// which have no IDC_HAND.
const WORD kHelpViewerHandCursor = 106;

HBITMAP LoadPicture(const char* name) {
    return static_cast<HBITMAP>(LoadImageA(ResourceModule(), name, IMAGE_BITMAP, 0, 0, LR_LOADMAP3DCOLORS));
}

bool PictureName(char* name, const char* caption, const char* suffix) {
    return CopyText(name, kPictureNameSize, caption) && AppendText(name, kPictureNameSize, suffix);
}

HCURSOR CopyHelpViewerHand() {
    char path[kPathBufferSize];
    UINT length = GetWindowsDirectoryA(path, sizeof path);
    if (length == 0 || length >= sizeof path) return nullptr;
    if (!AppendText(path, sizeof path, "\\winhlp32.exe")) return nullptr;
    HMODULE viewer = LoadLibraryA(path);
    if (viewer == nullptr) return nullptr;
    HCURSOR copy = nullptr;
    HCURSOR hand = LoadCursorA(viewer, MAKEINTRESOURCEA(kHelpViewerHandCursor));
    if (hand != nullptr) copy = reinterpret_cast<HCURSOR>(CopyIcon(reinterpret_cast<HICON>(hand)));
    FreeLibrary(viewer);
    return copy;
}

}  // namespace

const MessageEntry<Control> SkinnedButton::kMessageEntries[] = {
    {MessageKind::kWindowMessage, WM_MOUSEMOVE, MessageHandler<Control>(&SkinnedButton::OnMouseMove)},
    {MessageKind::kWindowMessage, WM_KILLFOCUS, MessageHandler<Control>(&SkinnedButton::OnKillFocus)},
    {MessageKind::kWindowMessage, WM_SETFOCUS, MessageHandler<Control>(&SkinnedButton::OnSetFocus)},
};
const MessageMap<Control> SkinnedButton::kMessageMap = {nullptr, kMessageEntries,
                                                        sizeof kMessageEntries / sizeof kMessageEntries[0]};

const MessageMap<Control>* SkinnedButton::GetMessageMap() const { return &kMessageMap; }

int SkinnedButton::AttachToControl(int id, HWND parent) {
    if (!IsAttached() && !SubclassDlgItem(id, parent)) return 0;
    char caption[kCaptionSize];
    if (GetWindowTextA(handle_, caption, sizeof caption) <= 0) return 0;
    char litName[kPictureNameSize], normalName[kPictureNameSize], disabledName[kPictureNameSize];
    // A caption too long for a picture name names no picture.
    if (!PictureName(litName, caption, "_FOCUS") || !PictureName(normalName, caption, "_NOTFOCUS") ||
        !PictureName(disabledName, caption, "_DISABLE"))
        return 1;
    LoadBitmaps(litName, normalName, disabledName);
    return 1;
}

int SkinnedButton::LoadBitmaps(const char* litName, const char* normalName, const char* disabledName) {
    litBitmap_.Reset();
    normal_.Reset();
    disabled_.Reset();
    litBitmap_.Reset(LoadPicture(litName));
    if (litBitmap_.IsEmpty()) return 0;
    normal_.Reset(LoadPicture(normalName));
    if (normal_.IsEmpty()) return 0;
    disabled_.Reset(LoadPicture(disabledName));

    BITMAP size;
    if (GetObjectA(normal_.Get(), sizeof size, &size) == 0) return 0;
    if (!SetWindowPos(handle_, nullptr, 0, 0, size.bmWidth, size.bmHeight,
                      SWP_NOMOVE | SWP_NOZORDER | SWP_NOREDRAW | SWP_NOACTIVATE))
        return 0;
    SetRect(&imageRect_, 0, 0, size.bmWidth, size.bmHeight);
    return 1;
}

void SkinnedButton::DrawItem(const DRAWITEMSTRUCT& item) {
    // Lit comes first: a lit button shows lit even when disabled.
    HBITMAP picture = normal_.Get();
    if (lit_ != 0)
        picture = litBitmap_.Get();
    else if (item.itemState & ODS_DISABLED)
        picture = disabled_.Get();
    if (picture == nullptr) return;
    MemoryDC source(item.hDC);
    if (source.IsEmpty()) return;
    SelectedObject selection;
    if (!selection.Select(source.Get(), picture)) return;
    BitBlt(item.hDC, item.rcItem.left, item.rcItem.top, item.rcItem.right - item.rcItem.left,
           item.rcItem.bottom - item.rcItem.top, source.Get(), 0, 0, SRCCOPY);
}

void SkinnedButton::SetLit(int lit) {
    lit_ = lit;
    Invalidate();
}

bool SkinnedButton::OnMouseMove(Message& message) {
    POINT point = {static_cast<short>(LOWORD(message.lParam)), static_cast<short>(HIWORD(message.lParam))};
    if (GetCapture() != handle_) {
        // Entering: the button takes the focus and follows the mouse until
        // it leaves the picture.
        SetFocus(handle_);
        lit_ = 1;
        SetCapture(handle_);
        Invalidate();
    } else if (!PtInRect(&imageRect_, point) && GetCapture() == handle_) {
        ReleaseCapture();
        SetLit(0);
    }
    return false;
}

bool SkinnedButton::OnSetFocus(Message& message) {
    message.result = CallOriginal(message);
    SetLit(1);
    return true;
}

bool SkinnedButton::OnKillFocus(Message& message) {
    message.result = CallOriginal(message);
    SetLit(0);
    return true;
}

const MessageEntry<Control> CExButton::kMessageEntries[] = {
    {MessageKind::kWindowMessage, WM_SETCURSOR, MessageHandler<Control>(&CExButton::OnSetCursor)},
};
const MessageMap<Control> CExButton::kMessageMap = {&SkinnedButton::kMessageMap, kMessageEntries,
                                                    sizeof kMessageEntries / sizeof kMessageEntries[0]};

const MessageMap<Control>* CExButton::GetMessageMap() const { return &kMessageMap; }

CExButton::~CExButton() {
    if (handCursor_ != nullptr) DestroyCursor(handCursor_);
}

void CExButton::LoadHandCursor() {
    if (handCursor_ != nullptr) return;
    // Older systems answer null for the system's hand.
    HCURSOR system = LoadCursorA(nullptr, IDC_HAND);
    if (system != nullptr)
        handCursor_ = reinterpret_cast<HCURSOR>(CopyIcon(reinterpret_cast<HICON>(system)));
    if (handCursor_ == nullptr) handCursor_ = CopyHelpViewerHand();
}

bool CExButton::OnSetCursor(Message& message) {
    if (handCursor_ == nullptr) return false;
    SetCursor(handCursor_);
    message.result = TRUE;
    return true;
}
