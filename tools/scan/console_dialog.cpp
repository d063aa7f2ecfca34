// bruvane-scan's answer to the program's prompts: nobody sits in front of
// a dialog, so Yes/No questions ("Terminate the Scan now?", the restart
// offer) are answered No and every other box OK. The host never restarts.
#include <cstdio>

#include "common/message_dialog.h"
#include "console_window.h"

int ShowMessageDialog(const char* text, const char* caption, int flags) {
    bool yesNo = (flags & 0x0F) == 0x04;
    BeforeConsoleOutput();
    fprintf(stderr, "%s: %s [answered %s]\n", caption ? caption : "", text ? text : "", yesNo ? "No" : "OK");
    return yesNo ? 7 : 1;
}
