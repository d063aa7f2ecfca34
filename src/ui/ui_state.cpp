#include "ui/ui_state.h"

Font HeadingFont;
Dialog* MainDialog = nullptr;
