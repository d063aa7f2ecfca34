#include "ui/framework/gdi_objects.h"

bool MemoryDC::Create(HDC reference) {
    Reset();
    dc_ = CreateCompatibleDC(reference);
    return dc_ != nullptr;
}

void MemoryDC::Reset() {
    if (dc_ != nullptr) DeleteDC(dc_);
    dc_ = nullptr;
}

bool SelectedObject::Select(HDC dc, HGDIOBJ object) {
    Restore();
    if (dc == nullptr || object == nullptr) return false;
    HGDIOBJ displaced = SelectObject(dc, object);
    if (displaced == nullptr || displaced == HGDI_ERROR) return false;
    dc_ = dc;
    displaced_ = displaced;
    return true;
}

void SelectedObject::Restore() {
    if (dc_ != nullptr) SelectObject(dc_, displaced_);
    dc_ = nullptr;
    displaced_ = nullptr;
}
