#include "scripted_dialog.h"

#include "common/message_dialog.h"

DialogScript& Dialogs() {
    static DialogScript script;
    return script;
}

int ShowMessageDialog(const char* text, const char* caption, int flags) {
    DialogScript& script = Dialogs();
    script.calls.push_back({text ? text : "", caption ? caption : "", flags});
    if (!script.answers.empty()) {
        int answer = script.answers.front();
        script.answers.pop_front();
        return answer;
    }
    return (flags & 0x04) && !(flags & 0x01) ? 7 : 1;
}
