#include "ui/framework/application.h"

namespace {

Application* currentApplication = nullptr;

}  // namespace

Application::Application() { currentApplication = this; }

Application::~Application() {
    if (currentApplication == this) currentApplication = nullptr;
}

Application* Application::Current() { return currentApplication; }

int RunApplication() {
    if (currentApplication == nullptr) return 0;
    currentApplication->InitInstance();
    currentApplication->SetMainWindow(nullptr);
    return 0;
}
