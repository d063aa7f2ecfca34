// The test robot: drives bruvane.exe like a user from inside the same
// Wine prefix. Commands run in order from the command line; the first
// that fails prints why and ends the robot with status 1.
//
//   wait-window MS                 wait for the main window
//   click ID                       press a visible, enabled control
//   key VK                         a key press at the window's focus (13 Enter, 27 Escape)
//   expect-visible ID 0|1          expect-enabled ID 0|1
//   expect-text ID TEXT            wait-text ID TEXT MS    wait-text-not ID TEXT MS
//   wait-visible ID MS             wait-gone MS (the main window closed)
//   rule CAPTION TEXT BUTTON       answer such message dialogs whenever they appear (each once)
//   wait-answered N MS             wait until the rules have answered N prompts in all
//   expect-answered N              the rules have answered exactly N prompts
//   wait-dialog CAPTION TEXT MS    wait for that message dialog (no rule answers it)
//   expect-dialog-buttons IDS      the visible buttons of that dialog, e.g. 6,7
//   press-dialog BUTTON            press a button of that dialog; wait until it closes
//   dialog-key VK                  a key press in that dialog; wait until it closes
//   dialog-geometry                print its size and where its text and picture sit
//   expect-dialog-centred          its centre is the main window's (within a pixel)
// The dialog commands work without a main window too (for a program that
// shows only prompts): the dialog may then belong to any process.
//   list FILE|-                    write the result list's lines
//   expect-count eq|le|ge N        the result list's line count
//   send-report N                  send the report message N times
//   expect-windows TITLE N         top-level windows with exactly that title
//   screenshot FILE.bmp            the program's windows as on the screen
//   mouse-move ID X Y              the mouse moved to X,Y of a control (client coordinates)
//   expect-focus ID                expect-capture ID|0   (the program's thread's focus and capture)
//   expect-colour ID X Y R G B     the screen at X,Y of a control, each channel within 40
//   expect-font FACE               a font asked for by that name is that face, not a stand-in
//   expect-dpi N                   the screen has N logical pixels per inch
//   font-height FACE POINTS        print that font's height in pixels on this screen (the
//                                  vertical dialog unit of a dialog in that font is an eighth)
//   expect-acp N                   the ANSI code page is N (932 Japanese, 1252 Western)
//   short-path PATH                print PATH's 8.3 form in the ANSI code page (PATH may
//                                  hold any character: it is read from the wide command line)
//   process-id NAME                print the id of a running process of that image name
//   expect-process NAME ID         that process still runs that image
//   sleep MS
//   poll MS                        how often the later waits look (default 50); a benchmark
//                                  looks rarely so that the robot costs the program nothing
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "robot_system.h"
#include "robot_windows.h"
#include "screenshot.h"

namespace {

const int kResultList = 1055;
const DWORD kDefaultPollInterval = 50;
const UINT kReportMessage = WM_SETREDRAW;  // the program appends its report line
const int kCloseTimeout = 10000;

struct Rule {
    std::string caption;
    std::string text;
    int button;
};

class Robot {
public:
    // The wide arguments are the same as the ANSI ones, but hold every
    // character (the ANSI ones have '?' where the code page lacks one).
    Robot(int argc, char** argv, const std::vector<std::wstring>& wideArgs)
        : args_(argv + 1, argv + argc), wideArgs_(wideArgs) {}

    int Run() {
        // BRUVANE_ROBOT_TRACE=1 prints each command with the time it began.
        bool trace = getenv("BRUVANE_ROBOT_TRACE") != nullptr;
        DWORD start = GetTickCount();
        while (next_ < args_.size()) {
            command_ = Take();
            if (trace) fprintf(stderr, "robot: %6lu ms %s\n", GetTickCount() - start, command_.c_str());
            if (!Execute()) {
                fprintf(stderr, "robot: %s: %s\n", command_.c_str(), failure_.c_str());
                return 1;
            }
        }
        return 0;
    }

private:
    std::string Take() { return next_ < args_.size() ? args_[next_++] : std::string(); }
    // The next argument as the wide command line gives it.
    std::wstring TakeWide() {
        size_t index = next_++;
        return index < wideArgs_.size() && wideArgs_.size() == args_.size() ? wideArgs_[index] : std::wstring();
    }
    int TakeNumber() { return atoi(Take().c_str()); }

