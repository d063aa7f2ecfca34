// Runs the memory stage on its own, as the first stage of a scan would,
// and prints what it does: every report line, every prompt, and whether
// the stage returned or ended the program. Prompts are answered No.
//
// Exit status: 0 when the stage ended the program (an NT find in memory),
// 4 when it returned to the caller, 2 when the probe could not start.
#include <cstdio>
#include <cstring>

#include "common/message_dialog.h"
#include "common/report.h"
#include "common/shared_state.h"
#include "memory/memory_stage.h"
#include "platform/win32.h"

namespace {

const int kStageReturned = 4;
bool stageReturned = false;

LRESULT CALLBACK ReportWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kReportLineMessage) {
        printf("report: %s\n", ReportLine);
        fflush(stdout);
        return 0;
    }
    if (message == kStatusPathMessage) return 0;  // the status field: too chatty to print
    return DefWindowProcA(window, message, wParam, lParam);
}

// A message-only window receives the report messages the stage sends.
HWND CreateReportWindow() {
    WNDCLASSA windowClass;
    memset(&windowClass, 0, sizeof windowClass);
    windowClass.lpfnWndProc = ReportWindowProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "BruvaneMemoryProbe";
    if (!RegisterClassA(&windowClass)) return nullptr;
    return CreateWindowExA(0, windowClass.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                           windowClass.hInstance, nullptr);
}

void ReportEnd() {
    if (!stageReturned) printf("memory stage ended the program\n");
    fflush(stdout);
}

}  // namespace

int ShowMessageDialog(const char* text, const char* caption, int flags) {
    printf("dialog: flags 0x%x, caption [%s], text [%s]\n", static_cast<unsigned>(flags), caption, text);
    fflush(stdout);
    return (flags & MB_TYPEMASK) == MB_OKCANCEL ? IDCANCEL : IDNO;
}

int main() {
    MainWindowHandle = CreateReportWindow();
    if (MainWindowHandle == nullptr) {
        printf("no report window: error %lu\n", static_cast<unsigned long>(GetLastError()));
        return 2;
    }
    atexit(ReportEnd);
    ActionCode = kActionRemove;  // what the Scan button sets
    MemoryStage();
    stageReturned = true;
    printf("memory stage returned, MemoryStageActive %d\n", MemoryStageActive);
    return kStageReturned;
}
