// A list box bound to the dialog, with the handful of list operations the
// result list needs.
#pragma once

#include <windows.h>

#include "ui/framework/control.h"

class ListBoxControl : public Control {
public:
    int Count() const;
    void AddString(const char* text) const;
    void ResetContent() const;
    void SetCurSel(int index) const;
    // The text of one line into `buffer`; false when the line does not
    // exist or does not fit.
    bool GetText(int index, char* buffer, int capacity) const;
    int HorizontalExtent() const;
    void SetHorizontalExtent(int extent) const;
};
