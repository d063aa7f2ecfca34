// The program's own modal message box. Flags and results follow
// MessageBoxA. The window build defines it in the user interface; the
// host build in the test support code, with scripted answers.
#pragma once

#include "platform/win32.h"

// The program's two kinds of question.
const int kYesNoQuestion = MB_YESNO | MB_ICONQUESTION;              // 0x24: IDYES or IDNO
const int kOkCancelInformation = MB_OKCANCEL | MB_ICONINFORMATION;  // 0x41: IDOK or IDCANCEL

int ShowMessageDialog(const char* text, const char* caption, int flags);
