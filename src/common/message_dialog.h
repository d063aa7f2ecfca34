// The program's own modal message box. Flags and results follow
// MessageBoxA: 0x24 asks Yes/No (6 / 7), 0x41 asks OK/Cancel (1 / 2).
// The window build defines it in the user interface; the host build in
// the test support code, with scripted answers.
#pragma once

int ShowMessageDialog(const char* text, const char* caption, int flags);
