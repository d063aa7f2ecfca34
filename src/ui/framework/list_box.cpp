#include "ui/framework/list_box.h"

int ListBoxControl::Count() const { return static_cast<int>(SendMessageA(handle_, LB_GETCOUNT, 0, 0)); }

void ListBoxControl::AddString(const char* text) const {
    SendMessageA(handle_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
}

void ListBoxControl::ResetContent() const { SendMessageA(handle_, LB_RESETCONTENT, 0, 0); }

void ListBoxControl::SetCurSel(int index) const { SendMessageA(handle_, LB_SETCURSEL, static_cast<WPARAM>(index), 0); }

bool ListBoxControl::GetText(int index, char* buffer, int capacity) const {
    LRESULT length = SendMessageA(handle_, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length == LB_ERR || length < 0 || length >= capacity) return false;
    LRESULT copied = SendMessageA(handle_, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(buffer));
    if (copied == LB_ERR || copied < 0 || copied >= capacity) return false;
    buffer[copied] = '\0';
    return true;
}

int ListBoxControl::HorizontalExtent() const {
    return static_cast<int>(SendMessageA(handle_, LB_GETHORIZONTALEXTENT, 0, 0));
}

void ListBoxControl::SetHorizontalExtent(int extent) const {
    SendMessageA(handle_, LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(extent), 0);
}
