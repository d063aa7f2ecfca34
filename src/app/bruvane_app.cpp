#include "app/bruvane_app.h"

#include <windows.h>

#include "common/identity.h"
#include "ui/scan_dialog.h"

// The one application object, built before the program starts.
BruvaneApp TheApplication;

BOOL BruvaneApp::InitInstance() {
    // Any top-level window with exactly the program's title stops the
    // start, silently: the running copy (or one of its prompts) has it.
    if (FindWindowA(nullptr, kProductTitle) != nullptr) return FALSE;
    CScanDlg dialog;
    SetMainWindow(&dialog);
    dialog.DoModal();
    SetMainWindow(nullptr);
    return FALSE;
}
