// The program's entry point: everything happens in the application
// object's InitInstance.
#include <windows.h>

#include "ui/framework/application.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return RunApplication(); }
