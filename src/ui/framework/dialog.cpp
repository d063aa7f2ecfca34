#include "ui/framework/dialog.h"

#include "ui/framework/application.h"

// The base map: the OK and Cancel commands (Enter, Escape, the close box
// and the buttons with those ids) reach the overridable handlers.
const MessageEntry<Dialog> Dialog::kMessageEntries[] = {
    {MessageKind::kButtonClicked, IDOK, &Dialog::OnOKCommand},
    {MessageKind::kButtonClicked, IDCANCEL, &Dialog::OnCancelCommand},
};
const MessageMap<Dialog> Dialog::kMessageMap = {nullptr, kMessageEntries,
                                                sizeof kMessageEntries / sizeof kMessageEntries[0]};

Dialog::Dialog(int templateId, HWND owner) : templateId_(templateId), owner_(owner) {}

Dialog::~Dialog() {
    if (handle_ != nullptr) SetWindowLongA(handle_, DWL_USER, 0);
}

INT_PTR Dialog::DoModal() {
    HWND owner = owner_;
    if (owner == nullptr) {
        Window* main = Application::Current() ? Application::Current()->MainWindow() : nullptr;
        if (main != nullptr && main != this && main->Handle() != nullptr && IsWindow(main->Handle()))
            owner = main->Handle();
    }
    return DialogBoxParamA(ResourceModule(), MAKEINTRESOURCEA(templateId_), owner, &Dialog::DialogProc,
                           reinterpret_cast<LPARAM>(this));
}

void Dialog::EndDialog(int result) const { ::EndDialog(handle_, result); }

const MessageMap<Dialog>* Dialog::GetMessageMap() const { return &kMessageMap; }

BOOL Dialog::OnInitDialog() {
    DoDataExchange();
    return TRUE;
}

void Dialog::OnOK() { EndDialog(IDOK); }

void Dialog::OnCancel() { EndDialog(IDCANCEL); }

void Dialog::BindControl(int id, Control& control) const {
    if (!control.IsAttached()) control.SubclassDlgItem(id, handle_);
}

HBRUSH Dialog::DefaultControlColour(const Message& message) const {
    return reinterpret_cast<HBRUSH>(DefWindowProcA(handle_, message.id, message.wParam, message.lParam));
}

HFONT Dialog::DialogFont() const { return reinterpret_cast<HFONT>(SendMessageA(handle_, WM_GETFONT, 0, 0)); }

bool Dialog::OnOKCommand(Message&) {
    OnOK();
    return true;
}

bool Dialog::OnCancelCommand(Message&) {
    OnCancel();
    return true;
}

INT_PTR CALLBACK Dialog::DialogProc(HWND window, UINT id, WPARAM wParam, LPARAM lParam) {
    if (id == WM_INITDIALOG) {
        Dialog* self = reinterpret_cast<Dialog*>(lParam);
        SetWindowLongA(window, DWL_USER, static_cast<LONG>(lParam));
        self->handle_ = window;
        return self->OnInitDialog();
    }
    Dialog* self = reinterpret_cast<Dialog*>(GetWindowLongA(window, DWL_USER));
    // Messages before WM_INITDIALOG (WM_SETFONT) find no object yet.
    if (self == nullptr) return FALSE;
    if (id == WM_NCDESTROY) {
        SetWindowLongA(window, DWL_USER, 0);
        self->handle_ = nullptr;
        return FALSE;
    }
    return self->Dispatch(id, wParam, lParam);
}

INT_PTR Dialog::Dispatch(UINT id, WPARAM wParam, LPARAM lParam) {
    if (id == WM_DRAWITEM) {
        const DRAWITEMSTRUCT* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        Control* control = item != nullptr ? Control::FromHandle(item->hwndItem) : nullptr;
        if (control == nullptr) return FALSE;
        control->DrawItem(*item);
        return TRUE;
    }
    Message message = {id, wParam, lParam, 0};
    const MessageEntry<Dialog>* entry = FindMessageEntry(GetMessageMap(), message);
    if (entry == nullptr || !(this->*entry->handler)(message)) return FALSE;
    // A dialog procedure returns a colour request's brush itself; every
    // other answer travels in the window's message result.
    if (IsControlColourMessage(id)) return static_cast<INT_PTR>(message.result);
    if (handle_ != nullptr) SetWindowLongA(handle_, DWL_MSGRESULT, static_cast<LONG>(message.result));
    return TRUE;
}
