// The main window: construction, message map, control binding and
// initialisation.
#include "ui/scan_dialog.h"

#include <cstdio>
#include <cstring>

#include "common/identity.h"
#include "common/report.h"
#include "common/shared_state.h"
#include "repair/registry_primitives.h"
#include "ui/maker_pages.h"
#include "ui/resource_ids.h"
#include "ui/shaped_window.h"
#include "ui/ui_state.h"

namespace {

const int kDesignWidth = 600;
const int kDesignHeight = 337;
const int kWindowWidth = 600;
const int kWindowHeight = 462;
const int kLargeFontsDpi = 120;
const COLORREF kSkinKeyColour = RGB(0xFF, 0x00, 0xFF);
const char kProductKey[] = "Software\\Tessary\\Wardmont 2000";
const char kProductValue[] = "Installed Folder";
const char kMembershipText[] = "This program is a part of Wardmont antivirus software.";

}  // namespace

const MessageEntry<Dialog> CScanDlg::kMessageEntries[] = {
    {MessageKind::kWindowMessage, kStatusPathMessage, MessageHandler<Dialog>(&CScanDlg::OnStatusMessage)},
    {MessageKind::kWindowMessage, kReportLineMessage, MessageHandler<Dialog>(&CScanDlg::OnReportMessage)},
    {MessageKind::kWindowMessage, WM_TIMER, MessageHandler<Dialog>(&CScanDlg::OnTimer)},
    {MessageKind::kWindowMessage, WM_PAINT, MessageHandler<Dialog>(&CScanDlg::OnPaint)},
    {MessageKind::kButtonClicked, IDC_SCAN, MessageHandler<Dialog>(&CScanDlg::OnScanClicked)},
    {MessageKind::kButtonClicked, IDC_CLOSE, MessageHandler<Dialog>(&CScanDlg::OnCloseClicked)},
    {MessageKind::kButtonClicked, IDC_DOWNLOAD, MessageHandler<Dialog>(&CScanDlg::OnDownloadClicked)},
    {MessageKind::kControlColour, 0, MessageHandler<Dialog>(&CScanDlg::OnCtlColor)},
    // WM_MOVE and WM_LBUTTONUP need only the default processing and have
    // no entries.
    {MessageKind::kWindowMessage, WM_LBUTTONDOWN, MessageHandler<Dialog>(&CScanDlg::OnLButtonDown)},
    {MessageKind::kButtonClicked, IDC_OK, MessageHandler<Dialog>(&CScanDlg::OnOkClicked)},
    {MessageKind::kButtonClicked, IDC_PRODUCT_LINK, MessageHandler<Dialog>(&CScanDlg::OnProductLinkClicked)},
    {MessageKind::kButtonClicked, IDC_TOOLS_LINK, MessageHandler<Dialog>(&CScanDlg::OnToolsLinkClicked)},
};
const MessageMap<Dialog> CScanDlg::kMessageMap = {&Dialog::kMessageMap, kMessageEntries,
                                                  sizeof kMessageEntries / sizeof kMessageEntries[0]};

CScanDlg::CScanDlg() : Dialog(IDD_SCAN_DIALOG) {
    icon_ = LoadIconA(ResourceModule(), MAKEINTRESOURCEA(IDI_PROGRAM));
    memset(&skinSize_, 0, sizeof skinSize_);
}

CScanDlg::~CScanDlg() {
    // Message dialogs must not centre on a window object that is gone.
    if (MainDialog == this) MainDialog = nullptr;
}

const MessageMap<Dialog>* CScanDlg::GetMessageMap() const { return &kMessageMap; }

void CScanDlg::DoDataExchange() {
    BindControl(IDC_LIST_FRAME, listFrame_);
    BindControl(IDC_LOGO, logoButton_);
    BindControl(IDC_TOOLS_LINK, toolsLink_);
    BindControl(IDC_PRODUCT_LINK, productLink_);
    BindControl(IDC_SEARCH_CAPTION, searchCaption_);
    BindControl(IDC_MEMBERSHIP_LINE, membershipLine_);
    BindControl(IDC_TITLE_LINE, titleLine_);
    BindControl(IDC_NOTICE_LINE, noticeLine_);
    BindControl(IDC_FAMILY_LABEL, familyLabel_);
    BindControl(IDCANCEL, cancelButton_);
    BindControl(IDC_STATUS_FRAME, statusFrame_);
    BindControl(IDC_STATUS_FIELD, statusField_);
    BindControl(IDC_RESULT_LIST, resultList_);
    BindControl(IDC_CLOSE, closeButton_);
    BindControl(IDC_DOWNLOAD, downloadButton_);
    BindControl(IDC_SCAN, scanButton_);
    BindControl(IDC_OK, okButton_);
}

