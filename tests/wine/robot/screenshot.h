// Screenshots of the program's windows, as 24-bit BMP files.
#pragma once

#include <windows.h>

// The visible part of the screen covered by the top-level windows of the
// process (each clipped to its window region). False when nothing could
// be captured or written.
bool SaveProcessScreenshot(DWORD processId, const char* path);
