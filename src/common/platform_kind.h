// Which Windows family the program runs on; the one place that decides 9x
// versus NT.
#pragma once

// What GetPlatformKind answers.
const int kPlatformUnknown = 0;    // the version query failed
const int kPlatformOther = 1;      // neither family (Win32s, any other id)
const int kPlatformWindows9x = 4;  // Windows 95, 98, Me
const int kPlatformWindowsNt = 5;  // the NT family

// What GetNtGeneration answers.
const int kNtOther = 0;       // NT 6 and later, or not NT at all
const int kNt4OrEarlier = 5;  // major version 4 or lower
const int kNt5 = 6;           // major version 5: 2000, XP, 2003

int GetPlatformKind();
// kNt4OrEarlier or kNt5 on NT up to 5.x; kNtOther for anything later and
// off NT.
int GetNtGeneration();
