// The scripted message queue, test window procedures and message boxes.
#include "winsim/machine.h"

using winsim::TheMachine;

namespace winsim {

HWND Ui::CreateWindowWithProc(WNDPROC proc) {
    HWND window = reinterpret_cast<HWND>(nextWindow);
    nextWindow += 0x10;
    windows[window] = proc;
    return window;
}

void Ui::Post(HWND window, UINT message, WPARAM wParam, LPARAM lParam, uint32_t fromPeek) {
    ScriptedMessage scripted = {};
    scripted.msg.hwnd = window;
    scripted.msg.message = message;
    scripted.msg.wParam = wParam;
    scripted.msg.lParam = lParam;
    scripted.visibleFromPeek = fromPeek;
    queue.push_back(scripted);
}

}  // namespace winsim

BOOL PeekMessageA(LPMSG msg, HWND window, UINT filterMin, UINT filterMax, UINT removeMessage) {
    winsim::Ui& ui = TheMachine().ui;
    uint32_t call = ui.peekCalls++;
    (void)window;
    (void)filterMin;
    (void)filterMax;
    if (ui.queue.empty() || ui.queue.front().visibleFromPeek > call) return FALSE;
    *msg = ui.queue.front().msg;
    if (removeMessage & PM_REMOVE) ui.queue.pop_front();
    return TRUE;
}

BOOL TranslateMessage(const MSG* msg) {
    TheMachine().ui.translated.push_back(*msg);
    return msg->message == WM_KEYDOWN;
}

LRESULT DispatchMessageA(const MSG* msg) {
    winsim::Ui& ui = TheMachine().ui;
    ui.dispatched.push_back(*msg);
    auto it = ui.windows.find(msg->hwnd);
    if (it == ui.windows.end() || it->second == nullptr) return 0;
    return it->second(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    winsim::Ui& ui = TheMachine().ui;
    auto it = ui.windows.find(window);
    if (it == ui.windows.end() || it->second == nullptr) return 0;
    return it->second(window, message, wParam, lParam);
}

BOOL PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    TheMachine().ui.Post(window, message, wParam, lParam);
    return TRUE;
}

int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
    (void)owner;
    winsim::Ui& ui = TheMachine().ui;
    ui.messageBoxes.push_back({text ? text : "", caption ? caption : "", type});
    TheMachine().Log(std::string("MessageBoxA(") + (text ? text : "") + ")");
    if (ui.messageBoxAnswers.empty()) return IDOK;
    int answer = ui.messageBoxAnswers.front();
    ui.messageBoxAnswers.pop_front();
    return answer;
}
