// Who the program is: texts and ids that several parts share.
#pragma once

extern const char kProductTitle[];   // window title, single-instance test, prompt caption
extern const char kFamilyName[];     // the family as the main window names it
extern const char kFamilyDetectionName[];  // the name the walk passes with every file (trailing blank)
const int kScanTimerId = 100;
