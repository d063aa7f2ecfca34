// The main window during a scan: the Scan click, the timer that runs the
// scan, and the two messages through which the scanning code reports.
#include <cstring>

#include "common/identity.h"
#include "common/report.h"
#include "common/shared_state.h"
#include "scan/scan_driver.h"
#include "ui/logic/result_list_rules.h"
#include "ui/scan_dialog.h"

namespace {

const UINT kScanTimerPeriod = 100;
const char kAllFixedDrives[] = "!:";

}  // namespace

bool CScanDlg::OnScanClicked(Message&) {
    ScanInProgress = 1;
    scanButton_.Enable(false);
    toolsLink_.Enable(false);
    toolsLink_.Show(false);
    productLink_.Enable(false);
    productLink_.Show(false);
    cancelButton_.Enable(true);
    cancelButton_.Show(true);
    okButton_.Enable(true);  // stays hidden until the scan ends
    ShowScanLayout();

    CopyText(ScanTarget, sizeof ScanTarget, kAllFixedDrives);
    MainWindowHandle = handle_;
    ActionCode = kActionRemove;
    SetTimer(handle_, kScanTimerId, kScanTimerPeriod, nullptr);
    return true;
}

void CScanDlg::ShowScanLayout() {
    titleLine_.Show(false);
    membershipLine_.Show(false);
    noticeLine_.Show(false);
    Control* const scanControls[] = {&searchCaption_, &resultList_, &statusField_, &statusFrame_, &listFrame_};
    for (Control* control : scanControls) control->Show(true);
    statusFrame_.SetText("Scanning");
    cancelButton_.Show(true);

    char caption[128];
    CopyText(caption, sizeof caption, "Searching for ");
    AppendText(caption, sizeof caption, kFamilyName);
    AppendText(caption, sizeof caption, " Trojan and its variants");
    searchCaption_.SetText(caption);
    searchCaptionFont_.Reset(CreateFontA(15, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                                         CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, FF_SWISS, "Arial"));
    if (!searchCaptionFont_.IsEmpty())
        SendMessageA(searchCaption_.Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(searchCaptionFont_.Get()), TRUE);
}

// One shot: the scan runs to its end inside this handler, while the
// walk's message pump keeps the window alive. The default processing of
// WM_TIMER does nothing for a timer without a callback, so it is skipped.
bool CScanDlg::OnTimer(Message& message) {
    KillTimer(handle_, kScanTimerId);
    ScanTerminated = 0;
    RunScan();
    cancelButton_.Show(false);
    okButton_.Show(true);
    searchCaption_.Show(false);
    statusFrame_.SetText("");
    ScanInProgress = 0;
    message.result = 0;
    return true;
}

bool CScanDlg::OnReportMessage(Message& message) {
    if (ResultListNeedsEmptying(resultList_.Count(), StatisticsStarted != 0)) resultList_.ResetContent();
    char line[kReportLineSize + 1];
    memcpy(line, ReportLine, kReportLineSize);
    line[kReportLineSize] = '\0';  // a line that filled the buffer still ends
    resultList_.AddString(line);
    resultList_.SetCurSel(ResultListSelection(resultList_.Count()));
    UpdateListExtent();
    message.result = 0;
    return true;
}

bool CScanDlg::OnStatusMessage(Message& message) {
    char status[kStatusPathSize + 1];
    memcpy(status, StatusPath, kStatusPathSize);
    status[kStatusPathSize] = '\0';
    statusField_.SetText(status);
    message.result = 0;
    return true;
}

// Measured in the list's device context as it comes, with its default
// font; every line again for every new one, which the cap on the list
// keeps bounded during a scan.
void CScanDlg::UpdateListExtent() const {
    int widest = 0;
    {
        WindowDC dc(resultList_.Handle());
        if (dc.Get() == nullptr) return;
        for (int index = 0; index < resultList_.Count(); ++index) {
            char text[kReportLineSize + 16];
            if (!resultList_.GetText(index, text, sizeof text)) continue;
            SIZE size = {0, 0};
            if (GetTextExtentPoint32A(dc.Get(), text, static_cast<int>(strlen(text)), &size) && size.cx > widest)
                widest = size.cx;
        }
    }
    int extent = ResultListNewExtent(resultList_.HorizontalExtent(), widest);
    if (extent != kKeepExtent) resultList_.SetHorizontalExtent(extent);
}