BOOL CScanDlg::OnInitDialog() {
    Dialog::OnInitDialog();

    Control* const scanOnly[] = {&statusField_, &statusFrame_, &searchCaption_, &resultList_, &listFrame_,
                                 &cancelButton_};
    for (Control* control : scanOnly) control->Show(false);
    okButton_.Enable(false);
    okButton_.Show(false);

    MainDialog = this;
    CreateHeadingFont(15, FW_BOLD, 0, 0);
    SetInitialTexts();

    {
        WindowDC screen(handle_);
        LargeFonts = GetDeviceCaps(screen.Get(), LOGPIXELSX) >= kLargeFontsDpi ? 1 : 0;
    }

    ScaleChildWindows(handle_, kDesignWidth, kDesignHeight, 0);
    MoveWindow(handle_, 0, 0, kWindowWidth, kWindowHeight, TRUE);

    AdaptToInstalledProduct();
    whiteBrush_.Reset(CreateSolidBrush(RGB(0xFF, 0xFF, 0xFF)));
    SendMessageA(handle_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_));
    SendMessageA(handle_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_));
    // A system menu and a minimise box give the window its taskbar menu.
    SetWindowLongA(handle_, GWL_STYLE, GetWindowLongA(handle_, GWL_STYLE) | WS_MINIMIZEBOX | WS_SYSMENU);

    LoadSkin();
    AttachSkinnedButtons();
    // Never drawn (there is no caption bar): it is what a second copy
    // looks for.
    SetText(kProductTitle);

    CExButton* const handButtons[] = {&scanButton_, &closeButton_, &downloadButton_, &okButton_,
                                      &cancelButton_, &productLink_, &toolsLink_};
    for (CExButton* button : handButtons) button->LoadHandCursor();
    return TRUE;
}

// The dialog's own font at another height and weight, so that the
// heading keeps the dialog's face and character set.
void CScanDlg::CreateHeadingFont(int height, int weight, int underline, int italic) {
    HFONT dialogFont = DialogFont();
    if (dialogFont == nullptr) dialogFont = static_cast<HFONT>(GetStockObject(SYSTEM_FONT));
    LOGFONTA description;
    memset(&description, 0, sizeof description);
    if (GetObjectA(dialogFont, sizeof description, &description) == 0) return;
    description.lfHeight = height;
    description.lfWeight = weight;
    description.lfUnderline = static_cast<BYTE>(underline);
    description.lfItalic = static_cast<BYTE>(italic);
    HFONT heading = CreateFontIndirectA(&description);
    if (heading != nullptr) HeadingFont.Reset(heading);
}

void CScanDlg::SetInitialTexts() const {
    char text[256];
    CopyText(text, sizeof text, kProductTitle);
    AppendText(text, sizeof text, " - Tool to detect and remove all the variants of ");
    AppendText(text, sizeof text, kFamilyName);
    AppendText(text, sizeof text, " Trojan ");
    titleLine_.SetText(text);

    snprintf(text, sizeof text, "for %s", kFamilyName);
    AppendText(text, sizeof text, " Trojan ");
    familyLabel_.SetText(text);

    noticeLine_.SetText(kNoticeLine);
    membershipLine_.SetText(kMembershipText);
}

// With the maker's antivirus product installed there is nothing to offer:
// the product link goes and Download is disabled; otherwise the line that
// claims membership goes.
void CScanDlg::AdaptToInstalledProduct() const {
    char folder[300];
    memset(folder, 0, sizeof folder);
    if (ReadRegistryValue(HKEY_LOCAL_MACHINE, kProductKey, kProductValue, folder, sizeof folder)) {
        productLink_.Enable(false);
        productLink_.Show(false);
        downloadButton_.Enable(false);
    } else {
        membershipLine_.Show(false);
    }
}

void CScanDlg::LoadSkin() {
    skinBitmap_.Reset(static_cast<HBITMAP>(
        LoadImageA(ResourceModule(), MAKEINTRESOURCEA(IDB_SKIN), IMAGE_BITMAP, 0, 0, LR_LOADMAP3DCOLORS)));
    // Without a skin the window keeps its rectangle and paints nothing of
    // its own.
    if (skinBitmap_.IsEmpty()) return;
    windowRegion_.Reset(BuildRegionFromBitmap(skinBitmap_.Get(), kSkinKeyColour, 1));
    if (!windowRegion_.IsEmpty() && SetWindowRgn(handle_, windowRegion_.Get(), TRUE)) windowRegion_.Release();
    if (GetObjectA(skinBitmap_.Get(), sizeof skinSize_, &skinSize_) == 0) memset(&skinSize_, 0, sizeof skinSize_);
    if (skinSurface_.Create(nullptr)) skinSelection_.Select(skinSurface_.Get(), skinBitmap_.Get());
}

void CScanDlg::AttachSkinnedButtons() {
    okButton_.AttachToControl(IDC_OK, handle_);
    cancelButton_.AttachToControl(IDCANCEL, handle_);
    scanButton_.AttachToControl(IDC_SCAN, handle_);
    downloadButton_.AttachToControl(IDC_DOWNLOAD, handle_);
    closeButton_.AttachToControl(IDC_CLOSE, handle_);
    toolsLink_.AttachToControl(IDC_TOOLS_LINK, handle_);
    productLink_.AttachToControl(IDC_PRODUCT_LINK, handle_);
    logoButton_.AttachToControl(IDC_LOGO, handle_);
}