    bool Fail(const std::string& why) {
        failure_ = why;
        return false;
    }

    bool Execute() {
        if (command_ == "wait-window") return WaitWindow(TakeNumber());
        if (command_ == "sleep") {
            Sleep(static_cast<DWORD>(TakeNumber()));
            return true;
        }
        if (command_ == "poll") {
            int milliseconds = TakeNumber();
            if (milliseconds <= 0) return Fail("the interval must be above 0 ms");
            pollInterval_ = static_cast<DWORD>(milliseconds);
            return true;
        }
        if (command_ == "rule") {
            Rule rule;
            rule.caption = Take();
            rule.text = Take();
            rule.button = TakeNumber();
            rules_.push_back(rule);
            return true;
        }
        if (command_ == "expect-windows") {
            std::string title = Take();
            int expected = TakeNumber();
            int count = CountWindowsTitled(title.c_str());
            if (count != expected) return Fail("found " + std::to_string(count) + " windows titled \"" + title + "\"");
            return true;
        }
        if (command_ == "wait-dialog") return WaitDialog();
        if (command_ == "expect-dialog-buttons") return ExpectDialogButtons(Take());
        if (command_ == "press-dialog") return PressDialog(TakeNumber());
        if (command_ == "dialog-key") return DialogKey(TakeNumber());
        if (command_ == "dialog-geometry") return DialogGeometry();
        if (command_ == "screenshot") {
            std::string path = Take();
            Settle();
            if (!SaveProcessScreenshot(processId_ != 0 ? processId_ : watchedProcess_, path.c_str())) return Fail("could not save " + path);
            return true;
        }
        if (command_ == "wait-answered") {
            int count = TakeNumber();
            return WaitAnswered(count, TakeNumber());
        }
        if (command_ == "expect-answered") return ExpectAnswered(TakeNumber());
        // The window may close before the robot gets here (OK pressed just
        // before): gone already is what wait-gone waits for.
        if (command_ == "wait-gone") {
            if (main_ == nullptr) return Fail("no main window (wait-window first)");
            return WaitGone(TakeNumber());
        }
        if (command_ == "expect-font") return ExpectFont(Take());
        if (command_ == "expect-acp") {
            int expected = TakeNumber();
            if (GetACP() != static_cast<UINT>(expected)) return Fail("the ANSI code page is " + std::to_string(GetACP()));
            return true;
        }
        if (command_ == "short-path") return PrintShortPath(TakeWide());
        if (command_ == "process-id") {
            std::string name = Take();
            DWORD id = FindProcessNamed(name.c_str());
            if (id == 0) return Fail("no process " + name);
            printf("process-id %lu\n", id);
            fflush(stdout);
            return true;
        }
        if (command_ == "expect-process") {
            std::string name = Take();
            DWORD id = static_cast<DWORD>(strtoul(Take().c_str(), nullptr, 10));
            if (!ProcessRuns(name.c_str(), id)) return Fail("process " + std::to_string(id) + " (" + name + ") no longer runs");
            return true;
        }
        if (command_ == "expect-dpi") return ExpectDpi(TakeNumber());
        if (command_ == "font-height") {
            std::string face = Take();
            return FontHeight(face, TakeNumber());
        }
        if (main_ == nullptr || !IsWindow(main_)) return Fail("no main window (wait-window first)");
        if (command_ == "expect-dialog-centred") return ExpectDialogCentred();
        if (command_ == "click") return Click(TakeNumber());
        if (command_ == "key") return Key(TakeNumber());
        if (command_ == "expect-visible") return ExpectFlag(WS_VISIBLE, "visible");
        if (command_ == "expect-enabled") return ExpectEnabled();
        if (command_ == "expect-text") return ExpectText();
        if (command_ == "wait-text") return WaitText(true);
        if (command_ == "wait-text-not") return WaitText(false);
        if (command_ == "wait-visible") return WaitVisible();
        if (command_ == "list") return WriteList(Take());
        if (command_ == "expect-count") return ExpectCount();
        if (command_ == "send-report") return SendReports(TakeNumber());
        if (command_ == "mouse-move") return MouseMove();
        if (command_ == "expect-focus") return ExpectThreadWindow(true, TakeNumber());
        if (command_ == "expect-capture") return ExpectThreadWindow(false, TakeNumber());
        if (command_ == "expect-colour") return ExpectColour();
        return Fail("unknown command");
    }

