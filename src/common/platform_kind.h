// Which Windows family the program runs on; the one place that decides 9x
// versus NT.
#pragma once

// 4 = Windows 9x family, 5 = NT family, 1 = any other platform, 0 = the
// version query failed.
int GetPlatformKind();
// On NT: 5 for major version 4 or lower, 6 for major version 5 (2000, XP,
// 2003), 0 for anything later. 0 off NT.
int GetNtGeneration();
