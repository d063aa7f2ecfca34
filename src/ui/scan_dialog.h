// The main window (dialog template 141): a skin-painted, skin-shaped
// popup that starts the scan, shows the path being scanned and the report
// lines, and links to the maker's pages. The scan runs inside its timer
// handler; the scanning code reaches it through two reused message
// numbers, kReportLineMessage and kStatusPathMessage.
#pragma once

#include <windows.h>

#include "ui/framework/control.h"
#include "ui/framework/dialog.h"
#include "ui/framework/gdi_objects.h"
#include "ui/framework/list_box.h"
#include "ui/label_control.h"
#include "ui/skinned_button.h"

class CScanDlg : public Dialog {
public:
    CScanDlg();
    ~CScanDlg() override;

protected:
    const MessageMap<Dialog>* GetMessageMap() const override;
    void DoDataExchange() override;
    BOOL OnInitDialog() override;
    // Enter does nothing: the window only closes on purpose.
    void OnOK() override {}
    // Cancel, Escape and close requests: closes when idle, asks during a
    // scan.
    void OnCancel() override;

private:
    bool OnStatusMessage(Message& message);
    bool OnReportMessage(Message& message);
    bool OnTimer(Message& message);
    bool OnPaint(Message& message);
    bool OnScanClicked(Message& message);
    bool OnCloseClicked(Message& message);
    bool OnDownloadClicked(Message& message);
    bool OnCtlColor(Message& message);
    bool OnLButtonDown(Message& message);
    bool OnOkClicked(Message& message);
    bool OnProductLinkClicked(Message& message);
    bool OnToolsLinkClicked(Message& message);

    void CreateHeadingFont(int height, int weight, int underline, int italic);
    void SetInitialTexts() const;
    void AdaptToInstalledProduct() const;
    void LoadSkin();
    void AttachSkinnedButtons();
    void ShowScanLayout();
    void UpdateListExtent() const;
    void AskToTerminate(const char* caption);

    static const MessageEntry<Dialog> kMessageEntries[];
    static const MessageMap<Dialog> kMessageMap;

    Control listFrame_;
    CExButton logoButton_;
    CExButton toolsLink_;
    CExButton productLink_;
    Control searchCaption_;
    Control membershipLine_;
    Control titleLine_;
    Control noticeLine_;
    LabelControl familyLabel_;
    CExButton cancelButton_;
    Control statusFrame_;
    Control statusField_;
    ListBoxControl resultList_;
    CExButton closeButton_;
    CExButton downloadButton_;
    CExButton scanButton_;
    CExButton okButton_;
    HICON icon_;
    // The skin is selected into its surface for the window's whole life;
    // declared in this order so that it is put back before either goes.
    Bitmap skinBitmap_;
    MemoryDC skinSurface_;
    SelectedObject skinSelection_;
    Region windowRegion_;  // until the window takes it over
    BITMAP skinSize_;
    Brush whiteBrush_;
    Font searchCaptionFont_;
};
