// Finding and reading the program's windows from another process.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// The main window: a top-level dialog with the program's title and a
// Scan button (a message dialog may carry the same title).
HWND FindMainWindow();
// Top-level windows with exactly this title.
int CountWindowsTitled(const char* title);
// The first visible message dialog (it has the text control 1086) of the
// process, or of any process for 0; null when there is none.
HWND FindMessageDialog(DWORD processId);

std::string WindowText(HWND window);
bool HasStyle(HWND window, DWORD style);
// Lines of a list box in another process. Under Wine, LB_GETTEXT sent as
// ANSI across processes answers UTF-16, so the lines are asked for wide
// and converted.
std::vector<std::string> ListLines(HWND list);
// Ids of the visible push buttons of a dialog, in window order.
std::vector<int> VisibleButtons(HWND dialog);
