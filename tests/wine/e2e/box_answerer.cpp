// Answers one system message box (MessageBoxA, not the program's own
// message dialog, which the robot answers): waits for a dialog with that
// caption holding a static text equal to TEXT, presses BUTTON and ends.
//
//   box_answerer CAPTION TEXT BUTTON MILLISECONDS
// Exit status 0 when it answered and the box closed, 1 when no such box
// appeared in time or it did not close. It presses once and ends, so no
// box is answered twice.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

struct Search {
    const char* text;
    bool found;
};

BOOL CALLBACK FindText(HWND child, LPARAM searchAddress) {
    Search& search = *reinterpret_cast<Search*>(searchAddress);
    char name[32] = {0};
    char text[512] = {0};
    GetClassNameA(child, name, sizeof name);
    GetWindowTextA(child, text, sizeof text);
    if (_stricmp(name, "Static") == 0 && strcmp(text, search.text) == 0) {
        search.found = true;
        return FALSE;
    }
    return TRUE;
}

bool WaitClosed(HWND box) {
    DWORD start = GetTickCount();
    while (IsWindow(box) && IsWindowVisible(box)) {
        if (GetTickCount() - start > 10000) return false;
        Sleep(50);
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 5) {
        fprintf(stderr, "usage: box_answerer CAPTION TEXT BUTTON MILLISECONDS\n");
        return 2;
    }
    int button = atoi(argv[3]);
    DWORD limit = static_cast<DWORD>(atoi(argv[4]));
    DWORD start = GetTickCount();
    while (GetTickCount() - start < limit) {
        HWND box = FindWindowA("#32770", argv[1]);
        if (box != nullptr && IsWindowVisible(box)) {
            Search search = {argv[2], false};
            EnumChildWindows(box, &FindText, reinterpret_cast<LPARAM>(&search));
            HWND target = GetDlgItem(box, button);
            if (search.found && target != nullptr) {
                // Pressed once; the box counts as answered when it has closed.
                PostMessageA(target, BM_CLICK, 0, 0);
                if (!WaitClosed(box)) {
                    printf("box_answerer: \"%s\" / \"%s\" did not close after %d\n", argv[1], argv[2], button);
                    return 1;
                }
                printf("box_answerer: pressed %d in \"%s\" / \"%s\"\n", button, argv[1], argv[2]);
                return 0;
            }
        }
        Sleep(100);
    }
    printf("box_answerer: no box \"%s\" / \"%s\"\n", argv[1], argv[2]);
    return 1;
}
