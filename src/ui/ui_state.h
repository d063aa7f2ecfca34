// Module-level objects of the user interface that outlive any one window.
#pragma once

#include "ui/framework/dialog.h"
#include "ui/framework/gdi_objects.h"

// The main window's heading font: created empty at program start, filled
// while the main window initialises, painted with by the label. Its font
// is deleted at exit.
extern Font HeadingFont;

// The main window object while it exists; message dialogs centre on it.
extern Dialog* MainDialog;
