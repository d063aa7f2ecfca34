// The application object: refuses to run a second copy, shows the main
// window modally, and ends the program when it closes.
#pragma once

#include "ui/framework/application.h"

class BruvaneApp : public Application {
public:
    BruvaneApp() = default;
    // Always FALSE: the program's whole life is the main window's modal
    // run.
    BOOL InitInstance() override;
};
