// The window build's definition of the program's message box.
#include "common/message_dialog.h"

#include "ui/message_dialog_window.h"

int ShowMessageDialog(const char* text, const char* caption, int flags) {
    MessageDialog dialog;
    dialog.SetMessage(text);
    dialog.SetCaption(caption);
    dialog.Configure(flags);
    return static_cast<int>(dialog.DoModal());
}
