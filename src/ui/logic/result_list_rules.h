// The result list's rules: the 150-line cap during a scan, which line is
// selected, and when the horizontal extent is widened.
#pragma once

const int kResultListLimit = 150;
const int kWideLineThreshold = 560;
const int kKeepExtent = -1;

// True when the list must be emptied before the next line is appended.
// Once the statistics have started nothing is cut.
bool ResultListNeedsEmptying(int lineCount, bool statisticsStarted);

// Index to select after appending, from the count afterwards: the newest
// line from the third on; with one or two lines an index past the end,
// which selects nothing.
int ResultListSelection(int lineCount);

// The new horizontal extent, or kKeepExtent. The lines are measured in the
// list's default device-context font, wider than the list's own, hence the
// three quarters.
int ResultListNewExtent(int currentExtent, int widestLine);