    // Every wait answers the prompts its rules know; a prompt no rule
    // knows is a failure, reported with its caption and text.
    bool AnswerPrompts() {
        // Without a main window the prompts are the test's own business.
        if (processId_ == 0) return true;
        HWND dialog = FindMessageDialog(processId_);
        if (dialog == nullptr) return true;
        std::string caption = WindowText(dialog);
        std::string text = WindowText(GetDlgItem(dialog, 1086));
        for (const Rule& rule : rules_)
            if (rule.caption == caption && rule.text == text) return Answer(dialog, rule, text);
        return Fail("unexpected prompt \"" + caption + "\" / \"" + text + "\"");
    }

    // The click is posted, so the dialog stays on the screen a moment
    // after it; the robot waits until it has closed before it looks for
    // prompts again, so that it never answers one dialog twice.
    bool Answer(HWND dialog, const Rule& rule, const std::string& text) {
        if (!PressButtonOf(dialog, rule.button)) return false;
        if (!WaitFor(kCloseTimeout, [&] { return !IsWindow(dialog) || !IsWindowVisible(dialog); }, false))
            return Fail("the prompt \"" + text + "\" did not close after " + std::to_string(rule.button));
        ++answered_;
        printf("robot: answered %d to \"%s\" / \"%s\"\n", rule.button, rule.caption.c_str(), text.c_str());
        fflush(stdout);
        return true;
    }

    bool WaitAnswered(int count, int milliseconds) {
        if (WaitFor(milliseconds, [&] { return answered_ >= count; })) return ExpectAnswered(count);
        if (!failure_.empty()) return false;
        return Fail(std::to_string(answered_) + " prompts answered");
    }

    bool ExpectAnswered(int count) {
        if (answered_ != count) return Fail(std::to_string(answered_) + " prompts answered");
        return true;
    }

    bool ExpectDpi(int expected) {
        HDC screen = GetDC(nullptr);
        int dpi = GetDeviceCaps(screen, LOGPIXELSX);
        ReleaseDC(nullptr, screen);
        if (dpi != expected) return Fail("the screen has " + std::to_string(dpi) + " pixels per inch");
        return true;
    }

    // The height a dialog manager takes for a dialog's font, as Windows and
    // Wine make it: the point size at the screen's pixels per inch.
    bool FontHeight(const std::string& face, int points) {
        HDC screen = GetDC(nullptr);
        LOGFONTA wanted = {};
        wanted.lfHeight = -MulDiv(points, GetDeviceCaps(screen, LOGPIXELSY), 72);
        wanted.lfCharSet = DEFAULT_CHARSET;
        lstrcpynA(wanted.lfFaceName, face.c_str(), LF_FACESIZE);
        HFONT font = CreateFontIndirectA(&wanted);
        HGDIOBJ previous = SelectObject(screen, font);
        TEXTMETRICA metrics = {};
        BOOL measured = GetTextMetricsA(screen, &metrics);
        SelectObject(screen, previous);
        ReleaseDC(nullptr, screen);
        DeleteObject(font);
        if (!measured) return Fail("GetTextMetricsA failed");
        printf("font-height %ld\n", metrics.tmHeight);
        fflush(stdout);
        return true;
    }

    // Without the font, Wine quietly draws with another face: a caption's
    // close button, drawn with Marlett, then shows the letter "r".
    bool ExpectFont(const std::string& face) {
        LOGFONTA wanted = {};
        wanted.lfHeight = -12;
        wanted.lfCharSet = DEFAULT_CHARSET;
        lstrcpynA(wanted.lfFaceName, face.c_str(), LF_FACESIZE);
        HFONT font = CreateFontIndirectA(&wanted);
        if (font == nullptr) return Fail("CreateFontIndirectA failed");
        HDC screen = GetDC(nullptr);
        HGDIOBJ previous = SelectObject(screen, font);
        char chosen[LF_FACESIZE] = "";
        GetTextFaceA(screen, sizeof chosen, chosen);
        SelectObject(screen, previous);
        ReleaseDC(nullptr, screen);
        DeleteObject(font);
        if (lstrcmpiA(chosen, face.c_str()) != 0) return Fail("asked for \"" + face + "\", got \"" + chosen + "\"");
        return true;
    }

