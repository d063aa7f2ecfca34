#include "robot_windows.h"

#include <cstring>

namespace {

const char kProductTitle[] = "Bruvane Ver 1.0";
const int kScanButton = 1052;
const int kMessageText = 1086;

struct Search {
    DWORD processId;
    const char* title;
    HWND found;
    int count;
};

bool IsDialogClass(HWND window) {
    char name[64] = {0};
    GetClassNameA(window, name, sizeof name);
    return strcmp(name, "#32770") == 0;
}

BOOL CALLBACK FindMain(HWND window, LPARAM searchAddress) {
    Search& search = *reinterpret_cast<Search*>(searchAddress);
    if (IsDialogClass(window) && WindowText(window) == kProductTitle && GetDlgItem(window, kScanButton) != nullptr) {
        search.found = window;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK CountTitled(HWND window, LPARAM searchAddress) {
    Search& search = *reinterpret_cast<Search*>(searchAddress);
    if (WindowText(window) == search.title) ++search.count;
    return TRUE;
}

BOOL CALLBACK FindDialog(HWND window, LPARAM searchAddress) {
    Search& search = *reinterpret_cast<Search*>(searchAddress);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if ((search.processId == 0 || owner == search.processId) && IsWindowVisible(window) && IsDialogClass(window) &&
        GetDlgItem(window, kMessageText) != nullptr) {
        search.found = window;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK CollectButtons(HWND child, LPARAM idsAddress) {
    std::vector<int>& ids = *reinterpret_cast<std::vector<int>*>(idsAddress);
    char name[64] = {0};
    GetClassNameA(child, name, sizeof name);
    if (_stricmp(name, "Button") == 0 && HasStyle(child, WS_VISIBLE)) ids.push_back(GetDlgCtrlID(child));
    return TRUE;
}

}  // namespace

HWND FindMainWindow() {
    Search search = {0, nullptr, nullptr, 0};
    EnumWindows(&FindMain, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

int CountWindowsTitled(const char* title) {
    Search search = {0, title, nullptr, 0};
    EnumWindows(&CountTitled, reinterpret_cast<LPARAM>(&search));
    return search.count;
}

HWND FindMessageDialog(DWORD processId) {
    Search search = {processId, nullptr, nullptr, 0};
    EnumWindows(&FindDialog, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::string WindowText(HWND window) {
    char text[1024] = {0};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

bool HasStyle(HWND window, DWORD style) {
    return (static_cast<DWORD>(GetWindowLongA(window, GWL_STYLE)) & style) == style;
}

std::vector<std::string> ListLines(HWND list) {
    std::vector<std::string> lines;
    LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
    for (LRESULT index = 0; index < count; ++index) {
        LRESULT length = SendMessageW(list, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
        if (length < 0) length = 0;
        std::vector<wchar_t> wide(static_cast<size_t>(length) + 1, 0);
        SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(wide.data()));
        std::vector<char> narrow(wide.size() * 2 + 1, 0);
        WideCharToMultiByte(CP_ACP, 0, wide.data(), -1, narrow.data(), static_cast<int>(narrow.size()), nullptr,
                            nullptr);
        lines.push_back(narrow.data());
    }
    return lines;
}

std::vector<int> VisibleButtons(HWND dialog) {
    std::vector<int> ids;
    EnumChildWindows(dialog, &CollectButtons, reinterpret_cast<LPARAM>(&ids));
    return ids;
}
