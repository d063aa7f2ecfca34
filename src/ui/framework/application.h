// The application object: one per program, constructed statically. The
// entry point hands control to its InitInstance; the program ends when
// that returns.
#pragma once

#include <windows.h>

#include "ui/framework/window.h"

class Application {
public:
    Application();
    virtual ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    // The program's whole run. Its result is not the exit status: a
    // dialog application always ends when this returns.
    virtual BOOL InitInstance() = 0;

    static Application* Current();
    Window* MainWindow() const { return mainWindow_; }
    void SetMainWindow(Window* window) { mainWindow_ = window; }

private:
    Window* mainWindow_ = nullptr;
};

// What the entry point runs: InitInstance of the one application object.
// Returns the process's exit status.
int RunApplication();