    bool PrintShortPath(const std::wstring& path) {
        if (path.empty()) return Fail("no path (or the wide command line does not match)");
        std::string shortPath = ShortPathInAnsi(path.c_str());
        if (shortPath.empty()) return Fail("GetShortPathNameW failed with " + std::to_string(GetLastError()));
        printf("%s\n", shortPath.c_str());
        fflush(stdout);
        return true;
    }

    template <class Condition>
    bool WaitFor(int milliseconds, Condition condition, bool answer = true) {
        DWORD start = GetTickCount();
        for (;;) {
            if (answer && !AnswerPrompts()) return false;
            if (condition()) return true;
            if (GetTickCount() - start > static_cast<DWORD>(milliseconds)) return false;
            Sleep(pollInterval_);
        }
    }

    bool WaitWindow(int milliseconds) {
        bool found = WaitFor(milliseconds, [this] {
            main_ = FindMainWindow();
            return main_ != nullptr && IsWindowVisible(main_);
        }, false);
        if (!found) return Fail("no window titled \"Bruvane Ver 1.0\"");
        GetWindowThreadProcessId(main_, &processId_);
        return true;
    }

    // Lets the program finish what it was asked (a sent message returns
    // only once the queue before it is through) and paint it.
    void Settle() const {
        HWND window = main_ != nullptr ? main_ : dialog_;
        DWORD_PTR result = 0;
        SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, 2000, &result);
        Sleep(400);
        SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, 2000, &result);
    }

    HWND Control(int id) const { return GetDlgItem(main_, id); }

    bool PressButtonOf(HWND parent, int id) {
        HWND button = GetDlgItem(parent, id);
        if (button == nullptr) return Fail("no control " + std::to_string(id));
        if (!HasStyle(button, WS_VISIBLE)) return Fail("control " + std::to_string(id) + " is hidden");
        if (!IsWindowEnabled(button)) return Fail("control " + std::to_string(id) + " is disabled");
        // Posted, not sent: the click may open a prompt, which would keep a
        // sent message waiting for the robot itself.
        PostMessageA(button, BM_CLICK, 0, 0);
        return true;
    }

    bool Click(int id) { return PressButtonOf(main_, id); }

    bool Key(int virtualKey) {
        PostKey(main_, virtualKey);
        return true;
    }

    // Down and up at the window that has the focus in `window`'s thread,
    // as the keyboard would deliver them.
    static void PostKey(HWND window, int virtualKey) {
        GUITHREADINFO thread;
        memset(&thread, 0, sizeof thread);
        thread.cbSize = sizeof thread;
        HWND target = window;
        if (GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &thread) && thread.hwndFocus != nullptr)
            target = thread.hwndFocus;
        PostMessageA(target, WM_KEYDOWN, static_cast<WPARAM>(virtualKey), 1);
        PostMessageA(target, WM_KEYUP, static_cast<WPARAM>(virtualKey), static_cast<LPARAM>(0xC0000001u));
    }

    bool ExpectFlag(DWORD style, const char* name) {
        int id = TakeNumber();
        bool expected = TakeNumber() != 0;
        HWND control = Control(id);
        if (control == nullptr) return Fail("no control " + std::to_string(id));
        if (HasStyle(control, style) != expected)
            return Fail("control " + std::to_string(id) + (expected ? " is not " : " is ") + name);
        return true;
    }

    bool ExpectEnabled() {
        int id = TakeNumber();
        bool expected = TakeNumber() != 0;
        HWND control = Control(id);
        if (control == nullptr) return Fail("no control " + std::to_string(id));
        if ((IsWindowEnabled(control) != FALSE) != expected)
            return Fail("control " + std::to_string(id) + (expected ? " is disabled" : " is enabled"));
        return true;
    }

    bool ExpectText() {
        int id = TakeNumber();
        std::string expected = Take();
        std::string actual = WindowText(Control(id));
        if (actual != expected) return Fail("control " + std::to_string(id) + " reads \"" + actual + "\"");
        return true;
    }

    bool WaitText(bool equal) {
        int id = TakeNumber();
        std::string text = Take();
        int milliseconds = TakeNumber();
        if (WaitFor(milliseconds, [&] { return (WindowText(Control(id)) == text) == equal; })) return true;
        if (!failure_.empty()) return false;
        return Fail("control " + std::to_string(id) + " still reads \"" + WindowText(Control(id)) + "\"");
    }

    bool WaitVisible() {
        int id = TakeNumber();
        int milliseconds = TakeNumber();
        if (WaitFor(milliseconds, [&] { return HasStyle(Control(id), WS_VISIBLE); })) return true;
        if (!failure_.empty()) return false;
        return Fail("control " + std::to_string(id) + " did not appear");
    }

    bool WaitGone(int milliseconds) {
        if (WaitFor(milliseconds, [&] { return !IsWindow(main_); })) return true;
        if (!failure_.empty()) return false;
        return Fail("the main window is still there");
    }

    bool WaitDialog() {
        std::string caption = Take();
        std::string text = Take();
        int milliseconds = TakeNumber();
        bool found = WaitFor(milliseconds, [&] {
            dialog_ = FindMessageDialog(processId_ != 0 ? processId_ : watchedProcess_);
            return dialog_ != nullptr;
        }, false);
        if (!found) return Fail("no message dialog appeared");
        if (processId_ == 0) GetWindowThreadProcessId(dialog_, &watchedProcess_);
        std::string actualCaption = WindowText(dialog_);
        std::string actualText = WindowText(GetDlgItem(dialog_, 1086));
        if (actualCaption != caption || actualText != text)
            return Fail("the prompt is \"" + actualCaption + "\" / \"" + actualText + "\"");
        return true;
    }

    bool ExpectDialogButtons(const std::string& expected) {
        if (dialog_ == nullptr || !IsWindow(dialog_)) return Fail("no message dialog (wait-dialog first)");
        std::string actual;
        for (int id : VisibleButtons(dialog_)) actual += (actual.empty() ? "" : ",") + std::to_string(id);
        if (actual != expected) return Fail("visible buttons are " + actual);
        return true;
    }

    bool PressDialog(int id) {
        if (dialog_ == nullptr || !IsWindow(dialog_)) return Fail("no message dialog (wait-dialog first)");
        if (!PressButtonOf(dialog_, id)) return false;
        HWND pressed = dialog_;
        if (!WaitFor(5000, [&] { return !IsWindow(pressed) || !IsWindowVisible(pressed); }, false))
            return Fail("the message dialog did not close");
        dialog_ = nullptr;
        return true;
    }

    bool DialogKey(int virtualKey) {
        if (dialog_ == nullptr || !IsWindow(dialog_)) return Fail("no message dialog (wait-dialog first)");
        PostKey(dialog_, virtualKey);
        HWND pressed = dialog_;
        if (!WaitFor(5000, [&] { return !IsWindow(pressed) || !IsWindowVisible(pressed); }, false))
            return Fail("the message dialog did not close");
        dialog_ = nullptr;
        return true;
    }

    // Client coordinates of the dialog's text area and picture area.
    bool DialogGeometry() {
        if (dialog_ == nullptr || !IsWindow(dialog_)) return Fail("no message dialog (wait-dialog first)");
        RECT window, text, picture;
        GetWindowRect(dialog_, &window);
        GetWindowRect(GetDlgItem(dialog_, 1086), &text);
        GetWindowRect(GetDlgItem(dialog_, 1085), &picture);
        printf("dialog %ld %ld text %ld %ld %ld %ld picture %ld %ld\n", window.right - window.left,
               window.bottom - window.top, text.left - window.left, text.top - window.top, text.right - text.left,
               text.bottom - text.top, picture.left - window.left, picture.top - window.top);
        fflush(stdout);
        return true;
    }

    bool ExpectDialogCentred() {
        if (dialog_ == nullptr || !IsWindow(dialog_)) return Fail("no message dialog (wait-dialog first)");
        RECT dialog, main;
        GetWindowRect(dialog_, &dialog);
        GetWindowRect(main_, &main);
        long dx = (dialog.left + dialog.right) / 2 - (main.left + main.right) / 2;
        long dy = (dialog.top + dialog.bottom) / 2 - (main.top + main.bottom) / 2;
        if (dx < -1 || dx > 1 || dy < -1 || dy > 1)
            return Fail("the dialog's centre is off by " + std::to_string(dx) + "," + std::to_string(dy));
        return true;
    }

    bool MouseMove() {
        int id = TakeNumber();
        int x = TakeNumber();
        int y = TakeNumber();
        HWND control = Control(id);
        if (control == nullptr) return Fail("no control " + std::to_string(id));
        PostMessageA(control, WM_MOUSEMOVE, 0, MAKELPARAM(x, y));
        Settle();
        return true;
    }

    bool ExpectThreadWindow(bool focus, int id) {
        GUITHREADINFO thread;
        memset(&thread, 0, sizeof thread);
        thread.cbSize = sizeof thread;
        if (!GetGUIThreadInfo(GetWindowThreadProcessId(main_, nullptr), &thread)) return Fail("no thread state");
        HWND actual = focus ? thread.hwndFocus : thread.hwndCapture;
        HWND expected = id == 0 ? nullptr : Control(id);
        if (actual != expected)
            return Fail(std::string(focus ? "focus" : "capture") + " is at control " +
                        std::to_string(actual ? GetDlgCtrlID(actual) : 0));
        return true;
    }

    bool ExpectColour() {
        int id = TakeNumber();
        POINT point = {TakeNumber(), TakeNumber()};
        int red = TakeNumber(), green = TakeNumber(), blue = TakeNumber();
        Settle();
        ClientToScreen(Control(id), &point);
        HDC screen = GetDC(nullptr);
        COLORREF colour = GetPixel(screen, point.x, point.y);
        ReleaseDC(nullptr, screen);
        int actual[3] = {GetRValue(colour), GetGValue(colour), GetBValue(colour)};
        int expected[3] = {red, green, blue};
        for (int i = 0; i < 3; ++i)
            if (abs(actual[i] - expected[i]) > 40)
                return Fail("the colour is " + std::to_string(actual[0]) + "," + std::to_string(actual[1]) + "," +
                            std::to_string(actual[2]));
        return true;
    }

    bool WriteList(const std::string& path) {
        std::vector<std::string> lines = ListLines(Control(kResultList));
        FILE* out = path == "-" ? stdout : fopen(path.c_str(), "w");
        if (out == nullptr) return Fail("cannot write " + path);
        for (const std::string& line : lines) fprintf(out, "%s\n", line.c_str());
        if (out != stdout) fclose(out);
        fflush(stdout);
        return true;
    }

    bool ExpectCount() {
        std::string relation = Take();
        int expected = TakeNumber();
        int count = static_cast<int>(SendMessageW(Control(kResultList), LB_GETCOUNT, 0, 0));
        bool holds = relation == "eq" ? count == expected : relation == "le" ? count <= expected : count >= expected;
        if (!holds) return Fail("the list holds " + std::to_string(count) + " lines");
        return true;
    }

    bool SendReports(int count) {
        for (int i = 0; i < count; ++i) {
            DWORD_PTR result = 0;
            if (!SendMessageTimeoutA(main_, kReportMessage, 0, 0, SMTO_NORMAL, 5000, &result))
                return Fail("report message " + std::to_string(i + 1) + " was not taken");
        }
        return true;
    }

    std::vector<std::string> args_;
    std::vector<std::wstring> wideArgs_;
    size_t next_ = 0;
    std::string command_;
    std::string failure_;
    std::vector<Rule> rules_;
    int answered_ = 0;  // prompts the rules answered, each once
    HWND main_ = nullptr;
    HWND dialog_ = nullptr;
    DWORD processId_ = 0;
    DWORD watchedProcess_ = 0;  // a dialog's process when there is no main window
    DWORD pollInterval_ = kDefaultPollInterval;
};

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::wstring> wideArgs;
    int wideCount = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &wideCount);
    for (int i = 1; wide != nullptr && i < wideCount; ++i) wideArgs.push_back(wide[i]);
    if (wide != nullptr) LocalFree(wide);
    Robot robot(argc, argv, wideArgs);
    return robot.Run();
}
