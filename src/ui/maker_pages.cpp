#include "ui/maker_pages.h"

#include <windows.h>
#include <shellapi.h>

#include "common/shared_state.h"

const char kProductPageAddress[] = "https://www.tessary.example/wardmont/antivirus/";
const char kToolsPageAddress[] = "https://www.tessary.example/tools/removal/";
const char kNoticeLine[] = "Copyright \xA9 2014 Tessary Software. All rights reserved.";

void OpenMakerPage(const char* address) {
    char page[512];
    CopyText(page, sizeof page, address);
    ShellExecuteA(nullptr, "open", page, nullptr, nullptr, SW_SHOWNORMAL);
}
