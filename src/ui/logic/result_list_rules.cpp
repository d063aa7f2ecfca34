#include "ui/logic/result_list_rules.h"

bool ResultListNeedsEmptying(int lineCount, bool statisticsStarted) {
    return lineCount >= kResultListLimit && !statisticsStarted;
}

int ResultListSelection(int lineCount) { return lineCount > 2 ? lineCount - 1 : lineCount; }

int ResultListNewExtent(int currentExtent, int widestLine) {
    if (currentExtent < widestLine && widestLine > kWideLineThreshold) return widestLine * 3 / 4;
    return kKeepExtent;
}
